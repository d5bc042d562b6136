#include "core/unicode_class.h"

#include <algorithm>
#include <iterator>

namespace kelo_core::unicode {
namespace {

struct Range {
  char32_t first;
  char32_t last;
};

#include "core/unicode_tables.inc"

template <std::size_t N>
bool contains(const Range (&table)[N], char32_t cp) {
  // First range whose last code point is not below cp.
  const Range* it = std::lower_bound(std::begin(table), std::end(table), cp,
                                     [](const Range& r, char32_t c) { return r.last < c; });
  return it != std::end(table) && it->first <= cp;
}

}  // namespace

bool is_alphabetic(char32_t cp) { return contains(kAlphabetic, cp); }

bool is_numeric(char32_t cp) { return contains(kNumeric, cp); }

// Few and stable enough to spell out.
bool is_white_space(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F ||
         cp == 0x205F || cp == 0x3000;
}

}  // namespace kelo_core::unicode
