// The exported calls as the application makes them, replies included: a backtest of the
// Golden Cross sample over generated and supplied bars (indicators at top level, and
// created inside onBar), and the editor's tokens and completion calls.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../golden_cross_sample.h"
#include "backtest/synthetic_bars.h"
#include "kelo.h"

namespace {

using kelo_bench::kGoldenCross;
using kelo_bench::kGoldenCrossInBar;

long minor_faults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// A full backtest reply; 0 bars means the engine's own 5000 generated bars. "faults" counts
// the pages each call touched for the first time: the cost that grows with a long run's
// fresh memory rather than with its work.
void backtest(benchmark::State& state, const char* source) {
  const auto n = static_cast<size_t>(state.range(0));
  kelo_vm::host::Bars bars;
  if (n > 0) bars = kelo_vm::backtest::synthetic_bars(n, 7);
  const size_t replayed = n > 0 ? n : 5000;
  size_t reply_bytes = 0;
  const long faults_before = minor_faults();
  for (auto _ : state) {
    char* reply = kelo_backtest(source, "golden-cross.kelo", n > 0 ? bars.times.data() : nullptr,
                                n > 0 ? bars.open.data() : nullptr,
                                n > 0 ? bars.high.data() : nullptr,
                                n > 0 ? bars.low.data() : nullptr,
                                n > 0 ? bars.close.data() : nullptr,
                                n > 0 ? bars.volume.data() : nullptr, n, 200, nullptr, 10000);
    reply_bytes = std::char_traits<char>::length(reply);
    kelo_string_free(reply);
  }
  state.counters["bars/s"] = benchmark::Counter(
      static_cast<double>(replayed), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["reply bytes"] = static_cast<double>(reply_bytes);
  state.counters["faults"] = benchmark::Counter(static_cast<double>(minor_faults() - faults_before),
                                                benchmark::Counter::kAvgIterations);
}

void BM_BacktestGoldenCross(benchmark::State& state) { backtest(state, kGoldenCross); }
void BM_BacktestGoldenCrossInBar(benchmark::State& state) { backtest(state, kGoldenCrossInBar); }

BENCHMARK(BM_BacktestGoldenCross)->Arg(0)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BacktestGoldenCrossInBar)
    ->Arg(0)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

// The sample repeated to the given number of lines.
std::string source_of_lines(size_t lines) {
  const std::string sample = kGoldenCross;
  const auto sample_lines = static_cast<size_t>(std::count(sample.begin(), sample.end(), '\n'));
  std::string out;
  for (size_t count = 0; count < lines; count += sample_lines) out += sample;
  return out;
}

void BM_Tokens(benchmark::State& state) {
  const std::string source = source_of_lines(static_cast<size_t>(state.range(0)));
  for (auto _ : state) kelo_string_free(kelo_tokens(source.c_str()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}
BENCHMARK(BM_Tokens)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_CompletionsOfEverything(benchmark::State& state) {
  for (auto _ : state) kelo_string_free(kelo_completions(""));
}
BENCHMARK(BM_CompletionsOfEverything)->Unit(benchmark::kMicrosecond);

}  // namespace
