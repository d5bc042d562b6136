// Expressions: precedence climbing for binary operators under assignment, ternary,
// pipe and range; prefix operators; primaries with the postfix loop of calls, members,
// indexing and trailing blocks.
#include <cmath>
#include <utility>

#include "core/numeric.h"
#include "core/parser.h"
#include "core/parser_codes.h"

namespace kelo_core::parser {

using ast::Box;
using ast::Expr;
using ast::ExprKind;
using token::Token;
using token::TokenKind;

namespace {

// Precedence number of a binary operator token (higher binds tighter), or -1.
int binary_precedence(const Token& t, ast::BinaryOp& op) {
  if (t.kind != TokenKind::Operator) return -1;
  using B = ast::BinaryOp;
  struct Row {
    std::string_view text;
    B op;
    int precedence;
  };
  static constexpr Row kRows[] = {
      {"??", B::Coalesce, 1}, {"||", B::Or, 2}, {"&&", B::And, 3}, {"==", B::Eq, 4},
      {"!=", B::Ne, 4},       {"<", B::Lt, 5},  {"<=", B::Le, 5},  {">", B::Gt, 5},
      {">=", B::Ge, 5},       {"+", B::Add, 7}, {"-", B::Sub, 7},  {"*", B::Mul, 8},
      {"/", B::Div, 8},       {"%", B::Rem, 8}, {"**", B::Pow, 9}};
  for (const Row& row : kRows) {
    if (t.text == row.text) {
      op = row.op;
      return row.precedence;
    }
  }
  return -1;
}

bool assignment_op(const Token& t, ast::AssignOp& op) {
  if (t.kind != TokenKind::Operator) return false;
  using A = ast::AssignOp;
  const std::string& s = t.text;
  if (s == "=") op = A::Assign;
  else if (s == "+=") op = A::Add;
  else if (s == "-=") op = A::Sub;
  else if (s == "*=") op = A::Mul;
  else if (s == "/=") op = A::Div;
  else if (s == "%=") op = A::Rem;
  else return false;
  return true;
}

// Colour words arrive as doubles; out-of-range or NaN values must not reach a cast.
std::uint32_t saturating_u32(double value) {
  if (std::isnan(value) || value <= 0) return 0;
  if (value >= 4294967295.0) return UINT32_MAX;
  return static_cast<std::uint32_t>(value);
}

// Only a name, a member, or a call of one of those takes a trailing block.
bool takes_trailing_block(const Expr& e) {
  if (e.kind.is<ExprKind::Identifier>() || e.kind.is<ExprKind::Member>()) return true;
  if (const auto* call = e.kind.as<ExprKind::Call>()) {
    return call->callee->kind.is<ExprKind::Identifier>() ||
           call->callee->kind.is<ExprKind::Member>();
  }
  return false;
}

}  // namespace

std::optional<Expr> Parser::parse_assignment() {
  DepthGuard guard(*this);
  if (!guard.ok()) {
    depth_error();
    return std::nullopt;
  }
  auto left = parse_range();
  if (!left) return std::nullopt;

  FoldCounter folds(*this);
  while (at_op("|>")) {
    if (!folds.step()) {
      depth_error();
      return std::nullopt;
    }
    advance();
    skip_newlines();
    auto right = parse_range();
    if (!right) return std::nullopt;
    diag::Position from = left->span.start;
    left = Expr{ExprKind::Pipe{std::move(*left), std::move(*right)}, span_from(from)};
  }

  if (at_op("?")) {
    advance();
    auto then = parse_assignment();
    if (!then) return std::nullopt;
    if (!expect(TokenKind::Operator, ":")) return std::nullopt;
    auto otherwise = parse_assignment();
    if (!otherwise) return std::nullopt;
    diag::Position from = left->span.start;
    left = Expr{ExprKind::Ternary{std::move(*left), std::move(*then), std::move(*otherwise)},
                span_from(from)};
  }

  ast::AssignOp op;
  if (assignment_op(cur(), op)) {
    advance();
    skip_newlines();
    auto value = parse_assignment();
    if (!value) return std::nullopt;
    diag::Position from = left->span.start;
    left = Expr{ExprKind::Assign{op, std::move(*left), std::move(*value)}, span_from(from)};
  }
  return left;
}

std::optional<Expr> Parser::parse_range() {
  auto from = parse_binary(0);
  if (!from) return std::nullopt;
  if (at_op("..") || at_op("..=")) {
    bool inclusive = cur().text == "..=";
    advance();
    auto to = parse_binary(0);
    if (!to) return std::nullopt;
    diag::Position start_pos = from->span.start;
    return Expr{ExprKind::Range{std::move(*from), std::move(*to), inclusive}, span_from(start_pos)};
  }
  return from;
}

std::optional<Expr> Parser::parse_binary(int min) {
  auto left = parse_unary();
  if (!left) return std::nullopt;
  FoldCounter folds(*this);
  while (true) {
    ast::BinaryOp op;
    int precedence = binary_precedence(cur(), op);
    if (precedence < 0 || precedence < min) break;
    if (!folds.step()) {
      depth_error();
      return std::nullopt;
    }
    advance();
    skip_newlines();
    // `**` is right-associative: its right operand may hold another `**`.
    auto right = parse_binary(op == ast::BinaryOp::Pow ? precedence : precedence + 1);
    if (!right) return std::nullopt;
    diag::Position from = left->span.start;
    left = Expr{ExprKind::Binary{op, std::move(*left), std::move(*right)}, span_from(from)};
  }
  return left;
}

std::optional<Expr> Parser::parse_unary() {
  if (!at_op("-") && !at_op("!")) return parse_postfix();
  DepthGuard guard(*this);
  if (!guard.ok()) {
    depth_error();
    return std::nullopt;
  }
  diag::Position from = start();
  ast::UnaryOp op = cur().text == "-" ? ast::UnaryOp::Neg : ast::UnaryOp::Not;
  advance();
  auto operand = parse_unary();
  if (!operand) return std::nullopt;
  return Expr{ExprKind::Unary{op, std::move(*operand)}, span_from(from)};
}

std::optional<Expr> Parser::parse_postfix() {
  auto expr = parse_primary();
  if (!expr) return std::nullopt;
  FoldCounter folds(*this);
  while (true) {
    bool call = at_punct("(");
    bool member = at_op(".");
    bool index = at_punct("[");
    bool trailing = at_punct("{") && no_trailing_block_ == 0 && takes_trailing_block(*expr);
    if (!call && !member && !index && !trailing) break;
    if (!folds.step()) {
      depth_error();
      return std::nullopt;
    }
    diag::Position from = expr->span.start;
    if (call) {
      std::vector<ast::Argument> args;
      if (!parse_call_arguments(args)) return std::nullopt;
      expr = Expr{ExprKind::Call{std::move(*expr), std::move(args)}, span_from(from)};
    } else if (member) {
      advance();
      auto name = expect_name();
      if (!name) return std::nullopt;
      expr = Expr{ExprKind::Member{std::move(*expr), std::move(name->text)}, span_from(from)};
    } else if (index) {
      advance();
      skip_newlines();
      auto subscript = parse_assignment();
      if (!subscript) return std::nullopt;
      skip_newlines();
      if (!expect(TokenKind::Punct, "]")) return std::nullopt;
      expr = Expr{ExprKind::Index{std::move(*expr), std::move(*subscript)}, span_from(from)};
    } else {
      // A trailing block becomes one more unnamed argument: a lambda with no parameters.
      auto block = parse_block();
      if (!block) return std::nullopt;
      diag::Span block_span = block->span;
      Expr lambda{ExprKind::Lambda{{}, Box<ast::FnBody>(ast::FnBody(std::move(*block)))},
                  block_span};
      ast::Argument arg{std::nullopt, std::move(lambda), block_span};
      if (auto* existing = expr->kind.as<ExprKind::Call>()) {
        existing->args.push_back(std::move(arg));
        expr->span = span_from(from);
      } else {
        std::vector<ast::Argument> args;
        args.push_back(std::move(arg));
        expr = Expr{ExprKind::Call{std::move(*expr), std::move(args)}, span_from(from)};
      }
    }
  }
  return expr;
}

bool Parser::parse_call_arguments(std::vector<ast::Argument>& args) {
  advance();  // (
  skip_newlines();
  while (!at_punct(")") && !at_eof()) {
    diag::Position from = start();
    std::optional<std::string> name;
    if ((cur().kind == TokenKind::Identifier || cur().kind == TokenKind::Keyword) &&
        peek(1).is_operator(":")) {
      name = std::move(advance().text);
      advance();
    }
    auto value = parse_assignment();
    if (!value) return false;
    args.push_back({std::move(name), std::move(*value), span_from(from)});
    skip_newlines();
    if (!at_punct(",")) break;
    advance();
    skip_newlines();
  }
  return expect(TokenKind::Punct, ")") != nullptr;
}

std::optional<Expr> Parser::parse_primary() {
  const Token& t = cur();
  diag::Span span = t.span;
  switch (t.kind) {
    case TokenKind::Int: {
      std::int64_t value = numeric::saturating_i64(t.value);
      advance();
      return Expr{ExprKind::Int{value}, span};
    }
    case TokenKind::Num: {
      double value = t.value;
      advance();
      return Expr{ExprKind::Num{value}, span};
    }
    case TokenKind::Text:
      return Expr{ExprKind::Text{std::move(advance().text)}, span};
    case TokenKind::Duration: {
      double value = t.value;
      advance();
      return Expr{ExprKind::Duration{value}, span};
    }
    case TokenKind::Time: {
      std::int64_t value = numeric::saturating_i64(t.value);
      advance();
      return Expr{ExprKind::Time{value}, span};
    }
    case TokenKind::Color: {
      std::uint32_t value = saturating_u32(t.value);
      advance();
      return Expr{ExprKind::Color{value}, span};
    }
    case TokenKind::Identifier:
      return Expr{ExprKind::Identifier{std::move(advance().text)}, span};
    case TokenKind::Keyword: {
      const std::string& k = t.text;
      if (k == "true" || k == "false") {
        bool value = k == "true";
        advance();
        return Expr{ExprKind::Bool{value}, span};
      }
      if (k == "none") {
        advance();
        return Expr{ExprKind::None{}, span};
      }
      if (k == "now") {
        advance();
        return Expr{ExprKind::Now{}, span};
      }
      if (k == "if") return parse_if_expression();
      if (k == "match") {
        advance();
        auto subject = parse_without_trailing_block();
        if (!subject) return std::nullopt;
        auto arms = parse_match_arms();
        if (!arms) return std::nullopt;
        return Expr{ExprKind::Match{std::move(*subject), std::move(*arms)}, span_from(span.start)};
      }
      // `bot` and `plot` are also library names: `bot.magic`, `plot(x)`.
      if ((k == "bot" || k == "plot") && (peek(1).is_operator(".") || peek(1).is_punct("("))) {
        return Expr{ExprKind::Identifier{std::move(advance().text)}, span};
      }
      break;
    }
    case TokenKind::Operator:
      if (t.text == ".") {
        advance();
        auto name = expect_name();
        if (!name) return std::nullopt;
        return Expr{ExprKind::EnumCase{std::move(name->text)}, span_from(span.start)};
      }
      break;
    case TokenKind::Punct:
      if (t.text == "{") {
        auto properties = parse_object_properties();
        if (!properties) return std::nullopt;
        return Expr{ExprKind::Object{std::move(*properties)}, span_from(span.start)};
      }
      if (t.text == "[") return parse_array_or_map();
      if (t.text == "(") return is_lambda_start() ? parse_lambda() : parse_parenthesised();
      break;
    default:
      break;
  }
  error_here(codes::kExpectedExpression, "Expected an expression but found " + t.label());
  return std::nullopt;
}

bool Parser::is_lambda_start() const {
  std::uint32_t close = paren_match_[pos_];
  return close != UINT32_MAX && tokens_[close + 1].is_operator("=>");
}

std::optional<Expr> Parser::parse_parenthesised() {
  advance();  // (
  skip_newlines();
  std::optional<Expr> inner;
  {
    TrailingBlockScope reset(*this, 0);
    inner = parse_assignment();
  }
  if (!inner) return std::nullopt;
  skip_newlines();
  if (!expect(TokenKind::Punct, ")")) return std::nullopt;
  return inner;
}

std::optional<Expr> Parser::parse_array_or_map() {
  diag::Position from = start();
  advance();  // [
  skip_newlines();
  TrailingBlockScope reset(*this, 0);
  if (at_punct("]")) {
    advance();
    return Expr{ExprKind::Array{}, span_from(from)};
  }
  auto first = parse_assignment();
  if (!first) return std::nullopt;

  if (at_op(":")) {
    std::vector<ast::MapEntry> entries;
    std::optional<Expr> key = std::move(first);
    while (true) {
      if (!expect(TokenKind::Operator, ":")) return std::nullopt;
      skip_newlines();
      auto value = parse_assignment();
      if (!value) return std::nullopt;
      entries.push_back({std::move(*key), std::move(*value)});
      skip_newlines();
      if (!at_punct(",")) break;
      advance();
      skip_newlines();
      if (at_punct("]")) break;
      key = parse_assignment();
      if (!key) return std::nullopt;
    }
    if (!expect(TokenKind::Punct, "]")) return std::nullopt;
    return Expr{ExprKind::Map{std::move(entries)}, span_from(from)};
  }

  std::vector<Expr> items;
  items.push_back(std::move(*first));
  while (true) {
    skip_newlines();
    if (!at_punct(",")) break;
    advance();
    skip_newlines();
    if (at_punct("]")) break;
    auto item = parse_assignment();
    if (!item) return std::nullopt;
    items.push_back(std::move(*item));
  }
  if (!expect(TokenKind::Punct, "]")) return std::nullopt;
  return Expr{ExprKind::Array{std::move(items)}, span_from(from)};
}

std::optional<std::vector<ast::ObjectProperty>> Parser::parse_object_properties() {
  if (!expect(TokenKind::Punct, "{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::ObjectProperty> properties;
  while (!at_punct("}") && !at_eof()) {
    auto name = expect_name();
    if (!name) return std::nullopt;
    if (!expect(TokenKind::Operator, ":")) return std::nullopt;
    auto value = parse_assignment();
    if (!value) return std::nullopt;
    properties.push_back({std::move(name->text), std::move(*value), span_from(name->span.start)});
    skip_newlines();
    if (!at_punct(",")) break;
    advance();
    skip_newlines();
  }
  if (!expect(TokenKind::Punct, "}")) return std::nullopt;
  return properties;
}

std::optional<Expr> Parser::parse_if_expression() {
  diag::Position from = start();
  advance();  // if
  auto condition = parse_without_trailing_block();
  if (!condition) return std::nullopt;
  auto then = parse_block_value();
  if (!then) return std::nullopt;
  if (!expect(TokenKind::Keyword, "else")) return std::nullopt;
  std::optional<Expr> otherwise;
  if (at_keyword("if")) {
    DepthGuard guard(*this);  // an `else if` chain recurses once per link
    if (!guard.ok()) {
      depth_error();
      return std::nullopt;
    }
    otherwise = parse_if_expression();
  } else {
    otherwise = parse_block_value();
  }
  if (!otherwise) return std::nullopt;
  return Expr{ExprKind::If{std::move(*condition), std::move(*then), std::move(*otherwise)},
              span_from(from)};
}

std::optional<Expr> Parser::parse_block_value() {
  auto block = parse_block();
  if (!block) return std::nullopt;
  if (block->statements.size() == 1) {
    if (auto* only = block->statements.front().as<Expr>()) return std::move(*only);
  }
  diag::Span span = block->span;
  return Expr{ExprKind::BlockValue{std::move(*block)}, span};
}

std::optional<Expr> Parser::parse_lambda() {
  diag::Position from = start();
  auto params = parse_parameter_list();
  if (!params) return std::nullopt;
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
  return Expr{ExprKind::Lambda{std::move(*params), Box<ast::FnBody>(std::move(*body))},
              span_from(from)};
}

}  // namespace kelo_core::parser
