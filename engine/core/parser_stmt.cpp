// Blocks and statements. Statements end at a newline, a `;`, a `}` or the end of the
// file; a failed statement is dropped whole and parsing resumes at the next one.
#include <utility>

#include "core/parser.h"
#include "core/parser_codes.h"

namespace kelo_core::parser {

using token::Token;
using token::TokenKind;

std::optional<ast::Expr> Parser::parse_without_trailing_block() {
  TrailingBlockScope raised(*this, no_trailing_block_ + 1);
  return parse_assignment();
}

std::optional<ast::Block> Parser::parse_block() {
  DepthGuard guard(*this);
  if (!guard.ok()) {
    depth_error();
    return std::nullopt;
  }
  diag::Position from = start();
  if (!expect(TokenKind::Punct, "{")) return std::nullopt;
  skip_newlines();
  ast::Block block;
  while (!at_punct("}") && !at_eof()) {
    auto stmt = parse_statement();
    if (stmt) {
      block.statements.push_back(std::move(*stmt));
    } else {
      recover();
    }
    skip_newlines();
  }
  if (!expect(TokenKind::Punct, "}")) return std::nullopt;
  block.span = span_from(from);
  return block;
}

std::optional<ast::Stmt> Parser::parse_statement() {
  const Token& t = cur();
  diag::Position from = t.span.start;
  if (t.is_punct("{")) {
    auto block = parse_block();
    if (!block) return std::nullopt;
    return ast::Stmt(std::move(*block));
  }
  if (t.kind == TokenKind::Keyword) {
    const std::string& k = t.text;
    if (k == "fn") {
      auto d = parse_fn_decl(false);
      if (!d) return std::nullopt;
      return ast::Stmt(std::move(*d));
    }
    if (k == "let" || k == "var" || k == "const") {
      auto d = parse_var_decl(false);
      if (!d) return std::nullopt;
      return ast::Stmt(std::move(*d));
    }
    if (k == "struct") {
      auto d = parse_struct_decl(false);
      if (!d) return std::nullopt;
      return ast::Stmt(std::move(*d));
    }
    if (k == "enum") {
      auto d = parse_enum_decl(false);
      if (!d) return std::nullopt;
      return ast::Stmt(std::move(*d));
    }
    if (k == "if") {
      auto s = parse_if();
      if (!s) return std::nullopt;
      return ast::Stmt(std::move(*s));
    }
    if (k == "while") {
      advance();
      auto condition = parse_without_trailing_block();
      if (!condition) return std::nullopt;
      auto body = parse_block();
      if (!body) return std::nullopt;
      ast::Stmt::While s{std::move(*condition), std::move(*body), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "for") {
      advance();
      std::vector<std::string> names;
      while (true) {
        auto name = expect_name();
        if (!name) return std::nullopt;
        names.push_back(std::move(name->text));
        if (!at_punct(",")) break;
        advance();
      }
      if (!expect(TokenKind::Keyword, "in")) return std::nullopt;
      auto iterable = parse_without_trailing_block();
      if (!iterable) return std::nullopt;
      auto body = parse_block();
      if (!body) return std::nullopt;
      ast::Stmt::For s{std::move(names), std::move(*iterable), std::move(*body), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "match") {
      advance();
      auto subject = parse_without_trailing_block();
      if (!subject) return std::nullopt;
      auto arms = parse_match_arms();
      if (!arms) return std::nullopt;
      ast::Stmt::Match s{std::move(*subject), std::move(*arms), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "return") {
      advance();
      std::optional<ast::Expr> value;
      if (!at_newline() && !at_eof() && !at_punct(";") && !at_punct("}")) {
        value = parse_assignment();
        if (!value) return std::nullopt;
      }
      ast::Stmt::Return s{std::move(value), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "break" || k == "continue") {
      bool is_break = k == "break";
      diag::Span span = advance().span;
      if (!end_statement()) return std::nullopt;
      if (is_break) return ast::Stmt(ast::Stmt::Break{span});
      return ast::Stmt(ast::Stmt::Continue{span});
    }
    if (k == "once") {
      advance();
      auto body = parse_block();
      if (!body) return std::nullopt;
      diag::Span span = span_from(from);
      if (!end_statement()) return std::nullopt;
      // Numbered as statements complete, so an inner one gets the smaller id.
      return ast::Stmt(ast::Stmt::Once{std::move(*body), ++block_ids_, span});
    }
    if (k == "every") {
      advance();
      if (!expect(TokenKind::Punct, "(")) return std::nullopt;
      auto interval = parse_assignment();
      if (!interval) return std::nullopt;
      if (!expect(TokenKind::Punct, ")")) return std::nullopt;
      auto body = parse_block();
      if (!body) return std::nullopt;
      diag::Span span = span_from(from);
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(ast::Stmt::Every{std::move(*interval), std::move(*body), ++block_ids_, span});
    }
    if (k == "atNewBar") {
      advance();
      auto body = parse_block();
      if (!body) return std::nullopt;
      ast::Stmt::AtNewBar s{std::move(*body), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "guard") {
      advance();
      auto condition = parse_without_trailing_block();
      if (!condition) return std::nullopt;
      if (!expect(TokenKind::Keyword, "else")) return std::nullopt;
      auto otherwise = parse_block();
      if (!otherwise) return std::nullopt;
      ast::Stmt::Guard s{std::move(*condition), std::move(*otherwise), span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
    if (k == "try") {
      advance();
      auto body = parse_block();
      if (!body) return std::nullopt;
      if (!expect(TokenKind::Keyword, "catch")) return std::nullopt;
      std::optional<std::string> error_name;
      if (cur().kind == TokenKind::Identifier) error_name = std::move(advance().text);
      auto handler = parse_block();
      if (!handler) return std::nullopt;
      ast::Stmt::Try s{std::move(*body), std::move(error_name), std::move(*handler),
                       span_from(from)};
      if (!end_statement()) return std::nullopt;
      return ast::Stmt(std::move(s));
    }
  }
  auto e = parse_assignment();
  if (!e) return std::nullopt;
  if (!end_statement()) return std::nullopt;
  return ast::Stmt(std::move(*e));
}

std::optional<ast::IfStmt> Parser::parse_if() {
  diag::Position from = start();
  advance();
  auto condition = parse_without_trailing_block();
  if (!condition) return std::nullopt;
  auto then = parse_block();
  if (!then) return std::nullopt;
  ast::IfStmt stmt{std::move(*condition), std::move(*then), std::nullopt, {}};
  // `else` must stand on the line of the closing brace: no newlines are skipped.
  if (at_keyword("else")) {
    advance();
    if (at_keyword("if")) {
      DepthGuard guard(*this);  // an `else if` chain recurses once per link
      if (!guard.ok()) {
        depth_error();
        return std::nullopt;
      }
      auto nested = parse_if();
      if (!nested) return std::nullopt;
      stmt.span = {from, nested->span.end};
      stmt.otherwise.emplace(ast::Box<ast::IfStmt>(std::move(*nested)));
      return stmt;
    }
    auto otherwise = parse_block();
    if (!otherwise) return std::nullopt;
    stmt.otherwise.emplace(std::move(*otherwise));
    stmt.span = span_from(from);
    return stmt;
  }
  stmt.span = span_from(from);
  if (!end_statement()) return std::nullopt;
  return stmt;
}

std::optional<std::vector<ast::MatchArm>> Parser::parse_match_arms() {
  if (!expect(TokenKind::Punct, "{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::MatchArm> arms;
  while (!at_punct("}") && !at_eof()) {
    diag::Position from = start();
    std::optional<ast::Expr> pattern;
    if (cur().is(TokenKind::Identifier, "_")) {
      advance();
    } else {
      pattern = parse_assignment();
      if (!pattern) return std::nullopt;
    }
    if (!expect(TokenKind::Operator, "=>")) return std::nullopt;
    std::optional<ast::FnBody> body;
    if (at_punct("{")) {
      auto block = parse_block();
      if (!block) return std::nullopt;
      body.emplace(std::move(*block));
    } else {
      auto value = parse_assignment();
      if (!value) return std::nullopt;
      body.emplace(std::move(*value));
    }
    arms.push_back({std::move(pattern), std::move(*body), span_from(from)});
    if (at_punct(",")) advance();
    skip_newlines();
  }
  if (!expect(TokenKind::Punct, "}")) return std::nullopt;
  return arms;
}

}  // namespace kelo_core::parser
