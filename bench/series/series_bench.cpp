// Series kernels in ns per bar over 100k and 1M bars (the counters' "per bar" rate),
// next to plain loops computing the same SMA, EMA and RSI.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "series/indicator_kernels.h"
#include "series/series_eval.h"
#include "series/series_math.h"
#include "vm/host.h"

namespace {

using kelo_vm::series::Column;

struct Bars {
  Column high, low, close, volume;
};

// A deterministic random walk.
const Bars& bars(std::size_t n) {
  static std::vector<std::pair<std::size_t, Bars>> cache;
  for (auto& [size, b] : cache) {
    if (size == n) return b;
  }
  Bars b;
  std::uint64_t state = 7;
  double price = 1.1;
  for (std::size_t i = 0; i < n; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double r = static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    price += r * 0.001;
    b.close.push_back(price);
    b.high.push_back(price + 0.0005 + std::fabs(r) * 0.001);
    b.low.push_back(price - 0.0005 - std::fabs(r) * 0.0005);
    b.volume.push_back(100 + static_cast<double>(state % 1000));
  }
  cache.emplace_back(n, std::move(b));
  return cache.back().second;
}

template <typename F>
void run(benchmark::State& state, F f) {
  const Bars& b = bars(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    auto out = f(b);
    benchmark::DoNotOptimize(out);
  }
  state.counters["ns_per_bar"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(state.range(0)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

namespace s = kelo_vm::series;
namespace e = kelo_vm::evaluate;

#define KERNEL(name, expr)                          \
  void BM_##name(benchmark::State& state) {         \
    run(state, [](const Bars& b) { return expr; }); \
  }                                                 \
  BENCHMARK(BM_##name)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

KERNEL(Sma20, s::sma(b.close, 20))
KERNEL(Ema20, s::ema(b.close, 20))
KERNEL(Rsi14, s::rsi(b.close, 14))
KERNEL(Highest200, s::highest(b.close, 200))
KERNEL(Lowest200, s::lowest(b.close, 200))
KERNEL(Smma14, s::smma(b.close, 14))
KERNEL(Lwma200, s::lwma(b.close, 200))
KERNEL(Dema14, s::dema(b.close, 14))
KERNEL(Tema14, s::tema(b.close, 14))
KERNEL(Stdev20, s::stdev(b.close, 20))
KERNEL(Roc10, s::rate_of_change(b.close, 10))
KERNEL(Linreg50, s::linear_regression(b.close, 50))
KERNEL(Correlation20, s::correlation(b.close, b.high, 20))
KERNEL(TrueRange, s::true_range(b.high, b.low, b.close))
KERNEL(Atr14, s::atr(b.high, b.low, b.close, 14))
KERNEL(WilliamsR14, s::williams_r(b.high, b.low, b.close, 14))
KERNEL(Cci20, s::cci(b.high, b.low, b.close, 20))
KERNEL(Stoch14_3_3, s::stochastic(b.high, b.low, b.close, 14, 3, 3))
KERNEL(Adx14, s::directional(b.high, b.low, b.close, 14))
KERNEL(Sar, s::parabolic_sar(b.high, b.low, 0.02, 0.2))
KERNEL(Mfi14, s::money_flow_index(b.high, b.low, b.close, b.volume, 14))
KERNEL(Obv, s::on_balance_volume(b.close, b.volume))
KERNEL(Ad, s::accumulation_distribution(b.high, b.low, b.close, b.volume))
KERNEL(Macd12_26_9, e::macd(b.close, 12, 26, 9))
KERNEL(Bands20, e::bands(b.close, 20, 2.0))
KERNEL(HighestBar200, e::highest_bar(b.close, 200))
KERNEL(Ac, e::accelerator(b.high, b.low))

// The same three as the plainest loops that compute them.
Column plain_sma(const Column& x, std::size_t n) {
  Column out(x.size(), NAN);
  double sum = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sum += x[i];
    if (i >= n) sum -= x[i - n];
    if (i + 1 >= n) out[i] = sum / static_cast<double>(n);
  }
  return out;
}

Column plain_ema(const Column& x, std::size_t n) {
  Column out(x.size(), NAN);
  if (x.size() < n) return out;
  double prev = 0;
  for (std::size_t i = 0; i < n; ++i) prev += x[i];
  prev /= static_cast<double>(n);
  out[n - 1] = prev;
  const double alpha = 2.0 / (static_cast<double>(n) + 1.0);
  for (std::size_t i = n; i < x.size(); ++i) out[i] = prev = prev + alpha * (x[i] - prev);
  return out;
}

Column plain_rsi(const Column& x, std::size_t n) {
  Column out(x.size(), NAN);
  double g = 0, l = 0;
  const double nd = static_cast<double>(n);
  for (std::size_t i = 1; i < x.size(); ++i) {
    const double d = x[i] - x[i - 1];
    const double gain = d > 0 ? d : 0, loss = d < 0 ? -d : 0;
    if (i <= n) {
      g += gain;
      l += loss;
      if (i < n) continue;
      g /= nd;
      l /= nd;
    } else {
      g = (g * (nd - 1) + gain) / nd;
      l = (l * (nd - 1) + loss) / nd;
    }
    out[i] = l == 0 ? 100 : 100 - 100 / (g / l + 1);
  }
  return out;
}

// A script that builds highest(close, 200) afresh inside onBar and reads it at the
// current bar: the memo keeps the whole run linear in the bars.
class BenchHost : public kelo_vm::host::Host {
 public:
  explicit BenchHost(const Bars& b) {
    bars_.close = b.close;
    bars_.high = b.high;
    bars_.low = b.low;
    bars_.open = b.close;
    bars_.volume = b.volume;
    bars_.spread.assign(b.close.size(), 0.0);
    bars_.times.assign(b.close.size(), 0);
  }
  uint8_t capability() override { return 2; }
  const kelo_vm::host::Bars& bars() override { return bars_; }
  size_t bar_index() override { return index; }
  bool is_new_bar() override { return true; }
  const kelo_vm::host::SymbolSpec& symbol() override { return spec_; }
  int64_t now() override { return 0; }
  kelo_vm::Result<kelo_vm::Value> call(std::string_view, std::span<const kelo_vm::Value>) override {
    return kelo_vm::Value();
  }
  void log(std::string_view, std::string_view) override {}
  size_t index = 0;

 private:
  kelo_vm::host::Bars bars_;
  kelo_vm::host::SymbolSpec spec_;
};

void BM_IndicatorRebuiltEveryBar(benchmark::State& state) {
  BenchHost host(bars(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    kelo_vm::evaluate::Evaluator ev;
    double sum = 0;
    for (std::size_t bar = 0; bar < host.bars().size(); ++bar) {
      host.index = bar;
      using kelo_vm::Series;
      auto node =
          Series::indicator("highest", {Series::source(kelo_vm::SeriesKind::Close)}, {200}, 0);
      sum += (*ev.values_of(*node, host))[bar];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["ns_per_bar"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(state.range(0)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_IndicatorRebuiltEveryBar)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The window maximum rescanning every window, as against the monotonic queue.
Column rescan_highest(const Column& x, std::size_t n) {
  Column out(x.size(), NAN);
  for (std::size_t i = n - 1; i < x.size(); ++i) {
    double m = x[i];
    for (std::size_t k = 1; k < n; ++k) m = std::fmax(m, x[i - k]);
    out[i] = m;
  }
  return out;
}

KERNEL(PlainSma20, plain_sma(b.close, 20))
KERNEL(RescanHighest200, rescan_highest(b.close, 200))
KERNEL(PlainEma20, plain_ema(b.close, 20))
KERNEL(PlainRsi14, plain_rsi(b.close, 14))

}  // namespace
