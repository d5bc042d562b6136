#include "backtest/random_sequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>

namespace kelo_vm::backtest {
namespace {

TEST(RandomSequence, ReproducesFromItsSeedAndStaysInRange) {
  RandomSequence a, b;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(a.next(), b.next());
  a.reseed(42);
  const double first = a.unit();
  a.reseed(42);
  EXPECT_EQ(a.unit(), first);
  RandomSequence zero(0);
  EXPECT_NE(zero.next(), zero.next());  // a zero seed still moves

  std::set<int64_t> seen;
  for (int i = 0; i < 1000; ++i) {
    const double u = a.unit();
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
    seen.insert(a.between(3, 1));  // bounds in either order
  }
  EXPECT_EQ(seen, (std::set<int64_t>{1, 2, 3}));

  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    int64_t low, high;
  } rows[] = {{5, 5}, {kMin, kMin}, {kMax, kMax}, {kMin, kMax}, {-3, 2}};
  for (const auto& r : rows) {
    for (int i = 0; i < 100; ++i) {
      const int64_t v = a.between(r.low, r.high);
      EXPECT_GE(v, r.low);
      EXPECT_LE(v, r.high);
    }
  }
}

}  // namespace
}  // namespace kelo_vm::backtest
