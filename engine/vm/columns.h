#pragma once

// Fresh columns for series values and bar data. Every column belongs to the run that
// made it and is freed with it: nothing is kept between exported calls.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelo_vm::columns {

// An empty column with room for `count` elements.
inline std::vector<double> take(std::size_t count) {
  std::vector<double> out;
  out.reserve(count);
  return out;
}

inline std::vector<std::int64_t> take_times(std::size_t count) {
  std::vector<std::int64_t> out;
  out.reserve(count);
  return out;
}

// A column `count` long filled with `fill`.
inline std::vector<double> filled(std::size_t count, double fill) {
  return std::vector<double>(count, fill);
}

}  // namespace kelo_vm::columns
