// The text of a double as its shortest decimal digits that read back as the same double,
// laid out in full with no exponent: 1e23 is "100000000000000000000000", 2^60 is
// "1152921504606847000", 1e-7 is "0.0000001". The value display and the JSON writers
// share it, so a number reads the same in a journal line as in a reply.
//
// std::to_chars in fixed mode would give the exact binary expansion of large values
// ("99999999999999991611392" for 1e23) where it is as short as the shortest digits
// padded with zeros; the scientific form always gives the shortest digits, so they are
// taken from it and laid out here.
#pragma once

#include <charconv>
#include <cstddef>
#include <string>

namespace kelo_core::numeric {

// Appends the text of a finite `value` (-0.0 writes "-0"; NaN and infinities are the
// caller's to spell).
inline void append_shortest_decimal(std::string& out, double value) {
  char sci[32];
  const char* const end =
      std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific).ptr;
  const char* p = sci;
  const bool negative = *p == '-';
  if (negative) ++p;
  // d[.ddd]e(+|-)xx: at most 17 digits.
  char digits[17];
  int count = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  int exponent = 0;
  const char* exponent_at = p + 1;
  if (exponent_at < end && *exponent_at == '+') ++exponent_at;
  std::from_chars(exponent_at, end, exponent);

  // The value is 0.d1d2d3... times 10^point. Longest: 5e-324, "0." and 323 zeros and
  // one digit; the largest doubles have 309 integer digits.
  char text[400];
  char* o = text;
  if (negative) *o++ = '-';
  const int point = exponent + 1;
  if (point <= 0) {
    *o++ = '0';
    *o++ = '.';
    for (int i = 0; i < -point; ++i) *o++ = '0';
    for (int i = 0; i < count; ++i) *o++ = digits[i];
  } else if (point >= count) {
    for (int i = 0; i < count; ++i) *o++ = digits[i];
    for (int i = count; i < point; ++i) *o++ = '0';
  } else {
    for (int i = 0; i < point; ++i) *o++ = digits[i];
    *o++ = '.';
    for (int i = point; i < count; ++i) *o++ = digits[i];
  }
  out.append(text, static_cast<std::size_t>(o - text));
}

}  // namespace kelo_core::numeric
