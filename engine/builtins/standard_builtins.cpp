#include "builtins/standard_builtins.h"

#include "builtins/methods.h"
#include "builtins/pure_functions.h"
#include "series/series_calls.h"

namespace kelo_vm::builtins {

BuiltinFn resolve_builtin(std::string_view name) {
  if (BuiltinFn fn = series::resolve_source(name)) return fn;
  if (BuiltinFn fn = series::resolve_series_call(name)) return fn;
  if (BuiltinFn fn = resolve_pure(name)) return fn;
  return resolve_method(name);
}

BuiltinFn StandardBuiltins::resolve(std::string_view name) const {
  if (BuiltinFn fn = series::resolve_shared_source(name)) return fn;
  if (BuiltinFn fn = series::resolve_shared_series_call(name)) return fn;
  return resolve_builtin(name);
}

std::optional<std::string_view> StandardBuiltins::host_name(uint16_t id) const {
  const kelo_std::hosts::HostFn* fn = table_.at(id);
  if (!fn) return std::nullopt;
  return std::string_view(fn->name);
}

SeriesColumn StandardBuiltins::values_of(const Series& series, host::Host& host) const {
  return evaluator_.values_of(series, host);
}

}  // namespace kelo_vm::builtins
