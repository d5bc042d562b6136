// Expressions: each leaves exactly one value on the stack and returns its static type.
#include <limits>
#include <utility>
#include <vector>

#include "compile/compiler.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using scope::SymbolKind;
using P = ty::Primitive;

namespace {

std::uint16_t u16_count(std::size_t n, std::string_view what) {
  if (n > std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError(std::string(what) + " has more than 65535 entries");
  }
  return static_cast<std::uint16_t>(n);
}

std::uint8_t choice_code(bc::Choice choice) {
  return static_cast<std::uint8_t>(choice);
}

// A branch that a series choice can take bar by bar: a number, a truth value or a series.
bool is_number_or_bool(const Type& t) {
  const Type u = t.unwrap_series();
  return u.is(P::Int) || u.is(P::Num) || u.is(P::Price) || u.is(P::Lots) || u.is(P::Duration) ||
         u.is(P::Time) || u.is(P::Bool);
}

// `any?` passes as `any` does: a map's value read by key (`counts["up"] += 1`) is one.
bool is_numeric_operand(const Type& t) {
  const Type u = t.unwrap_series();
  if (const Type* inner = u.optional_inner(); inner && inner->is(P::Any)) return true;
  return u.is(P::Any) || u.is(P::Int) || u.is(P::Num) || u.is(P::Duration) || u.is(P::Price) ||
         u.is(P::Lots) || u.is(P::Time);
}

Opcode binary_opcode(ast::BinaryOp op) {
  switch (op) {
    case ast::BinaryOp::Add: return Opcode::Add;
    case ast::BinaryOp::Sub: return Opcode::Sub;
    case ast::BinaryOp::Mul: return Opcode::Mul;
    case ast::BinaryOp::Div: return Opcode::Div;
    case ast::BinaryOp::Rem: return Opcode::Rem;
    case ast::BinaryOp::Pow: return Opcode::Pow;
    case ast::BinaryOp::Eq: return Opcode::Equal;
    case ast::BinaryOp::Ne: return Opcode::NotEqual;
    case ast::BinaryOp::Lt: return Opcode::Less;
    case ast::BinaryOp::Le: return Opcode::LessEqual;
    case ast::BinaryOp::Gt: return Opcode::Greater;
    case ast::BinaryOp::Ge: return Opcode::GreaterEqual;
    case ast::BinaryOp::And:
    case ast::BinaryOp::Or:
    case ast::BinaryOp::Coalesce: break;
  }
  return Opcode::Coalesce;
}

std::string join(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) {
    if (!out.empty()) out += ", ";
    out += n;
  }
  return out;
}

}  // namespace

// The owner of "owner#member" paths for a value of this type: series, array, map or a
// primitive's name; an optional is looked through, since its value is the inner one.
std::optional<std::string> owner_name(const Type& type) {
  const Type t = type.unwrap_optional();
  switch (t.tag()) {
    case ty::Tag::Series: return "series";
    case ty::Tag::Array: return "array";
    case ty::Tag::Map: return "map";
    case ty::Tag::Primitive: return std::string(t.primitive()->name());
    default: return std::nullopt;
  }
}

std::string joined_field_names(const ty::Fields& fields) {
  std::vector<std::string> names;
  for (const auto& [name, type] : fields.fields) names.push_back(name);
  return join(names);
}

