// Statements and blocks: dispatch, declarations, if, guard, return, conditions.
#include "compile/compiler.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

void Compiler::compile_stmt(const ast::Stmt& stmt) {
  using S = ast::Stmt;
  const auto& node = stmt.node;
  if (const auto* v = std::get_if<ast::Block>(&node)) return compile_block(*v);
  if (const auto* v = std::get_if<ast::VarDecl>(&node)) return compile_var(*v);
  if (const auto* v = std::get_if<ast::FnDecl>(&node)) return compile_fn_stmt(*v);
  if (const auto* v = std::get_if<ast::StructDecl>(&node)) {
    FieldList fields;
    for (const auto& f : v->fields) fields.emplace_back(f.name, resolve_type(f.type_ref));
    structs_.insert_or_assign(v->name, std::move(fields));
    return;
  }
  if (const auto* v = std::get_if<ast::EnumDecl>(&node)) {
    std::vector<std::string> cases;
    for (const auto& c : v->cases) cases.push_back(c.name);
    enums_.insert_or_assign(v->name, std::move(cases));
    return;
  }
  if (const auto* v = std::get_if<ast::Expr>(&node)) {
    compile_expr(*v);
    emit(Op::plain(Opcode::Pop), v->span);
    return;
  }
  if (const auto* v = std::get_if<S::Return>(&node)) {
    if (v->value) {
      if (fn().result) {
        compile_number_value(*v->value, *fn().result);
      } else {
        compile_expr(*v->value);
      }
      emit(Op::plain(Opcode::Return), v->span);
    } else {
      emit(Op::plain(Opcode::ReturnNothing), v->span);
    }
    return;
  }
  if (const auto* v = std::get_if<ast::IfStmt>(&node)) return compile_if(*v);
  if (const auto* v = std::get_if<S::While>(&node)) return compile_while(*v);
  if (const auto* v = std::get_if<S::For>(&node)) return compile_for(*v);
  if (const auto* v = std::get_if<S::Match>(&node)) return compile_match_stmt(*v);
  if (const auto* v = std::get_if<S::Break>(&node)) return compile_break(v->span);
  if (const auto* v = std::get_if<S::Continue>(&node)) return compile_continue(v->span);
  if (const auto* v = std::get_if<S::Once>(&node)) return compile_once(*v);
  if (const auto* v = std::get_if<S::Every>(&node)) return compile_every(*v);
  if (const auto* v = std::get_if<S::AtNewBar>(&node)) return compile_at_new_bar(*v);
  if (const auto* v = std::get_if<S::Guard>(&node)) {
    compile_condition(v->condition);
    const std::size_t skip = emit(Op::jump(Opcode::JumpIfTrue, 0), v->span);
    compile_block(v->otherwise);
    emit(Op::plain(Opcode::ReturnNothing), v->span);
    fn().patch_jump(skip);
    return;
  }
  if (const auto* v = std::get_if<S::Try>(&node)) return compile_try(*v);
  throw InternalError("a statement kind without a rule");
}

void Compiler::compile_block(const ast::Block& block) {
  fn().begin_scope();
  for (const auto& stmt : block.statements) compile_stmt(stmt);
  fn().end_scope();
}

void Compiler::compile_var(const ast::VarDecl& decl) {
  std::optional<Type> written;
  if (decl.type_ref) written = resolve_type(*decl.type_ref);
  const Type init = written ? compile_number_value(decl.init, *written) : compile_expr(decl.init);
  Type type = init;
  if (written) {
    expect_assignable(init, *written, decl.init.span, [&] { return "'" + decl.name + "'"; });
    type = *written;
  }
  if (fn().scopes.declared_here(decl.name)) {
    error(codes::kDeclaredInBlock, decl.span, decl.name);
  }
  const std::uint16_t slot =
      declare_local(decl.name, type, decl.mutability == ast::Mutability::Var, written.has_value());
  emit(Op::with_b(Opcode::SetLocal, slot), decl.span);
  emit(Op::plain(Opcode::Pop), decl.span);
}

void Compiler::compile_fn_stmt(const ast::FnDecl& decl) {
  std::optional<Type> result;
  if (decl.return_type) result = resolve_type(*decl.return_type);
  const std::uint16_t index = compile_function(decl.name, decl.params, decl.body, result, decl.span);
  emit(Op::with_b(Opcode::Closure, index), decl.span);
  std::vector<ty::Parameter> params;
  for (const auto& p : decl.params) params.push_back(ty::p(p.name, P::Any));
  const Type type = ty::function(std::move(params), result.value_or(Type(P::Any)));
  const std::uint16_t slot = declare_local(decl.name, type, false);
  emit(Op::with_b(Opcode::SetLocal, slot), decl.span);
  emit(Op::plain(Opcode::Pop), decl.span);
}

void Compiler::compile_if(const ast::IfStmt& stmt) {
  compile_condition(stmt.condition);
  const std::size_t to_else = emit(Op::jump(Opcode::JumpIfFalse, 0), stmt.span);
  compile_block(stmt.then);
  if (!stmt.otherwise) {
    fn().patch_jump(to_else);
    return;
  }
  const std::size_t to_end = emit(Op::jump(Opcode::Jump, 0), stmt.span);
  fn().patch_jump(to_else);
  if (const auto* nested = stmt.otherwise->as<ast::Box<ast::IfStmt>>()) {
    compile_if(**nested);
  } else {
    compile_block(*stmt.otherwise->as<ast::Block>());
  }
  fn().patch_jump(to_end);
}

void Compiler::compile_condition(const ast::Expr& expr) {
  condition_ = true;
  const Type u = compile_expr(expr).unwrap_series();
  if (u.is(P::Any) || u.is(P::Bool) || u.is(P::Int) || u.is(P::Num) || u.is(P::Duration) ||
      u.is(P::Price) || u.is(P::Lots)) {
    return;
  }
  error(codes::kNotCondition, expr.span, u.to_string());
}

}  // namespace kelo_compile::compiler
