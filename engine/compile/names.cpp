// Names: globals, locals, captured variables, written types and the assignability check.
#include <limits>

#include "compile/compiler.h"

namespace kelo_compile::compiler {

using scope::Symbol;
using scope::SymbolKind;

std::uint16_t Compiler::declare_global(const std::string& name, Type type, bool is_mutable) {
  // The image stores the global count in 16 bits, so 65535 globals at most.
  if (global_names_.size() >= std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("the program has more than 65535 globals");
  }
  const auto slot = static_cast<std::uint16_t>(global_names_.size());
  global_names_.push_back(name);
  if (outer_ == nullptr || !outer_->global_index(name)) global_first_.emplace(name, slot);
  global_types_.insert_or_assign(name, type);
  if (frames_.empty()) throw InternalError("a frame");
  frames_.front().scopes.insert(name, Symbol{std::move(type), SymbolKind::Global, slot,
                                             is_mutable, true});
  return slot;
}

std::optional<std::uint16_t> Compiler::global_index(std::string_view name) const {
  auto it = global_first_.find(name);
  if (it != global_first_.end()) return it->second;
  return outer_ != nullptr ? outer_->global_index(name) : std::nullopt;
}

const Compiler::FunctionInfo* Compiler::function_info(const std::string& name) const {
  auto it = functions_.find(name);
  if (it != functions_.end()) return &it->second;
  return outer_ != nullptr ? outer_->function_info(name) : nullptr;
}

const Type* Compiler::global_type(std::string_view name) const {
  auto it = global_types_.find(name);
  if (it != global_types_.end()) return &it->second;
  return outer_ != nullptr ? outer_->global_type(name) : nullptr;
}

std::uint16_t Compiler::declare_local(const std::string& name, Type type, bool is_mutable,
                                      bool written) {
  FnState& f = fn();
  const std::uint16_t slot = f.take_slot();
  f.scopes.insert(name,
                  Symbol{std::move(type), SymbolKind::Local, slot, is_mutable, true, written});
  return slot;
}

std::optional<std::uint16_t> Compiler::resolve_upvalue(std::string_view name) {
  if (frames_.size() < 2) return std::nullopt;
  return capture(frames_.size() - 1, name, false);
}

std::optional<Compiler::Captured> Compiler::capture_from_outer(std::string_view name) {
  if (frames_.size() < 2) return std::nullopt;
  auto index = capture(frames_.size() - 1, name, true);
  if (!index) return std::nullopt;
  for (std::size_t f = frames_.size() - 1; f-- > 0;) {
    if (const Symbol* symbol = frames_[f].scopes.lookup(name)) return Captured{*index, symbol->type};
  }
  return Captured{*index, ty::Primitive::Any};
}

// The upvalue of frame `at` for a local of the frame below it; with `through`, also for a
// local further out, which each frame between captures in turn and passes on (flag 0:
// the closure copies its creator's captured value).
std::optional<std::uint16_t> Compiler::capture(std::size_t at, std::string_view name,
                                               bool through) {
  if (isolated_frame_ && at == *isolated_frame_) return std::nullopt;
  FnState& current = frames_[at];
  for (std::size_t i = 0; i < current.upvalue_names.size(); ++i) {
    if (current.upvalue_names[i] == name) return static_cast<std::uint16_t>(i);
  }
  const FnState& parent = frames_[at - 1];
  bc::Upvalue upvalue{0, 1};
  if (const Symbol* symbol = parent.scopes.lookup(name)) {
    if (symbol->kind == SymbolKind::Global) return std::nullopt;
    upvalue.index = symbol->index;
  } else if (!through || at < 2) {
    return std::nullopt;
  } else if (auto outer = capture(at - 1, name, true)) {
    upvalue = bc::Upvalue{*outer, 0};
  } else {
    return std::nullopt;
  }
  if (current.upvalues.size() >= std::numeric_limits<std::uint16_t>::max()) {
    throw InternalError("a function captures more than 65535 variables");
  }
  current.upvalues.push_back(upvalue);
  current.upvalue_names.emplace_back(name);
  return static_cast<std::uint16_t>(current.upvalues.size() - 1);
}

Type Compiler::resolve_type(const ast::TypeRef& ref) {
  auto arg = [&](std::size_t i) -> std::optional<Type> {
    if (i < ref.args.size()) return resolve_type(ref.args[i]);
    return std::nullopt;
  };
  Type result = ty::Primitive::Any;
  const std::string& n = ref.name;
  if (n == "map") {
    if (ref.args.empty()) {
      result = ty::map(ty::Primitive::Text, ty::Primitive::Any);
    } else {
      result = ty::map(*arg(0), arg(1).value_or(Type(ty::Primitive::Any)));
    }
  } else if (n == "array") {
    result = ty::array(arg(0).value_or(Type(ty::Primitive::Any)));
  } else if (n == "series") {
    result = ty::series(arg(0).value_or(Type(ty::Primitive::Num)));
  } else if (n == "source") {
    result = ty::series(ty::Primitive::Num);
  } else if (n == "file" || n == "model" || n == "secret" || n == "symbol" || n == "select" ||
             n == "timeframe") {
    result = ty::Primitive::Text;
  } else if (auto prim = ty::Primitive::from_name(n)) {
    result = *prim;
  } else if (structs_.count(n) != 0) {
    result = struct_type(n);
  } else if (enums_.count(n) != 0) {
    result = ty::Primitive::Text;
  }
  return ref.optional ? ty::optional(result) : result;
}

Type Compiler::struct_type(const std::string& name) const {
  auto it = structs_.find(name);
  if (it == structs_.end()) return ty::Primitive::Any;
  return ty::structure(name, it->second);
}

std::uint32_t Compiler::name_constant(std::string_view name) {
  return text_constant(bc::ConstantKind::Name, name);
}

bool Compiler::mismatch(const Type& found, const Type& expected) {
  if (expected.is(ty::Primitive::Any) || found.is(ty::Primitive::Any) ||
      expected.is(ty::Primitive::Void)) {
    return false;
  }
  return !ty::assignable(found, expected);
}

void Compiler::expect_assignable(const Type& found, const Type& expected, const Span& span,
                                 std::string_view context) {
  if (mismatch(found, expected)) {
    error(codes::kNotAssignable, span, context, expected.to_string(), found.to_string());
  }
}

}  // namespace kelo_compile::compiler