Type Compiler::compile_expr(const ast::Expr& expr) {
  const bool as_condition = std::exchange(condition_, false);
  const bool all_bars = std::exchange(all_bars_, false);
  const Span& span = expr.span;
  using K = ast::ExprKind;
  const auto& node = expr.kind.node;
  auto push_const = [&](bc::Constant c) {
    emit(Op::with_c(Opcode::Const, constant(std::move(c))), span);
  };

  if (auto* v = std::get_if<K::Int>(&node)) {
    push_const(bc::Constant::integer(v->value));
    return P::Int;
  }
  if (auto* v = std::get_if<K::Num>(&node)) {
    push_const(bc::Constant::number(v->value));
    return P::Num;
  }
  if (auto* v = std::get_if<K::Text>(&node)) {
    push_text(v->value, span);
    return P::Text;
  }
  if (auto* v = std::get_if<K::EnumCase>(&node)) {
    push_text(v->name, span);
    return P::Text;
  }
  if (auto* v = std::get_if<K::Bool>(&node)) {
    emit(Op::plain(v->value ? Opcode::True : Opcode::False), span);
    return P::Bool;
  }
  if (std::holds_alternative<K::None>(node)) {
    emit(Op::plain(Opcode::Nothing), span);
    return ty::optional(P::Any);
  }
  if (std::holds_alternative<K::Now>(node)) {
    emit(Op::call_host(host_id("clock.now"), 0), span);
    return P::Time;
  }
  if (auto* v = std::get_if<K::Time>(&node)) {
    push_const(bc::Constant::time(v->value));
    return P::Time;
  }
  if (auto* v = std::get_if<K::Duration>(&node)) {
    push_const(bc::Constant::duration(v->value));
    return P::Duration;
  }
  if (auto* v = std::get_if<K::Color>(&node)) {
    push_const(bc::Constant::colour(v->value));
    return P::Color;
  }
  if (auto* v = std::get_if<K::Identifier>(&node)) return compile_identifier(v->name, span);
  if (auto* v = std::get_if<K::Array>(&node)) {
    std::optional<Type> element;
    for (const auto& item : v->items) {
      Type t = compile_expr(item);
      element = element ? ty::common(*element, t) : t;
    }
    emit(Op::with_b(Opcode::MakeArray, u16_count(v->items.size(), "an array literal")), span);
    return ty::array(element.value_or(Type(P::Any)));
  }
  if (auto* v = std::get_if<K::Map>(&node)) {
    for (const auto& entry : v->entries) {
      compile_expr(entry.key);
      compile_expr(entry.value);
    }
    emit(Op::with_b(Opcode::MakeMap, u16_count(v->entries.size(), "a map literal")), span);
    return ty::map(P::Text, P::Any);
  }
  if (auto* v = std::get_if<K::Object>(&node)) {
    for (const auto& prop : v->properties) {
      push_text(prop.name, prop.span);
      compile_expr(prop.value);
    }
    emit(Op::with_b(Opcode::MakeObject, u16_count(v->properties.size(), "an object literal")),
         span);
    return ty::map(P::Text, P::Any);
  }
  if (auto* v = std::get_if<K::Unary>(&node)) {
    return compile_unary(*v, span, as_condition, all_bars);
  }
  if (std::holds_alternative<K::Binary>(node)) {
    return compile_binary_chain(expr, as_condition, all_bars);
  }
  if (auto* v = std::get_if<K::Assign>(&node)) {
    return compile_assign(v->op, *v->target, *v->value, span);
  }
  // `c ? a : b` and the if-expression compile alike: one value from either branch. With a
  // series condition and number or series branches the value is a series choosing bar by
  // bar; the jumps emitted for the plain form then become the steps that build it. Plain
  // branches build it too in a global's value (all_bars), which is computed once for every
  // bar; elsewhere a choice between plain values reads the condition at the current bar.
  auto choice = [&](const auto& v) {
    all_bars_ = all_bars;
    const Type condition = compile_expr(*v.condition);
    const std::size_t to_else = emit(Op::jump(Opcode::JumpIfFalse, 0), span);
    all_bars_ = all_bars;
    const Type then_type = compile_expr(*v.then);
    const std::size_t to_end = emit(Op::jump(Opcode::Jump, 0), span);
    const std::size_t else_start = fn().code.size();
    all_bars_ = all_bars;
    const Type else_type = compile_expr(*v.otherwise);
    const Type result = ty::common(then_type, else_type);
    if (condition.tag() == ty::Tag::Series && (result.tag() == ty::Tag::Series || all_bars) &&
        is_number_or_bool(then_type) && is_number_or_bool(else_type)) {
      // c: SetLocal t; a: Where; b: GetLocal t, Not, WhereAfter, Fill.
      const std::uint16_t kept = fn().spare_slot();
      fn().code[to_else] = Op::with_b(Opcode::SetLocal, kept);
      fn().code[to_end] = Op::with_a(Opcode::Coalesce, choice_code(bc::Choice::Where));
      emit(Op::with_b(Opcode::GetLocal, kept), span);
      emit(Op::plain(Opcode::Not), span);
      emit(Op::with_a(Opcode::Coalesce, choice_code(bc::Choice::WhereAfter)), span);
      emit(Op::with_a(Opcode::Coalesce, choice_code(bc::Choice::Fill)), span);
      return result.tag() == ty::Tag::Series ? result : ty::series(result);
    }
    fn().code[to_else].set_offset(FnState::distance(to_else, else_start));
    fn().patch_jump(to_end);
    return result;
  };
  if (auto* v = std::get_if<K::Ternary>(&node)) return choice(*v);
  if (auto* v = std::get_if<K::If>(&node)) return choice(*v);
  if (auto* v = std::get_if<K::Range>(&node)) {
    compile_expr(*v->from);
    compile_expr(*v->to);
    emit(Op::with_a(Opcode::MakeRange, v->inclusive ? 1 : 0), span);
    return P::Any;
  }
  if (auto* v = std::get_if<K::Call>(&node)) {
    std::vector<Arg> args;
    args.reserve(v->args.size());
    for (const auto& a : v->args) {
      args.push_back(Arg{a.name ? &*a.name : nullptr, &a.value, a.span});
    }
    return compile_call(*v->callee, args, span);
  }
  if (auto* v = std::get_if<K::Member>(&node)) return compile_member(*v, span);
  if (auto* v = std::get_if<K::Index>(&node)) return compile_index(*v, span);
  if (auto* v = std::get_if<K::Lambda>(&node)) return compile_lambda(*v, span);
  if (auto* v = std::get_if<K::Match>(&node)) return compile_match_value(*v, span);
  if (auto* v = std::get_if<K::Pipe>(&node)) return compile_pipe(*v, span);
  if (auto* v = std::get_if<K::BlockValue>(&node)) {
    compile_block_value(*v->block);
    return P::Any;
  }
  throw InternalError("an expression kind without a rule");
}

