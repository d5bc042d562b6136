// The lexer's diagnostics: one row per finding, X(name, code, pattern).
#pragma once

#include "core/diag.h"

#define KELO_LEXER_DIAGNOSTICS(X)                                                             \
  X(kUnterminatedComment, "KELO1001", "Unterminated block comment")                           \
  X(kUnterminatedText, "KELO1002", "Unterminated text literal")                               \
  X(kBadColour, "KELO1003", "Colour needs 3, 4, 6 or 8 hex digits, got {}") /* digit count */ \
  X(kUnknownSuffix, "KELO1004", "Unknown suffix '{}'. Durations use ms, s, m, h, d or w")     \
  X(kUnexpectedCharacter, "KELO1005", "Unexpected character '{}'")

namespace kelo_core::lexer::codes {

KELO_LEXER_DIAGNOSTICS(KELO_DIAGNOSTIC_MESSAGE)

}  // namespace kelo_core::lexer::codes
