#include "interface/symbol_spec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

KeloSymbol blank() { return KeloSymbol{nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

TEST(SymbolSpec, NullGivesTheDefaultSymbol) {
  const kelo::SymbolConversion s = kelo::symbol_spec(nullptr);
  EXPECT_EQ(s.spec.name, "EURUSD");
  EXPECT_EQ(s.spec.digits, 5);
  EXPECT_EQ(s.spec.point, 0.00001);
  EXPECT_EQ(s.spec.pip, 0.0001);
  EXPECT_EQ(s.spec.tick_size, 0.00001);
  EXPECT_EQ(s.spec.tick_value, 1.0);
  EXPECT_EQ(s.spec.contract_size, 100000.0);
  EXPECT_EQ(s.spec.volume_min, 0.01);
  EXPECT_EQ(s.spec.volume_max, 100.0);
  EXPECT_EQ(s.spec.volume_step, 0.01);
  EXPECT_EQ(s.spec.conversion, 1.0);
  EXPECT_EQ(s.spread_points, 10.0);
  EXPECT_EQ(s.spread_price(), 0.00001 * 10);
}

TEST(SymbolSpec, FieldsCountOnlyWhenGiven) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* behaviour;
    KeloSymbol in;
    int64_t digits;
    double point, pip, tick_size, tick_value, contract, spread_points;
  };
  auto with = [](auto change) {
    KeloSymbol s = blank();
    change(s);
    return s;
  };
  const Row rows[] = {
      {"all zero: tick size is the point, tick value tick size times contract", blank(), 5,
       0.00001, 0.0001, 0.00001, 0.00001 * 100000, 100000, 10},
      {"three digits", with([](KeloSymbol& s) { s.digits = 3; }), 3, 0.001, 0.01, 0.001,
       0.001 * 100000, 100000, 10},
      {"two digits: pip equals point", with([](KeloSymbol& s) { s.digits = 2; }), 2, 0.01,
       0.01, 0.01, 0.01 * 100000, 100000, 10},
      {"zero digits keep five", with([](KeloSymbol& s) { s.digits = 0; }), 5, 0.00001, 0.0001,
       0.00001, 0.00001 * 100000, 100000, 10},
      {"negative digits keep five", with([](KeloSymbol& s) { s.digits = -3; }), 5, 0.00001,
       0.0001, 0.00001, 0.00001 * 100000, 100000, 10},
      {"digits above fifteen keep five", with([](KeloSymbol& s) { s.digits = 400; }), 5,
       0.00001, 0.0001, 0.00001, 0.00001 * 100000, 100000, 10},
      {"fifteen digits are taken", with([](KeloSymbol& s) { s.digits = 15; }), 15, 1e-15, 1e-15,
       1e-15, 1e-15 * 100000, 100000, 10},
      {"a given tick value keeps contract default", with([](KeloSymbol& s) { s.tickValue = 2; }),
       5, 0.00001, 0.0001, 0.00001, 2, 100000, 10},
      {"contract size feeds the tick value",
       with([](KeloSymbol& s) { s.contractSize = 1000; s.tickSize = 0.5; }), 5, 0.00001, 0.0001,
       0.5, 500, 1000, 10},
      {"NaN and infinity count as not given",
       with([&](KeloSymbol& s) {
         s.tickSize = nan; s.tickValue = inf; s.contractSize = inf; s.spreadPoints = nan;
       }),
       5, 0.00001, 0.0001, 0.00001, 0.00001 * 100000, 100000, 10},
      {"spread points", with([](KeloSymbol& s) { s.spreadPoints = 25; }), 5, 0.00001, 0.0001,
       0.00001, 0.00001 * 100000, 100000, 25},
  };
  for (const Row& row : rows) {
    const kelo::SymbolConversion s = kelo::symbol_spec(&row.in);
    EXPECT_EQ(s.spec.digits, row.digits) << row.behaviour;
    EXPECT_EQ(s.spec.point, row.point) << row.behaviour;
    EXPECT_EQ(s.spec.pip, row.pip) << row.behaviour;
    EXPECT_EQ(s.spec.tick_size, row.tick_size) << row.behaviour;
    EXPECT_EQ(s.spec.tick_value, row.tick_value) << row.behaviour;
    EXPECT_EQ(s.spec.contract_size, row.contract) << row.behaviour;
    EXPECT_EQ(s.spread_points, row.spread_points) << row.behaviour;
    EXPECT_FALSE(std::isnan(s.spread_price())) << row.behaviour;
    EXPECT_GT(s.spread_price(), 0) << row.behaviour;
  }
}

TEST(SymbolSpec, NameAndVolumes) {
  KeloSymbol s = blank();
  s.name = "";
  EXPECT_EQ(kelo::symbol_spec(&s).spec.name, "EURUSD");
  s.name = "GBP\xffJPY";
  s.volumeMin = 0.1;
  s.volumeMax = -5;
  s.volumeStep = 0.1;
  s.conversion = 0.5;
  const kelo::SymbolConversion c = kelo::symbol_spec(&s);
  EXPECT_EQ(c.spec.name, "GBP\xef\xbf\xbdJPY");
  EXPECT_EQ(c.spec.volume_min, 0.1);
  EXPECT_EQ(c.spec.volume_max, 100.0);
  EXPECT_EQ(c.spec.volume_step, 0.1);
  EXPECT_EQ(c.spec.conversion, 0.5);
}

}  // namespace
