// Full Unicode case mapping (root locale), from tables generated once from the Unicode
// data (tools/gen_case_tables.cpp), so the result never depends on the machine's locales.
// Each character is mapped on its own: no context-dependent rule (such as a final sigma)
// applies.
#pragma once

#include <string>
#include <string_view>

namespace kelo_core::unicode {

// Appends the UTF-8 form of the character's lower (upper) case; one character may
// become two or three.
void append_lower(std::string& out, char32_t cp);
void append_upper(std::string& out, char32_t cp);

// The text with every character mapped as above.
std::string to_lower(std::string_view text);
std::string to_upper(std::string_view text);

}  // namespace kelo_core::unicode
