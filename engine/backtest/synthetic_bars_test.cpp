#include "backtest/synthetic_bars.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelo_vm::backtest {
namespace {

TEST(SyntheticBars, SeedSevenFirstBarsAndLastClose) {
  host::Bars bars = synthetic_bars(5000, 7);
  ASSERT_EQ(bars.size(), 5000u);
  EXPECT_EQ(bars.times[0], 1767225600000);
  EXPECT_EQ(bars.open[0], 1.1);
  EXPECT_EQ(bars.high[0], 1.1000891320204105);
  EXPECT_EQ(bars.low[0], 1.0997103209336663);
  EXPECT_EQ(bars.close[0], 1.0997994529540767);
  EXPECT_EQ(bars.volume[0], 189.13202041041387);
  EXPECT_EQ(bars.open[1], bars.close[0]);
  EXPECT_EQ(bars.close[1], 1.1000806824213478);
  EXPECT_EQ(bars.times[1], 1767225660000);
  EXPECT_EQ(bars.close[4999], 1.1304206529542857);
  EXPECT_EQ(bars.times[4999], 1767225600000 + 4999 * 60000);
  double sum = 0;
  for (double c : bars.close) sum += c;
  EXPECT_EQ(sum, 5506.415228000325);
}

TEST(SyntheticBars, ShapeHoldsForAnySeed) {
  for (uint64_t seed : {0ull, 1ull, 7ull, 0xFFFFFFFFFFFFFFFFull}) {
    host::Bars bars = synthetic_bars(300, seed);
    ASSERT_EQ(bars.times.size(), 300u);
    ASSERT_EQ(bars.open.size(), 300u);
    ASSERT_EQ(bars.high.size(), 300u);
    ASSERT_EQ(bars.low.size(), 300u);
    ASSERT_EQ(bars.volume.size(), 300u);
    ASSERT_EQ(bars.spread.size(), 300u);
    EXPECT_EQ(bars.open[0], 1.1) << seed;
    EXPECT_EQ(bars.times[0], kSyntheticStartTime) << seed;
    for (size_t i = 0; i < 300; ++i) {
      EXPECT_EQ(bars.spread[i], 10.0);
      EXPECT_GE(bars.high[i], std::fmax(bars.open[i], bars.close[i]));
      EXPECT_LE(bars.low[i], std::fmin(bars.open[i], bars.close[i]));
      EXPECT_GE(bars.volume[i], 100.0);
      EXPECT_LE(bars.volume[i], 300.0);
      if (i > 0) {
        EXPECT_EQ(bars.open[i], bars.close[i - 1]);
        EXPECT_EQ(bars.times[i] - bars.times[i - 1], 60000);
      }
    }
  }
}

TEST(SyntheticBars, SameSeedSameBarsOtherSeedOtherBars) {
  host::Bars a = synthetic_bars(1000, 42), b = synthetic_bars(1000, 42), c = synthetic_bars(1000, 43);
  EXPECT_EQ(a.close, b.close);
  EXPECT_EQ(a.high, b.high);
  EXPECT_NE(a.close, c.close);
  // A prefix of a longer run is the shorter run.
  host::Bars shorter = synthetic_bars(10, 42);
  EXPECT_TRUE(std::equal(shorter.close.begin(), shorter.close.end(), a.close.begin()));
}

TEST(SyntheticBars, CountZeroGivesSevenEmptyColumns) {
  host::Bars bars = synthetic_bars(0, 7);
  EXPECT_TRUE(bars.times.empty());
  EXPECT_TRUE(bars.open.empty());
  EXPECT_TRUE(bars.high.empty());
  EXPECT_TRUE(bars.low.empty());
  EXPECT_TRUE(bars.close.empty());
  EXPECT_TRUE(bars.volume.empty());
  EXPECT_TRUE(bars.spread.empty());
}

TEST(PriceBars, NoCloseOrNoCountGeneratesTheDefaultBars) {
  const double closes[] = {1.5, 1.6, 1.7};
  const int64_t times[] = {5, 6, 7};
  struct Case {
    const char* name;
    PriceColumns columns;
  };
  const Case cases[] = {
      {"nothing given", {}},
      {"count 0 with every column", {times, closes, closes, closes, closes, closes, 0}},
      {"no close with count 3", {times, closes, closes, closes, nullptr, closes, 3}},
  };
  for (const Case& c : cases) {
    host::Bars bars = price_bars(c.columns, 0.0001);
    ASSERT_EQ(bars.size(), 5000u) << c.name;
    EXPECT_EQ(bars.close[0], 1.0997994529540767) << c.name;
    EXPECT_EQ(bars.close[4999], 1.1304206529542857) << c.name;
    EXPECT_EQ(bars.spread[0], 10.0) << c.name;
  }
}

TEST(PriceBars, SuppliedColumnsAreCopiedAndMissingOnesFilled) {
  const double open[] = {1.0, 2.0, 3.0};
  const double close[] = {1.5, 2.5, 3.5};
  const int64_t times[] = {-5, 0, 99};
  host::Bars with_times = price_bars({times, open, nullptr, nullptr, close, nullptr, 3}, 0.0001);
  EXPECT_EQ(with_times.times, (std::vector<int64_t>{-5, 0, 99}));
  EXPECT_EQ(with_times.open, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(with_times.high, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(with_times.low, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(with_times.close, (std::vector<double>{1.5, 2.5, 3.5}));
  EXPECT_EQ(with_times.volume, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(with_times.spread, (std::vector<double>{0.0001, 0.0001, 0.0001}));

  host::Bars no_times = price_bars({nullptr, nullptr, nullptr, nullptr, close, nullptr, 3}, 0.001);
  EXPECT_EQ(no_times.times, (std::vector<int64_t>{0, 60000, 120000}));
  EXPECT_EQ(no_times.open, (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(no_times.spread, (std::vector<double>{0.001, 0.001, 0.001}));
}

}  // namespace
}  // namespace kelo_vm::backtest
