#include "builtins/methods_unicode.h"

#include <algorithm>

#include "core/unicode_case.h"
#include "core/unicode_class.h"
#include "core/utf8.h"
#include "vm/heap.h"
#include "vm/value.h"

namespace kelo_vm::builtins::unicode_text {
namespace {

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

std::string_view trim(std::string_view s, bool start, bool end) {
  std::size_t first = 0;
  if (start) {
    while (first < s.size()) {
      std::size_t next;
      if (!kelo_core::unicode::is_white_space(decode_at(s, first, next))) break;
      first = next;
    }
  }
  std::size_t last = s.size();
  if (end) {
    while (last > first) {
      std::size_t begin = last - 1;
      while (begin > first && !starts_char(s[begin])) --begin;
      std::size_t next;
      if (!kelo_core::unicode::is_white_space(decode_at(s, begin, next)) || next != last) break;
      last = begin;
    }
  }
  return s.substr(first, last - first);
}

CaseMapped to_case(std::string_view s, bool upper) {
  namespace uc = kelo_core::unicode;
  // Short texts cannot reach either limit; sizing them would only cost a pass.
  constexpr std::size_t kSizedFrom = std::size_t{1} << 16;
  if (s.size() >= kSizedFrom) {
    const std::size_t size = upper ? uc::upper_size(s) : uc::lower_size(s);
    if (size > kMaxTextBytes) return {{}, CaseRefusal::TooLong};
    if (!heap::fits(size)) return {{}, CaseRefusal::NoMemory};
  }
  return {upper ? uc::to_upper(s) : uc::to_lower(s), std::nullopt};
}

}  // namespace kelo_vm::builtins::unicode_text
