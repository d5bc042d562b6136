#pragma once

// Array methods that take a function value: map, filter, reduce, find, any, all and
// sortBy. The callbacks run through the interpreter's call_value over a private copy of
// the elements; the first failing callback stops the method and its error is returned
// unchanged (a `try` around the caller then sees it).

#include <optional>
#include <span>
#include <string_view>

#include "vm/host.h"
#include "vm/interpreter.h"
#include "vm/value.h"

namespace kelo_vm::builtins {

enum class HigherOrder { Map, Filter, Reduce, Find, Any, All, SortBy };

// The method of a name, matched exactly; none for any other name.
std::optional<HigherOrder> higher_order_method(std::string_view name);

// `array` is the receiver; `args` the method arguments (the callback, then reduce's
// initial value). A receiver that is not an array gives none.
Result<Value> higher_order(HigherOrder method, const Value& array, std::span<const Value> args,
                           Vm& vm, host::Host& host);

}  // namespace kelo_vm::builtins
