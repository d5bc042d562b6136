#pragma once

// Unicode helpers of the text built-ins: character positions over UTF-8 (a character
// starts at every byte that is not a continuation byte) and trimming White_Space.

#include <cstddef>
#include <string_view>

namespace kelo_vm::unicode_text {

inline bool starts_char(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t char_count(std::string_view s);
// Byte offset where character `index` starts; s.size() when the text is shorter.
std::size_t byte_of_char(std::string_view s, std::size_t index);
// Number of characters that start before byte offset `byte`.
std::size_t char_of_byte(std::string_view s, std::size_t byte);

std::string_view trim(std::string_view s, bool start, bool end);

}  // namespace kelo_vm::unicode_text
