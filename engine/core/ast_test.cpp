// Boxes of the syntax tree: value semantics over nodes that each thread recycles.
#include "core/ast.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "core/parser.h"

namespace kelo_core::ast {
namespace {

Expr integer(std::int64_t v) {
  return Expr{ExprKind::Int{v}, {}};
}

Expr sum(Expr a, Expr b) {
  return Expr{ExprKind::Binary{BinaryOp::Add, std::move(a), std::move(b)}, {}};
}

TEST(AstBox, CopiesAreDeepAndMovesTakeTheSourceFirst) {
  Expr tree = sum(sum(integer(1), integer(2)), integer(3));
  Expr copy = tree;
  tree.kind.as<ExprKind::Binary>()->right->kind = ExprKind::Int{30};
  EXPECT_EQ(debug(copy), debug(sum(sum(integer(1), integer(2)), integer(3))));

  // A box assigned its own grandchild lets go of the node that holds the source.
  auto* outer = tree.kind.as<ExprKind::Binary>();
  Box<Expr>& left = outer->left;
  left = std::move(left->kind.as<ExprKind::Binary>()->right);
  EXPECT_EQ(debug(*left), debug(integer(2)));
  left = std::move(left);
  EXPECT_EQ(debug(*left), debug(integer(2)));

  Box<Expr> other(integer(7));
  other = copy.kind.as<ExprKind::Binary>()->left;
  EXPECT_EQ(debug(*other), debug(sum(integer(1), integer(2))));
}

// Trees built on one thread and dropped on another; every node is freed once, whichever
// thread held it last, also after both threads end.
TEST(AstBox, TreesMayChangeThreads) {
  std::string source = "script \"S\"\nfn f() {\n";
  for (int i = 0; i < 300; ++i)
    source += "  let x" + std::to_string(i) + " = (1 + 2) * a.b(c[0])\n";
  source += "}\n";
  for (int round = 0; round < 4; ++round) {
    Program program;
    std::thread maker([&] {
      diag::Diagnostics diagnostics("s.kelo");
      program = parser::parse(source, diagnostics);
      Program scratch = parser::parse(source, diagnostics);  // freed here, kept by this thread
    });
    maker.join();
    std::thread dropper(
        [moved = std::move(program)]() mutable { Program gone = std::move(moved); });
    dropper.join();
  }
  diag::Diagnostics diagnostics("s.kelo");
  const Program again = parser::parse(source, diagnostics);
  EXPECT_FALSE(diagnostics.has_errors());
  EXPECT_EQ(again.declarations.size(), 1u);
}

}  // namespace
}  // namespace kelo_core::ast
