#include "core/lexer.h"

#include <limits>
#include <utility>

#include "core/lexer_chars.h"
#include "core/unicode_class.h"
#include "core/utf8.h"

namespace kelo_core::lexer {

using diag::Position;
using token::Token;
using token::TokenKind;

namespace {

constexpr std::string_view kUnterminatedComment = "KELO1001";
constexpr std::string_view kUnexpectedCharacter = "KELO1005";

std::uint32_t saturating_u32(std::size_t value) {
  constexpr std::size_t kMax = std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(value < kMax ? value : kMax);
}

void increment(std::uint32_t& counter) {
  if (counter != std::numeric_limits<std::uint32_t>::max()) ++counter;
}

}  // namespace

std::vector<Token> lex(std::string_view source, diag::Diagnostics& diagnostics) {
  return Lexer(source).run(diagnostics);
}

Lexer::Lexer(std::string_view source) : chars_(utf8::decode(source)) {}

Position Lexer::here() const { return Position{saturating_u32(pos_), line_, column_}; }

void Lexer::advance_by(std::size_t count) {
  for (std::size_t i = 0; i < count && pos_ < chars_.size(); ++i) advance();
}

void Lexer::push(TokenKind kind, std::string text, Position start, double value) {
  tokens_.push_back(Token{std::move(text), diag::Span{start, here()}, value, kind});
}

std::vector<Token> Lexer::run(diag::Diagnostics& diagnostics) {
  // Real sources hold well under one token per two characters; reserving that much
  // avoids regrowing, and pages never touched cost nothing.
  tokens_.reserve(chars_.size() / 2 + 2);
  while (pos_ < chars_.size()) {
    const char32_t c = peek();
    const Position start = here();
    if (c == U' ' || c == U'\t' || c == U'\r') {
      advance();
    } else if (c == U'\n') {
      advance();
      if (depth_ == 0 && can_terminate(tokens_)) push(TokenKind::Newline, "\n", start);
    } else if (c == U'/' && peek(1) == U'*') {
      block_comment(start, diagnostics);
    } else if (c == U'/' && peek(1) == U'/') {
      line_comment();
    } else if (c == U'\'' || c == U'"') {
      text_literal(start, diagnostics);
    } else if (c == U'#') {
      colour_literal(start, diagnostics);
    } else if (chars::is_digit(c)) {
      if (at_time_literal()) {
        time_literal(start);
      } else {
        number(start, diagnostics);
      }
    } else if (c == U'.' && chars::is_digit(peek(1))) {
      number(start, diagnostics);
    } else if (chars::is_identifier_start(c)) {
      identifier(start);
    } else if (c < 0x80 && token::kPunctuation.find(static_cast<char>(c)) != std::string_view::npos) {
      if (c == U'(' || c == U'[') increment(depth_);
      if ((c == U')' || c == U']') && depth_ > 0) --depth_;
      advance();
      push(TokenKind::Punct, std::string(1, static_cast<char>(c)), start);
    } else {
      operator_or_unexpected(start, diagnostics);
    }
  }
  const Position end = here();
  if (can_terminate(tokens_)) {
    tokens_.push_back(Token{"\n", diag::Span{end, end}, 0, TokenKind::Newline});
  }
  tokens_.push_back(Token{"", diag::Span{end, end}, 0, TokenKind::Eof});
  return std::move(tokens_);
}

bool Lexer::can_terminate(const std::vector<Token>& tokens) {
  if (tokens.empty()) return false;
  const Token& last = tokens.back();
  switch (last.kind) {
    case TokenKind::Identifier:
    case TokenKind::Int:
    case TokenKind::Num:
    case TokenKind::Text:
    case TokenKind::Duration:
    case TokenKind::Time:
    case TokenKind::Color:
      return true;
    case TokenKind::Keyword:
      return last.text == "now" || last.text == "true" || last.text == "none" ||
             last.text == "false" || last.text == "break" || last.text == "return" ||
             last.text == "continue";
    case TokenKind::Punct:
      return last.text == ")" || last.text == "]" || last.text == "}";
    default:
      return false;
  }
}

std::string Lexer::slice(const std::u32string& chars, std::size_t start, std::size_t count) {
  if (start >= chars.size()) return {};
  const std::size_t available = chars.size() - start;
  return utf8::encode(std::u32string_view(chars).substr(start, count < available ? count : available));
}

void Lexer::block_comment(Position start, diag::Diagnostics& diagnostics) {
  advance_by(2);
  std::size_t nesting = 1;
  while (pos_ < chars_.size()) {
    if (peek() == U'/' && peek(1) == U'*') {
      ++nesting;
      advance_by(2);
    } else if (peek() == U'*' && peek(1) == U'/') {
      advance_by(2);
      if (--nesting == 0) return;
    } else {
      advance();
    }
  }
  diagnostics.error(kUnterminatedComment, "Unterminated block comment", diag::Span{start, here()});
}

void Lexer::line_comment() {
  while (pos_ < chars_.size() && peek() != U'\n') advance();
}

void Lexer::identifier(Position start) {
  std::string text;
  while (chars::is_identifier_continue(peek())) {
    utf8::append(text, peek());
    advance();
  }
  const TokenKind kind = token::is_keyword(text) ? TokenKind::Keyword : TokenKind::Identifier;
  push(kind, std::move(text), start);
}

void Lexer::operator_or_unexpected(Position start, diag::Diagnostics& diagnostics) {
  for (std::string_view op : token::kOperators) {
    bool matches = true;
    for (std::size_t i = 0; i < op.size() && matches; ++i) {
      matches = peek(i) == static_cast<char32_t>(op[i]);
    }
    if (matches) {
      advance_by(op.size());
      push(TokenKind::Operator, std::string(op), start);
      return;
    }
  }
  std::string message = "Unexpected character '";
  utf8::append(message, peek());
  message += '\'';
  advance();
  diagnostics.error(kUnexpectedCharacter, std::move(message), diag::Span{start, here()});
}

}  // namespace kelo_core::lexer