Type Compiler::compile_identifier(const std::string& name, const Span& span) {
  if (const auto* symbol = fn().scopes.lookup(name)) {
    const Type type = symbol->type;
    emit(Op::with_b(symbol->kind == SymbolKind::Local ? Opcode::GetLocal : Opcode::GetGlobal,
                    symbol->index),
         span);
    return type;
  }
  if (auto up = resolve_upvalue(name)) {
    emit(Op::with_b(Opcode::GetUpvalue, *up), span);
    const auto* symbol = frames_[frames_.size() - 2].scopes.lookup(name);
    return symbol ? symbol->type : Type(P::Any);
  }
  if (auto global = global_index(name)) {
    emit(Op::with_b(Opcode::GetGlobal, *global), span);
    if (hinted_fn_ && global_hints_.count(name) != 0) hinted_read_ = true;
    const Type* type = global_type(name);
    return type ? *type : Type(P::Any);
  }
  if (enums_.count(name) != 0) {
    push_text(name, span);
    return P::Text;
  }
  if (const auto* entry = registry_global(name)) {
    switch (entry->type.tag()) {
      case ty::Tag::Function:
        emit(Op::with_c(Opcode::Const,
                        constant(bc::Constant::host_function(host_id(name)))),
             span);
        return entry->type;
      case ty::Tag::Object:
        error(codes::kGroupOfCalls, span, name, name);
        emit(Op::plain(Opcode::Nothing), span);
        return P::Any;
      default:
        emit(Op::call_host(host_id(name), 0), span);
        return entry->type;
    }
  }
  // Names that mean nothing nearer: a local of a function further out than the enclosing
  // one, then a function of the program as a value.
  if (auto outer = capture_from_outer(name)) {
    emit(Op::with_b(Opcode::GetUpvalue, outer->index), span);
    return outer->type;
  }
  if (const FunctionInfo* info = function_info(name)) {
    emit(Op::with_b(Opcode::Closure, info->index), span);
    std::vector<ty::Parameter> params;
    for (const auto& p : *info->params) params.push_back(ty::p(p.name, P::Any));
    return ty::function(std::move(params), info->result);
  }
  error(codes::kNotDefined, span, name);
  emit(Op::plain(Opcode::Nothing), span);
  return P::Any;
}

