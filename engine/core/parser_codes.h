// The parser's diagnostics: one row per message, X(name, code, pattern). A code may
// carry more than one message; a found token is written by Token::label.
#pragma once

#include "core/diag.h"

#define KELO_PARSER_DIAGNOSTICS(X)                                                  \
  X(kExpectedKind, "KELO2001", "Expected {} but found {}") /* description, found */ \
  X(kExpected, "KELO2001", "Expected '{}' but found {}")   /* token text, found */  \
  X(kExpectedName, "KELO2002", "Expected a name but found {}")                      \
  X(kAfterStatement, "KELO2003", "Unexpected {} after statement")                   \
  X(kSecondProgram, "KELO2004", "A file declares exactly one program")              \
  X(kSecondPermissions, "KELO2005", "Only one permissions block per file")          \
  X(kExpectedDeclaration, "KELO2006", "Expected a declaration but found {}")        \
  X(kExpectedExpression, "KELO2007", "Expected an expression but found {}")         \
  X(kExpectedFrom, "KELO2008", "Expected 'from' after a named import list")

namespace kelo_core::parser::codes {

KELO_PARSER_DIAGNOSTICS(KELO_DIAGNOSTIC_MESSAGE)

}  // namespace kelo_core::parser::codes
