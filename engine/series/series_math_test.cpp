#include "series/series_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "series/series_test_columns.h"

namespace kelo_vm::series {
namespace {

constexpr double N = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using testing::expect_column;

const Column kX = {1, 2, 3, 4, 5, 4, 3, 2, 1, 2};
// Eight bars of high, low, close and volume.
const Column kH = {10, 11, 12, 11, 13, 14, 13, 12};
const Column kL = {8, 9, 10, 9, 10, 12, 11, 10};
const Column kC = {9, 10, 11, 10, 12, 13, 12, 11};
const Column kV = {100, 200, 150, 120, 300, 250, 100, 80};

struct Row {
  const char* name;
  std::function<Column()> run;
  std::vector<double> want;
};

TEST(SeriesKernels, ValuesOnAShortColumn) {
  const std::vector<Row> rows = {
      {"sma3", [] { return sma(kX, 3); }, {N, N, 2, 3, 4, 13.0 / 3, 4, 3, 2, 5.0 / 3}},
      {"rolling_sum3", [] { return rolling_sum(kX, 3); }, {N, N, 6, 9, 12, 13, 12, 9, 6, 5}},
      {"ema3", [] { return ema(kX, 3); }, {N, N, 2, 3, 4, 4, 3.5, 2.75, 1.875, 1.9375}},
      {"smma3",
       [] { return smma(kX, 3); },
       {N, N, 2, 8.0 / 3, 31.0 / 9, 98.0 / 27, 277.0 / 81, 716.0 / 243, 1675.0 / 729,
        4808.0 / 2187}},
      {"lwma3",
       [] { return lwma(kX, 3); },
       {N, N, 14.0 / 6, 20.0 / 6, 26.0 / 6, 26.0 / 6, 22.0 / 6, 16.0 / 6, 10.0 / 6, 10.0 / 6}},
      {"stdev3",
       [] { return stdev(kX, 3); },
       {N, N, std::sqrt(2.0 / 3), std::sqrt(2.0 / 3), std::sqrt(2.0 / 3), std::sqrt(2.0 / 9),
        std::sqrt(2.0 / 3), std::sqrt(2.0 / 3), std::sqrt(2.0 / 3), std::sqrt(2.0 / 9)}},
      {"highest3", [] { return highest(kX, 3); }, {N, N, 3, 4, 5, 5, 5, 4, 3, 2}},
      {"lowest3", [] { return lowest(kX, 3); }, {N, N, 1, 2, 3, 4, 3, 2, 1, 1}},
      {"roc3",
       [] { return rate_of_change(kX, 3); },
       {N, N, N, 300, 150, 100.0 / 3, -25, -60, -75, -100.0 / 3}},
      {"rsi3",
       [] { return rsi(kX, 3); },
       {N, N, N, 100, 100, 200.0 / 3, 400.0 / 9, 800.0 / 27, 1600.0 / 81, 46.50205761316872}},
      {"linreg3 value",
       [] { return linear_regression(kX, 3).value; },
       {N, N, 3, 4, 5, 13.0 / 3, 3, 2, 1, 5.0 / 3}},
      {"linreg3 slope",
       [] { return linear_regression(kX, 3).slope; },
       {N, N, 1, 1, 1, 0, -1, -1, -1, 0}},
      {"linreg3 intercept",
       [] { return linear_regression(kX, 3).intercept; },
       {N, N, 1, 2, 3, 13.0 / 3, 5, 4, 3, 5.0 / 3}},
      {"dema3", [] { return dema(kX, 3); }, {N, N, N, N, 5, 4.5, 3.5, 2.375, 1.25, 1.65625}},
      {"tema3",
       [] { return tema(kX, 3); },
       {N, N, N, N, N, N, 10.0 / 3, 2.1041666666666665, 0.9895833333333334, 1.6979166666666667}},
      {"true_range", [] { return true_range(kH, kL, kC); }, {2, 2, 2, 2, 3, 2, 2, 2}},
      {"atr3",
       [] { return atr(kH, kL, kC, 3); },
       {N, N, 2, 2, 7.0 / 3, 20.0 / 9, 58.0 / 27, 170.0 / 81}},
      {"williams_r3",
       [] { return williams_r(kH, kL, kC, 3); },
       {N, N, -25, -200.0 / 3, -25, -20, -50, -75}},
      {"cci3",
       [] { return cci(kH, kL, kC, 3); },
       {N, N, 100, -50, 87.5, 92.85714285714286, -28.571428571428573, -100}},
      {"stoch k 3 slowing 1",
       [] { return stochastic(kH, kL, kC, 3, 1, 2).k; },
       {N, N, 75, 100.0 / 3, 75, 80, 50, 25}},
      {"stoch d 2",
       [] { return stochastic(kH, kL, kC, 3, 1, 2).d; },
       {N, N, N, 54.166666666666664, 54.166666666666664, 77.5, 65, 37.5}},
      {"plus_di3",
       [] { return directional(kH, kL, kC, 3).plus_di; },
       {N, N, 100.0 / 3, 200.0 / 9, 41.26984126984127, 43.888888888888886, 30.268199233716476,
        20.65359477124183}},
      {"minus_di3",
       [] { return directional(kH, kL, kC, 3).minus_di; },
       {N, N, 0, 50.0 / 3, 9.523809523809524, 20.0 / 3, 20.114942528735632, 29.607843137254903}},
      {"adx3",
       [] { return directional(kH, kL, kC, 3).adx; },
       {N, N, N, N, 58.92857142857143, 63.827838827838825, 49.26925630347684, 38.78461907011156}},
      {"sar",
       [] { return parabolic_sar(kH, kL, 0.02, 0.2); },
       {8, 8.04, 8.1584, 8.388896, 8.60556224, 8.9571172608, 9.46140553472, 9.915264981248}},
      {"mfi3",
       [] { return money_flow_index(kH, kL, kC, kV, 3); },
       {N, N, 100, 75.25773195876289, 81.10236220472441, 84.90566037735849, 84.90566037735849,
        60.97560975609756}},
      {"obv", [] { return on_balance_volume(kC, kV); }, {0, 200, 350, 230, 530, 780, 680, 600}},
      {"ad",
       [] { return accumulation_distribution(kH, kL, kC, kV); },
       {0, 0, 0, 0, 100, 100, 100, 100}},
  };
  for (const Row& row : rows) expect_column(row.run(), row.want, row.name);
}

TEST(SeriesKernels, CorrelationOfLinearlyRelatedColumns) {
  Column twice;
  Column negated;
  for (double v : kX) {
    twice.push_back(2 * v);
    negated.push_back(-v);
  }
  const Column up = correlation(kX, twice, 3);
  const Column down = correlation(kX, negated, 3);
  EXPECT_TRUE(std::isnan(up[0]) && std::isnan(up[1]));
  for (std::size_t i = 2; i < kX.size(); ++i) {
    EXPECT_NEAR(up[i], 1.0, 1e-12) << i;
    EXPECT_NEAR(down[i], -1.0, 1e-12) << i;
  }
  // A flat companion has no variance: no value, and a shorter one reads NaN past its end.
  expect_column(correlation(Column{1, 2, 3}, Column{5, 5, 5}, 2), {N, N, N}, "flat");
  expect_column(correlation(Column{1, 2, 3, 4}, Column{1, 2}, 2), {N, 1, N, N}, "short b");
}

TEST(SeriesKernels, EmptyInputGivesEmptyOutput) {
  const Column e;
  const std::vector<std::pair<const char*, Column>> outs = {
      {"sma", sma(e, 3)},
      {"rolling_sum", rolling_sum(e, 3)},
      {"ema", ema(e, 3)},
      {"smma", smma(e, 3)},
      {"lwma", lwma(e, 3)},
      {"dema", dema(e, 3)},
      {"tema", tema(e, 3)},
      {"stdev", stdev(e, 3)},
      {"highest", highest(e, 3)},
      {"lowest", lowest(e, 3)},
      {"roc", rate_of_change(e, 3)},
      {"rsi", rsi(e, 3)},
      {"linreg", linear_regression(e, 3).value},
      {"correlation", correlation(e, e, 3)},
      {"true_range", true_range(e, e, e)},
      {"atr", atr(e, e, e, 3)},
      {"williams_r", williams_r(e, e, e, 3)},
      {"cci", cci(e, e, e, 3)},
      {"stoch k", stochastic(e, e, e, 3, 3, 3).k},
      {"stoch d", stochastic(e, e, e, 3, 3, 3).d},
      {"adx", directional(e, e, e, 3).adx},
      {"sar", parabolic_sar(e, e, 0.02, 0.2)},
      {"mfi", money_flow_index(e, e, e, e, 3)},
      {"obv", on_balance_volume(e, e)},
      {"ad", accumulation_distribution(e, e, e, e)},
  };
  for (const auto& [name, out] : outs) EXPECT_TRUE(out.empty()) << name;
}

TEST(SeriesKernels, EdgeCases) {
  const Column with_nan = {3, N, 1, 7, N, N, N, 2};
  const Column flat = {5, 5, 5, 5, 5, 5};
  const Column falling = {6, 5, 4, 3, 2, 1};
  const std::vector<Row> rows = {
      {"highest window 1 copies, NaN included",
       [&] { return highest(with_nan, 1); },
       {3, N, 1, 7, N, N, N, 2}},
      {"highest window 0 is NaN", [&] { return highest(kX, 0); }, Column(10, N)},
      {"highest passes over NaN", [&] { return highest(with_nan, 3); }, {N, N, 3, 7, 7, 7, N, 2}},
      {"lowest passes over NaN", [&] { return lowest(with_nan, 2); }, {N, 3, 1, 1, 7, N, N, 2}},
      {"highest window past the data", [&] { return highest(kX, 11); }, Column(10, N)},
      {"sma window 0", [&] { return sma(kX, 0); }, Column(10, N)},
      {"sma window 1", [&] { return sma(kX, 1); }, kX},
      {"sma window past the data",
       [&] {
         return sma(Column{1, 2}, 3);
       },
       {N, N}},
      {"sma restarts after NaN", [&] { return sma(with_nan, 2); }, {N, N, N, 4, N, N, N, N}},
      {"ema falls back to its seed after NaN",
       [&] {
         return ema(Column{1, 3, N, 4, 6, 8}, 2);
       },
       {N, 2, N, N, 5, 7}},
      {"rsi flat", [&] { return rsi(flat, 3); }, {N, N, N, 100, 100, 100}},
      {"rsi falling", [&] { return rsi(falling, 3); }, {N, N, N, 0, 0, 0}},
      {"rsi starts at the first defined difference",
       [&] {
         return rsi(Column{N, N, 1, 2, 3, 2}, 2);
       },
       {N, N, N, N, 100, 50}},
      {"rsi of no values",
       [&] {
         return rsi(Column{N, N, N, N}, 2);
       },
       {N, N, N, N}},
      {"rsi window 0", [&] { return rsi(flat, 0); }, Column(6, N)},
      {"rsi one value", [&] { return rsi(Column{5}, 1); }, {N}},
      {"roc zero base",
       [&] {
         return rate_of_change(Column{0, 1, 2}, 1);
       },
       {N, N, 100}},
      {"roc period 0",
       [&] {
         return rate_of_change(Column{2, 0, 4}, 0);
       },
       {0, N, 0}},
      {"lwma window 0", [&] { return lwma(kX, 0); }, Column(10, N)},
      {"stdev window 0", [&] { return stdev(kX, 0); }, Column(10, N)},
      {"linreg window 1", [&] { return linear_regression(kX, 1).value; }, Column(10, N)},
      {"cci window 0", [&] { return cci(kH, kL, kC, 0); }, Column(8, N)},
      {"cci flat", [&] { return cci(flat, flat, flat, 3); }, {N, N, N, N, N, N}},
      {"williams_r flat", [&] { return williams_r(flat, flat, flat, 2); }, {N, N, N, N, N, N}},
      {"stoch flat", [&] { return stochastic(flat, flat, flat, 2, 1, 1).k; }, Column(6, N)},
      {"mfi without falling price",
       [&] {
         return money_flow_index(kX, kX, Column{1, 2, 3, 4}, Column{1, 1, 1, 1}, 2);
       },
       {N, 100, 100, 100}},
      {"sar one bar", [&] { return parabolic_sar(Column{5}, Column{4}, 0.02, 0.2); }, {N}},
      {"sar starts short when the second high is lower",
       [&] {
         return parabolic_sar(Column{10, 9}, Column{8, 7}, 0.02, 0.2);
       },
       {10, 9.96}},
      {"window sum survives infinities leaving it",
       [&] {
         return rolling_sum(Column{1, kInf, 2, 3, 4}, 2);
       },
       {N, kInf, kInf, 5, 7}},
  };
  for (const Row& row : rows) expect_column(row.run(), row.want, row.name);
}

TEST(SeriesKernels, SeedsMatchTheWindowMean) {
  const Column s = sma(kX, 4);
  EXPECT_EQ(ema(kX, 4)[3], s[3]);
  EXPECT_EQ(smma(kX, 4)[3], s[3]);
}

TEST(SeriesKernels, HugePeriodsAreAllNaN) {
  const std::size_t huge = std::numeric_limits<std::size_t>::max();
  for (const Column& out :
       {sma(kX, huge), ema(kX, huge), lwma(kX, huge), stdev(kX, huge), highest(kX, huge),
        rsi(kX, huge), rate_of_change(kX, huge), linear_regression(kX, huge).slope,
        correlation(kX, kX, huge), cci(kH, kL, kC, huge), directional(kH, kL, kC, huge).adx}) {
    for (double v : out) EXPECT_TRUE(std::isnan(v));
  }
}

TEST(SeriesKernels, ComposedOutputsBecomeDefined) {
  // First defined index of each composed indicator with its usual periods, on a long
  // wavy column: the window sums restart after their input's own warm-up.
  Column x;
  Column high;
  Column low;
  for (int i = 0; i < 120; ++i) {
    const double v = 100 + 10 * std::sin(i * 0.3) + i * 0.1;
    x.push_back(v);
    high.push_back(v + 1 + (i % 3));
    low.push_back(v - 1 - (i % 2));
  }
  auto first_defined = [](const Column& c) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      if (!std::isnan(c[i])) return static_cast<long>(i);
    }
    return -1L;
  };
  EXPECT_EQ(first_defined(dema(x, 14)), 26);
  EXPECT_EQ(first_defined(tema(x, 14)), 39);
  EXPECT_EQ(first_defined(directional(high, low, x, 14).adx), 26);
  const Stochastic st = stochastic(high, low, x, 14, 3, 3);
  EXPECT_EQ(first_defined(st.k), 15);
  EXPECT_EQ(first_defined(st.d), 17);
}

}  // namespace
}  // namespace kelo_vm::series
