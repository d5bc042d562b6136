// Calls: struct construction, declared functions, host calls with argument binding,
// callee values; and the compilation of function bodies.
#include <array>
#include <limits>

#include "compile/compiler.h"
#include "compile/mentions.h"

namespace kelo_compile::compiler {

using bc::Op;
using bc::Opcode;
using P = ty::Primitive;

namespace {

std::uint8_t u8_count(std::size_t n) {
  if (n > std::numeric_limits<std::uint8_t>::max()) {
    throw InternalError("a call has more than 255 arguments");
  }
  return static_cast<std::uint8_t>(n);
}

template <class Names>
std::string join_names(const Names& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += ", ";
    out += item.name;
  }
  return out;
}

// The argument bound to each parameter of one call; the usual handful of slots stays on
// the stack.
class BoundArgs {
 public:
  explicit BoundArgs(std::size_t count) : count_(count) {
    if (count > kInline) heap_.assign(count, nullptr);
  }
  const Arg*& operator[](std::size_t i) { return count_ > kInline ? heap_[i] : inline_[i]; }

 private:
  static constexpr std::size_t kInline = 16;
  std::size_t count_;
  std::array<const Arg*, kInline> inline_{};
  std::vector<const Arg*> heap_;
};

}  // namespace

const ty::Fields* Compiler::namespace_fields(std::string_view ns) const {
  const auto* entry = registry_global(ns);
  if (!entry || entry->type.tag() != ty::Tag::Object) return nullptr;
  return entry->type.fields();
}

std::optional<Type> Compiler::type_for_path(std::string_view path) const {
  if (auto it = path_types_.find(path); it != path_types_.end()) return it->second;
  std::optional<Type> type = look_up_path(path);
  path_types_.emplace(path, type);
  return type;
}

std::optional<Type> Compiler::look_up_path(std::string_view path) const {
  if (auto hash = path.find('#'); hash != std::string_view::npos) {
    const auto* entry = registry_.member(path.substr(0, hash), path.substr(hash + 1));
    if (entry) return entry->type;
    return std::nullopt;
  }
  if (auto dot = path.find('.'); dot != std::string_view::npos) {
    // A namespace's members are the fields of its object type.
    const std::string_view ns = path.substr(0, dot);
    const std::string_view name = path.substr(dot + 1);
    if (const auto* fields = namespace_fields(ns)) {
      if (auto it = fields->fields.find(name); it != fields->fields.end()) return it->second;
    }
    if (const auto* entry = registry_.member(ns, name)) return entry->type;
    return std::nullopt;
  }
  if (const auto* entry = registry_global(path)) return entry->type;
  return std::nullopt;
}

const ty::Signature* Compiler::signature_for(std::string_view path) const {
  // The payload is shared with the registry's own type, which outlives the compile.
  const std::optional<Type> type = type_for_path(path);
  return type ? type->signature() : nullptr;
}

bool Compiler::is_shadowed(std::string_view name) {
  if (fn().scopes.lookup(name) || global_index(name)) return true;
  // A local of the enclosing function would be captured (not into a default argument).
  if (isolated_frame_ && *isolated_frame_ == frames_.size() - 1) return false;
  return frames_.size() >= 2 && frames_[frames_.size() - 2].scopes.lookup(name) != nullptr &&
         frames_[frames_.size() - 2].scopes.lookup(name)->kind == scope::SymbolKind::Local;
}

std::optional<std::string> Compiler::namespace_path(const ast::Expr& expr) {
  const auto* id = expr.kind.as<ast::ExprKind::Identifier>();
  // A variable of that name, including one a lambda would capture, hides the namespace.
  if (!id || is_shadowed(id->name)) return std::nullopt;
  if (!namespace_fields(id->name)) return std::nullopt;
  return id->name;
}

std::string Compiler::namespace_members(std::string_view ns, bool functions_only,
                                        std::size_t limit) const {
  const auto* fields = namespace_fields(ns);
  if (!fields) return {};
  std::string names;
  std::size_t count = 0;
  for (const auto& [name, type] : fields->fields) {
    if (functions_only && type.tag() != ty::Tag::Function) continue;
    if (count == limit) break;
    if (count++ != 0) names += ", ";
    names += name;
  }
  return count == 0 ? std::string() : " Try: " + names;
}

