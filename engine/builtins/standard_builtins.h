#pragma once

// The language's built-ins for one run: host-function names resolve, once per id, in the
// order bar source, series call, pure function, method ("type#method"), and anything else
// goes to the host; series are evaluated with a memo that lives as long as this object.
// Create one per backtest (or per Vm); it is not shared between threads.

#include <cstdint>
#include <optional>
#include <string_view>

#include "series/series_eval.h"
#include "stdlib/hosts.h"
#include "vm/dispatch.h"

namespace kelo_vm::builtins {

// The handler of a built-in name, or null for the host; the dispatch order above.
BuiltinFn resolve_builtin(std::string_view name);

class StandardBuiltins : public Builtins {
 public:
  // Names come from the process-wide host-function table.
  StandardBuiltins() : table_(kelo_std::hosts::table()) {}
  explicit StandardBuiltins(const kelo_std::hosts::HostTable& table) : table_(table) {}

  std::optional<std::string_view> host_name(uint16_t id) const override;
  // As resolve_builtin, with series calls and bar sources that share equal nodes.
  BuiltinFn resolve(std::string_view name) const override;
  SeriesColumn values_of(const Series& series, host::Host& host) const override;
  // The evaluator the sharing series calls build their nodes through.
  evaluate::Evaluator* series_memo() const override { return &evaluator_; }

  const evaluate::Evaluator& evaluator() const { return evaluator_; }

 private:
  const kelo_std::hosts::HostTable& table_;
  mutable evaluate::Evaluator evaluator_;
};

}  // namespace kelo_vm::builtins
