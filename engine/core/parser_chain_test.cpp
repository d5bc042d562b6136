// A chain of binary operators is not nesting: the parser folds it in a loop into a left
// spine of any length, which the tree frees and prints without a call per operand. Real
// nesting keeps its depth limit and the diagnostics it gave before chains were set free.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "core/parser_test_support.h"

namespace kelo_core::parser {
namespace {

using testing::messages;
using testing::parse_text;
using testing::repeat;

const ast::Expr& init_of(const ast::Program& program) {
  return program.declarations.front().as<ast::VarDecl>()->init;
}

// Binary nodes down the left spine, and the operand at its foot.
std::size_t spine_length(const ast::Expr& top, const ast::Expr** foot = nullptr) {
  std::size_t n = 0;
  const ast::Expr* at = &top;
  while (const auto* binary = at->kind.as<ast::ExprKind::Binary>()) {
    ++n;
    at = binary->left.get();
  }
  if (foot != nullptr) *foot = at;
  return n;
}

TEST(ParserChains, TenThousandTermChainsParseAsLeftSpines) {
  struct Row {
    const char* behaviour;
    std::string first;  // the first term
    std::string more;   // each further term, operator first
    ast::BinaryOp top;  // the operator at the top of the spine
  };
  const int n = 10000;
  const Row rows[] = {
      {"a sum of ones", "1", " + 1", ast::BinaryOp::Add},
      {"an && chain of true", "true", " && true", ast::BinaryOp::And},
      {"an || chain", "a", " || b", ast::BinaryOp::Or},
      {"a weighted sum", "x", " + x*2", ast::BinaryOp::Add},
      {"a coalescing chain", "a", " ?? b", ast::BinaryOp::Coalesce},
      {"a comparison chain", "1", " == 1", ast::BinaryOp::Eq},
      {"differences over lines", "1", " -\n1", ast::BinaryOp::Sub},
  };
  for (const Row& row : rows) {
    const std::string source = "let y = " + row.first + repeat(row.more, n - 1) + "\n";
    const auto parsed = parse_text(source);
    EXPECT_EQ(messages(parsed.diagnostics), "") << row.behaviour;
    ASSERT_EQ(parsed.program.declarations.size(), 1u) << row.behaviour;
    const ast::Expr& init = init_of(parsed.program);
    const ast::Expr* foot = nullptr;
    EXPECT_EQ(spine_length(init, &foot), static_cast<std::size_t>(n - 1)) << row.behaviour;
    EXPECT_EQ(init.kind.as<ast::ExprKind::Binary>()->op, row.top) << row.behaviour;
    // The top spans the whole chain; the foot is the first term alone.
    EXPECT_EQ(init.span.start.offset, 8u) << row.behaviour;
    EXPECT_EQ(init.span.end.offset, source.size() - 1) << row.behaviour;
    EXPECT_EQ(foot->span.start.offset, 8u) << row.behaviour;
    EXPECT_EQ(foot->span.end.offset, 8 + row.first.size()) << row.behaviour;
    // A copy is the same tree.
    const ast::Program copy = parsed.program;
    const ast::Expr& copied = init_of(copy);
    EXPECT_EQ(spine_length(copied, &foot), static_cast<std::size_t>(n - 1)) << row.behaviour;
    EXPECT_EQ(copied.span.end.offset, source.size() - 1) << row.behaviour;
    EXPECT_EQ(foot->span.end.offset, 8 + row.first.size()) << row.behaviour;
    if (&row == &rows[0]) {
      EXPECT_EQ(ast::debug(copy), ast::debug(parsed.program));
    }
  }
}

// A tree of a million operands (a tenth of that under the sanitizer) is parsed, copied
// and freed, a recursion per operand would run out of stack long before, and the parse
// takes no depth from it.
TEST(ParserChains, AMillionTermSumIsCopiedAndFreedWithoutRecursion) {
#ifdef __SANITIZE_ADDRESS__
  const int n = 100000;  // the sanitizer's frames are large: a tenth still overflows
#else
  const int n = 1000000;
#endif
  {
    const auto parsed = parse_text("let y = 1" + repeat(" + 1", n - 1) + "\n");
    EXPECT_EQ(messages(parsed.diagnostics), "");
    ASSERT_EQ(parsed.program.declarations.size(), 1u);
    EXPECT_EQ(spine_length(init_of(parsed.program)), static_cast<std::size_t>(n - 1));
    ast::Program copy = parsed.program;
    const ast::Expr* foot = nullptr;
    EXPECT_EQ(spine_length(init_of(copy), &foot), static_cast<std::size_t>(n - 1));
    EXPECT_EQ(foot->span.end.offset, 9u);
  }
  {
    // The same under the nodes' arena, as compile() parses.
    ast::NodeArena arena;
    const auto parsed = parse_text("let y = " + repeat("(", 255) + "1" + repeat(" * 1", n - 1) +
                                   repeat(")", 255) + "\n");
    EXPECT_EQ(messages(parsed.diagnostics), "");
  }
}

TEST(ParserChains, AChainTakesNoDepthFromTheNestingAroundIt) {
  const int chain = 300;
  for (const std::string& source :
       {"let x = " + repeat("(", 255) + "1" + repeat(" + 1", chain) + repeat(")", 255) + "\n",
        "let x = " + repeat("[", 255) + "1" + repeat(" && 1", chain) + repeat("]", 255) + "\n",
        "let x = " + repeat("(1 + ", 255) + "1" + repeat(")", 255) + "\n",
        "let x = " + repeat("f(1 + 1 + ", 120) + "1" + repeat(")", 120) + "\n",
        "let x = " + repeat("-", 255) + "1" + repeat(" - 1", chain) + "\n"}) {
    const auto parsed = parse_text(source);
    EXPECT_EQ(messages(parsed.diagnostics), "") << source.substr(0, 40);
    EXPECT_EQ(parsed.program.declarations.size(), 1u) << source.substr(0, 40);
  }
}

// Each of these is nesting, 300 levels of it, and gives exactly the diagnostics it gave
// when chains were still counted as nesting.
TEST(ParserChains, RealNestingKeepsItsLimitAndDiagnostics) {
  struct Row {
    const char* behaviour;
    std::string source;
    const char* diagnostics;
  };
  const int n = 300;
  const Row rows[] = {
      {"parentheses", "let x = " + repeat("(", n) + "1" + repeat(")", n) + "\n",
       "KELO2007 1:265 Expected an expression but found '('"},
      {"brackets", "let x = " + repeat("[", n) + "1" + repeat("]", n) + "\n",
       "KELO2007 1:265 Expected an expression but found '['"},
      {"prefix minus", "let x = " + repeat("-", n) + "1\n",
       "KELO2007 1:264 Expected an expression but found '-'"},
      {"power, right-associative", "let x = 2" + repeat(" ** 2", n) + "\n",
       "KELO2007 1:1286 Expected an expression but found '**'"},
      {"pipes", "let x = a" + repeat(" |> f", n) + "\n",
       "KELO2007 1:1286 Expected an expression but found '|>'"},
      {"members", "let x = a" + repeat(".b", n) + "\n",
       "KELO2007 1:520 Expected an expression but found '.'"},
      {"calls of calls", "let x = f" + repeat("()", n) + "\n",
       "KELO2007 1:520 Expected an expression but found '('"},
      {"indexing", "let x = a" + repeat("[0]", n) + "\n",
       "KELO2007 1:773 Expected an expression but found '0'"},
      {"nested calls", "let x = " + repeat("f(", n) + "1" + repeat(")", n) + "\n",
       "KELO2007 1:265 Expected an expression but found 'f'"},
      {"lambdas", "let x = " + repeat("() => ", n) + "1\n",
       "KELO2007 1:1545 Expected an expression but found '('"},
      {"ternaries", "let x = a" + repeat(" ? b : a", n) + "\n",
       "KELO2007 1:2053 Expected an expression but found 'b'"},
      {"assignments", "let x = a" + repeat(" = a", n) + "\n",
       "KELO2007 1:1033 Expected an expression but found 'a'"},
  };
  for (const Row& row : rows) {
    const auto parsed = parse_text(row.source);
    EXPECT_EQ(messages(parsed.diagnostics), row.diagnostics) << row.behaviour;
    EXPECT_TRUE(parsed.program.declarations.empty()) << row.behaviour;
  }
  // Blocks: the first report, then one per closing brace left over.
  const auto blocks = parse_text("fn f() {\n" + repeat("if a {\n", n) + repeat("}\n", n) + "}\n");
  ASSERT_EQ(blocks.diagnostics.items.size(), 46u);
  EXPECT_EQ(messages(blocks.diagnostics).substr(0, 51),
            "KELO2007 257:4 Expected an expression but found 'a'");
}

TEST(ParserChains, AChainPrintsAsItsTree) {
  const auto parsed = parse_text("let y = 1 + 2 - 3\n");
  ASSERT_EQ(parsed.program.declarations.size(), 1u);
  auto position = [](int offset) {
    return "Position { offset: " + std::to_string(offset) +
           ", line: 1, column: " + std::to_string(offset + 1) + " }";
  };
  auto span = [&](int from, int to) {
    return "Span { start: " + position(from) + ", end: " + position(to) + " }";
  };
  auto literal = [&](int value, int at) {
    return "Expr { kind: Int(" + std::to_string(value) + "), span: " + span(at, at + 1) + " }";
  };
  const std::string sum = "Expr { kind: Binary { op: Add, left: " + literal(1, 8) +
                          ", right: " + literal(2, 12) + " }, span: " + span(8, 13) + " }";
  const std::string whole = "Expr { kind: Binary { op: Sub, left: " + sum +
                            ", right: " + literal(3, 16) + " }, span: " + span(8, 17) + " }";
  const ast::Expr& init = init_of(parsed.program);
  EXPECT_EQ(ast::debug(init), whole);
  EXPECT_EQ(ast::debug(init.kind),
            "Binary { op: Sub, left: " + sum + ", right: " + literal(3, 16) + " }");

  // A long chain prints in full, its openings first and its closings last.
  const int n = 10000;
  const auto long_chain = parse_text("let y = 1" + repeat(" + 1", n - 1) + "\n");
  const std::string text = ast::debug(init_of(long_chain.program).kind);
  const std::string opening = "Binary { op: Add, left: Expr { kind: Binary { op: Add, left: ";
  EXPECT_EQ(text.substr(0, opening.size()), opening);
  std::size_t adds = 0;
  for (std::size_t at = text.find("op: Add"); at != std::string::npos;
       at = text.find("op: Add", at + 1)) {
    ++adds;
  }
  EXPECT_EQ(adds, static_cast<std::size_t>(n - 1));
  EXPECT_EQ(text.substr(text.size() - 2), " }");
}

}  // namespace
}  // namespace kelo_core::parser
