#include "vm/methods_unicode.h"

#include <algorithm>
#include <iterator>

#include "core/utf8.h"
#include "vm/methods_case_tables.h"

namespace kelo_vm::unicode_text {
namespace {

using namespace unicode_case;

template <typename Table>
const auto* find_mapping(const Table& table, char32_t c) {
  const auto* end = std::end(table);
  const auto* it = std::lower_bound(std::begin(table), end, c,
                                    [](const auto& m, char32_t v) { return m.from < v; });
  return it != end && it->from == c ? it : nullptr;
}

template <typename Simple, typename Special>
std::string map_case(std::string_view s, const Simple& simple, const Special& special,
                     char ascii_from, char ascii_to) {
  std::string out;
  out.reserve(s.size());
  if (std::all_of(s.begin(), s.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    for (char c : s)
      out.push_back(c >= ascii_from && c <= ascii_to ? static_cast<char>(c ^ 0x20) : c);
    return out;
  }
  for (char32_t c : kelo_core::utf8::decode(s)) {
    if (const auto* m = find_mapping(special, c)) {
      for (char32_t t : m->to) {
        if (t != 0) kelo_core::utf8::append(out, t);
      }
    } else if (const auto* m1 = find_mapping(simple, c)) {
      kelo_core::utf8::append(out, m1->to);
    } else {
      kelo_core::utf8::append(out, c);
    }
  }
  return out;
}

// Decodes the character starting at byte i; sets `next` past it.
char32_t decode_at(std::string_view s, std::size_t i, std::size_t& next) {
  next = i + 1;
  while (next < s.size() && !starts_char(s[next])) ++next;
  const std::u32string one = kelo_core::utf8::decode(s.substr(i, next - i));
  return one.empty() ? kelo_core::utf8::kReplacement : one.front();
}

}  // namespace

std::size_t char_count(std::string_view s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), starts_char));
}

std::size_t byte_of_char(std::string_view s, std::size_t index) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (!starts_char(s[i])) continue;
    if (seen == index) return i;
    ++seen;
  }
  return s.size();
}

std::size_t char_of_byte(std::string_view s, std::size_t byte) {
  return char_count(s.substr(0, std::min(byte, s.size())));
}

std::string to_upper(std::string_view s) {
  return map_case(s, kUpperSimple, kUpperSpecial, 'a', 'z');
}
std::string to_lower(std::string_view s) {
  return map_case(s, kLowerSimple, kLowerSpecial, 'A', 'Z');
}

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::string_view trim(std::string_view s, bool start, bool end) {
  std::size_t first = 0;
  if (start) {
    while (first < s.size()) {
      std::size_t next;
      if (!is_white_space(decode_at(s, first, next))) break;
      first = next;
    }
  }
  std::size_t last = s.size();
  if (end) {
    while (last > first) {
      std::size_t begin = last - 1;
      while (begin > first && !starts_char(s[begin])) --begin;
      std::size_t next;
      if (!is_white_space(decode_at(s, begin, next)) || next != last) break;
      last = begin;
    }
  }
  return s.substr(first, last - first);
}

}  // namespace kelo_vm::unicode_text
