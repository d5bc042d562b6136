#include "core/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelo_core::numeric {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(Numeric, SaturatingConversion) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double in;
    std::int64_t out;
  };
  const Case cases[] = {
      {std::nan(""), 0}, {1e20, kMax},  {-1e20, kMin}, {9223372036854775808.0, kMax},
      {-9223372036854775808.0, kMin}, {inf, kMax}, {-inf, kMin}, {1.9, 1},
      {-1.9, -1}, {9007199254740993.0, 9007199254740992}, {0.0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(saturating_i64(c.in), c.out) << c.in;
}

TEST(Numeric, WrappingNegation) {
  struct Case {
    std::int64_t in;
    std::int64_t out;
  };
  const Case cases[] = {{0, 0}, {1, -1}, {-7, 7}, {kMax, kMin + 1}, {kMin + 1, kMax}, {kMin, kMin}};
  for (const Case& c : cases) EXPECT_EQ(wrapping_negate(c.in), c.out) << c.in;
}

TEST(Numeric, FloorDivision) {
  EXPECT_EQ(floor_div(-1, 400), -1);
  EXPECT_EQ(floor_div(-400, 400), -1);
  EXPECT_EQ(floor_div(-401, 400), -2);
  EXPECT_EQ(floor_div(7, -2), -4);
  EXPECT_EQ(floor_div(7, 2), 3);
  EXPECT_EQ(floor_div(5, 0), 0);
  EXPECT_EQ(floor_div(kMin, -1), kMax);
  EXPECT_EQ(floor_mod(-1, 12), 11);
  EXPECT_EQ(floor_mod(7, -2), -1);
  EXPECT_EQ(floor_mod(kMin, -1), 0);
  EXPECT_EQ(floor_mod(5, 0), 0);
}

TEST(Numeric, ParseDouble) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"1e400", inf},         {"-1e400", -inf},      {"1e-400", 0.0},     {"0.000001e-320", 0.0},
      {"123456789e301", inf}, {"1.8e308", inf},      {"1e-310", 1e-310},  {".5", 0.5},
      {"1e+3", 1000.0},       {"1_0", std::nullopt}, {"", std::nullopt}, {" 1", std::nullopt},
      {"1x", std::nullopt},   {"0x10", std::nullopt}, {"-2.5", -2.5},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_double(c.text), c.value) << c.text;
  EXPECT_TRUE(std::signbit(*parse_double("-1e-400")));
}

}  // namespace
}  // namespace kelo_core::numeric
