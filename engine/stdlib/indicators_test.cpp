#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "stdlib/definition_forms.h"
#include "stdlib/registry.h"

namespace kelo_std {
namespace {

using kelo_core::types::Tag;
using forms::stored;

// name, type with parameter names, printed type, summary; in registration order.
struct IndicatorRow {
  const char* name;
  const char* spelled;
  const char* printed;
  const char* summary;
};

const IndicatorRow kRows[] = {
    {"ma", "fn(source: series<num>, length: int, type: text?) -> series<num>",
     "fn(series<num>, int, text?) -> series<num>", "Moving average of any kind."},
    {"sma", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Simple moving average."},
    {"ema", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Exponential moving average."},
    {"smma", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Smoothed moving average."},
    {"lwma", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Linear weighted moving average."},
    {"dema", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Double exponential moving average."},
    {"tema", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Triple exponential moving average."},
    {"ama", "fn(source: series<num>, length: int, fast: int?, slow: int?) -> series<num>",
     "fn(series<num>, int, int?, int?) -> series<num>", "Adaptive moving average."},
    {"frama", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Fractal adaptive moving average."},
    {"vidya", "fn(source: series<num>, cmoPeriod: int, emaPeriod: int) -> series<num>",
     "fn(series<num>, int, int) -> series<num>", "Variable index dynamic average."},
    {"sar", "fn(step: num?, max: num?) -> series<num>", "fn(num?, num?) -> series<num>",
     "Parabolic stop and reverse."},
    {"ichimoku", "fn(tenkan: int?, kijun: int?, senkou: int?) -> IchimokuResult",
     "fn(int?, int?, int?) -> IchimokuResult", "Ichimoku Kinko Hyo."},
    {"alligator", "fn(jaw: int?, teeth: int?, lips: int?) -> AlligatorResult",
     "fn(int?, int?, int?) -> AlligatorResult", "Bill Williams Alligator."},
    {"gator", "fn(jaw: int?, teeth: int?, lips: int?) -> GatorResult",
     "fn(int?, int?, int?) -> GatorResult", "Gator oscillator."},
    {"envelopes",
     "fn(source: series<num>, length: int, deviation: num, type: text?) -> EnvelopesResult",
     "fn(series<num>, int, num, text?) -> EnvelopesResult", "Envelopes around a moving average."},
    {"rsi", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Relative strength index, 0 to 100."},
    {"macd", "fn(source: series<num>, fast: int?, slow: int?, signal: int?) -> MacdResult",
     "fn(series<num>, int?, int?, int?) -> MacdResult", "Moving average convergence divergence."},
    {"osma", "fn(source: series<num>, fast: int?, slow: int?, signal: int?) -> series<num>",
     "fn(series<num>, int?, int?, int?) -> series<num>", "MACD histogram."},
    {"stoch", "fn(kPeriod: int?, dPeriod: int?, slowing: int?) -> StochResult",
     "fn(int?, int?, int?) -> StochResult", "Stochastic oscillator."},
    {"cci", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Commodity channel index."},
    {"williamsR", "fn(length: int) -> series<num>", "fn(int) -> series<num>",
     "Williams percent range."},
    {"momentum", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Momentum."},
    {"roc", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Rate of change, in percent."},
    {"demarker", "fn(length: int) -> series<num>", "fn(int) -> series<num>", "DeMarker."},
    {"rvi", "fn(length: int) -> RviResult", "fn(int) -> RviResult", "Relative vigor index."},
    {"trix", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Triple exponential average oscillator."},
    {"ao", "fn() -> series<num>", "fn() -> series<num>", "Awesome oscillator."},
    {"ac", "fn() -> series<num>", "fn() -> series<num>", "Accelerator oscillator."},
    {"bearsPower", "fn(length: int) -> series<num>", "fn(int) -> series<num>", "Bears power."},
    {"bullsPower", "fn(length: int) -> series<num>", "fn(int) -> series<num>", "Bulls power."},
    {"adx", "fn(length: int) -> AdxResult", "fn(int) -> AdxResult", "Average directional index."},
    {"adxWilder", "fn(length: int) -> AdxResult", "fn(int) -> AdxResult", "ADX by Welles Wilder."},
    {"chaikin", "fn(fast: int?, slow: int?, type: text?) -> series<num>",
     "fn(int?, int?, text?) -> series<num>", "Chaikin oscillator."},
    {"force", "fn(length: int, type: text?) -> series<num>", "fn(int, text?) -> series<num>",
     "Force index."},
    {"atr", "fn(length: int) -> series<num>", "fn(int) -> series<num>", "Average true range."},
    {"trueRange", "fn() -> series<num>", "fn() -> series<num>", "True range of each bar."},
    {"stddev", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Standard deviation."},
    {"bands", "fn(source: series<num>, length: int, deviation: num?) -> BandsResult",
     "fn(series<num>, int, num?) -> BandsResult", "Bollinger Bands."},
    {"volumes", "fn() -> series<num>", "fn() -> series<num>", "Tick volume."},
    {"obv", "fn() -> series<num>", "fn() -> series<num>", "On balance volume."},
    {"ad", "fn() -> series<num>", "fn() -> series<num>", "Accumulation and distribution."},
    {"mfi", "fn(length: int) -> series<num>", "fn(int) -> series<num>", "Money flow index."},
    {"bwmfi", "fn() -> series<num>", "fn() -> series<num>", "Market facilitation index."},
    {"fractals", "fn() -> FractalsResult", "fn() -> FractalsResult", "Bill Williams fractals."},
    {"crossesOver", "fn(a: series<num>, b: series<num>) -> series<bool>",
     "fn(series<num>, series<num>) -> series<bool>", "True on the bar where a crosses above b."},
    {"crossesUnder", "fn(a: series<num>, b: series<num>) -> series<bool>",
     "fn(series<num>, series<num>) -> series<bool>", "True on the bar where a crosses below b."},
    {"rising", "fn(source: series<num>, length: int) -> series<bool>",
     "fn(series<num>, int) -> series<bool>", "True when the series rose across the whole window."},
    {"falling", "fn(source: series<num>, length: int) -> series<bool>",
     "fn(series<num>, int) -> series<bool>", "True when the series fell across the whole window."},
    {"changed", "fn(source: series<num>) -> series<bool>", "fn(series<num>) -> series<bool>",
     "True when the value differs from the previous bar."},
    {"highest", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Highest value over the window."},
    {"lowest", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Lowest value over the window."},
    {"highestBar", "fn(source: series<num>, length: int) -> series<int>",
     "fn(series<num>, int) -> series<int>", "Bars back to the highest value."},
    {"lowestBar", "fn(source: series<num>, length: int) -> series<int>",
     "fn(series<num>, int) -> series<int>", "Bars back to the lowest value."},
    {"sum", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Rolling sum."},
    {"avg", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Rolling mean."},
    {"cum", "fn(source: series<num>) -> series<num>", "fn(series<num>) -> series<num>",
     "Running total from the first bar."},
    {"correlation", "fn(a: series<num>, b: series<num>, length: int) -> series<num>",
     "fn(series<num>, series<num>, int) -> series<num>", "Rolling correlation."},
    {"percentRank", "fn(source: series<num>, length: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Percentile of the current value inside the window."},
    {"linreg", "fn(source: series<num>, length: int) -> LinregResult",
     "fn(series<num>, int) -> LinregResult", "Linear regression over the window."},
    {"barsSince", "fn(condition: series<bool>) -> series<int>", "fn(series<bool>) -> series<int>",
     "Bars since the condition was last true."},
    {"valueWhen",
     "fn(condition: series<bool>, source: series<num>, occurrence: int?) -> series<num>",
     "fn(series<bool>, series<num>, int?) -> series<num>",
     "The value of a series when a condition was last true."},
    {"pivotHigh", "fn(left: int, right: int) -> series<num>", "fn(int, int) -> series<num>",
     "Confirmed swing high."},
    {"pivotLow", "fn(left: int, right: int) -> series<num>", "fn(int, int) -> series<num>",
     "Confirmed swing low."},
    {"offset", "fn(source: series<num>, bars: int) -> series<num>",
     "fn(series<num>, int) -> series<num>", "Shifts a series forward or back."},
    {"nz", "fn(source: series<num>, fallback: num?) -> series<num>",
     "fn(series<num>, num?) -> series<num>", "Replaces missing values with a fallback."},
};

// Result object types and their fields, each a series<num>.
struct ResultRow {
  const char* name;
  std::vector<std::string> fields;
};

const ResultRow kResults[] = {
    {"MacdResult", {"line", "signal", "histogram"}},
    {"BandsResult", {"upper", "basis", "lower"}},
    {"StochResult", {"k", "d"}},
    {"AdxResult", {"main", "plusDi", "minusDi"}},
    {"IchimokuResult", {"tenkan", "kijun", "senkouA", "senkouB", "chikou"}},
    {"AlligatorResult", {"jaw", "teeth", "lips"}},
    {"GatorResult", {"upper", "lower"}},
    {"EnvelopesResult", {"upper", "lower"}},
    {"FractalsResult", {"up", "down"}},
    {"RviResult", {"main", "signal"}},
    {"LinregResult", {"value", "slope", "intercept"}},
};

Registry indicators_only() {
  Registry registry;
  defs_indicators::define(registry);
  return registry;
}

TEST(IndicatorDefsTest, CountsAndNoDuplicates) {
  const Registry registry = indicators_only();
  EXPECT_EQ(std::size(kRows), 65u);
  EXPECT_EQ(registry.globals.size(), 66u);
  EXPECT_TRUE(registry.members.empty());
  EXPECT_TRUE(registry.duplicates.empty());
}

TEST(IndicatorDefsTest, RowsMatch) {
  const Registry registry = indicators_only();
  for (const IndicatorRow& row : kRows) {
    const Entry* entry = registry.global(row.name);
    ASSERT_NE(entry, nullptr) << row.name;
    EXPECT_EQ(stored(entry->type), row.spelled) << row.name;
    EXPECT_EQ(entry->type.to_string(), row.printed) << row.name;
    EXPECT_EQ(entry->summary, row.summary) << row.name;
  }
}

TEST(IndicatorDefsTest, EveryEntryHasTheGroupClassification) {
  const Registry registry = indicators_only();
  for (const auto& [name, entry] : registry.globals) {
    EXPECT_EQ(entry.group, "Indicators") << name;
    EXPECT_EQ(std::vector<int>(entry.kinds.begin(), entry.kinds.end()), (std::vector<int>{0, 1, 2}))
        << name;
    EXPECT_EQ(entry.pure, 1) << name;
    EXPECT_EQ(entry.permission, 255) << name;
    EXPECT_EQ(entry.example, "") << name;
    ASSERT_EQ(entry.type.tag(), Tag::Function) << name;
  }
}

TEST(IndicatorDefsTest, ResultObjectsHaveTheirSeriesFields) {
  const Registry registry = indicators_only();
  std::map<std::string, int> seen;
  for (const auto& [name, entry] : registry.globals) {
    const auto& result = entry.type.signature()->result;
    if (result.tag() != Tag::Object || name == "custom") continue;
    ++seen[result.fields()->name];
  }
  for (const ResultRow& row : kResults) {
    EXPECT_GT(seen[row.name], 0) << row.name;
  }
  EXPECT_EQ(seen.size(), std::size(kResults));
  for (const auto& [name, entry] : registry.globals) {
    const auto& result = entry.type.signature()->result;
    if (result.tag() != Tag::Object || name == "custom") continue;
    for (const ResultRow& row : kResults) {
      if (result.fields()->name != row.name) continue;
      std::vector<std::string> got;
      for (const auto& [field, type] : result.fields()->fields) {
        got.push_back(field);
        EXPECT_EQ(type.to_string(), "series<num>") << name << "." << field;
      }
      std::vector<std::string> want = row.fields;
      std::sort(want.begin(), want.end());
      EXPECT_EQ(got, want) << name;
    }
  }
}

TEST(IndicatorDefsTest, Custom) {
  const Registry registry = indicators_only();
  const Entry* custom = registry.global("custom");
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(stored(custom->type), "fn(bundle: text, ...num) -> CustomIndicator");
  EXPECT_EQ(custom->type.to_string(), "fn(text) -> CustomIndicator");
  EXPECT_EQ(custom->summary, "Loads a compiled .zxi indicator and reads its buffers.");
  const auto& result = custom->type.signature()->result;
  ASSERT_EQ(result.tag(), Tag::Object);
  ASSERT_EQ(result.fields()->fields.size(), 2u);
  EXPECT_EQ(stored(result.fields()->fields.at("buffer")), "fn(index: int) -> series<num>");
  EXPECT_EQ(stored(result.fields()->fields.at("count")), "int");
  EXPECT_EQ(custom->group, "Indicators");
}

TEST(IndicatorDefsTest, CallShapes) {
  const Registry registry = indicators_only();
  auto sig = [&](const char* name) { return *registry.global(name)->type.signature(); };
  // Two arguments satisfy ma: only the third parameter is optional.
  const auto ma = sig("ma");
  ASSERT_EQ(ma.params.size(), 3u);
  EXPECT_FALSE(ma.params[0].optional);
  EXPECT_FALSE(ma.params[1].optional);
  EXPECT_TRUE(ma.params[2].optional);
  for (const char* name : {"ao", "ac", "trueRange", "volumes", "obv", "ad", "bwmfi", "fractals"}) {
    EXPECT_TRUE(sig(name).params.empty()) << name;
  }
  EXPECT_EQ(sig("macd").params, sig("osma").params);
  EXPECT_NE(sig("macd").result, sig("osma").result);
  EXPECT_FALSE(sig("envelopes").params[2].optional);
  EXPECT_TRUE(sig("bands").params[2].optional);
  for (const auto& [name, entry] : registry.globals) {
    for (const auto& param : entry.type.signature()->params) EXPECT_FALSE(param.named) << name;
    EXPECT_EQ(entry.type.signature()->rest.has_value(), name == "custom") << name;
  }
}

}  // namespace
}  // namespace kelo_std
