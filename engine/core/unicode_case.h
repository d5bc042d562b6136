// Full Unicode case mapping (root locale), from tables generated once from the Unicode
// data (tools/gen_case_tables.cpp), so the result never depends on the machine's locales.
// append_lower and append_upper map one character on its own; to_lower also applies the
// one context-dependent rule that holds in every language: a capital sigma at the end of a
// word becomes the final sigma.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelo_core::unicode {

// Appends the UTF-8 form of the character's lower (upper) case; one character may
// become two or three.
void append_lower(std::string& out, char32_t cp);
void append_upper(std::string& out, char32_t cp);

// The text with every character mapped as above, except that U+03A3 becomes U+03C2 (not
// U+03C3) when, skipping case-ignorable characters, the nearest character before it is
// cased and the nearest after it is not or there is none (the Unicode Cased and
// Case_Ignorable properties).
std::string to_lower(std::string_view text);
std::string to_upper(std::string_view text);
// The byte sizes of those results, without building them.
std::size_t lower_size(std::string_view text);
std::size_t upper_size(std::string_view text);

}  // namespace kelo_core::unicode
