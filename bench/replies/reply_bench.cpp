// Replies read as the application reads them: through the bridge's exported calls, over
// a stand-in engine that hands back a reply the real engine wrote once. Each iteration
// also makes the real engine call, so the two times come from one run on one machine:
// "engine_ms" is the engine's own time, "per_engine" the reading time over it.
//
// Token replies: the Golden Cross sample repeated to 10,000 and 100,000 lines, read into
// the editor's coloured spans on its worker. Backtest replies: a scalper that trades on
// most bars (about 2,400 trades over the engine's 5,000 generated bars), and a bot that
// writes a journal line on each of 96,000 bars.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstring>
#include <string>

#include "backtest/synthetic_bars.h"
#include "bench/golden_cross_sample.h"
#include "bridge/engine_calls.h"
#include "editor/text_spans.h"
#include "kelo.h"

namespace {

using Clock = std::chrono::steady_clock;
using zx::bridge::EngineFunctions;
using zx::bridge::ExportedEngine;

double seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

// The stand-in engine: every call answers the current reply, which it never releases.
char* g_reply = nullptr;
char* answer() noexcept {
  return g_reply;
}
char* two(const char*, const char*) noexcept {
  return answer();
}
char* three(const char*, const char*, const char*) noexcept {
  return answer();
}
char* one(const char*) noexcept {
  return answer();
}
char* none() noexcept {
  return answer();
}
char* backtest(const char*, const char*, const std::int64_t*, const double*, const double*,
               const double*, const double*, const double*, std::size_t, std::int64_t,
               const KeloSymbol*, double) noexcept {
  return answer();
}
void keep(char*) noexcept {}
const EngineFunctions kStandIn{two, two, three, backtest, one, one, one, none, keep};

std::string linesOfSample(std::int64_t lines) {
  const std::string sample = kelo_bench::kGoldenCross;
  const auto perSample = std::count(sample.begin(), sample.end(), '\n');
  std::string out;
  for (std::int64_t n = 0; n < lines; n += perSample) out += sample;
  return out;
}

void BM_TypedTextColoured(benchmark::State& state) {
  const std::string source = linesOfSample(state.range(0));
  const QString text = QString::fromStdString(source);
  const ExportedEngine reader(kStandIn);
  double engine = 0;
  double reading = 0;
  qsizetype spans = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    char* reply = kelo_tokens(source.c_str());
    const auto written = Clock::now();
    g_reply = reply;
    zx::editor::SpanBuilder builder(text);
    reader.markTokens(text, builder);
    spans = builder.take().size();
    const auto read = Clock::now();
    bytes = std::strlen(reply);
    kelo_string_free(reply);
    engine += seconds(start, written);
    reading += seconds(written, read);
    state.SetIterationTime(seconds(written, read));
  }
  state.counters["engine_ms"] = 1000 * engine / double(state.iterations());
  state.counters["per_engine"] = reading / engine;
  state.counters["spans"] = double(spans);
  state.counters["reply_MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_TypedTextColoured)
    ->ArgName("lines")
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Takes a position on nearly every bar, closed within a few pips.
const char* const kScalper = R"KELO(bot "Scalper" {
  version "1.0.0"
}

fn onBar() {
  guard positions.count() == 0 else { return }
  trade.buy(0.1, sl: symbol.ask - 3 * symbol.pip, tp: symbol.ask + 3 * symbol.pip, comment: "scalp")
}
)KELO";

// Writes one journal line per bar.
const char* const kChatty = R"KELO(bot "Chatty" {
  version "1.0.0"
}

fn onBar() {
  log.info("close " + close[0])
}
)KELO";

void testResultShown(benchmark::State& state, const char* source, std::size_t bars) {
  kelo_vm::host::Bars prices;
  if (bars > 0) prices = kelo_vm::backtest::synthetic_bars(bars + 200, 7);
  const std::size_t count = bars > 0 ? bars + 200 : 0;
  const auto column = [&](const std::vector<double>& c) { return count ? c.data() : nullptr; };
  const ExportedEngine reader(kStandIn);
  double engine = 0;
  double reading = 0;
  std::size_t trades = 0;
  std::size_t lines = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    char* reply =
        kelo_backtest(source, "bench.kelo", count ? prices.times.data() : nullptr,
                      column(prices.open), column(prices.high), column(prices.low),
                      column(prices.close), column(prices.volume), count, 200, nullptr, 10000);
    const auto written = Clock::now();
    g_reply = reply;
    const zx::bridge::BacktestReport report =
        reader.backtest(QString(), QString(), std::nullopt, std::nullopt, 10000, 200);
    const auto read = Clock::now();
    trades = std::size_t(report.trades.size());
    lines = std::size_t(report.journal.size());
    bytes = std::strlen(reply);
    kelo_string_free(reply);
    if (!report.ok) state.SkipWithError("the report did not decode");
    engine += seconds(start, written);
    reading += seconds(written, read);
    state.SetIterationTime(seconds(written, read));
  }
  state.counters["engine_ms"] = 1000 * engine / double(state.iterations());
  state.counters["per_engine"] = reading / engine;
  state.counters["trades"] = double(trades);
  state.counters["journal"] = double(lines);
  state.counters["reply_MB"] = double(bytes) / 1e6;
}

void BM_TestResultShown_Trades(benchmark::State& state) {
  testResultShown(state, kScalper, 0);
}
BENCHMARK(BM_TestResultShown_Trades)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TestResultShown_Journal(benchmark::State& state) {
  testResultShown(state, kChatty, 96000);
}
BENCHMARK(BM_TestResultShown_Journal)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
