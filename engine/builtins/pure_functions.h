#pragma once

// Built-in functions and values that need neither the host nor the running program:
// maths and constants, the conversions, array statistics, the text and status
// namespaces, colours, the self-naming timeframe, style and corner names, pct and pips.
// None of them fails: bad arguments give NaN, 0, an empty text or another neutral value.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "vm/dispatch.h"
#include "vm/value.h"

namespace kelo_vm::builtins {

// The answer of the pure function or value `name`, or none when it is not one.
std::optional<Value> pure_call(std::string_view name, std::span<const Value> args);

// The handler of a pure function for the dispatch table, or null.
BuiltinFn resolve_pure(std::string_view name);

// Every name the pure functions answer.
std::vector<std::string_view> pure_names();

namespace pure {

using Fn = Value (*)(std::span<const Value> args);

// Each name with its function and the same function as a dispatch handler.
struct Entry {
  std::string_view name;
  Fn fn;
  BuiltinFn builtin;
};

template <Fn F>
Result<Value> adapt(BuiltinCall& call) {
  return F(call.args);
}

const Entry* find_maths(std::string_view name);  // maths, conversions, statistics, status
const Entry* find_text(std::string_view name);   // the text namespace, pct, pips
const Entry* find_names(std::string_view name);  // constants, colours, self-naming names
// The same tables whole.
std::span<const Entry> maths_rows();
std::span<const Entry> text_rows();
std::span<const Entry> name_rows();

}  // namespace pure
}  // namespace kelo_vm::builtins
