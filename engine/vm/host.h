// What a running program reaches outside its own code: the bars, the current bar, the
// traded symbol, the clock, the journal, and every host call the built-ins do not
// answer. Borrowed by the interpreter and the built-ins for the duration of one call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm::host {

// Seven columns of equal length, oldest bar first.
struct Bars {
  std::vector<int64_t> times;  // bar open time, epoch milliseconds
  std::vector<double> open;
  std::vector<double> high;
  std::vector<double> low;
  std::vector<double> close;
  std::vector<double> volume;
  std::vector<double> spread;

  // The bar count is the length of the close column.
  size_t size() const { return close.size(); }
};

struct SymbolSpec {
  std::string name = "EURUSD";
  int64_t digits = 5;
  double point = 0.00001;
  double pip = 0.0001;
  double tick_size = 0.00001;
  double tick_value = 1.0;
  double contract_size = 100000.0;
  double volume_min = 0.01;
  double volume_max = 100.0;
  double volume_step = 0.01;
  double conversion = 1.0;
  // Two further numbers that nothing in the engine reads.
  double reserved_a = 0.0;
  double reserved_b = 0.0;
};

class Host {
 public:
  virtual ~Host() = default;

  virtual uint8_t capability() = 0;
  // All bars of the run, not only those up to the current one.
  virtual const Bars& bars() = 0;
  // The bars of another symbol or timeframe; none (null) by default.
  virtual const Bars* bars_of(std::string_view symbol, std::string_view timeframe) {
    (void)symbol;
    (void)timeframe;
    return nullptr;
  }
  // Index of the current bar in bars().
  virtual size_t bar_index() = 0;
  virtual bool is_new_bar() = 0;
  virtual const SymbolSpec& symbol() = 0;
  // Current time, epoch milliseconds.
  virtual int64_t now() = 0;
  // Every host-function name the built-ins do not answer, with its arguments (borrowed).
  virtual Result<Value> call(std::string_view name, std::span<const Value> args) = 0;
  // Appends a journal entry.
  virtual void log(std::string_view level, std::string_view message) = 0;
};

}  // namespace kelo_vm::host
