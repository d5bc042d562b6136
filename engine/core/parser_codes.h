// Codes of the syntax diagnostics. Messages are built where they are reported.
#pragma once

#include <string_view>

namespace kelo_core::parser::codes {

inline constexpr std::string_view kExpected = "KELO2001";
inline constexpr std::string_view kExpectedName = "KELO2002";
inline constexpr std::string_view kAfterStatement = "KELO2003";
inline constexpr std::string_view kSecondProgram = "KELO2004";
inline constexpr std::string_view kSecondPermissions = "KELO2005";
inline constexpr std::string_view kExpectedDeclaration = "KELO2006";
inline constexpr std::string_view kExpectedExpression = "KELO2007";
inline constexpr std::string_view kExpectedFrom = "KELO2008";

}  // namespace kelo_core::parser::codes
