#include "core/unicode_case.h"

#include <algorithm>
#include <iterator>

#include "core/utf8.h"

namespace kelo_core::unicode {
namespace {

// A character that maps to one character.
struct SimpleMapping {
  char32_t from;
  char32_t to;
};
// A character that maps to two or three (0 pads the rest).
struct SpecialMapping {
  char32_t from;
  char32_t to[3];
};
// Inclusive code-point range of a property.
struct Range {
  char32_t first;
  char32_t last;
};

#include "core/unicode_case_tables.inc"

template <typename Mapping, std::size_t N>
const Mapping* find(const Mapping (&table)[N], char32_t cp) {
  const Mapping* it = std::lower_bound(std::begin(table), std::end(table), cp,
                                       [](const Mapping& m, char32_t c) { return m.from < c; });
  return it != std::end(table) && it->from == cp ? it : nullptr;
}

template <std::size_t S, std::size_t P>
void append_mapped(std::string& out, char32_t cp, const SimpleMapping (&simple)[S],
                   const SpecialMapping (&special)[P]) {
  if (const SpecialMapping* m = find(special, cp)) {
    for (char32_t to : m->to) {
      if (to != 0) utf8::append(out, to);
    }
  } else if (const SimpleMapping* m1 = find(simple, cp)) {
    utf8::append(out, m1->to);
  } else {
    utf8::append(out, cp);
  }
}

template <std::size_t N>
bool contains(const Range (&table)[N], char32_t cp) {
  // First range whose last code point is not below cp.
  const Range* it = std::lower_bound(std::begin(table), std::end(table), cp,
                                     [](const Range& r, char32_t c) { return r.last < c; });
  return it != std::end(table) && it->first <= cp;
}

constexpr char32_t kCapitalSigma = 0x03A3;
constexpr char32_t kFinalSigma = 0x03C2;

// Whether the nearest character before `end` (walking back from it) or from `begin` on
// that is not case-ignorable is cased. A character that is both (a modifier letter such as
// U+02B0) is skipped as case-ignorable, as ICU does.
bool cased_before(const char32_t* begin, const char32_t* end) {
  while (end != begin) {
    const char32_t cp = *--end;
    if (!contains(kCaseIgnorable, cp)) return contains(kCased, cp);
  }
  return false;
}

bool cased_after(const char32_t* begin, const char32_t* end) {
  for (; begin != end; ++begin) {
    if (!contains(kCaseIgnorable, *begin)) return contains(kCased, *begin);
  }
  return false;
}

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII text (the common case) maps byte by byte: flipping bit 5 swaps the case of a letter
// in [from, to].
std::string map_ascii(std::string_view text, char from, char to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(c >= from && c <= to ? static_cast<char>(c ^ 0x20) : c);
  return out;
}

}  // namespace

void append_lower(std::string& out, char32_t cp) {
  append_mapped(out, cp, kLowerSimple, kLowerSpecial);
}

void append_upper(std::string& out, char32_t cp) {
  append_mapped(out, cp, kUpperSimple, kUpperSpecial);
}

std::string to_lower(std::string_view text) {
  if (is_ascii(text)) return map_ascii(text, 'A', 'Z');
  std::string out;
  out.reserve(text.size());
  const std::u32string cps = utf8::decode(text);
  const char32_t* const begin = cps.data();
  const char32_t* const end = begin + cps.size();
  for (const char32_t* p = begin; p != end; ++p) {
    // A capital sigma that ends a word takes the final form. Each walk stops at the nearest
    // character that is not case-ignorable, so the whole text is still read a bounded number
    // of times.
    if (*p == kCapitalSigma && cased_before(begin, p) && !cased_after(p + 1, end)) {
      utf8::append(out, kFinalSigma);
    } else {
      append_lower(out, *p);
    }
  }
  return out;
}

std::string to_upper(std::string_view text) {
  if (is_ascii(text)) return map_ascii(text, 'a', 'z');
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : utf8::decode(text)) append_upper(out, cp);
  return out;
}

}  // namespace kelo_core::unicode
