// Expressions: precedence climbing for binary operators under assignment, ternary,
// pipe and range; prefix operators; primaries with the postfix loop of calls, members,
// indexing and trailing blocks.
#include <array>
#include <cmath>
#include <optional>
#include <string_view>
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

// Precedence number of a binary operator text (higher binds tighter), or -1.
constexpr int binary_precedence_of(std::string_view text, ast::BinaryOp& op) {
  if (text.empty() || text.size() > 2) return -1;
  using B = ast::BinaryOp;
  const char a = text[0];
  const char b = text.size() == 2 ? text[1] : '\0';
  auto pick = [&](B o, int precedence) {
    op = o;
    return precedence;
  };
  switch (a) {
    case '?':
      return b == '?' ? pick(B::Coalesce, 1) : -1;
    case '|':
      return b == '|' ? pick(B::Or, 2) : -1;
    case '&':
      return b == '&' ? pick(B::And, 3) : -1;
    case '=':
      return b == '=' ? pick(B::Eq, 4) : -1;
    case '!':
      return b == '=' ? pick(B::Ne, 4) : -1;
    case '<':
      return b == '\0' ? pick(B::Lt, 5) : b == '=' ? pick(B::Le, 5) : -1;
    case '>':
      return b == '\0' ? pick(B::Gt, 5) : b == '=' ? pick(B::Ge, 5) : -1;
    case '+':
      return b == '\0' ? pick(B::Add, 7) : -1;
    case '-':
      return b == '\0' ? pick(B::Sub, 7) : -1;
    case '*':
      return b == '\0' ? pick(B::Mul, 8) : b == '*' ? pick(B::Pow, 9) : -1;
    case '/':
      return b == '\0' ? pick(B::Div, 8) : -1;
    case '%':
      return b == '\0' ? pick(B::Rem, 8) : -1;
    default:
      return -1;
  }
}

// Assignment operator of a text, or nothing.
constexpr std::optional<ast::AssignOp> assignment_op_of(std::string_view s) {
  using A = ast::AssignOp;
  if (s == "=") return A::Assign;
  if (s == "+=") return A::Add;
  if (s == "-=") return A::Sub;
  if (s == "*=") return A::Mul;
  if (s == "/=") return A::Div;
  if (s == "%=") return A::Rem;
  return std::nullopt;
}

// Both of the above for every operator code (index 0: no operator), so the loops that
// run once per operand read a table instead of the token's text.
struct OperatorRole {
  int precedence = -1;
  ast::BinaryOp binary = ast::BinaryOp::Add;
  bool assigns = false;
  ast::AssignOp assign = ast::AssignOp::Assign;
};

constexpr std::array<OperatorRole, token::kOperators.size() + 1> make_operator_roles() {
  std::array<OperatorRole, token::kOperators.size() + 1> roles{};
  for (std::size_t i = 0; i < token::kOperators.size(); ++i) {
    OperatorRole& role = roles[i + 1];
    role.precedence = binary_precedence_of(token::kOperators[i], role.binary);
    if (const auto assign = assignment_op_of(token::kOperators[i])) {
      role.assigns = true;
      role.assign = *assign;
    }
  }
  return roles;
}

constexpr auto kOperatorRoles = make_operator_roles();

const OperatorRole& operator_role(const Token& t) {
  return kOperatorRoles[t.kind == TokenKind::Operator ? token::code_of(t) : 0];
}

int binary_precedence(const Token& t, ast::BinaryOp& op) {
  const OperatorRole& role = operator_role(t);
  op = role.binary;
  return role.precedence;
}

bool assignment_op(const Token& t, ast::AssignOp& op) {
  const OperatorRole& role = operator_role(t);
  op = role.assign;
  return role.assigns;
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

// Makes `e` a node of kind K over the given parts, which usually hold `e` itself moved
// into a box. Emplaced rather than assigned: a fresh Expr would move the node through
// two temporaries, and the parser does this once per operator and call. K is braced
// because not every compiler accepts parenthesised aggregate initialisation yet.
template <class K, class... Parts>
void rebuild(Expr& e, diag::Span span, Parts&&... parts) {
  e.kind.node.template emplace<K>(K{std::forward<Parts>(parts)...});
  e.span = span;
}

}  // namespace

