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

}  // namespace kelo_core::unicode
