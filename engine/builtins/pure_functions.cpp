#include "builtins/pure_functions.h"

namespace kelo_vm::builtins {
namespace {

const pure::Entry* find(std::string_view name) {
  if (const auto* e = pure::find_maths(name)) return e;
  if (const auto* e = pure::find_text(name)) return e;
  return pure::find_names(name);
}

}  // namespace

std::optional<Value> pure_call(std::string_view name, std::span<const Value> args) {
  const pure::Entry* e = find(name);
  if (!e) return std::nullopt;
  return e->fn(args);
}

BuiltinFn resolve_pure(std::string_view name) {
  const pure::Entry* e = find(name);
  return e ? e->builtin : nullptr;
}

}  // namespace kelo_vm::builtins
