// Boxes of the syntax tree: nodes with value semantics.
#include "core/ast.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

// Nodes made under an arena come from it and end with it; nodes made without one are
// the general allocator's, wherever they end. (Sanitizer builds catch a node freed the
// wrong way.)
TEST(AstBox, ArenaNodesEndWithTheirArena) {
  Expr outside = sum(integer(1), integer(2));
  EXPECT_EQ(NodeArena::current(), nullptr);
  {
    const NodeArena arena;
    EXPECT_EQ(NodeArena::current(), &arena);
    Expr inside = sum(integer(3), integer(4));
    Expr copy = outside;  // a copy made under the arena is the arena's
    {
      const NodeArena inner;
      EXPECT_EQ(NodeArena::current(), &inner);
      Expr deep = sum(copy, inside);
      EXPECT_EQ(debug(deep), debug(sum(sum(integer(1), integer(2)), sum(integer(3), integer(4)))));
    }
    EXPECT_EQ(NodeArena::current(), &arena);
    // Large nodes and many of them take further blocks.
    std::vector<Expr> many;
    for (int i = 0; i < 5000; ++i) many.push_back(sum(integer(i), integer(i)));
    Expr moved = std::move(outside);  // a heap node, freed as one
    EXPECT_EQ(debug(moved), debug(sum(integer(1), integer(2))));
  }
  EXPECT_EQ(NodeArena::current(), nullptr);
  Expr after = sum(integer(5), integer(6));
  EXPECT_EQ(debug(after), debug(sum(integer(5), integer(6))));
}

}  // namespace
}  // namespace kelo_core::ast
