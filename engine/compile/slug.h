// Identifiers made from free text: input group ids and manifest ids.
#pragma once

#include <string>
#include <string_view>

namespace kelo_compile {

// Lower-cased letters and digits of the text, every run of other characters turned
// into one "-" (none at either end). Unicode-aware for letters and digits.
std::string slug(std::string_view text);

}  // namespace kelo_compile
