// Parser state, the shared routines every grammar rule uses, and the entry point.
#include "core/parser.h"

#include <utility>

#include "core/lexer.h"
#include "core/parser_codes.h"

namespace kelo_core::parser {

using token::Token;
using token::TokenKind;

namespace {
constexpr std::uint32_t kNoMatch = UINT32_MAX;
}  // namespace

ast::Program parse(std::string_view source, diag::Diagnostics& diagnostics) {
  Parser parser(lexer::lex(source, diagnostics), diagnostics);
  return parser.parse_source_file();
}

Parser::Parser(std::vector<Token> tokens, diag::Diagnostics& diagnostics)
    : tokens_(std::move(tokens)), diagnostics_(diagnostics) {
  if (tokens_.empty() || tokens_.back().kind != TokenKind::Eof) {
    Token eof;
    eof.kind = TokenKind::Eof;
    if (!tokens_.empty()) eof.span = {tokens_.back().span.end, tokens_.back().span.end};
    tokens_.push_back(std::move(eof));
  }
  // Match brackets once, so asking "is this ( the start of a lambda" costs O(1).
  paren_match_.assign(tokens_.size(), kNoMatch);
  std::vector<std::uint32_t> open;
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    const Token& t = tokens_[i];
    if (is_punct(t, "(")) {
      open.push_back(static_cast<std::uint32_t>(i));
    } else if (is_punct(t, ")") && !open.empty()) {
      paren_match_[open.back()] = static_cast<std::uint32_t>(i);
      open.pop_back();
    }
  }
}

const Token& Parser::peek(std::size_t ahead) const {
  std::size_t i = pos_ + ahead;
  return i < tokens_.size() ? tokens_[i] : tokens_.back();
}

diag::Span Parser::span_from(diag::Position from) const {
  return {from, tokens_[consumed_ ? last_ : 0].span.end};
}

Token* Parser::expect_kind(std::string_view description) {
  if (cur().kind == TokenKind::Text) return &advance();
  error_here(codes::kExpectedKind, description, cur().label());
  return nullptr;
}

Token* Parser::expect_failed(std::string_view text) {
  error_here(codes::kExpected, text, cur().label());
  return nullptr;
}

std::optional<Parser::Name> Parser::expect_name() {
  if (cur().kind == TokenKind::Identifier || cur().kind == TokenKind::Keyword) {
    Token& t = advance();
    return Name{std::move(t.text), t.span};
  }
  error_here(codes::kExpectedName, cur().label());
  return std::nullopt;
}

bool Parser::end_statement() {
  if (at_punct(";") || at_newline()) {
    advance();
    skip_newlines();
    return true;
  }
  if (at_punct("}") || at_eof()) return true;
  error_here(codes::kAfterStatement, cur().label());
  return false;
}

void Parser::recover() {
  while (!at_eof()) {
    if (at_punct("}")) return;
    if (at_newline() || at_punct(";")) {
      advance();
      skip_newlines();
      return;
    }
    advance();
  }
}

bool Parser::depth_error() {
  error_here(codes::kExpectedExpression, cur().label());
  return false;
}

ast::Program Parser::parse_source_file() {
  ast::Program program;
  diag::Position file_start = tokens_.front().span.start;
  skip_newlines();
  while (!at_eof()) {
    std::size_t item_start = pos_;
    if (!parse_item(program)) recover();
    if (pos_ == item_start) advance();  // always progress, even on a stray '}'
    no_trailing_block_ = 0;
    skip_newlines();
  }
  program.span = span_from(file_start);
  return program;
}

}  // namespace kelo_core::parser