Type Compiler::compile_call(const ast::Expr& callee, const std::vector<Arg>& args,
                            const Span& span) {
  if (const auto* id = callee.kind.as<ast::ExprKind::Identifier>()) {
    const std::string& name = id->name;
    if (auto it = structs_.find(name); it != structs_.end()) {
      const FieldList fields = it->second;
      return compile_struct_construction(name, fields, args, span);
    }
    if (const FunctionInfo* found = function_info(name)) {
      const FunctionInfo info = *found;  // the map may grow while arguments compile
      return compile_declared_call(info, args, span);
    }
    if (!is_shadowed(name)) {
      const std::string of = name + ".of";
      if (auto sig = signature_for(of)) return compile_host_call(of, *sig, args, 0, span);
      // A built-in function called by its bare name binds its arguments like any host call.
      if (const auto* entry = registry_global(name); entry && entry->type.signature()) {
        return compile_host_call(name, *entry->type.signature(), args, 0, span);
      }
    }
  } else if (const auto* member = callee.kind.as<ast::ExprKind::Member>()) {
    return compile_method_call(*member, args, span);
  }
  const Type callee_type = compile_expr(callee);
  return compile_callee_value_call(callee_type, args, span);
}

Type Compiler::compile_callee_value_call(const Type& callee_type, const std::vector<Arg>& args,
                                         const Span& span) {
  // A built-in function value is its host id, an int at run time; so a value known not to be
  // a function must not reach a call, or it would run whatever host function it numbers.
  const Type callee = callee_type.unwrap_optional();
  if (!callee.signature() && !callee.is(P::Any) && !callee.is(P::Never)) {
    error(codes::kNotCallable, span, callee_type.to_string());
  }
  for (const Arg& arg : args) {
    if (arg.name) {
      error(codes::kNamedToValue, arg.span, *arg.name);
    }
    compile_expr(*arg.value);
  }
  emit(Op::with_a(Opcode::Call, u8_count(args.size())), span);
  if (const auto* sig = callee_type.signature()) return sig->result;
  return P::Any;
}

Type Compiler::compile_struct_construction(const std::string& name, const FieldList& fields,
                                           const std::vector<Arg>& args, const Span& span) {
  push_text("__type", span);
  push_text(name, span);
  std::vector<const Arg*> positional;
  for (const Arg& arg : args) {
    if (!arg.name) positional.push_back(&arg);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto& [field, type] = fields[i];
    push_text(field, span);
    const Arg* chosen = nullptr;
    for (const Arg& arg : args) {
      if (arg.name && *arg.name == field) {
        chosen = &arg;
        break;
      }
    }
    if (!chosen && i < positional.size()) chosen = positional[i];
    if (chosen) {
      const Type t = compile_expr(*chosen->value);
      expect_assignable(t, type, chosen->value->span,
                        [&, &field = field] { return name + "." + field; });
    } else {
      error(codes::kFieldNeedsValue, span, name, field);
      emit(Op::plain(Opcode::Nothing), span);
    }
  }
  std::string field_names;
  for (const auto& [field, type] : fields) {
    if (!field_names.empty()) field_names += ", ";
    field_names += field;
  }
  for (const Arg& arg : args) {
    if (!arg.name) continue;
    bool known = false;
    for (const auto& [field, type] : fields) known = known || field == *arg.name;
    if (!known) {
      error(codes::kStructNoField, arg.span, name, *arg.name, field_names);
    }
  }
  if (fields.size() + 1 > std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("a struct has more than 65534 fields");
  }
  emit(Op::with_b(Opcode::MakeObject, static_cast<std::uint16_t>(fields.size() + 1)), span);
  return struct_type(name);
}

