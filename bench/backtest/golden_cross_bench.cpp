// The Golden Cross sample bot over generated bars: compiled once, then replayed by the
// backtest driver with the standard built-ins. A second variant creates its indicators
// inside onBar, so every bar builds fresh series. Both should grow linearly.
#include <benchmark/benchmark.h>

#include <memory>

#include "compile/compiler.h"
#include "vm/backtest.h"
#include "vm/series_builtins.h"
#include "vm/synthetic_bars.h"

namespace {

using namespace kelo_vm;
using namespace kelo_vm::backtest;

constexpr const char* kGoldenCross = R"KELO(bot "Golden Cross" {
  version     "1.0.0"
  author      "Wexo"
  description "Buys when a fast EMA crosses above a slow one."
  timeframes  M15, H1
}

input group "Signal"
input int fast = 20 { label: "Fast EMA", min: 2, max: 200 }
input int slow = 60 { label: "Slow EMA", min: 5, max: 400 }

input group "Risk"
input lots volume   = 0.10 { min: 0.01, max: 10, step: 0.01 }
input int  stopPips = 45   { label: "Stop loss (pips)", min: 5, max: 500 }
input int  takePips = 110  { label: "Take profit (pips)", min: 5, max: 900 }

let quick  = ema(close, fast)
let steady = ema(close, slow)
let signal = crossesOver(quick, steady)

fn onInit() -> status {
  log.info("Golden Cross ready on " + symbol.name)
  return status.ok
}

fn onBar() {
  guard positions.count() == 0 else { return }
  if !signal[0] { return }

  trade.buy(volume,
    sl: symbol.ask - stopPips * symbol.pip,
    tp: symbol.ask + takePips * symbol.pip,
    comment: "cross up")
}
)KELO";

constexpr const char* kGoldenCrossInBar = R"KELO(bot "Golden Cross In Bar" {
  version "1.0.0"
}

input int fast = 20
input int slow = 60
input lots volume = 0.10
input int stopPips = 45
input int takePips = 110

fn onBar() {
  guard positions.count() == 0 else { return }
  let signal = crossesOver(ema(close, fast), ema(close, slow))
  if !signal[0] { return }

  trade.buy(volume,
    sl: symbol.ask - stopPips * symbol.pip,
    tp: symbol.ask + takePips * symbol.pip,
    comment: "cross up")
}
)KELO";

void run_bot(benchmark::State& state, const char* source) {
  const auto n = static_cast<size_t>(state.range(0));
  kelo_compile::CompileOutput out = kelo_compile::compile(source, "golden-cross.kelo");
  if (out.diagnostics.has_errors()) {
    state.SkipWithError("the sample does not compile");
    return;
  }
  auto image = std::make_shared<const bytecode::Image>(std::move(out.image));
  StandardBuiltins builtins;
  host::Bars bars = synthetic_bars(n, 7);
  size_t trades = 0;
  for (auto _ : state) {
    ReplayHost host(bars, {}, 10000.0, 0.0001);
    Report report = Backtest(std::move(host), image, 200, builtins).run();
    trades = report.trades.size();
    benchmark::DoNotOptimize(report);
  }
  state.counters["trades"] = static_cast<double>(trades);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}

void BM_GoldenCross(benchmark::State& state) { run_bot(state, kGoldenCross); }
void BM_GoldenCrossIndicatorsInOnBar(benchmark::State& state) { run_bot(state, kGoldenCrossInBar); }

BENCHMARK(BM_GoldenCross)
    ->Arg(5'000)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GoldenCrossIndicatorsInOnBar)
    ->Arg(5'000)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)
    ->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace
