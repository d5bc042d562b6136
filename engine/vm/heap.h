// The bytes held by this thread's run-time values, and the limit a run may hold.
//
// Every counted object carries the bytes it is charged for (`Object::charge`); the meter
// is the sum over the live objects of this thread. Values never cross threads, so the
// count is exact without atomics. Sites a script controls ask `fits` before they grow
// anything and fail with `error()` when the growth would pass the limit; after a growth
// the object's charge is moved to its new size with `settle`. A settle that is missed
// only under-counts until the next one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "vm/runtime_error.h"

namespace kelo_vm::heap {

// What the values of one thread may hold: well below the 512 MiB a hostile run may
// reach in all, leaving room for the interpreter, the bars and a reallocation's copy.
inline constexpr int64_t kLimit = 469'762'048;  // 448 MiB

inline constexpr std::string_view kMessage = "This run holds more memory than it is allowed";

struct Meter {
  // Signed: an object freed on another thread than the one that made it only skews
  // the count, it can never wrap it into a huge number.
  int64_t live = 0;
  int64_t limit = kLimit;
};

inline Meter& meter() {
  thread_local Meter m;
  return m;
}

// What the allocator spends on a request of `bytes`: its header, rounded to 16 bytes,
// 32 at least. Small objects cost noticeably more than their size; counting that keeps
// the meter close to the memory actually used.
inline constexpr std::size_t block(std::size_t bytes) {
  const std::size_t b = (bytes + 8 + 15) & ~std::size_t{15};
  return b < 32 ? 32 : b;
}

// What a string of `capacity` allocates beside its object: short ones live inside it.
inline constexpr std::size_t string_bytes(std::size_t capacity) {
  return capacity > 15 ? block(capacity + 1) : 0;
}

// The bytes growing `v` to `n` elements allocates (0 when it fits in place): a vector
// at least doubles, and the old storage lives until the copy is done.
template <class T>
std::size_t growth_bytes(const std::vector<T>& v, std::size_t n) {
  if (n <= v.capacity()) return 0;
  const std::size_t doubled = 2 * v.size();
  return (n > doubled ? n : doubled) * sizeof(T);
}

// Gives `s` room for exactly `capacity` bytes: a fresh string gets what it reserves,
// while one grown in place may round the request up to twice its old size, which near
// a cap would reserve twice the cap.
inline void reserve_exactly(std::string& s, std::size_t capacity) {
  std::string next;
  next.reserve(capacity);
  next.append(s);
  s.swap(next);
}

// Bytes charged on this thread now.
inline int64_t live() {
  return meter().live;
}
inline int64_t limit() {
  return meter().limit;
}

// Whether `extra` more bytes stay within the limit.
inline bool fits(uint64_t extra) {
  const Meter& m = meter();
  const int64_t room = m.limit - m.live;
  return room >= 0 && extra <= static_cast<uint64_t>(room);
}
// Whether the values already held pass the limit.
inline bool over() {
  const Meter& m = meter();
  return m.live > m.limit;
}

inline void charge(uint64_t bytes) {
  meter().live += static_cast<int64_t>(bytes);
}
inline void release(uint64_t bytes) {
  meter().live -= static_cast<int64_t>(bytes);
}

// Moves what `o` is charged for to `bytes_now` (saturating at the field's width).
template <class O>
inline void settle(O& o, std::size_t bytes_now) {
  constexpr std::size_t kMax = std::numeric_limits<uint32_t>::max();
  const auto b = static_cast<uint32_t>(bytes_now < kMax ? bytes_now : kMax);
  meter().live += static_cast<int64_t>(b) - static_cast<int64_t>(o.charge);
  o.charge = b;
}

// Bytes charged for something that is not an object (a host's table of values): held
// while it lives, handed over when it moves.
class Charge {
 public:
  Charge() = default;
  Charge(Charge&& o) noexcept : bytes_(o.bytes_) { o.bytes_ = 0; }
  Charge& operator=(Charge&& o) noexcept {
    if (this != &o) {
      release(bytes_);
      bytes_ = o.bytes_;
      o.bytes_ = 0;
    }
    return *this;
  }
  ~Charge() { release(bytes_); }
  void add(uint64_t bytes) {
    charge(bytes);
    bytes_ += bytes;
  }
  void drop(uint64_t bytes) {
    if (bytes > bytes_) bytes = bytes_;
    release(bytes);
    bytes_ -= bytes;
  }
  // Moves the charge to `bytes`.
  void settle(uint64_t bytes) {
    if (bytes > bytes_)
      add(bytes - bytes_);
    else
      drop(bytes_ - bytes);
  }
  uint64_t bytes() const { return bytes_; }

 private:
  uint64_t bytes_ = 0;
};

// The error a refused growth reports (at the calling instruction's line).
inline RuntimeError error() {
  return RuntimeError::exhaustion(kMessage);
}

// Lowers (or raises) this thread's limit while it lives, for tests that need not
// allocate hundreds of MiB to reach it.
class LimitOverride {
 public:
  explicit LimitOverride(int64_t limit) : saved_(meter().limit) { meter().limit = limit; }
  ~LimitOverride() { meter().limit = saved_; }
  LimitOverride(const LimitOverride&) = delete;
  LimitOverride& operator=(const LimitOverride&) = delete;

 private:
  int64_t saved_;
};

}  // namespace kelo_vm::heap