Type Compiler::compile_unary(const ast::ExprKind::Unary& unary, const Span& span, bool as_condition,
                             bool all_bars) {
  condition_ = as_condition && unary.op == ast::UnaryOp::Not;
  all_bars_ = all_bars;
  const Type t = compile_expr(*unary.operand);
  if (unary.op == ast::UnaryOp::Not) {
    emit(Op::plain(Opcode::Not), span);
    return ty::lift(t, t, P::Bool);
  }
  emit(Op::plain(Opcode::Negate), span);
  return ty::lift(t, t, t.unwrap_series().is(P::Int) ? P::Int : P::Num);
}

void Compiler::check_numeric_pair(const Type& left, const Type& right, const Span& left_span,
                                  const Span& right_span) {
  if (!is_numeric_operand(left)) {
    error(codes::kNotNumeric, left_span, left.unwrap_series().to_string());
  }
  if (!is_numeric_operand(right)) {
    error(codes::kNotNumeric, right_span, right.unwrap_series().to_string());
  }
}

// Inlined into its three callers below: it runs for every binary operation.
[[gnu::always_inline]] inline Type Compiler::finish_binary(ast::BinaryOp op, const Type& l,
                                                           const ast::Expr& left,
                                                           const ast::Expr& right, const Span& span,
                                                           bool as_condition, bool all_bars) {
  using B = ast::BinaryOp;
  if (op == B::And || op == B::Or) {
    // A condition reads a series at the current bar, short-cutting as ever; a value with a
    // series operand is the element-wise series (no short cut: both sides run).
    const auto form = choice_code(op == B::And ? bc::Choice::And : bc::Choice::Or);
    if (!as_condition && l.tag() == ty::Tag::Series) {
      all_bars_ = all_bars;
      const Type r = compile_expr(right);
      emit(Op::with_a(Opcode::Coalesce, form), span);
      return ty::lift(l, r, P::Bool);
    }
    const std::size_t skip =
        emit(Op::jump(op == B::And ? Opcode::JumpIfFalsePeek : Opcode::JumpIfTruePeek, 0), span);
    const std::size_t pop = emit(Op::plain(Opcode::Pop), span);
    condition_ = as_condition;
    all_bars_ = all_bars;
    const Type r = compile_expr(right);
    if (!as_condition && r.tag() == ty::Tag::Series) {
      // Only the right side is a series: the short cut becomes two steps that do nothing.
      fn().code[skip] = Op::jump(Opcode::Jump, 0);
      fn().code[pop] = Op::jump(Opcode::Jump, 0);
      emit(Op::with_a(Opcode::Coalesce, form), span);
      return ty::lift(l, r, P::Bool);
    }
    fn().patch_jump(skip);
    return ty::lift(l, r, P::Bool);
  }
  // Text joined to a text keeps its parts as they were.
  all_bars_ = all_bars && !(op == B::Add && l.unwrap_series().is(P::Text));
  const Type r = compile_expr(right);
  switch (op) {
    case B::Coalesce:
      emit(Op::plain(Opcode::Coalesce), span);
      return ty::common(l.unwrap_optional(), r);
    case B::Add: {
      emit(Op::plain(Opcode::Add), span);
      if (l.unwrap_series().is(P::Text) || r.unwrap_series().is(P::Text)) {
        return ty::lift(l, r, P::Text);
      }
      check_numeric_pair(l, r, left.span, right.span);
      return numeric_result(l, r);
    }
    case B::Sub:
    case B::Mul:
    case B::Div:
    case B::Rem:
    case B::Pow:
      emit(Op::plain(binary_opcode(op)), span);
      check_numeric_pair(l, r, left.span, right.span);
      return numeric_result(l, r);
    default:
      emit(Op::plain(binary_opcode(op)), span);
      return ty::lift(l, r, P::Bool);
  }
}

Type Compiler::compile_binary(ast::BinaryOp op, const ast::Expr& left, const ast::Expr& right,
                              const Span& span) {
  const Type l = compile_expr(left);
  return finish_binary(op, l, left, right, span, false, false);
}

