// The Golden Cross sample bot over generated bars: compiled once, then replayed by the
// backtest driver with the standard built-ins. A second variant creates its indicators
// inside onBar, so every bar builds fresh series. Both should grow linearly.
#include <benchmark/benchmark.h>

#include <memory>

#include "../golden_cross_sample.h"
#include "backtest/backtest.h"
#include "backtest/synthetic_bars.h"
#include "builtins/standard_builtins.h"
#include "compile/compiler.h"

namespace {

using namespace kelo_vm;
using namespace kelo_vm::backtest;

using kelo_bench::kGoldenCross;
using kelo_bench::kGoldenCrossInBar;

void run_bot(benchmark::State& state, const char* source) {
  const auto n = static_cast<size_t>(state.range(0));
  kelo_compile::CompileOutput out = kelo_compile::compile(source, "golden-cross.kelo");
  if (out.diagnostics.has_errors()) {
    state.SkipWithError("the sample does not compile");
    return;
  }
  auto image = std::make_shared<const bytecode::Image>(std::move(out.image));
  builtins::StandardBuiltins builtins;
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
