#pragma once

// Methods that scripts call on texts, times, series, arrays and maps. The compiler turns
// `s.trim()` into a host call named "text#trim" whose first argument is the receiver.
//
// Receivers: a text method turns any receiver into its written form, a time method any
// receiver into epoch milliseconds; a series or map method on another receiver, and a
// text, time, series or map method the tables do not know, go on to the host. Array
// methods on anything but an array, and unknown array methods, give none.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vm/dispatch.h"
#include "vm/value.h"

namespace kelo_vm::builtins {

// The handler of a method name ("type#method"), or null when the host should answer it.
BuiltinFn resolve_method(std::string_view name);

// Calls a method directly: none when the name is not a method (or its receiver makes it
// fall through); otherwise the value, or the error of a failing callback.
std::optional<Result<Value>> method_call(std::string_view name, std::span<const Value> args,
                                         host::Host& host, Vm& vm);

// Every name the methods answer ("text#trim", ...): the rows of the tables below.
std::vector<std::string> method_names();

namespace methods {
struct Entry {
  std::string_view name;
  BuiltinFn fn;
};
// The table of each receiver type.
std::span<const Entry> text_table();
std::span<const Entry> time_table();
std::span<const Entry> series_table();
std::span<const Entry> array_table();
std::span<const Entry> map_table();

// One table per receiver type; null when the method is not in it.
BuiltinFn text_method(std::string_view method);
BuiltinFn time_method(std::string_view method);
BuiltinFn series_method(std::string_view method);
BuiltinFn array_method(std::string_view method);  // never null: unknown methods give none
BuiltinFn map_method(std::string_view method);
}  // namespace methods

}  // namespace kelo_vm::builtins
