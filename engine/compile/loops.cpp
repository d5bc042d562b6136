// Loops: while, for-in, break and continue.
#include "compile/compiler.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

void Compiler::emit_jump_back(bc::Opcode op, std::size_t target, const Span& span) {
  const std::size_t at = fn().code.size();
  emit(Op::jump(op, FnState::distance(at, target)), span);
}

void Compiler::end_loop() {
  FnState& f = fn();
  if (f.loops.empty()) return;
  LoopContext loop = std::move(f.loops.back());
  f.loops.pop_back();
  for (std::size_t index : loop.breaks) f.patch_jump(index);
}

void Compiler::compile_while(const ast::Stmt::While& stmt) {
  const std::size_t start = fn().code.size();
  fn().loops.push_back(LoopContext{{}, start, fn().try_depth});
  compile_condition(stmt.condition);
  const std::size_t exit = emit(Op::jump(Opcode::JumpIfFalse, 0), stmt.span);
  compile_block(stmt.body);
  emit_jump_back(Opcode::Jump, start, stmt.span);
  fn().patch_jump(exit);
  end_loop();
}

void Compiler::compile_for(const ast::Stmt::For& stmt) {
  fn().begin_scope();
  const Type iterable = compile_expr(stmt.iterable);
  const bool two = stmt.names.size() >= 2;
  // The iterator learns how many values each item pushes: the value, or key then value.
  emit(Op::with_a(Opcode::IterInit, two ? 2 : 1), stmt.span);
  const std::size_t start = fn().code.size();
  fn().loops.push_back(LoopContext{{}, start, fn().try_depth});
  const std::size_t exit = emit(Op::jump(Opcode::IterNext, 0), stmt.span);
  Type element = P::Any;
  switch (iterable.tag()) {
    case ty::Tag::Series: element = *iterable.series_element(); break;
    case ty::Tag::Array: element = *iterable.array_element(); break;
    case ty::Tag::Map: element = *iterable.map_value(); break;
    default: break;
  }
  // A range yields whole numbers.
  if (stmt.names.size() == 1 && stmt.iterable.kind.is<ast::ExprKind::Range>()) element = P::Int;
  auto bind = [&](const std::string& name, Type type) {
    const std::uint16_t slot = declare_local(name, std::move(type), true);
    emit(Op::with_b(Opcode::SetLocal, slot), stmt.span);
    emit(Op::plain(Opcode::Pop), stmt.span);
  };
  if (two) {
    bind(stmt.names[1], element);
    bind(stmt.names[0], P::Any);
  } else if (!stmt.names.empty()) {
    bind(stmt.names[0], element);
  } else {
    emit(Op::plain(Opcode::Pop), stmt.span);  // an item nobody takes
  }
  for (const auto& s : stmt.body.statements) compile_stmt(s);
  emit_jump_back(Opcode::Jump, start, stmt.span);
  fn().patch_jump(exit);
  end_loop();
  emit(Op::plain(Opcode::Pop), stmt.span);
  fn().end_scope();
}

// Leaving a loop from inside try bodies drops their handlers first.
void Compiler::close_tries_to(const LoopContext& loop, const Span& span) {
  for (int depth = fn().try_depth; depth > loop.try_depth; --depth) {
    emit(Op::plain(Opcode::TryEnd), span);
  }
}

void Compiler::compile_break(const Span& span) {
  if (fn().loops.empty()) {
    emit(Op::jump(Opcode::Jump, 0), span);
    error(codes::kBreakOutsideLoop, span);
    return;
  }
  close_tries_to(fn().loops.back(), span);
  const std::size_t jump = emit(Op::jump(Opcode::Jump, 0), span);
  fn().loops.back().breaks.push_back(jump);
}

void Compiler::compile_continue(const Span& span) {
  if (fn().loops.empty()) {
    error(codes::kContinueOutsideLoop, span);
    return;
  }
  close_tries_to(fn().loops.back(), span);
  emit_jump_back(Opcode::Jump, fn().loops.back().start, span);
}

}  // namespace kelo_compile::compiler
