// Unicode character classes. The large ones come from tables generated once from the
// Unicode data (tools/gen_unicode_tables.cpp), so the engine links no Unicode library.
#pragma once

namespace kelo_core::unicode {

// The Alphabetic property.
bool is_alphabetic(char32_t cp);

// General category Nd, Nl or No.
bool is_numeric(char32_t cp);

// The White_Space property.
bool is_white_space(char32_t cp);

}  // namespace kelo_core::unicode