Type Compiler::compile_declared_call(const FunctionInfo& info, const std::vector<Arg>& args,
                                     const Span& span) {
  emit(Op::with_b(Opcode::Closure, info.index), span);
  const auto& params = *info.params;
  BoundArgs bound(params.size());
  std::size_t next = 0;
  for (const Arg& arg : args) {
    if (arg.name) {
      std::size_t i = 0;
      while (i < params.size() && params[i].name != *arg.name) ++i;
      if (i == params.size()) {
        error(codes::kNoParameter, arg.span, *arg.name, join_names(params));
        continue;
      }
      // The later value wins, as programs written so far rely on; it is only pointed out.
      if (bound[i]) warning(codes::kGivenTwice, arg.span, *arg.name);
      bound[i] = &arg;
      continue;
    }
    if (next >= params.size()) {
      error(codes::kTooManyArguments, arg.span, std::to_string(params.size()));
      continue;
    }
    if (bound[next]) warning(codes::kSuppliedByName, arg.span);
    bound[next++] = &arg;
  }
  // A default that reads earlier parameters needs their values: each is also kept in a
  // hidden local of the caller while the arguments are pushed.
  std::size_t keep = 0;
  std::vector<std::string> earlier;
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (!bound[i] && params[i].default_value && mentions_any(*params[i].default_value, earlier)) {
      keep = i;
    }
    earlier.push_back(params[i].name);
  }
  fn().begin_scope();
  std::vector<std::uint16_t> kept;
  for (std::size_t i = 0; i < params.size(); ++i) {
    const Type declared = params[i].type_ref ? resolve_type(*params[i].type_ref) : Type(P::Any);
    if (bound[i]) {
      compile_number_value(*bound[i]->value, declared);
    } else if (params[i].default_value) {
      compile_default(params, i, kept);
    } else {
      error(codes::kMissingArgument, span, params[i].name);
      emit(Op::plain(Opcode::Nothing), span);
    }
    if (i < keep) {
      kept.push_back(declare_local("<argument " + std::to_string(i) + ">", declared, true));
      emit(Op::with_b(Opcode::SetLocal, kept.back()), span);
    }
  }
  fn().end_scope();
  emit(Op::with_a(Opcode::Call, u8_count(params.size())), span);
  return info.result;
}

