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

std::vector<std::string_view> pure_names() {
  std::vector<std::string_view> names;
  for (const auto rows : {pure::maths_rows(), pure::text_rows(), pure::name_rows()})
    for (const pure::Entry& e : rows) names.push_back(e.name);
  return names;
}

BuiltinFn resolve_pure(std::string_view name) {
  const pure::Entry* e = find(name);
  return e ? e->builtin : nullptr;
}

}  // namespace kelo_vm::builtins
