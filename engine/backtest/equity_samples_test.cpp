// Equity samples kept as changes: every read gives back exactly the sample pushed, bit
// for bit, across the 64-sample words of change bits.
#include "backtest/equity_samples.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace kelo_vm::backtest {
namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// n samples where sample i is the value of i / run (runs of equal samples).
std::vector<double> runs_of(std::size_t n, std::size_t run) {
  std::vector<double> out;
  for (std::size_t i = 0; i < n; ++i) out.push_back(10000.0 + static_cast<double>(i / run) * 0.25);
  return out;
}

TEST(EquitySamples, ReadsGiveBackEverySampleBitForBit) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* behaviour;
    std::vector<double> samples;
    std::size_t changes;
  };
  const Row rows[] = {
      {"none", {}, 0},
      {"one", {10000}, 1},
      {"flat", {5, 5, 5, 5}, 1},
      {"every sample new", {1, 2, 3, 4}, 4},
      {"zero and minus zero are different samples", {0.0, -0.0, -0.0, 0.0}, 3},
      {"NaN repeats as itself", {nan, nan, 1, nan}, 3},
      {"infinities", {inf, inf, -inf}, 2},
      {"63 then a change at the word's end", runs_of(64, 63), 2},
      {"a change on the first bit of a word", runs_of(129, 64), 3},
      {"long flat runs over many words", runs_of(1000, 300), 4},
      {"short runs over many words", runs_of(1000, 3), 334},
      {"changes filling several blocks", runs_of(20000, 1), 20000},
      {"a block filled exactly, then repeats", runs_of(8192 * 2, 2), 8192},
  };
  for (const Row& row : rows) {
    const EquitySamples samples(row.samples);
    ASSERT_EQ(samples.size(), row.samples.size()) << row.behaviour;
    EXPECT_EQ(samples.empty(), row.samples.empty()) << row.behaviour;
    EXPECT_EQ(samples.changes(), row.changes) << row.behaviour;
    for (std::size_t i = 0; i < row.samples.size(); ++i)
      ASSERT_EQ(bits(samples[i]), bits(row.samples[i])) << row.behaviour << " at " << i;
    std::size_t i = 0;
    for (auto it = samples.begin(); it != samples.end(); ++it, ++i) {
      ASSERT_EQ(bits(*it), bits(row.samples[i])) << row.behaviour << " walking at " << i;
      const bool repeats = i > 0 && bits(row.samples[i]) == bits(row.samples[i - 1]);
      ASSERT_EQ(it.repeats(), repeats) << row.behaviour << " at " << i;
    }
    EXPECT_EQ(i, row.samples.size()) << row.behaviour;
    const std::vector<double> back = samples.to_vector();
    ASSERT_EQ(back.size(), row.samples.size()) << row.behaviour;
    for (std::size_t k = 0; k < back.size(); ++k)
      EXPECT_EQ(bits(back[k]), bits(row.samples[k])) << row.behaviour;
    if (!row.samples.empty()) {
      EXPECT_EQ(bits(samples.front()), bits(row.samples.front())) << row.behaviour;
      EXPECT_EQ(bits(samples.back()), bits(row.samples.back())) << row.behaviour;
    }
  }
}

TEST(EquitySamples, PushingOneByOneMatchesTheWholeList) {
  const std::vector<double> all = runs_of(5000, 7);
  EquitySamples pushed;
  for (double v : all) pushed.push_back(v);
  EXPECT_EQ(pushed, EquitySamples(all));
  EXPECT_EQ(pushed.changes(), 715u);
  EXPECT_EQ(pushed[4999], 10000.0 + 714 * 0.25);
  EXPECT_EQ(pushed[3333], 10000.0 + 476 * 0.25);
}

// Compared sample by sample with ==, as a list of numbers compares.
TEST(EquitySamples, ComparesAsAListOfNumbers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* behaviour;
    std::vector<double> a, b;
    bool equal;
  };
  const Row rows[] = {
      {"same samples", {1, 1, 2}, {1, 1, 2}, true},
      {"different lengths", {1, 1}, {1, 1, 1}, false},
      {"same changes, different run lengths", {1, 1, 2}, {1, 2, 2}, false},
      {"zero equals minus zero", {0.0}, {-0.0}, true},
      {"NaN equals nothing", {nan}, {nan}, false},
      {"both empty", {}, {}, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(EquitySamples(row.a) == EquitySamples(row.b), row.equal) << row.behaviour;
    EXPECT_EQ(EquitySamples(row.a) == row.b, row.equal) << row.behaviour;
  }
}

}  // namespace
}  // namespace kelo_vm::backtest
