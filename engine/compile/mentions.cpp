#include "compile/mentions.h"

#include <algorithm>
#include <variant>

namespace kelo_compile {

namespace ast = kelo_core::ast;

namespace {

class Finder {
 public:
  explicit Finder(const std::vector<std::string>& names) : names_(names) {}

  bool expr(const ast::Expr& e) {
    using K = ast::ExprKind;
    return std::visit(
        [&](const auto& node) -> bool {
          using T = std::decay_t<decltype(node)>;
          if constexpr (std::is_same_v<T, K::Identifier>) {
            return std::find(names_.begin(), names_.end(), node.name) != names_.end();
          } else if constexpr (std::is_same_v<T, K::Array>) {
            return any_of(node.items);
          } else if constexpr (std::is_same_v<T, K::Map>) {
            for (const auto& entry : node.entries) {
              if (expr(entry.key) || expr(entry.value)) return true;
            }
            return false;
          } else if constexpr (std::is_same_v<T, K::Object>) {
            for (const auto& p : node.properties) {
              if (expr(p.value)) return true;
            }
            return false;
          } else if constexpr (std::is_same_v<T, K::Unary>) {
            return expr(*node.operand);
          } else if constexpr (std::is_same_v<T, K::Binary>) {
            return binary(node);
          } else if constexpr (std::is_same_v<T, K::Pipe>) {
            return expr(*node.left) || expr(*node.right);
          } else if constexpr (std::is_same_v<T, K::Assign>) {
            return expr(*node.target) || expr(*node.value);
          } else if constexpr (std::is_same_v<T, K::Ternary> || std::is_same_v<T, K::If>) {
            return expr(*node.condition) || expr(*node.then) || expr(*node.otherwise);
          } else if constexpr (std::is_same_v<T, K::Range>) {
            return expr(*node.from) || expr(*node.to);
          } else if constexpr (std::is_same_v<T, K::Call>) {
            if (expr(*node.callee)) return true;
            for (const auto& a : node.args) {
              if (expr(a.value)) return true;
            }
            return false;
          } else if constexpr (std::is_same_v<T, K::Member>) {
            return expr(*node.object);
          } else if constexpr (std::is_same_v<T, K::Index>) {
            return expr(*node.object) || expr(*node.index);
          } else if constexpr (std::is_same_v<T, K::Lambda>) {
            return params(node.params) || body(*node.body);
          } else if constexpr (std::is_same_v<T, K::Match>) {
            return expr(*node.subject) || arms(node.arms);
          } else if constexpr (std::is_same_v<T, K::BlockValue>) {
            return block(*node.block);
          } else {
            return false;  // literals
          }
        },
        e.kind.node);
  }

 private:
  // A chain of binary operators is a left spine of any length: walked in a loop.
  bool binary(const ast::ExprKind::Binary& top) {
    const ast::ExprKind::Binary* at = &top;
    while (true) {
      if (expr(*at->right)) return true;
      const auto* next = at->left->kind.as<ast::ExprKind::Binary>();
      if (next == nullptr) return expr(*at->left);
      at = next;
    }
  }
  bool any_of(const std::vector<ast::Expr>& items) {
    for (const auto& item : items) {
      if (expr(item)) return true;
    }
    return false;
  }
  bool params(const std::vector<ast::Parameter>& list) {
    for (const auto& p : list) {
      if (p.default_value && expr(*p.default_value)) return true;
    }
    return false;
  }
  bool body(const ast::FnBody& b) {
    if (const auto* e = b.as<ast::Expr>()) return expr(*e);
    return block(*b.as<ast::Block>());
  }
  bool arms(const std::vector<ast::MatchArm>& list) {
    for (const auto& arm : list) {
      if ((arm.pattern && expr(*arm.pattern)) || body(arm.body)) return true;
    }
    return false;
  }
  bool block(const ast::Block& b) {
    for (const auto& s : b.statements) {
      if (stmt(s)) return true;
    }
    return false;
  }
  bool if_stmt(const ast::IfStmt& s) {
    if (expr(s.condition) || block(s.then)) return true;
    if (!s.otherwise) return false;
    if (const auto* nested = s.otherwise->as<ast::Box<ast::IfStmt>>()) return if_stmt(**nested);
    return block(*s.otherwise->as<ast::Block>());
  }
  bool stmt(const ast::Stmt& s) {
    using S = ast::Stmt;
    return std::visit(
        [&](const auto& node) -> bool {
          using T = std::decay_t<decltype(node)>;
          if constexpr (std::is_same_v<T, ast::Block>) {
            return block(node);
          } else if constexpr (std::is_same_v<T, ast::VarDecl>) {
            return expr(node.init);
          } else if constexpr (std::is_same_v<T, ast::FnDecl>) {
            return params(node.params) || body(node.body);
          } else if constexpr (std::is_same_v<T, ast::Expr>) {
            return expr(node);
          } else if constexpr (std::is_same_v<T, S::Return>) {
            return node.value && expr(*node.value);
          } else if constexpr (std::is_same_v<T, ast::IfStmt>) {
            return if_stmt(node);
          } else if constexpr (std::is_same_v<T, S::While>) {
            return expr(node.condition) || block(node.body);
          } else if constexpr (std::is_same_v<T, S::For>) {
            return expr(node.iterable) || block(node.body);
          } else if constexpr (std::is_same_v<T, S::Match>) {
            return expr(node.subject) || arms(node.arms);
          } else if constexpr (std::is_same_v<T, S::Once> || std::is_same_v<T, S::AtNewBar>) {
            return block(node.body);
          } else if constexpr (std::is_same_v<T, S::Every>) {
            return expr(node.interval) || block(node.body);
          } else if constexpr (std::is_same_v<T, S::Guard>) {
            return expr(node.condition) || block(node.otherwise);
          } else if constexpr (std::is_same_v<T, S::Try>) {
            return block(node.body) || block(node.handler);
          } else {
            return false;  // struct, enum, break, continue
          }
        },
        s.node);
  }

  const std::vector<std::string>& names_;
};

}  // namespace

bool mentions_any(const ast::Expr& expr, const std::vector<std::string>& names) {
  if (names.empty()) return false;
  return Finder(names).expr(expr);
}

}  // namespace kelo_compile
