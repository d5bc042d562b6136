// Number conversions without undefined behaviour; every double -> int64 conversion of the
// VM and its built-ins goes through `saturate_i64`.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace kelo_vm {

// Truncates toward zero, saturating at the 64-bit limits; NaN gives 0.
inline int64_t saturate_i64(double x) {
  if (std::isnan(x)) return 0;
  // 2^63 is exactly representable; anything at or above it saturates.
  if (x >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (x <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(x);
}

// Two's-complement negation: the smallest int64 stays itself.
inline int64_t wrapping_negate(int64_t v) {
  return static_cast<int64_t>(0u - static_cast<uint64_t>(v));
}

}  // namespace kelo_vm
