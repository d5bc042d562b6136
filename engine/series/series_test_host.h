#pragma once

// A host for tests of series evaluation and the built-ins: fixed bars, a settable current
// bar, optional bars of another symbol, and host calls that fail by name.

#include <map>
#include <string>
#include <utility>

#include "vm/host.h"

namespace kelo_vm::testing {

class TestHost : public host::Host {
 public:
  TestHost() = default;
  explicit TestHost(host::Bars bars) : bars_(std::move(bars)) {}

  // Bars with close c, high c+1, low c-1, open c-0.5, volume 100, spread 2, times i*60000.
  static host::Bars bars_from_close(const std::vector<double>& close) {
    host::Bars b;
    for (std::size_t i = 0; i < close.size(); ++i) {
      b.times.push_back(static_cast<int64_t>(i) * 60000);
      b.open.push_back(close[i] - 0.5);
      b.high.push_back(close[i] + 1);
      b.low.push_back(close[i] - 1);
      b.close.push_back(close[i]);
      b.volume.push_back(100);
      b.spread.push_back(2);
    }
    return b;
  }

  uint8_t capability() override { return 2; }
  const host::Bars& bars() override { return bars_; }
  const host::Bars* bars_of(std::string_view symbol, std::string_view timeframe) override {
    last_bars_of = std::string(symbol) + "|" + std::string(timeframe);
    auto it = others.find(last_bars_of);
    return it == others.end() ? nullptr : &it->second;
  }
  size_t bar_index() override { return index; }
  bool is_new_bar() override { return true; }
  const host::SymbolSpec& symbol() override { return spec; }
  int64_t now() override { return 0; }
  Result<Value> call(std::string_view name, std::span<const Value>) override {
    return RuntimeError{"'" + std::string(name) + "' is not available while backtesting", 1};
  }
  void log(std::string_view, std::string_view) override {}

  host::Bars& mutable_bars() { return bars_; }

  size_t index = 0;
  host::SymbolSpec spec;
  std::map<std::string, host::Bars> others;  // by "symbol|timeframe"
  std::string last_bars_of;

 private:
  host::Bars bars_;
};

}  // namespace kelo_vm::testing
