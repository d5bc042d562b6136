#include "vm/column_pool.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>

namespace kelo_vm::columns {
namespace {

template <class T>
std::size_t bytes_of(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

class Pool {
 public:
  template <class T>
  std::vector<T> take(std::size_t count) {
    std::vector<T> out;
    if (count >= kPooledFrom) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::vector<std::vector<T>>& list = list_of<T>();
      // The smallest kept column that is large enough.
      auto best = list.end();
      for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->capacity() >= count && (best == list.end() || it->capacity() < best->capacity())) {
          best = it;
        }
      }
      if (best != list.end()) {
        out = std::move(*best);
        list.erase(best);
        kept_ -= bytes_of(out);
      }
    }
    out.clear();
    out.reserve(count);
    return out;
  }

  template <class T>
  void give(std::vector<T>&& column) noexcept {
    std::vector<T> held = std::move(column);
    const std::size_t bytes = bytes_of(held);
    if (held.capacity() < kPooledFrom || bytes > kBudgetBytes) return;
    held.clear();
    std::vector<T> dropped;  // freed outside the lock
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (kept_ + bytes > kBudgetBytes && evict_smallest()) {
      }
      try {
        list_of<T>().push_back(std::move(held));
        kept_ += bytes;
      } catch (const std::bad_alloc&) {
        dropped = std::move(held);  // nothing kept, nothing lost
      }
    }
  }

  std::size_t kept() {
    std::lock_guard<std::mutex> lock(mutex_);
    return kept_;
  }

 private:
  template <class T>
  std::vector<std::vector<T>>& list_of() {
    if constexpr (std::is_same_v<T, double>) {
      return doubles_;
    } else {
      return times_;
    }
  }

  // Frees the smallest kept column of either kind; false when nothing is kept.
  bool evict_smallest() {
    auto smallest = [](auto& list) {
      return std::min_element(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.capacity() < b.capacity();
      });
    };
    auto d = smallest(doubles_);
    auto t = smallest(times_);
    const bool use_d = d != doubles_.end() && (t == times_.end() || bytes_of(*d) <= bytes_of(*t));
    if (use_d) {
      kept_ -= bytes_of(*d);
      doubles_.erase(d);
      return true;
    }
    if (t != times_.end()) {
      kept_ -= bytes_of(*t);
      times_.erase(t);
      return true;
    }
    return false;
  }

  std::mutex mutex_;
  std::vector<std::vector<double>> doubles_;
  std::vector<std::vector<std::int64_t>> times_;
  std::size_t kept_ = 0;
};

// Never destroyed, so that a column released during exit still finds it.
Pool& pool() {
  static Pool* const instance = new Pool;
  return *instance;
}

}  // namespace

std::vector<double> take(std::size_t count) {
  return pool().take<double>(count);
}
std::vector<std::int64_t> take_times(std::size_t count) {
  return pool().take<std::int64_t>(count);
}

std::vector<double> filled(std::size_t count, double fill) {
  std::vector<double> out = take(count);
  out.assign(count, fill);
  return out;
}

void give(std::vector<double>&& column) noexcept {
  pool().give(std::move(column));
}
void give(std::vector<std::int64_t>&& column) noexcept {
  pool().give(std::move(column));
}

std::size_t kept_bytes() {
  return pool().kept();
}

}  // namespace kelo_vm::columns
