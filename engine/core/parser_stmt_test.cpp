#include <gtest/gtest.h>

#include <string>

#include "core/parser_test_support.h"

namespace kelo_core::parser {
namespace {

using testing::compact_body;
using testing::messages;
using testing::parse_text;

struct Row {
  const char* behaviour;
  const char* body;
  const char* expected;  // compact body, or the diagnostics when the parse reports any
};

// Parses the lines inside `fn f() {` ... `}`; the body starts on line 2.
std::string body_of(const std::string& lines) {
  auto parsed = parse_text("fn f() {\n" + lines + "\n}\n");
  if (!parsed.diagnostics.items.empty()) return messages(parsed.diagnostics);
  return compact_body(parsed.program);
}

TEST(ParserStmt, StatementForms) {
  const Row rows[] = {
      {"return without value at end of line", "return", "{return}"},
      {"return with a value", "return 1 + 2", "{return (+ 1 2)}"},
      {"return right before a closing brace", "if c { return }", "{if c {return}}"},
      {"return before a semicolon", "return; x", "{return; x}"},
      {"else on the line of the closing brace", "if c { a } else { b }", "{if c {a} else {b}}"},
      {"else if chain nests", "if a { x } else if b { y } else { z }",
       "{if a {x} else if b {y} else {z}}"},
      {"statement may follow an else block on the next line", "if a { x } else { y }\nz",
       "{if a {x} else {y}; z}"},
      {"for with two names", "for k, v in m { x }", "{for k,v in m {x}}"},
      {"for over a range", "for i in 0..10 { s += i }", "{for i in (.. 0 10) {(+= s i)}}"},
      {"while loop", "while x < 3 { x += 1 }", "{while (< x 3) {(+= x 1)}}"},
      {"try without an error name", "try { a } catch { b }", "{try {a} catch  {b}}"},
      {"try with an error name", "try { a } catch e { b }", "{try {a} catch e {b}}"},
      {"guard with else", "guard x else { return }", "{guard x else {return}}"},
      {"match statement", "match side {\n .buy => 1\n _ => { 2 }\n}",
       "{match side (.buy => 1) (_ => {2})}"},
      {"at new bar", "atNewBar { x }", "{atNewBar {x}}"},
      {"break and continue", "break; continue", "{break; continue}"},
      {"semicolon separates statements", "a; b", "{a; b}"},
      {"nested block needs no terminator", "{ a } b", "{{a}; b}"},
      {"local declarations", "let a = 1\nvar b: int = 2\nconst c = 3",
       "{let a = 1; var b = 2; const c = 3}"},
      {"local function with expression body", "fn g(x) => x * 2", "{fn g (* x 2)}"},
      {"local struct and enum", "struct P { x: num }\nenum E { a, b }", "{struct P; enum E}"},
      {"once and every are numbered in order", "once { a }\nonce { b }\nevery(1s) { c }",
       "{once#1 {a}; once#2 {b}; every#3(dur:1000) {c}}"},
      {"inner once completes first", "once { once { a } }", "{once#2 {once#1 {a}}}"},
      {"trailing block on a name", "onBar { x }", "{(call onBar (fn () {x}))}"},
      {"condition brace opens the body", "if f { x }", "{if f {x}}"},
      {"trailing block inside parentheses in a condition", "if (f { x }) { y }",
       "{if (call f (fn () {x})) {y}}"},
      {"trailing block inside brackets in a condition", "while [f { x }] { y }",
       "{while [(call f (fn () {x}))] {y}}"},
      {"match subject takes no trailing block", "match f { _ => 1 }", "{match f (_ => 1)}"},
      {"for iterable takes no trailing block", "for x in xs { x }", "{for x in xs {x}}"},
      {"if expression as a value", "let x = if c { 1 } else { 2 }", "{let x = (if c 1 2)}"},
      {"plot call in a handler", "plot(close)", "{(call plot close)}"},
      {"bot member call in a handler", "bot.stop()", "{(call (. bot stop))}"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(body_of(row.body), row.expected) << row.behaviour << ": " << row.body;
  }
}

// The first diagnostic of a parse of the body lines (later ones may follow from
// recovery, which stops at the first closing brace).
std::string first_error(const std::string& lines) {
  auto parsed = parse_text("fn f() {\n" + lines + "\n}\n");
  if (parsed.diagnostics.items.empty()) return "<none>";
  diag::Diagnostics first;
  first.items.push_back(parsed.diagnostics.items.front());
  return messages(first);
}

TEST(ParserStmt, StatementErrors) {
  const Row rows[] = {
      {"else on the next line starts a new statement", "if c { a }\nelse { b }",
       "KELO2007 3:1 Expected an expression but found 'else'"},
      {"guard needs else", "guard x { return }", "KELO2001 2:9 Expected 'else' but found '{'"},
      {"every needs parentheses", "every 5s { x }", "KELO2001 2:7 Expected '(' but found '5s'"},
      {"two statements on one line", "a b", "KELO2003 2:3 Unexpected 'b' after statement"},
      {"let without a value", "let x", "KELO2001 2:6 Expected '=' but found end of line"},
      {"if expression without else", "let x = if c { 1 }",
       "KELO2001 2:19 Expected 'else' but found end of line"},
      {"for needs in", "for x of xs { }", "KELO2001 2:7 Expected 'in' but found 'of'"},
      {"try needs catch", "try { a } finally { b }",
       "KELO2001 2:11 Expected 'catch' but found 'finally'"},
      {"plot is no statement", "plot x", "KELO2007 2:1 Expected an expression but found 'plot'"},
      {"buffer is no statement", "buffer b",
       "KELO2007 2:1 Expected an expression but found 'buffer'"},
      {"panel is no statement", "panel \"p\" { }",
       "KELO2007 2:1 Expected an expression but found 'panel'"},
      {"input is no statement", "input int x = 1",
       "KELO2007 2:1 Expected an expression but found 'input'"},
      {"import is no statement", "import \"x\"",
       "KELO2007 2:1 Expected an expression but found 'import'"},
      {"permissions is no statement", "permissions { }",
       "KELO2007 2:1 Expected an expression but found 'permissions'"},
      {"pub is no statement", "pub fn g() => 1",
       "KELO2007 2:1 Expected an expression but found 'pub'"},
      {"header keyword is no statement", "indicator \"x\"",
       "KELO2007 2:1 Expected an expression but found 'indicator'"},
      {"argument lists take no trailing block", "if g(f { x }) { y }",
       "KELO2001 2:8 Expected ')' but found '{'"},
      {"an index takes no trailing block", "a[1] { x }",
       "KELO2003 2:6 Unexpected '{' after statement"},
      // No newline tokens are made inside parentheses, so the lines of a block lambda
      // passed as an argument run together.
      {"multi-line block lambda inside an argument list",
       "xs.filter((x) => {\nlet y = x\nreturn y > 1\n})",
       "KELO2003 4:1 Unexpected 'return' after statement"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(first_error(row.body), row.expected) << row.behaviour << ": " << row.body;
  }
}

TEST(ParserStmt, RecoveryKeepsTheOtherStatements) {
  auto parsed = parse_text("fn f() {\n  a b\n  let ok = 1\n  let = 2\n  c\n}\n");
  EXPECT_EQ(messages(parsed.diagnostics),
            "KELO2003 2:5 Unexpected 'b' after statement | "
            "KELO2002 4:7 Expected a name but found '='");
  EXPECT_EQ(compact_body(parsed.program), "{let ok = 1; c}");
}

TEST(ParserStmt, BlockOpenAtEndOfFileIsDropped) {
  auto parsed = parse_text("fn f() {\n  a\n");
  EXPECT_EQ(messages(parsed.diagnostics), "KELO2001 3:1 Expected '}' but found end of file");
  EXPECT_TRUE(parsed.program.declarations.empty());
}

TEST(ParserStmt, FailedOnceTakesNoId) {
  auto parsed = parse_text("fn f() {\n  once x\n  once { b }\n}\n");
  EXPECT_EQ(messages(parsed.diagnostics), "KELO2001 2:8 Expected '{' but found 'x'");
  EXPECT_EQ(compact_body(parsed.program), "{once#1 {b}}");
}

TEST(ParserStmt, IdsAreSharedAcrossFunctions) {
  auto parsed = parse_text("fn a() { once { x } }\nfn b() { every(1m) { y }\n once { z } }\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty()) << messages(parsed.diagnostics);
  ASSERT_EQ(parsed.program.declarations.size(), 2u);
  EXPECT_EQ(testing::compact(parsed.program.declarations[0].as<ast::FnDecl>()->body),
            "{once#1 {x}}");
  EXPECT_EQ(testing::compact(parsed.program.declarations[1].as<ast::FnDecl>()->body),
            "{every#2(dur:60000) {y}; once#3 {z}}");
}

TEST(ParserStmt, LocalDeclarationsAreNeverExported) {
  auto parsed = parse_text("fn f() {\n  fn g() => 1\n  let x = 2\n}\n");
  ASSERT_TRUE(parsed.diagnostics.items.empty());
  const auto& body = *parsed.program.declarations.front().as<ast::FnDecl>()->body.as<ast::Block>();
  EXPECT_FALSE(body.statements[0].as<ast::FnDecl>()->exported);
  EXPECT_FALSE(body.statements[1].as<ast::VarDecl>()->exported);
}

TEST(ParserStmt, IfSpanEndsAtItsLastBlock) {
  auto parsed = parse_text("fn f() {\nif a { x } else if b { y }\n}\n");
  const auto& body = *parsed.program.declarations.front().as<ast::FnDecl>()->body.as<ast::Block>();
  const auto& stmt = *body.statements.front().as<ast::IfStmt>();
  EXPECT_EQ(stmt.span.start.line, 2u);
  EXPECT_EQ(stmt.span.start.column, 1u);
  EXPECT_EQ(stmt.span.end.line, 2u);
  EXPECT_EQ(stmt.span.end.column, 27u);
}

}  // namespace
}  // namespace kelo_core::parser