// `a + b + c` is the left spine ((a + b) + c), as long as the chain is written: it is
// walked down in a loop and compiled from its foot up, never one call deeper per operand.
// A condition (the operand of && and || in one) passes on down the spine as it would
// through the calls; so does a global's value (all_bars).
Type Compiler::compile_binary_chain(const ast::Expr& top, bool as_condition, bool all_bars) {
  using B = ast::BinaryOp;
  auto passes_condition = [](const ast::ExprKind::Binary& b, bool condition) {
    return condition && (b.op == B::And || b.op == B::Or);
  };
  const auto& first = *top.kind.as<ast::ExprKind::Binary>();
  if (!first.left->kind.is<ast::ExprKind::Binary>()) {
    condition_ = passes_condition(first, as_condition);
    all_bars_ = all_bars;
    const Type l = compile_expr(*first.left);
    return finish_binary(first.op, l, *first.left, *first.right, top.span, as_condition, all_bars);
  }
  // The links go on the compiler's spine stack rather than a list of their own: this
  // runs for every chain of two operators or more.
  const std::size_t base = spine_stack_.size();
  struct Unwind {
    std::vector<SpineLink>& stack;
    std::size_t base;
    ~Unwind() { stack.resize(base); }
  } unwind{spine_stack_, base};
  const ast::Expr* at = &top;
  bool condition = as_condition;
  while (const auto* binary = at->kind.as<ast::ExprKind::Binary>()) {
    spine_stack_.push_back({binary, &at->span, condition});
    condition = passes_condition(*binary, condition);
    at = binary->left.get();
  }
  condition_ = condition;
  all_bars_ = all_bars;
  Type t = compile_expr(*at);
  // Each right operand may push links of its own above these and pops them again.
  for (std::size_t i = spine_stack_.size(); i-- > base;) {
    const SpineLink link = spine_stack_[i];
    const ast::ExprKind::Binary& b = *link.binary;
    t = finish_binary(b.op, t, *b.left, *b.right, *link.span, link.as_condition, all_bars);
  }
  return t;
}

Type Compiler::compile_index(const ast::ExprKind::Index& index, const Span& span) {
  const Type target = compile_expr(*index.object);
  const Type at = compile_expr(*index.index);
  emit(Op::plain(Opcode::Index), span);
  switch (target.tag()) {
    case ty::Tag::Series:
      if (!at.is(P::Any) && !ty::assignable(at, P::Int)) {
        error(codes::kSeriesIndex, index.index->span);
      }
      return *target.series_element();
    case ty::Tag::Array: return *target.array_element();
    case ty::Tag::Map: return ty::optional(*target.map_value());
    default: return target.is(P::Text) ? Type(P::Text) : Type(P::Any);
  }
}

Type Compiler::compile_member(const ast::ExprKind::Member& member, const Span& span) {
  if (auto ns = namespace_path(*member.object)) {
    const std::string path = *ns + "." + member.property;
    if (auto type = type_for_path(path)) {
      if (type->tag() == ty::Tag::Function) {
        emit(Op::with_c(Opcode::Const, constant(bc::Constant::host_function(host_id(path)))), span);
      } else {
        emit(Op::call_host(host_id(path), 0), span);
      }
      return *type;
    }
    error(codes::kNoMember, span, *ns, member.property, namespace_members(*ns, false, 12));
    emit(Op::plain(Opcode::Nothing), span);
    return P::Any;
  }
  if (const auto* id = member.object->kind.as<ast::ExprKind::Identifier>()) {
    if (auto it = enums_.find(id->name); it != enums_.end()) {
      bool found = false;
      for (const auto& c : it->second) found = found || c == member.property;
      if (!found) {
        error(codes::kNoCase, span, id->name, member.property, join(it->second));
      }
      push_text(member.property, span);
      return P::Text;
    }
  }
  const Type object = compile_expr(*member.object);
  return compile_member_of(object, member.property, span, receiver_type(member, object));
}

// Member steps on an object already on the stack; `chooser` picks the built-in member.
Type Compiler::compile_member_of(const Type& object_type, const std::string& member,
                                 const Span& span, const Type& chooser) {
  if (auto owner = owner_name(chooser)) {
    const std::string path = *owner + "#" + member;
    if (auto type = type_for_path(path)) {
      if (type->tag() == ty::Tag::Function) {
        // A method taken as a value: the receiver is not part of it.
        emit(Op::plain(Opcode::Pop), span);
        emit(Op::with_c(Opcode::Const, constant(bc::Constant::host_function(host_id(path)))), span);
      } else {
        emit(Op::call_host(host_id(path), 1), span);
      }
      return *type;
    }
  }
  const Type t = object_type.unwrap_optional();
  if (const auto* fields = t.fields()) {
    emit(Op::with_c(Opcode::GetMember, name_constant(member)), span);
    if (auto it = fields->fields.find(member); it != fields->fields.end()) return it->second;
    error(codes::kNoField, span, t.to_string(), member, joined_field_names(*fields));
    return P::Any;
  }
  emit(Op::with_c(Opcode::GetMember, name_constant(member)), span);
  return P::Any;
}

