// Boxes of the syntax tree: nodes with value semantics.
#include "core/ast.h"

#include <gtest/gtest.h>

#include <utility>

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

}  // namespace
}  // namespace kelo_core::ast
