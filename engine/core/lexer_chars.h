// Character tests shared by the lexer's files.
#pragma once

#include "core/unicode_class.h"

namespace kelo_core::lexer::chars {

inline bool is_digit(char32_t c) { return c >= U'0' && c <= U'9'; }

inline bool is_hex_digit(char32_t c) {
  return is_digit(c) || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F');
}

inline int hex_value(char32_t c) {
  if (is_digit(c)) return static_cast<int>(c - U'0');
  if (c >= U'a' && c <= U'f') return static_cast<int>(c - U'a') + 10;
  return static_cast<int>(c - U'A') + 10;
}

inline bool is_ascii_letter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }

inline bool is_identifier_start(char32_t c) {
  return is_ascii_letter(c) || c == U'_' || (c >= 0xAA && unicode::is_alphabetic(c));
}

inline bool is_identifier_continue(char32_t c) {
  return is_ascii_letter(c) || is_digit(c) || c == U'_' || (c >= 0xAA && unicode::is_alphabetic(c)) ||
         (c >= 0xB2 && unicode::is_numeric(c));
}

}  // namespace kelo_core::lexer::chars
