// Test helpers: parse a source and print trees in a compact prefix notation, so a
// test row can state the expected grouping in one short line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/ast.h"
#include "core/diag.h"
#include "core/parser.h"

namespace kelo_core::parser::testing {

struct Parsed {
  ast::Program program;
  diag::Diagnostics diagnostics;
};

inline Parsed parse_text(std::string_view source) {
  Parsed out;
  out.diagnostics.file = "main.kelo";
  out.program = parse(source, out.diagnostics);
  return out;
}

// `s` written `n` times: long chains and deep nesting for the robustness tests.
inline std::string repeat(const std::string& s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// "KELO2001 1:5 Expected ..." per diagnostic, joined by " | ".
inline std::string messages(const diag::Diagnostics& d) {
  std::string out;
  for (const auto& item : d.items) {
    if (!out.empty()) out += " | ";
    out += std::string(item.code) + " " + std::to_string(item.span.start.line) + ":" +
           std::to_string(item.span.start.column) + " " + item.message;
  }
  return out;
}

std::string compact(const ast::Expr& e);
std::string compact(const ast::Stmt& s);

inline std::string compact(const ast::Block& b) {
  std::string out = "{";
  for (std::size_t i = 0; i < b.statements.size(); ++i) {
    out += i ? "; " : "";
    out += compact(b.statements[i]);
  }
  return out + "}";
}

inline std::string compact(const ast::FnBody& body) {
  if (const auto* e = body.as<ast::Expr>()) return compact(*e);
  return compact(*body.as<ast::Block>());
}

inline std::string compact_arms(const std::vector<ast::MatchArm>& arms) {
  std::string out;
  for (const auto& arm : arms) {
    out += " (" + (arm.pattern ? compact(*arm.pattern) : std::string("_")) + " => " +
           compact(arm.body) + ")";
  }
  return out;
}

inline std::string compact(const ast::Expr& e) {
  using K = ast::ExprKind;
  static const char* kBinary[] = {
      "+", "-", "*", "/", "%", "**", "==", "!=", "<", "<=", ">", ">=", "&&", "||", "??"};
  static const char* kAssign[] = {"=", "+=", "-=", "*=", "/=", "%="};
  const K& k = e.kind;
  if (auto* v = k.as<K::Int>()) return std::to_string(v->value);
  if (k.is<K::Num>()) return "num:" + ast::debug(k).substr(4, ast::debug(k).size() - 5);
  if (auto* v = k.as<K::Text>()) return "\"" + v->value + "\"";
  if (auto* v = k.as<K::Bool>()) return v->value ? "true" : "false";
  if (k.is<K::None>()) return "none";
  if (k.is<K::Now>()) return "now";
  if (auto* v = k.as<K::Time>()) return "time:" + std::to_string(v->value);
  if (auto* v = k.as<K::Duration>()) {
    return "dur:" + std::to_string(static_cast<long long>(v->value));
  }
  if (auto* v = k.as<K::Color>()) return "color:" + std::to_string(v->value);
  if (auto* v = k.as<K::Identifier>()) return v->name;
  if (auto* v = k.as<K::EnumCase>()) return "." + v->name;
  if (auto* v = k.as<K::Array>()) {
    std::string out = "[";
    for (std::size_t i = 0; i < v->items.size(); ++i) out += (i ? " " : "") + compact(v->items[i]);
    return out + "]";
  }
  if (auto* v = k.as<K::Map>()) {
    std::string out = "(map";
    for (const auto& m : v->entries) out += " " + compact(m.key) + ":" + compact(m.value);
    return out + ")";
  }
  if (auto* v = k.as<K::Object>()) {
    std::string out = "(object";
    for (const auto& p : v->properties) out += " " + p.name + ":" + compact(p.value);
    return out + ")";
  }
  if (auto* v = k.as<K::Unary>()) {
    return std::string("(") + (v->op == ast::UnaryOp::Neg ? "-" : "!") + " " +
           compact(*v->operand) + ")";
  }
  if (auto* v = k.as<K::Binary>()) {
    return std::string("(") + kBinary[static_cast<int>(v->op)] + " " + compact(*v->left) + " " +
           compact(*v->right) + ")";
  }
  if (auto* v = k.as<K::Assign>()) {
    return std::string("(") + kAssign[static_cast<int>(v->op)] + " " + compact(*v->target) + " " +
           compact(*v->value) + ")";
  }
  if (auto* v = k.as<K::Ternary>()) {
    return "(? " + compact(*v->condition) + " " + compact(*v->then) + " " + compact(*v->otherwise) +
           ")";
  }
  if (auto* v = k.as<K::Range>()) {
    return std::string(v->inclusive ? "(..= " : "(.. ") + compact(*v->from) + " " +
           compact(*v->to) + ")";
  }
  if (auto* v = k.as<K::Call>()) {
    std::string out = "(call " + compact(*v->callee);
    for (const auto& a : v->args) out += " " + (a.name ? *a.name + ":" : "") + compact(a.value);
    return out + ")";
  }
  if (auto* v = k.as<K::Member>()) return "(. " + compact(*v->object) + " " + v->property + ")";
  if (auto* v = k.as<K::Index>()) {
    return "([] " + compact(*v->object) + " " + compact(*v->index) + ")";
  }
  if (auto* v = k.as<K::Lambda>()) {
    std::string out = "(fn (";
    for (std::size_t i = 0; i < v->params.size(); ++i) out += (i ? " " : "") + v->params[i].name;
    return out + ") " + compact(*v->body) + ")";
  }
  if (auto* v = k.as<K::If>()) {
    return "(if " + compact(*v->condition) + " " + compact(*v->then) + " " +
           compact(*v->otherwise) + ")";
  }
  if (auto* v = k.as<K::Match>()) {
    return "(match " + compact(*v->subject) + compact_arms(v->arms) + ")";
  }
  if (auto* v = k.as<K::Pipe>()) return "(|> " + compact(*v->left) + " " + compact(*v->right) + ")";
  if (auto* v = k.as<K::BlockValue>()) return "(block " + compact(*v->block) + ")";
  return "?";
}

inline std::string compact(const ast::IfStmt& s) {
  std::string out = "if " + compact(s.condition) + " " + compact(s.then);
  if (s.otherwise) {
    if (const auto* nested = s.otherwise->as<ast::Box<ast::IfStmt>>()) {
      out += " else " + compact(**nested);
    } else {
      out += " else " + compact(*s.otherwise->as<ast::Block>());
    }
  }
  return out;
}

inline std::string compact(const ast::Stmt& s) {
  using S = ast::Stmt;
  if (auto* v = s.as<ast::Block>()) return compact(*v);
  if (auto* v = s.as<ast::VarDecl>()) {
    static const char* kWords[] = {"let", "var", "const"};
    return std::string(kWords[static_cast<int>(v->mutability)]) + " " + v->name + " = " +
           compact(v->init);
  }
  if (auto* v = s.as<ast::FnDecl>()) return "fn " + v->name + " " + compact(v->body);
  if (auto* v = s.as<ast::StructDecl>()) return "struct " + v->name;
  if (auto* v = s.as<ast::EnumDecl>()) return "enum " + v->name;
  if (auto* v = s.as<ast::Expr>()) return compact(*v);
  if (auto* v = s.as<S::Return>()) return v->value ? "return " + compact(*v->value) : "return";
  if (auto* v = s.as<ast::IfStmt>()) return compact(*v);
  if (auto* v = s.as<S::While>()) return "while " + compact(v->condition) + " " + compact(v->body);
  if (auto* v = s.as<S::For>()) {
    std::string names;
    for (std::size_t i = 0; i < v->names.size(); ++i) names += (i ? "," : "") + v->names[i];
    return "for " + names + " in " + compact(v->iterable) + " " + compact(v->body);
  }
  if (auto* v = s.as<S::Match>()) return "match " + compact(v->subject) + compact_arms(v->arms);
  if (s.is<S::Break>()) return "break";
  if (s.is<S::Continue>()) return "continue";
  if (auto* v = s.as<S::Once>()) return "once#" + std::to_string(v->id) + " " + compact(v->body);
  if (auto* v = s.as<S::Every>()) {
    return "every#" + std::to_string(v->id) + "(" + compact(v->interval) + ") " + compact(v->body);
  }
  if (auto* v = s.as<S::AtNewBar>()) return "atNewBar " + compact(v->body);
  if (auto* v = s.as<S::Guard>()) {
    return "guard " + compact(v->condition) + " else " + compact(v->otherwise);
  }
  if (auto* v = s.as<S::Try>()) {
    return "try " + compact(v->body) + " catch " + v->error_name.value_or("") + " " +
           compact(v->handler);
  }
  return "?";
}

// Body statements of the first function of a parse, compact, joined by "; ".
inline std::string compact_body(const ast::Program& p) {
  for (const auto& d : p.declarations) {
    if (const auto* fn = d.as<ast::FnDecl>()) return compact(fn->body);
  }
  return "<no fn>";
}

}  // namespace kelo_core::parser::testing
