// The plain symbol structure reaches the engine's symbol field by field. (The rules for
// "given" fields are the replay host's and are pinned with it.)
#include "interface/symbol_spec.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SymbolSpec, NullGivesTheDefaultSymbol) {
  const kelo::SymbolConversion s = kelo::symbol_spec(nullptr);
  EXPECT_EQ(s.spec.name, "EURUSD");
  EXPECT_EQ(s.spec.digits, 5);
  EXPECT_EQ(s.spec.point, 0.00001);
  EXPECT_EQ(s.spec.pip, 0.0001);
  EXPECT_EQ(s.spec.tick_size, 0.00001);
  EXPECT_EQ(s.spec.tick_value, 1.0);
  EXPECT_EQ(s.spec.contract_size, 100000.0);
  EXPECT_EQ(s.spread_points, 10.0);
  EXPECT_EQ(s.spread_price(), 0.00001 * 10);
}

TEST(SymbolSpec, EveryFieldLandsInItsPlace) {
  const KeloSymbol in{"GBP\xffJPY", 3, 0.5, 2, 1000, 0.1, 50, 0.2, 0.5, 25};
  const kelo::SymbolConversion s = kelo::symbol_spec(&in);
  EXPECT_EQ(s.spec.name, "GBP\xef\xbf\xbdJPY");  // read as lenient UTF-8
  EXPECT_EQ(s.spec.digits, 3);
  EXPECT_EQ(s.spec.point, 0.001);
  EXPECT_EQ(s.spec.pip, 0.01);
  EXPECT_EQ(s.spec.tick_size, 0.5);
  EXPECT_EQ(s.spec.tick_value, 2.0);
  EXPECT_EQ(s.spec.contract_size, 1000.0);
  EXPECT_EQ(s.spec.volume_min, 0.1);
  EXPECT_EQ(s.spec.volume_max, 50.0);
  EXPECT_EQ(s.spec.volume_step, 0.2);
  EXPECT_EQ(s.spec.conversion, 0.5);
  EXPECT_EQ(s.spread_points, 25.0);
  EXPECT_EQ(s.spread_price(), 0.001 * 25);
}

// What the application passes for its default symbol, and fields that must not count.
TEST(SymbolSpec, ZerosAndBadValuesKeepTheDefaults) {
  const KeloSymbol zeros{"", 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const kelo::SymbolConversion z = kelo::symbol_spec(&zeros);
  EXPECT_EQ(z.spec.name, "EURUSD");
  EXPECT_EQ(z.spec.tick_size, z.spec.point);
  EXPECT_EQ(z.spec.tick_value, 0.00001 * 100000);
  EXPECT_EQ(z.spread_points, 10.0);

  const KeloSymbol bad{nullptr, 400, NAN, INFINITY, -1, NAN, 0, -2, INFINITY, NAN};
  const kelo::SymbolConversion b = kelo::symbol_spec(&bad);
  EXPECT_EQ(b.spec.digits, 5);
  EXPECT_EQ(b.spec.point, 0.00001);
  EXPECT_EQ(b.spec.tick_size, 0.00001);
  EXPECT_EQ(b.spec.tick_value, 0.00001 * 100000);
  EXPECT_EQ(b.spec.volume_min, 0.01);
  EXPECT_EQ(b.spec.volume_step, 0.01);
  EXPECT_EQ(b.spec.conversion, 1.0);
  EXPECT_EQ(b.spread_price(), 0.00001 * 10);
}

}  // namespace
