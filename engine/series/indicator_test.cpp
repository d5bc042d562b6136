#include "series/indicator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "series/indicator_kernels.h"
#include "series/series_test_columns.h"

namespace kelo_vm::evaluate {
namespace {

constexpr double N = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using testing::expect_column;

// Bit-for-bit equality, NaN matching NaN.
bool same(const Column& a, const Column& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::isnan(a[i]) != std::isnan(b[i])) return false;
    if (!std::isnan(a[i]) && a[i] != b[i]) return false;
  }
  return true;
}

class FixedInputs : public InputColumns {
 public:
  FixedInputs(std::vector<Column> columns, std::size_t count)
      : columns_(std::move(columns)), missing_(count, N) {}
  Input input(std::size_t index) override {
    ++reads;
    return index < columns_.size() ? Input(columns_[index]) : Input(missing_);
  }
  int reads = 0;

 private:
  std::vector<Column> columns_;
  Column missing_;
};

const Column kH = {10, 11, 12, 11, 13, 14, 13, 12};
const Column kL = {8, 9, 10, 9, 10, 12, 11, 10};
const Column kC = {9, 10, 11, 10, 12, 13, 12, 11};
const Column kV = {100, 200, 150, 120, 300, 250, 100, 80};
const BarColumns kBars{kH, kL, kC, kV};

Column run(std::string_view name, std::vector<Column> inputs, std::vector<double> numbers,
           std::uint8_t selector = 0, const BarColumns& bars = kBars) {
  const std::size_t count = bars.close.size();
  FixedInputs in(std::move(inputs), count);
  return indicator_column(name, in, numbers, selector, bars, count);
}

struct Row {
  const char* name;
  std::function<Column()> got;
  std::vector<double> want;
};

TEST(SeriesUtilities, Values) {
  const std::vector<Row> rows = {
      {"offset -1 reads the next bar",
       [] {
         return offset(Column{1, 2, 3}, -1);
       },
       {2, 3, N}},
      {"offset 1 reads the previous bar",
       [] {
         return offset(Column{1, 2, 3}, 1);
       },
       {N, 1, 2}},
      {"offset 0 is the input",
       [] {
         return offset(Column{1, N, 3}, 0);
       },
       {1, N, 3}},
      {"offset beyond the data",
       [] {
         return offset(Column{1, 2}, std::numeric_limits<std::int64_t>::min());
       },
       {N, N}},
      {"nz replaces NaN and infinities",
       [] {
         return nz(Column{1, N, kInf, -kInf}, 7);
       },
       {1, 7, 7, 7}},
      {"cum skips what is not finite",
       [] {
         return cum(Column{1, N, 2, kInf, 3});
       },
       {1, 1, 3, 3, 6}},
      {"changed counts NaN as a change",
       [] {
         return changed(Column{1, 1, 2, N, N});
       },
       {0, 0, 1, 1, 1}},
      {"rising over 2 steps",
       [] {
         return rising(Column{1, 2, 3, 3, 4, 5, N, 6}, 2);
       },
       {0, 0, 1, 0, 0, 1, 0, 0}},
      {"falling over 1 step",
       [] {
         return falling(Column{3, 2, 2, 1}, 1);
       },
       {0, 1, 0, 1}},
      {"highestBar prefers the newest equal",
       [] {
         return highest_bar(Column{1, 3, 2, 3, 1}, 3);
       },
       {N, N, 1, 0, 1}},
      {"highestBar flat window",
       [] {
         return highest_bar(Column{4, 4, 4}, 2);
       },
       {N, 0, 0}},
      {"highestBar NaN never wins",
       [] {
         return highest_bar(Column{5, N, N}, 2);
       },
       {N, 1, 0}},
      {"lowestBar",
       [] {
         return lowest_bar(Column{2, 1, 3, 1}, 3);
       },
       {N, N, 1, 0}},
      {"highestBar window 1",
       [] {
         return highest_bar(Column{1, 2}, 1);
       },
       {0, 0}},
      {"highestBar window past the data",
       [] {
         return highest_bar(Column{1, 2}, 3);
       },
       {N, N}},
      {"barsSince counts from the last true bar",
       [] {
         return bars_since(Column{0, 0, 1, 0, 0, 1, N});
       },
       {N, N, 0, 1, 2, 0, 1}},
      {"crossesOver from exactly 0",
       [] {
         return crosses_over(Column{-1, 0, 1, 2, 1, -1}, Column(6, 0.0));
       },
       {0, 0, 1, 0, 0, 0}},
      {"crossesUnder",
       [] {
         return crosses_under(Column{-1, 0, 1, 2, 1, -1}, Column(6, 0.0));
       },
       {0, 0, 0, 0, 0, 1}},
      {"crosses need finite differences",
       [] {
         return crosses_over(Column{-1, 1, N, 1}, Column{0, 0, 0, 0});
       },
       {0, 1, 0, 0}},
      {"momentum",
       [] {
         return momentum(Column{1, 4, 9, 16}, 2);
       },
       {N, N, 8, 12}},
  };
  for (const Row& row : rows) expect_column(row.got(), row.want, row.name);
}

