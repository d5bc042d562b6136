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
  // Keyword, Operator and Punct: one plus the text's index in kKeywords, kOperators or
  // kPunctuation, so hot checks compare a byte rather than a text. 0 when unknown (other
  // kinds, or a token made by hand); `code_of` then derives it from the text.
  std::uint8_t code = 0;

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

// One plus the keyword's index in kKeywords, or 0 for any other text.
std::uint8_t keyword_code(std::string_view text);

// One plus the index of `text` in the table of `kind` (kKeywords, kOperators or
// kPunctuation); 0 when the text is not in it or the kind has no table.
std::uint8_t table_code(TokenKind kind, std::string_view text);

// The token's code, derived from its text when it carries none.
inline std::uint8_t code_of(const Token& t) {
  return t.code != 0 ? t.code : table_code(t.kind, t.text);
}

// The code of a text known at compile time; a text missing from the table does not compile.
consteval std::uint8_t fixed_code(TokenKind kind, std::string_view text) {
  auto find = [&](const auto& table) -> std::uint8_t {
    for (std::size_t i = 0; i < table.size(); ++i) {
      if (table[i] == text) return static_cast<std::uint8_t>(i + 1);
    }
    throw "text is not in the table of its kind";
  };
  if (kind == TokenKind::Keyword) return find(kKeywords);
  if (kind == TokenKind::Operator) return find(kOperators);
  if (kind == TokenKind::Punct && text.size() == 1 &&
      kPunctuation.find(text[0]) != std::string_view::npos) {
    return static_cast<std::uint8_t>(kPunctuation.find(text[0]) + 1);
  }
  throw "text is not in the table of its kind";
}

}  // namespace kelo_core::token
