#include <gtest/gtest.h>

#include <string>

#include "core/parser_test_support.h"

namespace kelo_core::parser {
namespace {

using testing::compact;
using testing::messages;
using testing::parse_text;

struct Row {
  const char* behaviour;
  const char* source;
  const char* expected;
};

// Parses `fn f() => <source>` and prints the body expression compactly.
std::string expression(const std::string& source, std::string* diagnostics = nullptr) {
  auto parsed = parse_text("fn f() => " + source);
  if (diagnostics) *diagnostics = messages(parsed.diagnostics);
  if (!parsed.diagnostics.items.empty() && !diagnostics) {
    return "errors: " + messages(parsed.diagnostics);
  }
  if (parsed.program.declarations.empty()) return "<dropped>";
  const auto* fn = parsed.program.declarations.front().as<ast::FnDecl>();
  if (!fn) return "<not a fn>";
  return compact(fn->body);
}

TEST(ParserExpr, PrecedenceAndGrouping) {
  const Row rows[] = {
      {"coalesce is left-associative", "a ?? b ?? c", "(?? (?? a b) c)"},
      {"power is right-associative", "2 ** 3 ** 2", "(** 2 (** 3 2))"},
      {"comparison binds tighter than equality", "a < b == c", "(== (< a b) c)"},
      {"prefix minus binds tighter than power", "-x ** 2", "(** (- x) 2)"},
      {"not binds tighter than and", "!a && b", "(&& (! a) b)"},
      {"and binds tighter than or", "a || b && c", "(|| a (&& b c))"},
      {"or binds tighter than coalesce", "a ?? b || c", "(?? a (|| b c))"},
      {"equality binds tighter than and", "a == b && c != d", "(&& (== a b) (!= c d))"},
      {"product binds tighter than sum", "a + b * c - d", "(- (+ a (* b c)) d)"},
      {"subtraction is left-associative", "a - b - c", "(- (- a b) c)"},
      {"division and remainder share a level", "a / b % c", "(% (/ a b) c)"},
      {"equality operators chain to the left", "a == b != c", "(!= (== a b) c)"},
      {"power binds tighter than product", "a * b ** c", "(* a (** b c))"},
      {"comparisons chain to the left", "a < b <= c", "(<= (< a b) c)"},
      {"assignment is right-associative", "x = y = 3", "(= x (= y 3))"},
      {"compound assignment", "a += 1", "(+= a 1)"},
      {"remainder assignment", "a %= 2", "(%= a 2)"},
      {"assignment takes a ternary value", "x = a ? b : c", "(= x (? a b c))"},
      {"ternary nests in its else branch", "a ? b : c ? d : e", "(? a b (? c d e))"},
      {"exclusive range", "1..5", "(.. 1 5)"},
      {"inclusive range", "1..=5", "(..= 1 5)"},
      {"range operands are binary expressions", "a + 1..b * 2", "(.. (+ a 1) (* b 2))"},
      {"pipe into a call", "close |> sma(14)", "(|> close (call sma 14))"},
      {"pipes fold to the left", "a |> f |> g", "(|> (|> a f) g)"},
      {"pipe binds tighter than the ternary", "a |> b ? c : d", "(? (|> a b) c d)"},
      {"pipe operands are ranges", "a..b |> f", "(|> (.. a b) f)"},
      {"prefix operators nest", "- - x", "(- (- x))"},
      {"mixed prefix operators", "!-x", "(! (- x))"},
      {"parentheses group", "(a + b) * c", "(* (+ a b) c)"},
      {"member chain", "a.b.c", "(. (. a b) c)"},
      {"call then index", "a.b(1)[2]", "([] (call (. a b) 1) 2)"},
      {"calls chain", "f(x)(y)", "(call (call f x) y)"},
      {"parenthesised callee", "(f)(x)", "(call f x)"},
      {"keyword as member name", "a.if", "(. a if)"},
      {"text literal takes a member", "\"ab\".length", "(. \"ab\" length)"},
      {"prefix minus applies to the postfix chain", "-a.b", "(- (. a b))"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(expression(row.source), row.expected) << row.behaviour << ": " << row.source;
  }
}

TEST(ParserExpr, LiteralsCallsAndLambdas) {
  const Row rows[] = {
      {"empty array", "[]", "[]"},
      {"array with trailing comma", "[1, 2,]", "[1 2]"},
      {"array across lines", "[1,\n 2\n]", "[1 2]"},
      {"map with one entry", "[k: 1]", "(map k:1)"},
      {"map with two entries", "[\"a\": 1, \"b\": 2,]", "(map \"a\":1 \"b\":2)"},
      {"empty braces are an empty object", "{}", "(object)"},
      {"object literal", "{a: 1, if: 2}", "(object a:1 if:2)"},
      {"object literal across lines", "{\n a: 1,\n b: 2\n}", "(object a:1 b:2)"},
      {"enum case", ".buy", ".buy"},
      {"enum case with keyword name", ".none", ".none"},
      {"named and positional arguments", "f(period: 14, close)", "(call f period:14 close)"},
      {"keyword as argument name", "f(if: 1)", "(call f if:1)"},
      {"call with trailing comma", "f(a, b,)", "(call f a b)"},
      {"call across lines", "f(\n a,\n b\n)", "(call f a b)"},
      {"lambda with two parameters", "(a, b) => a + b", "(fn (a b) (+ a b))"},
      {"lambda without parameters", "() => 1", "(fn () 1)"},
      {"lambda with a block body", "(x) => { return x }", "(fn (x) {return x})"},
      {"lambda as argument", "xs.map((x) => x * 2)", "(call (. xs map) (fn (x) (* x 2)))"},
      {"grouping is not a lambda", "(a + b)", "(+ a b)"},
      {"nested grouping before a lambda", "((a)) + ((b) => b)(1)", "(+ a (call (fn (b) b) 1))"},
      {"if expression with literal branches", "if c { 1 } else { 2 }", "(if c 1 2)"},
      {"if expression chain with a block value", "if c { 1 } else if d { 2 } else { let y = 3; y }",
       "(if c 1 (if d 2 (block {let y = 3; y})))"},
      {"match expression", "match x { 1 => a, _ => { b } }", "(match x (1 => a) (_ => {b}))"},
      {"match arms separated by newlines", "match x {\n .a => 1\n .b => 2\n}",
       "(match x (.a => 1) (.b => 2))"},
      {"trailing block on a name", "onBar { x }", "(call onBar (fn () {x}))"},
      {"trailing block appended to a call", "timer.every(5s) { x }",
       "(call (. timer every) dur:5000 (fn () {x}))"},
      {"trailing block on a member", "a.b { x }", "(call (. a b) (fn () {x}))"},
      {"bot followed by a dot is a name", "bot.stop()", "(call (. bot stop))"},
      {"bot member value", "bot.magic", "(. bot magic)"},
      {"plot followed by a parenthesis is a name", "plot(close, title: \"c\")",
       "(call plot close title:\"c\")"},
      {"integer literal", "42", "42"},
      {"integer literal beyond 64 bits saturates", "99999999999999999999", "9223372036854775807"},
      {"negated huge integer", "-99999999999999999999", "(- 9223372036854775807)"},
      {"number literal", "1.5", "num:1.5"},
      {"time literal", "2024.03.01", "time:1709251200000"},
      {"colour literal", "#abc", "color:2864434431"},
      {"duration literal", "1.5h", "dur:5400000"},
      {"true, false, none, now", "[true, false, none, now]", "[true false none now]"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(expression(row.source), row.expected) << row.behaviour << ": " << row.source;
  }
}

TEST(ParserExpr, ErrorMessages) {
  // Sources follow "fn f() => " (10 characters), so columns start at 11.
  const Row rows[] = {
      {"no literal for an empty map", "[:]", "KELO2007 1:12 Expected an expression but found ':'"},
      {"if expression needs else", "if c { 1 }\n",
       "KELO2001 1:21 Expected 'else' but found end of line"},
      {"missing closing parenthesis", "f(a b)", "KELO2001 1:15 Expected ')' but found 'b'"},
      {"member needs a name", "a.\n", "KELO2002 2:1 Expected a name but found end of file"},
      {"a bare name before => is no lambda", "x => x",
       "KELO2003 1:13 Unexpected '=>' after statement"},
      // Recovery stops at the closing brace, which the file level then reports.
      {"object property needs a colon", "{a 1}",
       "KELO2001 1:14 Expected ':' but found '1' | "
       "KELO2006 1:15 Expected a declaration but found '}'"},
      {"object properties need commas", "{a: 1\n b: 2}",
       "KELO2001 2:2 Expected '}' but found 'b' | "
       "KELO2006 2:6 Expected a declaration but found '}'"},
      {"array element followed by a colon", "[1, k: 2]",
       "KELO2001 1:16 Expected ']' but found ':'"},
      {"map entry without a value", "[a: 1, b]", "KELO2001 1:19 Expected ':' but found ']'"},
      {"ternary needs a colon", "a ? b\n", "KELO2001 1:16 Expected ':' but found end of line"},
      {"other keywords are no expressions", "buffer",
       "KELO2007 1:11 Expected an expression but found 'buffer'"},
      {"bot alone is no expression", "bot\n",
       "KELO2007 1:11 Expected an expression but found 'bot'"},
      {"expression ends at the end of the file", "1 +",
       "KELO2007 1:14 Expected an expression but found end of file"},
      {"text label shows the decoded text", "1 \"x\"",
       "KELO2003 1:13 Unexpected 'x' after statement"},
      {"unterminated call", "f(1,", "KELO2001 1:15 Expected ')' but found end of file"},
      {"a line break before an operator ends the expression", "a\n+ b",
       "KELO2006 2:1 Expected a declaration but found '+'"},
      {"power assignment is not an assignment", "x **= 2",
       "KELO2003 1:13 Unexpected '**=' after statement"},
  };
  for (const Row& row : rows) {
    std::string diagnostics;
    expression(row.source, &diagnostics);
    EXPECT_EQ(diagnostics, row.expected) << row.behaviour << ": " << row.source;
  }
}

TEST(ParserExpr, DebugTextOfExpressionKinds) {
  const Row rows[] = {
      {"integer", "3", "Int(3)"},
      {"identifier", "fast", "Identifier(\"fast\")"},
      {"text with escapes", "\"a\\\"b\\n\"", "Text(\"a\\\"b\\n\")"},
      {"whole number keeps a fraction digit", "2.0", "Num(2.0)"},
      {"fraction", "0.25", "Num(0.25)"},
      {"bool", "true", "Bool(true)"},
      {"none", "none", "None"},
      {"now", "now", "Now"},
      {"enum case", ".buy", "EnumCase(\"buy\")"},
      {"duration", "5s", "Duration(5000.0)"},
      {"colour", "#ffffff", "Color(4294967295)"},
      {"time", "2024.03.01", "Time(1709251200000)"},
      {"empty array", "[]", "Array([])"},
  };
  for (const Row& row : rows) {
    auto parsed = parse_text(std::string("fn f() => ") + row.source);
    ASSERT_TRUE(parsed.diagnostics.items.empty()) << row.source << messages(parsed.diagnostics);
    const auto& body = parsed.program.declarations.front().as<ast::FnDecl>()->body;
    EXPECT_EQ(ast::debug(body.as<ast::Expr>()->kind), row.expected) << row.behaviour;
  }
}

TEST(ParserExpr, DebugTextOfANodeWithSpans) {
  auto parsed = parse_text("fn f() => -1");
  const auto& body = parsed.program.declarations.front().as<ast::FnDecl>()->body;
  EXPECT_EQ(ast::debug(*body.as<ast::Expr>()),
            "Expr { kind: Unary { op: Neg, operand: Expr { kind: Int(1), span: Span { start: "
            "Position { offset: 11, line: 1, column: 12 }, end: Position { offset: 12, line: 1, "
            "column: 13 } } } }, span: Span { start: Position { offset: 10, line: 1, column: 11 }, "
            "end: Position { offset: 12, line: 1, column: 13 } } }");
}

TEST(ParserExpr, SpansRunFromFirstToLastToken) {
  auto parsed = parse_text("fn f() => foo(a, b) + 1");
  const auto& e = *parsed.program.declarations.front().as<ast::FnDecl>()->body.as<ast::Expr>();
  EXPECT_EQ(e.span.start.offset, 10u);
  EXPECT_EQ(e.span.end.offset, 23u);
  const auto& call = *e.kind.as<ast::ExprKind::Binary>()->left;
  EXPECT_EQ(call.span.start.offset, 10u);
  EXPECT_EQ(call.span.end.offset, 19u);
  const auto& args = call.kind.as<ast::ExprKind::Call>()->args;
  ASSERT_EQ(args.size(), 2u);
  EXPECT_EQ(args[1].span.start.offset, 17u);
  EXPECT_EQ(args[1].span.end.offset, 18u);
}

TEST(ParserExpr, ClonesAreDeepAndIndependent) {
  auto parsed = parse_text("fn f() => g(1 + 2) { x }");
  const auto& original =
      *parsed.program.declarations.front().as<ast::FnDecl>()->body.as<ast::Expr>();
  ast::Expr copy = original;
  auto* call = copy.kind.as<ast::ExprKind::Call>();
  ASSERT_NE(call, nullptr);
  call->args.front().value.kind.as<ast::ExprKind::Binary>()->op = ast::BinaryOp::Mul;
  EXPECT_EQ(compact(original), "(call g (+ 1 2) (fn () {x}))");
  EXPECT_EQ(compact(copy), "(call g (* 1 2) (fn () {x}))");
  EXPECT_EQ(ast::debug(parsed.program), ast::debug(ast::Program(parsed.program)));
}

}  // namespace
}  // namespace kelo_core::parser
