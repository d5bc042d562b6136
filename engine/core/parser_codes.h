// Codes of the syntax diagnostics. Messages are built where they are reported.
#pragma once

#include <string_view>

namespace kelo_core::parser::codes {

inline constexpr std::string_view kExpected = "KELO2001";            // Expected ... but found ...
inline constexpr std::string_view kExpectedName = "KELO2002";        // Expected a name ...
inline constexpr std::string_view kAfterStatement = "KELO2003";      // Unexpected ... after statement
inline constexpr std::string_view kSecondProgram = "KELO2004";       // A file declares exactly one program
inline constexpr std::string_view kSecondPermissions = "KELO2005";   // Only one permissions block per file
inline constexpr std::string_view kExpectedDeclaration = "KELO2006"; // Expected a declaration ...
inline constexpr std::string_view kExpectedExpression = "KELO2007";  // Expected an expression ...
inline constexpr std::string_view kExpectedFrom = "KELO2008";        // Expected 'from' after ...

}  // namespace kelo_core::parser::codes
