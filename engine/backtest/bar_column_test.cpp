// Bar columns that view the caller's prices or repeat one value: reads see the values
// without laying them out, writes make them the column's own and never reach the
// caller's arrays.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "backtest/synthetic_bars.h"
#include "vm/host.h"

namespace kelo_vm {
namespace {

using host::BarColumn;

TEST(BarColumn, AViewReadsTheCallersValues) {
  const double prices[] = {1.5, 2.5, 3.5};
  const BarColumn<double> column = BarColumn<double>::borrowed(prices);
  EXPECT_TRUE(column.is_borrowed());
  EXPECT_EQ(column.data(), prices);
  EXPECT_EQ(column.size(), 3u);
  EXPECT_FALSE(column.empty());
  EXPECT_EQ(column[1], 2.5);
  EXPECT_EQ(column.front(), 1.5);
  EXPECT_EQ(column.back(), 3.5);
  const std::span<const double> span = column;
  EXPECT_EQ(span.data(), prices);
  double sum = 0;
  for (double p : column) sum += p;
  EXPECT_EQ(sum, 7.5);
  // Copies and moves of a view still view the caller's array.
  const BarColumn<double> copy = column;
  EXPECT_EQ(copy.data(), prices);
  BarColumn<double> moved = BarColumn<double>::borrowed(prices);
  BarColumn<double> target(std::move(moved));
  EXPECT_EQ(target.data(), prices);
  EXPECT_TRUE(moved.empty());
}

TEST(BarColumn, ChangesCopyTheViewFirst) {
  struct Row {
    const char* behaviour;
    void (*change)(BarColumn<double>&);
    std::vector<double> after;
  };
  const Row rows[] = {
      {"write one entry", [](BarColumn<double>& c) { c[0] = 9; }, {9, 2, 3}},
      {"append", [](BarColumn<double>& c) { c.push_back(4); }, {1, 2, 3, 4}},
      {"shorten", [](BarColumn<double>& c) { c.resize(1); }, {1}},
      {"reserve keeps the values", [](BarColumn<double>& c) { c.reserve(100); }, {1, 2, 3}},
      {"assign a count", [](BarColumn<double>& c) { c.assign(2, 7.0); }, {7, 7}},
      {"assign a list", [](BarColumn<double>& c) { c = {5, 6}; }, {5, 6}},
      {"clear", [](BarColumn<double>& c) { c.clear(); }, {}},
      {"read as a vector",
       [](BarColumn<double>& c) {
         const std::vector<double>& v = c;
         EXPECT_EQ(v, (std::vector<double>{1, 2, 3}));
       },
       {1, 2, 3}},
  };
  for (const Row& row : rows) {
    double prices[] = {1, 2, 3};
    BarColumn<double> column = BarColumn<double>::borrowed(prices);
    row.change(column);
    EXPECT_FALSE(column.is_borrowed()) << row.behaviour;
    EXPECT_NE(column.data(), prices) << row.behaviour;
    EXPECT_EQ(column, BarColumn<double>(row.after)) << row.behaviour;
    EXPECT_EQ(prices[0], 1) << row.behaviour;
    EXPECT_EQ(prices[2], 3) << row.behaviour;
  }
}

TEST(BarColumn, ARepeatIsLaidOutOnlyWhenItsMemoryIsAskedFor) {
  struct Row {
    const char* behaviour;
    bool (*read)(const BarColumn<double>&);  // whether the values read are right
    bool laid_out;
  };
  const Row rows[] = {
      {"size", [](const BarColumn<double>& c) { return c.size() == 3 && !c.empty(); }, false},
      {"one entry", [](const BarColumn<double>& c) { return c[2] == 0.25; }, false},
      {"first and last",
       [](const BarColumn<double>& c) { return c.front() == 0.25 && c.back() == 0.25; }, false},
      {"compared", [](const BarColumn<double>& c) { return c == BarColumn<double>({0.25, 0.25, 0.25}); },
       false},
      {"data", [](const BarColumn<double>& c) { return c.data()[1] == 0.25; }, true},
      {"as a span",
       [](const BarColumn<double>& c) {
         const std::span<const double> s = c;
         return s.size() == 3 && s[0] == 0.25 && s[2] == 0.25;
       },
       true},
      {"as a vector",
       [](const BarColumn<double>& c) {
         const std::vector<double>& v = c;
         return v == std::vector<double>{0.25, 0.25, 0.25};
       },
       true},
  };
  for (const Row& row : rows) {
    const BarColumn<double> column = BarColumn<double>::filled(3, 0.25);
    EXPECT_TRUE(row.read(column)) << row.behaviour;
    EXPECT_EQ(column.is_filled(), !row.laid_out) << row.behaviour;
    // Laid out or not, the values stay the same.
    EXPECT_EQ(column.size(), 3u) << row.behaviour;
    EXPECT_EQ(column[1], 0.25) << row.behaviour;
  }
  BarColumn<double> changed = BarColumn<double>::filled(2, 1.5);
  changed[1] = 4;
  EXPECT_FALSE(changed.is_filled());
  EXPECT_EQ(changed, BarColumn<double>({1.5, 4}));
  BarColumn<double> moved = BarColumn<double>::filled(2, 1.5);
  const BarColumn<double> target(std::move(moved));
  EXPECT_TRUE(target.is_filled());
  EXPECT_EQ(target, BarColumn<double>({1.5, 1.5}));
  EXPECT_TRUE(moved.empty());
  EXPECT_TRUE(BarColumn<double>::filled(0, 1).empty());
}

TEST(BarColumn, OwnValuesBehaveAsAVector) {
  BarColumn<std::int64_t> times = std::vector<std::int64_t>{1, 2};
  EXPECT_FALSE(times.is_borrowed());
  times.push_back(3);
  times[0] = -1;
  const std::vector<std::int64_t>& read = times;
  EXPECT_EQ(read, (std::vector<std::int64_t>{-1, 2, 3}));
  EXPECT_EQ(read.data(), times.data());  // no copy of values it already owns
  EXPECT_EQ(times, BarColumn<std::int64_t>({-1, 2, 3}));
  EXPECT_FALSE(times == BarColumn<std::int64_t>({-1, 2}));
  BarColumn<std::int64_t> empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.begin(), empty.end());
}

// Supplied prices are viewed for the run; what is not supplied is made, a constant
// column as a repeat.
TEST(PriceBars, SuppliedColumnsAreViewedNotCopied) {
  const std::int64_t times[] = {10, 20};
  const double open[] = {1, 2}, high[] = {3, 4}, low[] = {0.5, 1}, close[] = {2, 3},
               volume[] = {7, 8};
  const host::Bars all =
      backtest::price_bars({times, open, high, low, close, volume, 2}, 0.0002);
  EXPECT_EQ(all.times.data(), times);
  EXPECT_EQ(all.open.data(), open);
  EXPECT_EQ(all.high.data(), high);
  EXPECT_EQ(all.low.data(), low);
  EXPECT_EQ(all.close.data(), close);
  EXPECT_EQ(all.volume.data(), volume);
  EXPECT_TRUE(all.spread.is_filled());
  EXPECT_EQ(all.spread, BarColumn<double>({0.0002, 0.0002}));

  const host::Bars some = backtest::price_bars({nullptr, nullptr, high, nullptr, close, nullptr, 2}, 0);
  EXPECT_FALSE(some.times.is_borrowed());
  EXPECT_EQ(some.times, BarColumn<std::int64_t>({0, 60000}));
  EXPECT_TRUE(some.open.is_filled());
  EXPECT_EQ(some.open, BarColumn<double>({0, 0}));
  EXPECT_EQ(some.high.data(), high);
  EXPECT_EQ(some.low, BarColumn<double>({0, 0}));
  EXPECT_EQ(some.volume, BarColumn<double>({0, 0}));
}

}  // namespace
}  // namespace kelo_vm