Type Compiler::compile_assign(ast::AssignOp op, const ast::Expr& target, const ast::Expr& value,
                              const Span& span) {
  // A variable whose written type is num, price or lots takes a whole number as a Num.
  Type number_place = P::Any;
  auto compile_value = [&]() -> Type {
    switch (op) {
      case ast::AssignOp::Assign: return compile_number_value(value, number_place);
      case ast::AssignOp::Add: return compile_binary(ast::BinaryOp::Add, target, value, span);
      case ast::AssignOp::Sub: return compile_binary(ast::BinaryOp::Sub, target, value, span);
      case ast::AssignOp::Mul: return compile_binary(ast::BinaryOp::Mul, target, value, span);
      case ast::AssignOp::Div: return compile_binary(ast::BinaryOp::Div, target, value, span);
      case ast::AssignOp::Rem: return compile_binary(ast::BinaryOp::Rem, target, value, span);
    }
    return compile_expr(value);
  };
  using K = ast::ExprKind;
  if (const auto* id = target.kind.as<K::Identifier>()) {
    if (const auto* found = fn().scopes.lookup(id->name)) {
      const scope::Symbol symbol = *found;
      if (symbol.written ||
          (symbol.kind == SymbolKind::Global && number_globals_.count(id->name) != 0)) {
        number_place = symbol.type;
      }
      const Type t = compile_value();
      if (!symbol.is_mutable) {
        error(codes::kLetReassigned, target.span, id->name);
      }
      expect_assignable(t, symbol.type, value.span, "Assignment");
      emit(Op::with_b(symbol.kind == SymbolKind::Local ? Opcode::SetLocal : Opcode::SetGlobal,
                      symbol.index),
           span);
      return t;
    }
    if (number_globals_.count(id->name) != 0) {
      if (const Type* type = global_type(id->name)) number_place = *type;
    }
    const Type t = compile_value();
    if (resolve_upvalue(id->name)) {
      error(codes::kCapturedReassigned, target.span);
      emit(Op::plain(Opcode::Pop), span);
      return t;
    }
    if (auto global = global_index(id->name)) {
      emit(Op::with_b(Opcode::SetGlobal, *global), span);
      const Type* type = global_type(id->name);
      return type ? *type : t;
    }
    if (capture_from_outer(id->name)) {
      error(codes::kCapturedReassigned, target.span);
      emit(Op::plain(Opcode::Pop), span);
      return t;
    }
    error(codes::kNotDefined, target.span, id->name);
    emit(Op::plain(Opcode::Pop), span);
    return t;
  }
  if (const auto* member = target.kind.as<K::Member>()) {
    compile_expr(*member->object);
    const Type t = compile_value();
    emit(Op::with_c(Opcode::SetMember, name_constant(member->property)), span);
    return t;
  }
  if (const auto* index = target.kind.as<K::Index>()) {
    compile_expr(*index->object);
    compile_expr(*index->index);
    const Type t = compile_value();
    emit(Op::plain(Opcode::SetIndex), span);
    return t;
  }
  error(codes::kNotAssignTarget, target.span);
  // The expression still yields one value.
  emit(Op::plain(Opcode::Nothing), span);
  return P::Any;
}

