// How the interpreter reaches built-in functions: a pluggable table of handlers, resolved
// once per host id, so that a call never compares names at run time and the interpreter
// runs before (or without) every built-in.
//
// Resolution of a host-function name happens in this order: a bar-source name, the series
// calls, the pure functions, the methods of built-in values (names with "#"), and last
// Host::call. A `Builtins` implementation folds the first four into `resolve`; a null
// answer hands the name to the host.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vm/host.h"
#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm {

class Vm;
namespace evaluate {
class Evaluator;
}

// What a built-in receives. `args` are borrowed from the interpreter's stack and valid
// for this call only (copy a Value to keep it). To call a closure or function value back,
// use `vm.call_value(callee, args, host)`; see value.h for the error rules.
struct BuiltinCall {
  Vm& vm;
  host::Host& host;
  std::string_view name;  // the qualified host-function name
  uint16_t id;
  std::span<const Value> args;

  // Hands this call to Host::call, as if no built-in had answered (for a method a
  // receiver type does not know). A host error's line 1 becomes 0.
  Result<Value> forward() const;
};

// A built-in: a Value, or RuntimeError::here(message).
using BuiltinFn = Result<Value> (*)(BuiltinCall& call);

class Builtins {
 public:
  virtual ~Builtins() = default;
  // The qualified name of a host id; none beyond the table ("Unknown call {}").
  virtual std::optional<std::string_view> host_name(uint16_t id) const = 0;
  // The handler for a name, or null to pass it to Host::call. Asked once per id per Vm.
  virtual BuiltinFn resolve(std::string_view name) const = 0;
  // The values of a series over the host's bars (indexing and series conditions).
  virtual SeriesColumn values_of(const Series& series, host::Host& host) const = 0;
  // The evaluator through which series calls share equal descriptions, for built-ins
  // that keep one for the run; null otherwise (the calls then build fresh nodes).
  virtual evaluate::Evaluator* series_memo() const { return nullptr; }
};

// A Builtins over a plain name list and handler map; for tests and embedding. Series read
// through it have no values (every read is NaN) unless `evaluate` is set.
class TableBuiltins : public Builtins {
 public:
  std::vector<std::string> names;  // host id -> qualified name
  std::map<std::string, BuiltinFn, std::less<>> handlers;
  SeriesColumn (*evaluate)(const Series&, host::Host&) = nullptr;

  std::optional<std::string_view> host_name(uint16_t id) const override {
    if (id >= names.size()) return std::nullopt;
    return std::string_view(names[id]);
  }
  BuiltinFn resolve(std::string_view name) const override {
    auto it = handlers.find(name);
    return it == handlers.end() ? nullptr : it->second;
  }
  SeriesColumn values_of(const Series& series, host::Host& host) const override {
    if (evaluate) return evaluate(series, host);
    return std::make_shared<const std::vector<double>>();
  }
};

}  // namespace kelo_vm
