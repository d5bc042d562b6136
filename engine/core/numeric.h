// Numeric conversions without undefined behaviour: a double never reaches an integer
// through a plain cast, and number texts are read the same in every locale.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

namespace kelo_core::numeric {

// Truncates toward zero and saturates at the 64-bit limits; NaN gives 0.
inline std::int64_t saturating_i64(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; every double below it converts without overflow.
  constexpr double kLimit = 9223372036854775808.0;
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

// Two's-complement negation: the smallest value stays itself.
inline std::int64_t wrapping_negate(std::int64_t value) {
  return static_cast<std::int64_t>(0u - static_cast<std::uint64_t>(value));
}

// Floor division and the matching non-negative-for-positive-divisor remainder.
// A zero divisor gives 0; INT64_MIN / -1 saturates.
inline std::int64_t floor_div(std::int64_t a, std::int64_t b) {
  if (b == 0) return 0;
  if (b == -1) return a == std::numeric_limits<std::int64_t>::min()
                          ? std::numeric_limits<std::int64_t>::max()
                          : -a;
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

inline std::int64_t floor_mod(std::int64_t a, std::int64_t b) {
  if (b == 0 || b == -1) return 0;
  std::int64_t r = a % b;
  if (r != 0 && ((r < 0) != (b < 0))) r += b;
  return r;
}

namespace detail {

// For a decimal text that std::from_chars found out of range: true when its
// magnitude is too large (rather than too small) for a double.
inline bool decimal_overflows(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::int64_t int_digits = 0;      // significant digits before the point
  std::int64_t leading_zeros = 0;   // zeros after the point before the first nonzero digit
  bool seen_nonzero = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (text[i] != '0') seen_nonzero = true;
    if (seen_nonzero) ++int_digits;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (text[i] != '0') seen_nonzero = true;
      if (!seen_nonzero) ++leading_zeros;
    }
  }
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  std::int64_t magnitude = int_digits > 0 ? int_digits - 1 + exponent : -(leading_zeros + 1) + exponent;
  return magnitude >= 0;
}

}  // namespace detail

// Reads the whole text as a decimal floating-point number ("1_0" or " 1" fail).
// Values beyond the double range give infinity, values below it give zero (signed).
inline std::optional<double> parse_double(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ptr != last) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    bool negative = text.front() == '-';
    double magnitude = detail::decimal_overflows(text) ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace kelo_core::numeric
