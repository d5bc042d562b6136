#include "core/shortest_decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace kelo_core::numeric {
namespace {

std::string shortest(double x) {
  std::string out;
  append_shortest_decimal(out, x);
  return out;
}

TEST(ShortestDecimal, LaysTheShortestDigitsOutInFull) {
  struct Row {
    const char* behaviour;
    double x;
    std::string text;
  };
  const Row rows[] = {
      {"a tenth", 0.1, "0.1"},
      {"a sum that is not a tenth and two", 0.1 + 0.2, "0.30000000000000004"},
      {"1e21", 1e21, "1000000000000000000000"},
      {"1e22", 1e22, "10000000000000000000000"},
      {"1e23 by its shortest digits, not its binary expansion", 1e23, "100000000000000000000000"},
      {"2^60 by its shortest digits", 1152921504606846976.0, "1152921504606847000"},
      {"1e300", 1e300, "1" + std::string(300, '0')},
      {"a value whose exact digits are its shortest", 123456789012345678.0, "123456789012345680"},
      {"small without exponent", 1e-7, "0.0000001"},
      {"a negative fraction", -2.5, "-2.5"},
      {"zero", 0.0, "0"},
      {"negative zero keeps its sign", -0.0, "-0"},
      {"the smallest subnormal", 5e-324, "0." + std::string(323, '0') + "5"},
      {"digits on both sides of the point", 1234.5678, "1234.5678"},
  };
  for (const Row& row : rows) EXPECT_EQ(shortest(row.x), row.text) << row.behaviour;
  EXPECT_EQ(shortest(std::numeric_limits<double>::max()).size(), 309u);
  EXPECT_EQ(shortest(-std::numeric_limits<double>::max()).size(), 310u);
}

TEST(ShortestDecimal, ReadsBackAsTheSameDouble) {
  for (double x = 1e-310; std::isfinite(x); x *= -3.7) {
    const std::string text = shortest(x);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), x) << text;
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace kelo_core::numeric