Type Compiler::compile_default(const std::vector<ast::Parameter>& params, std::size_t i,
                               const std::vector<std::uint16_t>& kept) {
  scope::Scopes own;
  for (std::size_t j = 0; j < kept.size() && j < i; ++j) {
    const bool written = params[j].type_ref.has_value();
    own.insert(params[j].name,
               scope::Symbol{written ? resolve_type(*params[j].type_ref) : Type(P::Any),
                             scope::SymbolKind::Local, kept[j], true, true, written});
  }
  // The caller's names and loops are set aside; frames pushed meanwhile (lambdas) are
  // popped again before the swap back, unless compiling stops altogether.
  const std::size_t at = frames_.size() - 1;
  std::vector<LoopContext> loops;
  std::swap(frames_[at].scopes, own);
  std::swap(frames_[at].loops, loops);
  const auto outer = isolated_frame_;
  isolated_frame_ = at;
  auto restore = [&] {
    isolated_frame_ = outer;
    std::swap(frames_[at].loops, loops);
    std::swap(frames_[at].scopes, own);
  };
  const Type declared = params[i].type_ref ? resolve_type(*params[i].type_ref) : Type(P::Any);
  Type t;
  try {
    t = compile_number_value(*params[i].default_value, declared);
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return t;
}

Type Compiler::compile_host_call(const std::string& path, const ty::Signature& signature,
                                 const std::vector<Arg>& args, std::uint8_t receivers,
                                 const Span& span) {
  const auto* host = this->host(path);
  if (!host) {
    error(codes::kNotAvailable, span, path);
    // The receiver, if any, is replaced by the fallback value.
    if (receivers != 0) emit(Op::plain(Opcode::Pop), span);
    emit(Op::plain(Opcode::Nothing), span);
    return P::Any;
  }
  if (signature.rest) {
    for (const Arg& arg : args) compile_expr(*arg.value);
    emit(Op::call_host(host->id, u8_count(receivers + args.size())), span);
    return signature.result;
  }
  const auto& params = signature.params;
  BoundArgs bound(params.size());
  std::size_t next = 0;
  for (const Arg& arg : args) {
    if (arg.name) {
      std::size_t i = 0;
      while (i < params.size() && params[i].name != *arg.name) ++i;
      if (i == params.size()) {
        error(codes::kHostNoParameter, arg.span, path, *arg.name, join_names(params));
      } else if (bound[i]) {
        error(codes::kGivenTwice, arg.span, *arg.name);
      } else {
        bound[i] = &arg;
      }
      continue;
    }
    if (next >= params.size()) {
      error(codes::kHostTooManyArguments, arg.span, path, std::to_string(params.size()));
      compile_expr(*arg.value);
      emit(Op::plain(Opcode::Pop), span);
      ++next;
      continue;
    }
    if (bound[next]) {
      error(codes::kSuppliedByName, arg.span);
      ++next;
      continue;
    }
    bound[next++] = &arg;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (bound[i]) {
      const Type t = compile_expr(*bound[i]->value);
      expect_assignable(t, params[i].type, bound[i]->value->span,
                        [&] { return path + " parameter '" + params[i].name + "'"; });
    } else {
      if (!params[i].optional) {
        error(codes::kHostMissingArgument, span, path, params[i].name);
      }
      emit(Op::plain(Opcode::Nothing), span);
    }
  }
  emit(Op::call_host(host->id, u8_count(receivers + params.size())), span);
  return signature.result;
}

Type Compiler::compile_method_call(const ast::ExprKind::Member& member,
                                   const std::vector<Arg>& args, const Span& span) {
  // A property called with arguments has nothing to take them: report, keep the stack.
  auto property_with_args = [&](const std::string& path) {
    if (args.empty()) return;
    error(codes::kHostTooManyArguments, span, path, "0");
    for (const Arg& arg : args) {
      compile_expr(*arg.value);
      emit(Op::plain(Opcode::Pop), span);
    }
  };
  if (auto ns = namespace_path(*member.object)) {
    const std::string path = *ns + "." + member.property;
    if (auto sig = signature_for(path)) return compile_host_call(path, *sig, args, 0, span);
    if (auto type = type_for_path(path)) {
      // `ns.value()` reads the value, as `ns.value` does.
      emit(Op::call_host(host_id(path), 0), span);
      property_with_args(path);
      return *type;
    }
    error(codes::kNoCall, span, *ns, member.property, namespace_members(*ns, true, 10));
    emit(Op::plain(Opcode::Nothing), span);
    return P::Any;
  }
  // The receiver's real type chooses the member.
  const Type object = compile_expr(*member.object);
  const Type chooser = receiver_type(member, object);
  if (auto owner = owner_name(chooser)) {
    const std::string path = *owner + "#" + member.property;
    if (auto sig = signature_for(path)) return compile_host_call(path, *sig, args, 1, span);
    if (auto type = type_for_path(path)) {
      emit(Op::call_host(host_id(path), 1), span);
      property_with_args(path);
      return *type;
    }
  }
  const Type callee = compile_member_of(object, member.property, span, chooser);
  return compile_callee_value_call(callee, args, span);
}

std::uint16_t Compiler::compile_function(const std::string& name,
                                         const std::vector<ast::Parameter>& params,
                                         const ast::FnBody& body,
                                         const std::optional<Type>& result, const Span&) {
  return compile_function_body(name, params, body.as<ast::Block>(), body.as<ast::Expr>(),
                               result);
}

std::uint16_t Compiler::compile_function_body(const std::string& name,
                                              const std::vector<ast::Parameter>& params,
                                              const ast::Block* block, const ast::Expr* expr,
                                              const std::optional<Type>& result) {
  if (params.size() > std::numeric_limits<std::uint8_t>::max()) {
    throw InternalError("function '" + name + "' has more than 255 parameters");
  }
  frames_.emplace_back(name);
  {
    FnState& f = fn();
    f.arity = static_cast<std::uint8_t>(params.size());
    std::size_t required = 0;
    while (required < params.size() && !params[required].default_value) ++required;
    f.required = static_cast<std::uint8_t>(required);
    f.result = result;
  }
  for (const auto& p : params) {
    declare_local(p.name, p.type_ref ? resolve_type(*p.type_ref) : Type(P::Any), true,
                  p.type_ref.has_value());
  }
  if (block) {
    fn().begin_scope();
    for (const auto& stmt : block->statements) compile_stmt(stmt);
    fn().end_scope();
    emit(Op::plain(Opcode::ReturnNothing), block->span);
  } else if (expr) {
    const Type t = result ? compile_number_value(*expr, *result) : compile_expr(*expr);
    if (result) expect_assignable(t, *result, expr->span, "Return value");
    emit(Op::plain(Opcode::Return), expr->span);
  }
  FnState done = std::move(frames_.back());
  frames_.pop_back();
  return append_function(std::move(done).finish());
}

}  // namespace kelo_compile::compiler
