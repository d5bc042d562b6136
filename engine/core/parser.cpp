// Parser state, the shared routines every grammar rule uses, and the entry point.
#include "core/parser.h"

#include <utility>

#include "core/lexer.h"
#include "core/parser_codes.h"

namespace kelo_core::parser {

using token::Token;
using token::TokenKind;

ast::Program parse(std::string_view source, diag::Diagnostics& diagnostics) {
  // The lexer runs ahead of the parser a chunk at a time. Its findings still come first,
  // as if it had read the whole text before the parser began.
  diag::Diagnostics parser_findings(diagnostics.file);
  Parser parser(TokenStream(source, diagnostics), parser_findings);
  ast::Program program = parser.parse_source_file();
  diagnostics.append(std::move(parser_findings));
  return program;
}

Parser::Parser(std::vector<Token> tokens, diag::Diagnostics& diagnostics)
    : Parser(TokenStream(std::move(tokens)), diagnostics) {}

Parser::Parser(TokenStream tokens, diag::Diagnostics& diagnostics)
    : tokens_(std::move(tokens)), diagnostics_(diagnostics) {
  cur_ = &tokens_.at_mut(0);
  last_end_ = cur_->span.end;
}

const Token& Parser::peek(std::size_t ahead) const {
  return tokens_.at(pos_ + ahead);
}

diag::Span Parser::span_from(diag::Position from) const {
  return {from, last_end_};
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
  diag::Position file_start = tokens_.at(0).span.start;
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
