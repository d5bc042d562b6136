#pragma once

// Unicode helpers of the text built-ins: character positions over UTF-8 (a character
// starts at every byte that is not a continuation byte), trimming White_Space, and case
// mapping within the text cap and the run's memory.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kelo_vm::builtins::unicode_text {

inline bool starts_char(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t char_count(std::string_view s);
// Byte offset where character `index` starts; s.size() when the text is shorter.
std::size_t byte_of_char(std::string_view s, std::size_t index);
// Number of characters that start before byte offset `byte`.
std::size_t char_of_byte(std::string_view s, std::size_t byte);

std::string_view trim(std::string_view s, bool start, bool end);

enum class CaseRefusal { TooLong, NoMemory };
// The text in upper (lower) case, or why it was refused: one character may become three,
// so a long text is sized before its result is built.
struct CaseMapped {
  std::string text;
  std::optional<CaseRefusal> refused;
};
CaseMapped to_case(std::string_view s, bool upper);

}  // namespace kelo_vm::builtins::unicode_text
