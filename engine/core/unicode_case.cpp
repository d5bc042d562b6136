#include "core/unicode_case.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

bool ignorable(char32_t cp) {
  return contains(kCaseIgnorable, cp);
}

// Whether, skipping case-ignorable characters, the nearest character from byte `i` on is
// cased. A character that is both (a modifier letter such as U+02B0) is skipped as
// case-ignorable, as ICU does.
bool cased_from(std::string_view text, std::size_t i) {
  while (i < text.size()) {
    const char32_t cp = utf8::next(text, i);
    if (!ignorable(cp)) return contains(kCased, cp);
  }
  return false;
}

// Calls each(cp, final) for every character in order; `final` marks a capital sigma that
// ends a word. Characters are classified only when the text holds a capital sigma at all,
// and each look ahead stops at the nearest character that is not case-ignorable (a sigma
// is not), so the text is read a bounded number of times.
template <class Each>
void each_lower(std::string_view text, Each&& each) {
  const bool has_sigma = text.find("\xCE\xA3") != std::string_view::npos;
  bool cased_before = false;  // the nearest earlier character that is not case-ignorable
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = utf8::next(text, i);
    each(cp, has_sigma && cp == kCapitalSigma && cased_before && !cased_from(text, i));
    if (has_sigma && !ignorable(cp)) cased_before = contains(kCased, cp);
  }
}

void append_lower_form(std::string& out, char32_t cp, bool final_sigma);

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

namespace {
void append_lower_form(std::string& out, char32_t cp, bool final_sigma) {
  if (final_sigma) {
    utf8::append(out, kFinalSigma);
  } else {
    append_lower(out, cp);
  }
}
}  // namespace

namespace {

using AppendFn = void (*)(std::string&, char32_t);

// The byte length of every BMP character's mapping, worked out once per direction:
// sizing a long text is then one lookup per character.
std::array<uint8_t, 0x10000> bmp_sizes(AppendFn append) {
  std::array<uint8_t, 0x10000> sizes{};
  std::string one;
  for (char32_t cp = 0; cp < 0x10000; ++cp) {
    one.clear();
    append(one, cp);
    sizes[cp] = static_cast<uint8_t>(one.size());
  }
  return sizes;
}

std::size_t mapped_size(std::string_view text, const std::array<uint8_t, 0x10000>& bmp,
                        AppendFn append) {
  std::size_t size = 0;
  std::string one;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = utf8::next(text, i);
    if (cp < bmp.size()) {
      size += bmp[cp];
    } else {
      one.clear();
      append(one, cp);
      size += one.size();
    }
  }
  return size;
}

}  // namespace

// A final sigma is as long as the other small sigma, so sizing needs no context.
std::size_t lower_size(std::string_view text) {
  if (is_ascii(text)) return text.size();
  static const std::array<uint8_t, 0x10000> sizes = bmp_sizes(append_lower);
  return mapped_size(text, sizes, append_lower);
}

std::size_t upper_size(std::string_view text) {
  if (is_ascii(text)) return text.size();
  static const std::array<uint8_t, 0x10000> sizes = bmp_sizes(append_upper);
  return mapped_size(text, sizes, append_upper);
}

// Both walk the text twice, to size the result first: a growing result would hold
// its old and its new storage at once, and a long text must not be held as four bytes
// per character.
std::string to_lower(std::string_view text) {
  if (is_ascii(text)) return map_ascii(text, 'A', 'Z');
  std::string out;
  out.reserve(lower_size(text));
  each_lower(text, [&](char32_t cp, bool final_sigma) { append_lower_form(out, cp, final_sigma); });
  return out;
}

std::string to_upper(std::string_view text) {
  if (is_ascii(text)) return map_ascii(text, 'a', 'z');
  std::string out;
  out.reserve(upper_size(text));
  for (std::size_t i = 0; i < text.size();) append_upper(out, utf8::next(text, i));
  return out;
}

}  // namespace kelo_core::unicode