TEST(IndicatorEvaluation, ParameterRules) {
  Column x;
  for (int i = 0; i < 20; ++i) x.push_back(i * i % 7);
  const Column fourteen = series::sma(x, 14);
  for (double bad : {0.5, N, kInf, -3.0}) {
    EXPECT_TRUE(same(run("sma", {x}, {bad}), fourteen)) << bad;
  }
  EXPECT_TRUE(same(run("sma", {x}, {}), fourteen));
  EXPECT_TRUE(same(run("sma", {x}, {3.9}), series::sma(x, 3)));
  EXPECT_TRUE(same(run("ma", {x}, {3, 99}), series::sma(x, 3)));
  // The kernel that ma's type chose, by its selector.
  EXPECT_TRUE(same(run("ma", {x}, {3}, 1), series::ema(x, 3)));
  EXPECT_TRUE(same(run("ma", {x}, {3}, 2), series::smma(x, 3)));
  EXPECT_TRUE(same(run("ma", {x}, {3}, 3), series::lwma(x, 3)));
  EXPECT_TRUE(same(run("ma", {x}, {3}, 9), series::sma(x, 3)));
  EXPECT_TRUE(same(run("avg", {x}, {}), series::sma(x, 20)));
  EXPECT_TRUE(same(run("sma", {x}, {1e300}), Column(20, N)));
  EXPECT_EQ(count_param(std::vector<double>{1e300}, 0, 5),
            static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(shift_param(std::vector<double>{-2.7}, 0), -2);
  EXPECT_EQ(shift_param(std::vector<double>{N}, 0), 0);
  EXPECT_EQ(real_param(std::vector<double>{-0.5}, 0, 1.0), -0.5);
  EXPECT_EQ(real_param(std::vector<double>{kInf}, 0, 1.0), 1.0);
}

TEST(IndicatorEvaluation, SelectorsAndNames) {
  const Column x = {1, 2, 3, 4, 5, 4, 3, 2};
  const series::Regression r = series::linear_regression(x, 3);
  EXPECT_TRUE(same(run("linreg", {x}, {3}, 0), r.value));
  EXPECT_TRUE(same(run("linreg", {x}, {3}, 1), r.slope));
  EXPECT_TRUE(same(run("linreg", {x}, {3}, 2), r.intercept));

  const Bands b = bands(x, 3, 2.0);
  EXPECT_TRUE(same(run("bands", {x}, {3}, 0), b.upper));
  EXPECT_TRUE(same(run("bands", {x}, {3}, 1), b.basis));
  EXPECT_TRUE(same(run("bands", {x}, {3}, 7), b.basis));
  EXPECT_TRUE(same(run("bands", {x}, {3}, 2), b.lower));
  expect_column(run("bands", {Column{1, 3, 1, 3, 1, 3, 1, 3}}, {2, 1}, 0), {N, 3, 3, 3, 3, 3, 3, 3},
                "bands upper, k 1");

  for (std::uint8_t sel : {0, 1, 2}) {
    EXPECT_TRUE(same(run("adx", {}, {3}, sel), run("adxWilder", {}, {3}, sel)));
  }
  EXPECT_TRUE(same(run("adx", {}, {3}, 1), series::directional(kH, kL, kC, 3).plus_di));

  // stoch reads kPeriod, dPeriod, slowing; the kernel takes kPeriod, slowing, dPeriod.
  const series::Stochastic st = series::stochastic(kH, kL, kC, 3, 1, 2);
  EXPECT_TRUE(same(run("stoch", {}, {3, 2, 1}, 0), st.k));
  EXPECT_TRUE(same(run("stoch", {}, {3, 2, 1}, 1), st.d));

  expect_column(run("envelopes", {x}, {2}, 0),
                {N, 1.5015, 2.5025, 3.5035, 4.5045, 4.5045, 3.5035, 2.5025},
                "envelopes default deviation");
  expect_column(run("envelopes", {x}, {2, 10}, 1), {N, 1.35, 2.25, 3.15, 4.05, 4.05, 3.15, 2.25},
                "envelopes lower");

  EXPECT_TRUE(same(run("alligator", {}, {2, 3, 4}, 1), alligator_line(kH, kL, 3)));
  EXPECT_TRUE(same(run("alligator", {}, {2}, 9), alligator_line(kH, kL, 2)));
  EXPECT_TRUE(same(run("volumes", {}, {}), kV));
  EXPECT_TRUE(same(run("trueRange", {}, {}), series::true_range(kH, kL, kC)));
  EXPECT_TRUE(same(run("sar", {}, {}), series::parabolic_sar(kH, kL, 0.02, 0.2)));
  EXPECT_TRUE(same(run("bullsPower", {}, {3}), bulls_power(kH, kC, 3)));
  EXPECT_TRUE(same(run("offset", {x}, {-1}), offset(x, -1)));
  EXPECT_TRUE(same(run("nz", {Column{N, 1}}, {}), Column{0, 1}));

  for (const char* name : {"ichimoku", "frama", "SMA", ""}) {
    EXPECT_TRUE(same(run(name, {x}, {3}), Column(8, N))) << name;
  }
  // A missing input reads as NaN at every bar.
  EXPECT_TRUE(same(run("sma", {}, {2}), Column(8, N)));
  EXPECT_TRUE(same(run("crossesOver", {x}, {}), Column(8, 0.0)));
}

TEST(IndicatorEvaluation, MacdOnARamp) {
  Column ramp;
  for (int i = 1; i <= 15; ++i) ramp.push_back(i);
  const BarColumns bars{ramp, ramp, ramp, ramp};
  std::vector<double> line(15, N);
  std::vector<double> signal(15, N);
  for (int i = 4; i < 15; ++i) line[i] = 1;
  for (int i = 5; i < 15; ++i) signal[i] = 1;
  std::vector<double> hist(15, N);
  for (int i = 5; i < 15; ++i) hist[i] = 0;
  expect_column(run("macd", {ramp}, {3, 5, 2}, 0, bars), line, "line");
  expect_column(run("macd", {ramp}, {3, 5, 2}, 1, bars), signal, "signal");
  expect_column(run("macd", {ramp}, {3, 5, 2}, 2, bars), hist, "histogram");
  expect_column(run("macd", {ramp}, {3, 5, 2}, 9, bars), line, "other selector");
  expect_column(run("osma", {ramp}, {3, 5, 2}, 0, bars), hist, "osma");
  // An input shorter than the bars reads NaN past its end.
  const Column short_line =
      run("macd", {Column(ramp.begin(), ramp.begin() + 6)}, {3, 5, 2}, 0, bars);
  expect_column(short_line, {N, N, N, N, 1, 1, N, N, N, N, N, N, N, N, N}, "short input");
}

TEST(IndicatorEvaluation, DefaultFirstDefinedIndices) {
  Column high;
  Column low;
  Column close;
  for (int i = 0; i < 80; ++i) {
    const double v = 50 + 5 * std::sin(i * 0.4) + 0.05 * i;
    close.push_back(v);
    high.push_back(v + 1 + (i % 3) * 0.5);
    low.push_back(v - 1 - (i % 2) * 0.5);
  }
  const BarColumns bars{high, low, close, close};
  auto first_defined = [](const Column& c) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      if (!std::isnan(c[i])) return static_cast<long>(i);
    }
    return -1L;
  };
  EXPECT_EQ(first_defined(run("macd", {close}, {}, 1, bars)), 33);
  EXPECT_EQ(first_defined(run("adx", {}, {}, 0, bars)), 26);
  EXPECT_EQ(first_defined(run("stoch", {}, {}, 0, bars)), 15);
  EXPECT_EQ(first_defined(run("stoch", {}, {}, 1, bars)), 17);
  EXPECT_EQ(first_defined(run("ao", {}, {}, 0, bars)), 33);
  EXPECT_EQ(first_defined(run("ac", {}, {}, 0, bars)), 37);
  EXPECT_EQ(first_defined(run("rsi", {close}, {}, 0, bars)), 14);
}

}  // namespace
}  // namespace kelo_vm::evaluate
