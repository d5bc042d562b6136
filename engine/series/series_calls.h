#pragma once

// Calls of indicator functions and bar-source names. They compute nothing: each builds a
// series description (an indicator node, or a map of nodes for the indicators with
// several outputs) that the evaluation computes when the script reads it.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "vm/dispatch.h"
#include "vm/value.h"

namespace kelo_vm::series {

// The value of an indicator call, or none when `name` is not one.
std::optional<Value> series_call(std::string_view name, std::span<const Value> args);

// A new source series for a bar-source name ("open" ... "ohlc4"), or none.
std::optional<Value> source_call(std::string_view name);

// Every name these calls answer: the bar sources and the indicators.
std::vector<std::string_view> call_names();

// Handlers for the dispatch table; null when the name is not of this kind. Each handler
// is bound to its row, so a call never looks its name up again.
BuiltinFn resolve_source(std::string_view name);
BuiltinFn resolve_series_call(std::string_view name);

// The same calls building their nodes through the running built-ins' series memo, which
// shares equal descriptions (see evaluate::Evaluator); under built-ins that keep none
// they build fresh nodes. They reach the memo through the call's Vm.
BuiltinFn resolve_shared_source(std::string_view name);
BuiltinFn resolve_shared_series_call(std::string_view name);

}  // namespace kelo_vm::series
