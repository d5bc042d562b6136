#pragma once

// A stable merge sort that stays in bounds and ends whatever its comparison does, for
// orders in which some elements (NaN keys, values without a number) compare equal to
// everything and so are not a strict weak order.

#include <cstddef>
#include <utility>
#include <vector>

namespace kelo_vm::builtins {

// Sorts `items` stably by `less(a, b)`; an element moves before an earlier one only when
// `less` says it is smaller.
template <typename T, typename Less>
void stable_merge_sort(std::vector<T>& items, Less less) {
  const std::size_t n = items.size();
  if (n < 2) return;
  std::vector<T> buffer(n);
  std::vector<T>* from = &items;
  std::vector<T>* to = &buffer;
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = lo + width < n ? lo + width : n;
      const std::size_t hi = lo + 2 * width < n ? lo + 2 * width : n;
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        (*to)[k++] =
            less((*from)[j], (*from)[i]) ? std::move((*from)[j++]) : std::move((*from)[i++]);
      }
      while (i < mid) (*to)[k++] = std::move((*from)[i++]);
      while (j < hi) (*to)[k++] = std::move((*from)[j++]);
    }
    std::swap(from, to);
    if (width > n / 2) break;
  }
  if (from != &items) items = std::move(*from);
}

}  // namespace kelo_vm::builtins