#define KELO_OUT_OF_LINE [[gnu::noinline]]

KELO_OUT_OF_LINE std::optional<Expr> Parser::fail_expression() {
  error_here(codes::kExpectedExpression, cur().label());
  return std::nullopt;
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::fail_depth() {
  return fail_expression();
}

std::optional<Expr> Parser::parse_assignment() {
  DepthGuard guard(*this);
  std::optional<Expr> left = guard.ok() ? parse_range() : fail_depth();
  ast::AssignOp op;
  bool more = at_op("|>") || at_op("?") || assignment_op(cur(), op);
  if (left && more && !finish_assignment(*left)) left.reset();
  return left;
}

// Pipes, then the ternary, then an assignment, in that order. Each step has its own
// frame so that only the one being parsed sits on the stack.
KELO_OUT_OF_LINE bool Parser::finish_assignment(Expr& left) {
  if (at_op("|>") && !finish_pipe(left)) return false;
  if (at_op("?") && !finish_ternary(left)) return false;
  ast::AssignOp op;
  if (assignment_op(cur(), op) && !finish_assign(left, op)) return false;
  return true;
}

KELO_OUT_OF_LINE bool Parser::finish_pipe(Expr& left) {
  diag::Position from = left.span.start;
  FoldCounter folds(*this);
  while (at_op("|>")) {
    if (!folds.step()) return depth_error();
    advance();
    skip_newlines();
    auto right = parse_range();
    if (!right) return false;
    rebuild<ExprKind::Pipe>(left, span_from(from), Box<Expr>(std::move(left)),
                            Box<Expr>(std::move(*right)));
  }
  return true;
}

KELO_OUT_OF_LINE bool Parser::finish_ternary(Expr& condition) {
  diag::Position from = condition.span.start;
  advance();  // ?
  auto then = parse_assignment();
  if (!then) return false;
  if (!expect<TokenKind::Operator>(":")) return false;
  auto otherwise = parse_assignment();
  if (!otherwise) return false;
  condition = Expr{ExprKind::Ternary{std::move(condition), std::move(*then), std::move(*otherwise)},
                   span_from(from)};
  return true;
}

KELO_OUT_OF_LINE bool Parser::finish_assign(Expr& target, ast::AssignOp op) {
  diag::Position from = target.span.start;
  advance();
  skip_newlines();
  auto value = parse_assignment();
  if (!value) return false;
  rebuild<ExprKind::Assign>(target, span_from(from), op, Box<Expr>(std::move(target)),
                            Box<Expr>(std::move(*value)));
  return true;
}

std::optional<Expr> Parser::parse_range() {
  std::optional<Expr> from = parse_binary(0);
  if (from && (at_op("..") || at_op("..=")) && !finish_range(*from)) from.reset();
  return from;
}

KELO_OUT_OF_LINE bool Parser::finish_range(Expr& from) {
  bool inclusive = at_op("..=");
  advance();
  auto to = parse_binary(0);
  if (!to) return false;
  diag::Position start_pos = from.span.start;
  from = Expr{ExprKind::Range{std::move(from), std::move(*to), inclusive}, span_from(start_pos)};
  return true;
}

std::optional<Expr> Parser::parse_binary(int min) {
  std::optional<Expr> left = parse_unary();
  ast::BinaryOp op;
  if (left && binary_precedence(cur(), op) >= min && !finish_binary(*left, min)) left.reset();
  return left;
}

// A chain of left-associative operators (a + b + c, x*2 + x*2 + ...) folds here into a
// left spine of any length: that is not nesting, so it takes no depth. Only `**`, whose
// right operand holds the rest of its chain, counts each fold as a level.
KELO_OUT_OF_LINE bool Parser::finish_binary(Expr& left, int min) {
  FoldCounter folds(*this);
  while (true) {
    ast::BinaryOp op;
    int precedence = binary_precedence(cur(), op);
    if (precedence < 0 || precedence < min) return true;
    if (op == ast::BinaryOp::Pow && !folds.step()) return depth_error();
    advance();
    skip_newlines();
    // `**` is right-associative: its right operand may hold another `**`.
    auto right = parse_binary(op == ast::BinaryOp::Pow ? precedence : precedence + 1);
    if (!right) return false;
    fold_binary(left, op, std::move(*right));
  }
}

KELO_OUT_OF_LINE void Parser::fold_binary(Expr& left, ast::BinaryOp op, Expr&& right) {
  diag::Position from = left.span.start;
  rebuild<ExprKind::Binary>(left, span_from(from), op, Box<Expr>(std::move(left)),
                            Box<Expr>(std::move(right)));
}

std::optional<Expr> Parser::parse_unary() {
  if (!at_op("-") && !at_op("!")) return parse_postfix();
  return parse_prefix();
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_prefix() {
  DepthGuard guard(*this);
  if (!guard.ok()) return fail_depth();
  diag::Position from = start();
  ast::UnaryOp op = at_op("-") ? ast::UnaryOp::Neg : ast::UnaryOp::Not;
  advance();
  auto operand = parse_unary();
  if (!operand) return std::nullopt;
  return Expr{ExprKind::Unary{op, std::move(*operand)}, span_from(from)};
}

bool Parser::at_postfix(const Expr& expr) const {
  return at_punct("(") || at_op(".") || at_punct("[") ||
         (at_punct("{") && no_trailing_block_ == 0 && takes_trailing_block(expr));
}

std::optional<Expr> Parser::parse_postfix() {
  std::optional<Expr> expr = parse_primary();
  if (expr && at_postfix(*expr) && !finish_postfix(*expr)) expr.reset();
  return expr;
}

KELO_OUT_OF_LINE bool Parser::finish_postfix(Expr& expr) {
  FoldCounter folds(*this);
  while (at_postfix(expr)) {
    if (!folds.step()) return depth_error();
    bool ok = at_punct("(")   ? postfix_call(expr)
              : at_op(".")    ? postfix_member(expr)
              : at_punct("[") ? postfix_index(expr)
                              : postfix_trailing_block(expr);
    if (!ok) return false;
  }
  return true;
}

KELO_OUT_OF_LINE bool Parser::postfix_call(Expr& expr) {
  diag::Position from = expr.span.start;
  std::vector<ast::Argument> args;
  if (!parse_call_arguments(args)) return false;
  rebuild<ExprKind::Call>(expr, span_from(from), Box<Expr>(std::move(expr)), std::move(args));
  return true;
}

KELO_OUT_OF_LINE bool Parser::postfix_member(Expr& expr) {
  diag::Position from = expr.span.start;
  advance();
  auto name = expect_name();
  if (!name) return false;
  rebuild<ExprKind::Member>(expr, span_from(from), Box<Expr>(std::move(expr)),
                            std::move(name->text));
  return true;
}

KELO_OUT_OF_LINE bool Parser::postfix_index(Expr& expr) {
  diag::Position from = expr.span.start;
  advance();
  skip_newlines();
  auto subscript = parse_assignment();
  if (!subscript) return false;
  skip_newlines();
  if (!expect<TokenKind::Punct>("]")) return false;
  rebuild<ExprKind::Index>(expr, span_from(from), Box<Expr>(std::move(expr)),
                           Box<Expr>(std::move(*subscript)));
  return true;
}

// A trailing block becomes one more unnamed argument: a lambda with no parameters,
// appended to a call or making a call of a bare name or member.
KELO_OUT_OF_LINE bool Parser::postfix_trailing_block(Expr& expr) {
  diag::Position from = expr.span.start;
  auto block = parse_block();
  if (!block) return false;
  diag::Span block_span = block->span;
  Expr lambda{ExprKind::Lambda{{}, Box<ast::FnBody>(ast::FnBody(std::move(*block)))}, block_span};
  ast::Argument arg{std::nullopt, std::move(lambda), block_span};
  if (auto* existing = expr.kind.as<ExprKind::Call>()) {
    existing->args.push_back(std::move(arg));
    expr.span = span_from(from);
  } else {
    std::vector<ast::Argument> args;
    args.push_back(std::move(arg));
    expr = Expr{ExprKind::Call{std::move(expr), std::move(args)}, span_from(from)};
  }
  return true;
}

KELO_OUT_OF_LINE bool Parser::parse_call_arguments(std::vector<ast::Argument>& out) {
  advance();  // (
  skip_newlines();
  // As statements do (see parse_block): gathered on a shared stack, then moved into a
  // list of the final size.
  const std::size_t base = argument_stack_.size();
  struct Unwind {
    std::vector<ast::Argument>& stack;
    std::size_t base;
    ~Unwind() { stack.erase(stack.begin() + static_cast<std::ptrdiff_t>(base), stack.end()); }
  } unwind{argument_stack_, base};
  auto& args = argument_stack_;
  while (!at_punct(")") && !at_eof()) {
    diag::Position from = start();
    std::optional<std::string> name;
    if ((cur().kind == TokenKind::Identifier || cur().kind == TokenKind::Keyword) &&
        is_op(peek(1), ":")) {
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
  if (!expect<TokenKind::Punct>(")")) return false;
  out.reserve(out.size() + args.size() - base);
  for (std::size_t i = base; i < args.size(); ++i) out.push_back(std::move(args[i]));
  return true;
}

std::optional<Expr> Parser::parse_primary() {
  const Token& t = cur();
  switch (t.kind) {
    case TokenKind::Int:
    case TokenKind::Num:
    case TokenKind::Text:
    case TokenKind::Duration:
    case TokenKind::Time:
    case TokenKind::Color:
    case TokenKind::Identifier:
      return parse_literal();
    case TokenKind::Keyword:
      return parse_keyword_primary();
    case TokenKind::Operator:
      if (is_op(t, ".")) return parse_enum_case();
      break;
    case TokenKind::Punct:
      if (is_punct(t, "{")) return parse_object_literal();
      if (is_punct(t, "[")) return parse_array_or_map();
      if (is_punct(t, "(")) return is_lambda_start() ? parse_lambda() : parse_parenthesised();
      break;
    default:
      break;
  }
  return fail_expression();
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_literal() {
  Token& t = advance();
  switch (t.kind) {
    case TokenKind::Int:
      return Expr{ExprKind::Int{numeric::saturating_i64(t.value)}, t.span};
    case TokenKind::Num:
      return Expr{ExprKind::Num{t.value}, t.span};
    case TokenKind::Text:
      return Expr{ExprKind::Text{std::move(t.text)}, t.span};
    case TokenKind::Duration:
      return Expr{ExprKind::Duration{t.value}, t.span};
    case TokenKind::Time:
      return Expr{ExprKind::Time{numeric::saturating_i64(t.value)}, t.span};
    case TokenKind::Color:
      return Expr{ExprKind::Color{saturating_u32(t.value)}, t.span};
    default:
      return Expr{ExprKind::Identifier{std::move(t.text)}, t.span};
  }
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_keyword_primary() {
  const Token& t = cur();
  const std::string& k = t.text;
  diag::Span span = t.span;
  if (same(k, "true") || same(k, "false")) {
    bool value = same(k, "true");
    advance();
    return Expr{ExprKind::Bool{value}, span};
  }
  if (same(k, "none")) {
    advance();
    return Expr{ExprKind::None{}, span};
  }
  if (same(k, "now")) {
    advance();
    return Expr{ExprKind::Now{}, span};
  }
  if (same(k, "if")) return parse_if_expression();
  if (same(k, "match")) return parse_match_expression();
  // `bot` and `plot` are also library names: `bot.magic`, `plot(x)`.
  if ((same(k, "bot") || same(k, "plot")) && (is_op(peek(1), ".") || is_punct(peek(1), "("))) {
    return Expr{ExprKind::Identifier{std::move(advance().text)}, span};
  }
  return fail_expression();
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_enum_case() {
  diag::Position from = start();
  advance();  // .
  auto name = expect_name();
  if (!name) return std::nullopt;
  return Expr{ExprKind::EnumCase{std::move(name->text)}, span_from(from)};
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_object_literal() {
  diag::Position from = start();
  auto properties = parse_object_properties();
  if (!properties) return std::nullopt;
  return Expr{ExprKind::Object{std::move(*properties)}, span_from(from)};
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_match_expression() {
  diag::Position from = start();
  advance();  // match
  auto subject = parse_without_trailing_block();
  if (!subject) return std::nullopt;
  auto arms = parse_match_arms();
  if (!arms) return std::nullopt;
  return Expr{ExprKind::Match{std::move(*subject), std::move(*arms)}, span_from(from)};
}

bool Parser::is_lambda_start() const {
  const std::optional<std::size_t> close = tokens_.closing(pos_);
  return close && is_op(tokens_.at(*close + 1), "=>");
}

std::optional<Expr> Parser::parse_parenthesised() {
  advance();  // (
  skip_newlines();
  int saved = no_trailing_block_;
  no_trailing_block_ = 0;
  std::optional<Expr> inner = parse_assignment();
  no_trailing_block_ = saved;
  if (inner) {
    skip_newlines();
    if (!expect<TokenKind::Punct>(")")) inner.reset();
  }
  return inner;
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_array_or_map() {
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
      if (!expect<TokenKind::Operator>(":")) return std::nullopt;
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
    if (!expect<TokenKind::Punct>("]")) return std::nullopt;
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
  if (!expect<TokenKind::Punct>("]")) return std::nullopt;
  return Expr{ExprKind::Array{std::move(items)}, span_from(from)};
}

std::optional<std::vector<ast::ObjectProperty>> Parser::parse_object_properties() {
  if (!expect<TokenKind::Punct>("{")) return std::nullopt;
  skip_newlines();
  std::vector<ast::ObjectProperty> properties;
  while (!at_punct("}") && !at_eof()) {
    auto name = expect_name();
    if (!name) return std::nullopt;
    if (!expect<TokenKind::Operator>(":")) return std::nullopt;
    auto value = parse_assignment();
    if (!value) return std::nullopt;
    properties.push_back({std::move(name->text), std::move(*value), span_from(name->span.start)});
    skip_newlines();
    if (!at_punct(",")) break;
    advance();
    skip_newlines();
  }
  if (!expect<TokenKind::Punct>("}")) return std::nullopt;
  return properties;
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_if_expression() {
  diag::Position from = start();
  advance();  // if
  auto condition = parse_without_trailing_block();
  if (!condition) return std::nullopt;
  auto then = parse_block_value();
  if (!then) return std::nullopt;
  if (!expect<TokenKind::Keyword>("else")) return std::nullopt;
  std::optional<Expr> otherwise;
  if (at_keyword("if")) {
    DepthGuard guard(*this);  // an `else if` chain recurses once per link
    if (!guard.ok()) return fail_depth();
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

// What follows `=>` in a lambda or a match arm: a block, or a single expression.
std::optional<ast::FnBody> Parser::parse_arrow_body() {
  if (at_punct("{")) {
    auto block = parse_block();
    if (!block) return std::nullopt;
    return ast::FnBody(std::move(*block));
  }
  auto value = parse_assignment();
  if (!value) return std::nullopt;
  return ast::FnBody(std::move(*value));
}

KELO_OUT_OF_LINE std::optional<Expr> Parser::parse_lambda() {
  diag::Position from = start();
  auto params = parse_parameter_list();
  if (!params) return std::nullopt;
  if (!expect<TokenKind::Operator>("=>")) return std::nullopt;
  auto body = parse_arrow_body();
  if (!body) return std::nullopt;
  return Expr{ExprKind::Lambda{std::move(*params), Box<ast::FnBody>(std::move(*body))},
              span_from(from)};
}

}  // namespace kelo_core::parser
