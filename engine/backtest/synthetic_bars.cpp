#include "backtest/synthetic_bars.h"

#include <cmath>
#include <utility>
#include <vector>

#include "vm/columns.h"

namespace kelo_vm::backtest {

host::Bars synthetic_bars(size_t count, uint64_t seed) {
  constexpr uint64_t kMultiplier = 6364136223846793005ull;
  constexpr uint64_t kIncrement = 1442695040888963407ull;

  std::vector<int64_t> times = columns::take_times(count);
  std::vector<double> opens = columns::take(count), highs = columns::take(count),
                      lows = columns::take(count), closes = columns::take(count),
                      volumes = columns::take(count);

  // Unsigned arithmetic wraps by definition; the exact sequence depends on it.
  uint64_t state = seed * kMultiplier + 1;
  int64_t time = kSyntheticStartTime;
  double price = 1.1;
  for (size_t i = 0; i < count; ++i) {
    double wave = std::sin(static_cast<double>(i) / 240.0);
    times.push_back(time);
    opens.push_back(price);
    state = state * kMultiplier + kIncrement;
    double noise = static_cast<double>(state >> 32) / 4294967295.0 - 0.5;
    double step = (1.1 - price) * 0.004 + wave * 0.0002 + noise * 0.0009;
    double close = price + step;
    double wick = std::fabs(noise) * 0.0004;
    closes.push_back(close);
    highs.push_back((price > close ? price : close) + wick);
    lows.push_back((price < close ? price : close) - wick);
    volumes.push_back(std::fabs(noise) * 400.0 + 100.0);
    price = close;
    // Times past the 64-bit range would need 10^11 years of bars; stop adding instead.
    if (time <= INT64_MAX - 60000) time += 60000;
  }
  host::Bars bars;
  bars.times = std::move(times);
  bars.open = std::move(opens);
  bars.high = std::move(highs);
  bars.low = std::move(lows);
  bars.close = std::move(closes);
  bars.volume = std::move(volumes);
  bars.spread = host::BarColumn<double>::filled(count, 10.0);
  return bars;
}

host::Bars price_bars(const PriceColumns& c, double spread_price) {
  if (c.close == nullptr || c.count == 0) return synthetic_bars(kDefaultSyntheticBars, kDefaultSyntheticSeed);
  const size_t n = c.count;
  auto column = [n](const double* data) {
    if (data) return host::BarColumn<double>::borrowed({data, n});
    return host::BarColumn<double>::filled(n, 0.0);
  };
  host::Bars bars;
  if (c.times) {
    bars.times = host::BarColumn<int64_t>::borrowed({c.times, n});
  } else {
    std::vector<int64_t> times(n);
    constexpr int64_t kMinute = 60000;
    constexpr uint64_t kLastMinute = static_cast<uint64_t>(INT64_MAX / kMinute);
    for (size_t i = 0; i < n; ++i)
      times[i] = i <= kLastMinute ? static_cast<int64_t>(i) * kMinute : INT64_MAX;
    bars.times = std::move(times);
  }
  bars.open = column(c.open);
  bars.high = column(c.high);
  bars.low = column(c.low);
  bars.close = column(c.close);
  bars.volume = column(c.volume);
  bars.spread = host::BarColumn<double>::filled(n, spread_price);
  return bars;
}

}  // namespace kelo_vm::backtest