Type Compiler::compile_match_value(const ast::ExprKind::Match& match, const Span& span) {
  compile_expr(*match.subject);
  std::vector<std::size_t> to_end;
  std::optional<Type> result;
  bool has_default = false;
  auto body_value = [&](const ast::FnBody& body) -> Type {
    if (const auto* block = body.as<ast::Block>()) {
      compile_block_value(*block);
      return P::Any;
    }
    return compile_expr(*body.as<ast::Expr>());
  };
  for (const auto& arm : match.arms) {
    if (arm.pattern) {
      emit(Op::plain(Opcode::Dup), span);
      compile_expr(*arm.pattern);
      emit(Op::plain(Opcode::Equal), span);
      const std::size_t next = emit(Op::jump(Opcode::JumpIfFalse, 0), span);
      emit(Op::plain(Opcode::Pop), span);
      const Type t = body_value(arm.body);
      result = result ? ty::common(*result, t) : t;
      to_end.push_back(emit(Op::jump(Opcode::Jump, 0), span));
      fn().patch_jump(next);
    } else {
      has_default = true;
      emit(Op::plain(Opcode::Pop), span);
      const Type t = body_value(arm.body);
      result = result ? ty::common(*result, t) : t;
      to_end.push_back(emit(Op::jump(Opcode::Jump, 0), span));
    }
  }
  if (!has_default) {
    emit(Op::plain(Opcode::Pop), span);
    emit(Op::plain(Opcode::Nothing), span);
  }
  for (std::size_t j : to_end) fn().patch_jump(j);
  return result.value_or(Type(P::Any));
}

Type Compiler::compile_lambda(const ast::ExprKind::Lambda& lambda, const Span& span) {
  const std::uint16_t index = compile_function("<lambda>", lambda.params, *lambda.body,
                                               std::nullopt, span);
  emit(Op::with_b(Opcode::Closure, index), span);
  std::vector<ty::Parameter> params;
  for (const auto& p : lambda.params) params.push_back(ty::p(p.name, P::Any));
  return ty::function(std::move(params), P::Any);
}

Type Compiler::compile_pipe(const ast::ExprKind::Pipe& pipe, const Span& span) {
  std::vector<Arg> args{Arg{nullptr, pipe.left.get(), pipe.left->span}};
  if (const auto* call = pipe.right->kind.as<ast::ExprKind::Call>()) {
    for (const auto& a : call->args) {
      args.push_back(Arg{a.name ? &*a.name : nullptr, &a.value, a.span});
    }
    return compile_call(*call->callee, args, span);
  }
  return compile_call(*pipe.right, args, span);
}

bool holds_number(const Type& declared) {
  const Type d = declared.unwrap_optional();
  return d.is(P::Num) || d.is(P::Price) || d.is(P::Lots);
}

Type Compiler::compile_number_value(const ast::Expr& expr, const Type& declared) {
  if (!holds_number(declared)) return compile_expr(expr);
  using K = ast::ExprKind;
  const K::Int* literal = expr.kind.as<K::Int>();
  bool negated = false;
  if (const auto* unary = expr.kind.as<K::Unary>(); unary && unary->op == ast::UnaryOp::Neg) {
    literal = unary->operand->kind.as<K::Int>();
    negated = true;
  }
  if (literal) {
    const double value = static_cast<double>(literal->value);
    emit(Op::with_c(Opcode::Const, constant(bc::Constant::number(negated ? 0.0 - value : value))),
         expr.span);
    return P::Num;
  }
  const Type found = compile_expr(expr);
  if (!found.is(P::Int)) return found;
  // num(x) unless x is none (a whole division by zero), which stays none.
  emit(Op::plain(Opcode::Dup), expr.span);
  emit(Op::plain(Opcode::Nothing), expr.span);
  emit(Op::plain(Opcode::Equal), expr.span);
  const std::size_t skip = emit(Op::jump(Opcode::JumpIfTrue, 0), expr.span);
  emit(Op::call_host(host_id("num"), 1), expr.span);
  fn().patch_jump(skip);
  return P::Num;
}

Type Compiler::compile_block_value(const ast::Block& block) {
  fn().begin_scope();
  const auto& stmts = block.statements;
  for (std::size_t i = 0; i < stmts.size(); ++i) {
    const bool last = i + 1 == stmts.size();
    if (last) {
      if (const auto* e = stmts[i].as<ast::Expr>()) {
        compile_expr(*e);
        break;
      }
      compile_stmt(stmts[i]);
      emit(Op::plain(Opcode::Nothing), block.span);
      break;
    }
    compile_stmt(stmts[i]);
  }
  if (stmts.empty()) emit(Op::plain(Opcode::Nothing), block.span);
  fn().end_scope();
  return P::Any;
}

}  // namespace kelo_compile::compiler
