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

#define KELO_OUT_OF_LINE [[gnu::noinline]]

bool Parser::at_statement_end() const {
  return at_newline() || at_eof() || at_punct(";") || at_punct("}");
}

std::optional<ast::Block> Parser::parse_block() {
  DepthGuard guard(*this);
  if (!guard.ok()) {
    depth_error();
    return std::nullopt;
  }
  diag::Position from = start();
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  // Statements gather on a stack shared by all open blocks and move into a list of
  // the final size once the block closes: one allocation per block, no regrowth.
  const std::size_t base = statement_stack_.size();
  struct Unwind {
    std::vector<ast::Stmt>& stack;
    std::size_t base;
    ~Unwind() { stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(base), stack.end()); }
  } unwind{statement_stack_, base};
  while (!at_punct("}") && !at_eof()) {
    if (!parse_statement(statement_stack_)) recover();
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  std::optional<ast::Block> block(std::in_place);
  block->statements.reserve(statement_stack_.size() - base);
  for (std::size_t i = base; i < statement_stack_.size(); ++i) {
    block->statements.push_back(std::move(statement_stack_[i]));
  }
  block->span = span_from(from);
  return block;
}

// Dispatch only: each form lives in its own function so that nested blocks keep
// just the frames of the forms actually open.
bool Parser::parse_statement(std::vector<ast::Stmt>& out) {
  const Token& t = cur();
  if (is_punct(t, "{")) return parse_block_statement(out);
  if (t.kind != TokenKind::Keyword) return parse_expression_statement(out);
  const std::string& k = t.text;
  if (same(k, "fn") || same(k, "let") || same(k, "var") || same(k, "const") || same(k, "struct") ||
      same(k, "enum")) {
    return parse_declaration_statement(out);
  }
  if (same(k, "if")) return parse_if_statement(out);
  if (same(k, "while")) return parse_while(out);
  if (same(k, "for")) return parse_for(out);
  if (same(k, "match")) return parse_match_statement(out);
  if (same(k, "return")) return parse_return(out);
  if (same(k, "break") || same(k, "continue")) return parse_jump(out);
  if (same(k, "once")) return parse_once(out);
  if (same(k, "every")) return parse_every(out);
  if (same(k, "atNewBar")) return parse_at_new_bar(out);
  if (same(k, "guard")) return parse_guard(out);
  if (same(k, "try")) return parse_try(out);
  return parse_expression_statement(out);
}

