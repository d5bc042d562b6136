// Match statements, once, every, atNewBar and try/catch.
#include "compile/compiler.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

void Compiler::compile_arm_body(const ast::MatchArm& arm) {
  if (const auto* block = arm.body.as<ast::Block>()) {
    compile_block(*block);
    return;
  }
  const ast::Expr& e = *arm.body.as<ast::Expr>();
  compile_expr(e);
  emit(Op::plain(Opcode::Pop), e.span);
}

void Compiler::compile_match_stmt(const ast::Stmt::Match& stmt) {
  compile_expr(stmt.subject);
  std::vector<std::size_t> to_end;
  bool has_default = false;
  for (const auto& arm : stmt.arms) {
    if (arm.pattern) {
      emit(Op::plain(Opcode::Dup), arm.span);
      compile_expr(*arm.pattern);
      emit(Op::plain(Opcode::Equal), arm.span);
      const std::size_t next = emit(Op::jump(Opcode::JumpIfFalse, 0), arm.span);
      emit(Op::plain(Opcode::Pop), arm.span);
      compile_arm_body(arm);
      to_end.push_back(emit(Op::jump(Opcode::Jump, 0), arm.span));
      fn().patch_jump(next);
    } else {
      has_default = true;
      emit(Op::plain(Opcode::Pop), arm.span);
      compile_arm_body(arm);
      to_end.push_back(emit(Op::jump(Opcode::Jump, 0), arm.span));
    }
  }
  if (!has_default) emit(Op::plain(Opcode::Pop), stmt.span);
  for (std::size_t j : to_end) fn().patch_jump(j);
}

std::uint16_t Compiler::hidden_global(const std::string& name, Type type) {
  if (auto existing = global_index(name)) return *existing;
  return declare_global(name, std::move(type), true);
}

void Compiler::compile_once(const ast::Stmt::Once& stmt) {
  const std::uint16_t g = hidden_global("__once_" + std::to_string(stmt.id), P::Bool);
  const Span& s = stmt.span;
  emit(Op::with_b(Opcode::GetGlobal, g), s);
  const std::size_t done = emit(Op::jump(Opcode::JumpIfTrue, 0), s);
  emit(Op::plain(Opcode::True), s);
  emit(Op::with_b(Opcode::SetGlobal, g), s);
  emit(Op::plain(Opcode::Pop), s);
  compile_block(stmt.body);
  fn().patch_jump(done);
}

void Compiler::compile_every(const ast::Stmt::Every& stmt) {
  const std::uint16_t g = hidden_global("__every_" + std::to_string(stmt.id), P::Time);
  const Span& s = stmt.span;
  const Op clock = Op::call_host(host_id("clock.now"), 0);
  emit(Op::with_b(Opcode::GetGlobal, g), s);
  emit(Op::plain(Opcode::Nothing), s);
  emit(Op::plain(Opcode::Equal), s);
  const std::size_t run = emit(Op::jump(Opcode::JumpIfTrue, 0), s);
  emit(clock, s);
  emit(Op::with_b(Opcode::GetGlobal, g), s);
  emit(Op::plain(Opcode::Sub), s);
  compile_expr(stmt.interval);
  emit(Op::plain(Opcode::GreaterEqual), s);
  const std::size_t skip = emit(Op::jump(Opcode::JumpIfFalse, 0), s);
  fn().patch_jump(run);
  emit(clock, s);
  emit(Op::with_b(Opcode::SetGlobal, g), s);
  emit(Op::plain(Opcode::Pop), s);
  compile_block(stmt.body);
  fn().patch_jump(skip);
}

void Compiler::compile_at_new_bar(const ast::Stmt::AtNewBar& stmt) {
  emit(Op::call_host(host_id("bars.isNew"), 0), stmt.span);
  const std::size_t skip = emit(Op::jump(Opcode::JumpIfFalse, 0), stmt.span);
  compile_block(stmt.body);
  fn().patch_jump(skip);
}

void Compiler::compile_try(const ast::Stmt::Try& stmt) {
  const Span& s = stmt.span;
  const std::size_t handler = emit(Op::jump(Opcode::TryBegin, 0), s);
  ++fn().try_depth;
  compile_block(stmt.body);
  --fn().try_depth;
  emit(Op::plain(Opcode::TryEnd), s);
  const std::size_t to_end = emit(Op::jump(Opcode::Jump, 0), s);
  fn().patch_jump(handler);
  fn().begin_scope();
  const Type error_type = ty::structure(
      "Error", {{"message", P::Text}, {"code", P::Int}, {"line", P::Int}});
  const std::uint16_t slot =
      declare_local(stmt.error_name.value_or("error"), error_type, false);
  emit(Op::with_b(Opcode::SetLocal, slot), s);
  emit(Op::plain(Opcode::Pop), s);
  for (const auto& h : stmt.handler.statements) compile_stmt(h);
  fn().end_scope();
  fn().patch_jump(to_end);
}

}  // namespace kelo_compile::compiler
