// Tokens of Kelo source text and the fixed tables of keywords, operators and
// punctuation that the lexer matches and the parser compares against.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/diag.h"

namespace kelo_core::token {

// One entry per kind, in the order of their one-byte codes.
#define KELO_TOKEN_KINDS(X) \
  X(Identifier)             \
  X(Keyword)                \
  X(Int)                    \
  X(Num)                    \
  X(Text)                   \
  X(Duration)               \
  X(Time)                   \
  X(Color)                  \
  X(Operator)               \
  X(Punct)                  \
  X(Newline)                \
  X(Eof)

enum class TokenKind : std::uint8_t {
#define KELO_TOKEN_KIND_ENUM(name) name,
  KELO_TOKEN_KINDS(KELO_TOKEN_KIND_ENUM)
#undef KELO_TOKEN_KIND_ENUM
};

// The kind's name as written above ("Identifier", "Eof").
std::string_view kind_name(TokenKind kind);

struct Token {
  // For literals the decoded or normalised form, not necessarily the source slice.
  std::string text;
  diag::Span span;
  // Int/Num: the number; Duration: milliseconds; Time: epoch milliseconds;
  // Color: the packed 0xRRGGBBAA word; 0 for every other kind.
  double value = 0;
  TokenKind kind = TokenKind::Eof;

  // What parser messages call this token: "end of line", "end of file" or 'text'.
  std::string label() const;

  bool is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
  bool is_keyword(std::string_view t) const { return is(TokenKind::Keyword, t); }
  bool is_operator(std::string_view t) const { return is(TokenKind::Operator, t); }
  bool is_punct(std::string_view t) const { return is(TokenKind::Punct, t); }
};

inline constexpr std::array<std::string_view, 38> kKeywords = {
    "bot",   "indicator", "library",  "script", "permissions", "input", "group", "plot",
    "buffer", "panel",    "let",      "var",    "const",       "fn",    "return", "pub",
    "if",    "else",      "while",    "for",    "in",          "match", "once",  "every",
    "atNewBar", "guard",  "try",      "catch",  "import",      "as",    "struct", "enum",
    "true",  "false",     "none",     "now",    "break",       "continue"};

// Tried in this order, so the longest operator wins.
inline constexpr std::array<std::string_view, 31> kOperators = {
    "**=", "..=", "==", "!=", "<=", ">=", "&&", "||", "??", "**", "..", "+=", "-=", "*=", "/=", "%=",
    "|>",  "->",  "=>", "+",  "-",  "*",  "/",  "%",  "<",  ">",  "!",  "=",  "?",  ":",  "."};

inline constexpr std::string_view kPunctuation = "()[]{},;";

bool is_keyword(std::string_view text);

}  // namespace kelo_core::token