KELO_OUT_OF_LINE bool Parser::parse_block_statement(std::vector<ast::Stmt>& out) {
  auto block = parse_block();  // no statement end needed after a nested block
  if (!block) return false;
  out.emplace_back(std::move(*block));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_declaration_statement(std::vector<ast::Stmt>& out) {
  const std::string& k = cur().text;
  if (same(k, "fn")) {
    auto d = parse_fn_decl(false);
    if (!d) return false;
    out.emplace_back(std::move(*d));
  } else if (same(k, "struct")) {
    auto d = parse_struct_decl(false);
    if (!d) return false;
    out.emplace_back(std::move(*d));
  } else if (same(k, "enum")) {
    auto d = parse_enum_decl(false);
    if (!d) return false;
    out.emplace_back(std::move(*d));
  } else {
    auto d = parse_var_decl(false);
    if (!d) return false;
    out.emplace_back(std::move(*d));
  }
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_if_statement(std::vector<ast::Stmt>& out) {
  auto s = parse_if();
  if (!s) return false;
  out.emplace_back(std::move(*s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_while(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto condition = parse_without_trailing_block();
  if (!condition) return false;
  auto body = parse_block();
  if (!body) return false;
  ast::Stmt::While s{std::move(*condition), std::move(*body), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_for(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  std::vector<std::string> names;
  while (true) {
    auto name = expect_name();
    if (!name) return false;
    names.push_back(std::move(name->text));
    if (!at_punct(",")) break;
    advance();
  }
  if (!expect<TokenKind::Keyword>("in")) return false;
  auto iterable = parse_without_trailing_block();
  if (!iterable) return false;
  auto body = parse_block();
  if (!body) return false;
  ast::Stmt::For s{std::move(names), std::move(*iterable), std::move(*body), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_match_statement(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto subject = parse_without_trailing_block();
  if (!subject) return false;
  auto arms = parse_match_arms();
  if (!arms) return false;
  ast::Stmt::Match s{std::move(*subject), std::move(*arms), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_return(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  std::optional<ast::Expr> value;
  if (!at_statement_end()) {
    value = parse_assignment();
    if (!value) return false;
  }
  ast::Stmt::Return s{std::move(value), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_jump(std::vector<ast::Stmt>& out) {
  bool is_break = same(cur().text, "break");
  diag::Span span = advance().span;
  if (!end_statement()) return false;
  if (is_break) {
    out.emplace_back(ast::Stmt::Break{span});
  } else {
    out.emplace_back(ast::Stmt::Continue{span});
  }
  return true;
}

// `once` and `every` are numbered as they complete, so an inner one gets the smaller
// id; a failed one takes none.
KELO_OUT_OF_LINE bool Parser::parse_once(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto body = parse_block();
  if (!body) return false;
  diag::Span span = span_from(from);
  if (!end_statement()) return false;
  out.emplace_back(ast::Stmt::Once{std::move(*body), ++block_ids_, span});
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_every(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  if (!expect<TokenKind::Punct>("(")) return false;
  auto interval = parse_assignment();
  if (!interval) return false;
  if (!expect<TokenKind::Punct>(")")) return false;
  auto body = parse_block();
  if (!body) return false;
  diag::Span span = span_from(from);
  if (!end_statement()) return false;
  out.emplace_back(ast::Stmt::Every{std::move(*interval), std::move(*body), ++block_ids_, span});
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_at_new_bar(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto body = parse_block();
  if (!body) return false;
  ast::Stmt::AtNewBar s{std::move(*body), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_guard(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto condition = parse_without_trailing_block();
  if (!condition) return false;
  if (!expect<TokenKind::Keyword>("else")) return false;
  auto otherwise = parse_block();
  if (!otherwise) return false;
  ast::Stmt::Guard s{std::move(*condition), std::move(*otherwise), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_try(std::vector<ast::Stmt>& out) {
  diag::Position from = start();
  advance();
  auto body = parse_block();
  if (!body) return false;
  if (!expect<TokenKind::Keyword>("catch")) return false;
  std::optional<std::string> error_name;
  if (cur().kind == TokenKind::Identifier) error_name = std::move(advance().text);
  auto handler = parse_block();
  if (!handler) return false;
  ast::Stmt::Try s{std::move(*body), std::move(error_name), std::move(*handler), span_from(from)};
  if (!end_statement()) return false;
  out.emplace_back(std::move(s));
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_expression_statement(std::vector<ast::Stmt>& out) {
  auto e = parse_assignment();
  if (!e) return false;
  if (!end_statement()) return false;
  out.emplace_back(std::move(*e));
  return true;
}

std::optional<ast::IfStmt> Parser::parse_if() {
  diag::Position from = start();
  advance();
  auto condition = parse_without_trailing_block();
  if (!condition) return std::nullopt;
  auto then = parse_block();
  if (!then) return std::nullopt;
  std::optional<ast::IfStmt> stmt(
      ast::IfStmt{std::move(*condition), std::move(*then), std::nullopt, {}});
  // `else` must stand on the line of the closing brace: no newlines are skipped.
  if (at_keyword("else")) {
    if (!parse_else(*stmt, from)) stmt.reset();
    return stmt;
  }
  stmt->span = span_from(from);
  if (!end_statement()) stmt.reset();
  return stmt;
}

// After an else block no statement end is needed; an `else if` ends as its own `if`.
KELO_OUT_OF_LINE bool Parser::parse_else(ast::IfStmt& stmt, diag::Position from) {
  advance();  // else
  if (at_keyword("if")) {
    DepthGuard guard(*this);  // an `else if` chain recurses once per link
    if (!guard.ok()) return depth_error();
    auto nested = parse_if();
    if (!nested) return false;
    stmt.span = {from, nested->span.end};
    stmt.otherwise.emplace(ast::Box<ast::IfStmt>(std::move(*nested)));
    return true;
  }
  auto otherwise = parse_block();
  if (!otherwise) return false;
  stmt.otherwise.emplace(std::move(*otherwise));
  stmt.span = span_from(from);
  return true;
}

std::optional<std::vector<ast::MatchArm>> Parser::parse_match_arms() {
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::MatchArm> arms;
  while (!at_punct("}") && !at_eof()) {
    diag::Position from = start();
    std::optional<ast::Expr> pattern;
    if (is(cur(), TokenKind::Identifier, "_")) {
      advance();
    } else {
      pattern = parse_assignment();
      if (!pattern) return std::nullopt;
    }
    if (!expect<TokenKind::Operator>("=>")) return std::nullopt;
    auto body = parse_arrow_body();
    if (!body) return std::nullopt;
    arms.push_back({std::move(pattern), std::move(*body), span_from(from)});
    if (at_punct(",")) advance();
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  return arms;
}

}  // namespace kelo_core::parser
