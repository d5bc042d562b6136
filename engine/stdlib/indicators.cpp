// The "Indicators" group: technical-analysis functions and series functions, described by
// two static tables of rows, plus `custom`.
#include <cstdint>
#include <span>
#include <string_view>

#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_indicators {

namespace {

using namespace kelo_std::defs;

// Parameter kinds.
enum : std::uint8_t {
  kSeries = 0,   // series<num>, required
  kInt = 1,      // int, required
  kNum = 2,      // num, required
  kText = 3,     // text, required
  kIntOpt = 4,   // int?
  kNumOpt = 5,   // num?
  kTextOpt = 6,  // text?
  kBools = 7,    // series<bool>, required
};

// Result kinds.
enum : std::uint8_t {
  rSeries = 0,
  rMacd,
  rBands,
  rStoch,
  rAdx,
  rIchimoku,
  rAlligator,
  rGator,
  rEnvelopes,
  rFractals,
  rRvi,
  rLinreg,
  rBools,
  rInts,
};

struct Param {
  std::string_view name;
  std::uint8_t kind;
};

struct IndicatorRow {
  std::string_view name;
  std::span<const Param> params;
  std::uint8_t result;
  std::string_view summary;
};

// Parameter lists; rows with equal lists share one.
constexpr Param kSrcLen[] = {{"source", kSeries}, {"length", kInt}};
constexpr Param kSrcLenType[] = {{"source", kSeries}, {"length", kInt}, {"type", kTextOpt}};
constexpr Param kAma[] = {
    {"source", kSeries}, {"length", kInt}, {"fast", kIntOpt}, {"slow", kIntOpt}};
constexpr Param kVidya[] = {{"source", kSeries}, {"cmoPeriod", kInt}, {"emaPeriod", kInt}};
constexpr Param kSar[] = {{"step", kNumOpt}, {"max", kNumOpt}};
constexpr Param kIchimoku[] = {{"tenkan", kIntOpt}, {"kijun", kIntOpt}, {"senkou", kIntOpt}};
constexpr Param kJawTeethLips[] = {{"jaw", kIntOpt}, {"teeth", kIntOpt}, {"lips", kIntOpt}};
constexpr Param kEnvelopes[] = {
    {"source", kSeries}, {"length", kInt}, {"deviation", kNum}, {"type", kTextOpt}};
constexpr Param kMacd[] = {
    {"source", kSeries}, {"fast", kIntOpt}, {"slow", kIntOpt}, {"signal", kIntOpt}};
constexpr Param kStoch[] = {{"kPeriod", kIntOpt}, {"dPeriod", kIntOpt}, {"slowing", kIntOpt}};
constexpr Param kLen[] = {{"length", kInt}};
constexpr Param kChaikin[] = {{"fast", kIntOpt}, {"slow", kIntOpt}, {"type", kTextOpt}};
constexpr Param kForce[] = {{"length", kInt}, {"type", kTextOpt}};
constexpr Param kBands[] = {{"source", kSeries}, {"length", kInt}, {"deviation", kNumOpt}};
constexpr Param kAB[] = {{"a", kSeries}, {"b", kSeries}};
constexpr Param kSrc[] = {{"source", kSeries}};
constexpr Param kABLen[] = {{"a", kSeries}, {"b", kSeries}, {"length", kInt}};
constexpr Param kCondition[] = {{"condition", kBools}};
constexpr Param kValueWhen[] = {
    {"condition", kBools}, {"source", kSeries}, {"occurrence", kIntOpt}};
constexpr Param kLeftRight[] = {{"left", kInt}, {"right", kInt}};
constexpr Param kOffset[] = {{"source", kSeries}, {"bars", kInt}};
constexpr Param kNz[] = {{"source", kSeries}, {"fallback", kNumOpt}};

constexpr std::span<const Param> kEmpty{};

constexpr IndicatorRow kIndicators[] = {
    {"ma", kSrcLenType, rSeries, "Moving average of any kind."},
    {"sma", kSrcLen, rSeries, "Simple moving average."},
    {"ema", kSrcLen, rSeries, "Exponential moving average."},
    {"smma", kSrcLen, rSeries, "Smoothed moving average."},
    {"lwma", kSrcLen, rSeries, "Linear weighted moving average."},
    {"dema", kSrcLen, rSeries, "Double exponential moving average."},
    {"tema", kSrcLen, rSeries, "Triple exponential moving average."},
    {"ama", kAma, rSeries, "Adaptive moving average."},
    {"frama", kSrcLen, rSeries, "Fractal adaptive moving average."},
    {"vidya", kVidya, rSeries, "Variable index dynamic average."},
    {"sar", kSar, rSeries, "Parabolic stop and reverse."},
    {"ichimoku", kIchimoku, rIchimoku, "Ichimoku Kinko Hyo."},
    {"alligator", kJawTeethLips, rAlligator, "Bill Williams Alligator."},
    {"gator", kJawTeethLips, rGator, "Gator oscillator."},
    {"envelopes", kEnvelopes, rEnvelopes, "Envelopes around a moving average."},
    {"rsi", kSrcLen, rSeries, "Relative strength index, 0 to 100."},
    {"macd", kMacd, rMacd, "Moving average convergence divergence."},
    {"osma", kMacd, rSeries, "MACD histogram."},
    {"stoch", kStoch, rStoch, "Stochastic oscillator."},
    {"cci", kSrcLen, rSeries, "Commodity channel index."},
    {"williamsR", kLen, rSeries, "Williams percent range."},
    {"momentum", kSrcLen, rSeries, "Momentum."},
    {"roc", kSrcLen, rSeries, "Rate of change, in percent."},
    {"demarker", kLen, rSeries, "DeMarker."},
    {"rvi", kLen, rRvi, "Relative vigor index."},
    {"trix", kSrcLen, rSeries, "Triple exponential average oscillator."},
    {"ao", kEmpty, rSeries, "Awesome oscillator."},
    {"ac", kEmpty, rSeries, "Accelerator oscillator."},
    {"bearsPower", kLen, rSeries, "Bears power."},
    {"bullsPower", kLen, rSeries, "Bulls power."},
    {"adx", kLen, rAdx, "Average directional index."},
    {"adxWilder", kLen, rAdx, "ADX by Welles Wilder."},
    {"chaikin", kChaikin, rSeries, "Chaikin oscillator."},
    {"force", kForce, rSeries, "Force index."},
    {"atr", kLen, rSeries, "Average true range."},
    {"trueRange", kEmpty, rSeries, "True range of each bar."},
    {"stddev", kSrcLen, rSeries, "Standard deviation."},
    {"bands", kBands, rBands, "Bollinger Bands."},
    {"volumes", kEmpty, rSeries, "Tick volume."},
    {"obv", kEmpty, rSeries, "On balance volume."},
    {"ad", kEmpty, rSeries, "Accumulation and distribution."},
    {"mfi", kLen, rSeries, "Money flow index."},
    {"bwmfi", kEmpty, rSeries, "Market facilitation index."},
    {"fractals", kEmpty, rFractals, "Bill Williams fractals."},
};

constexpr IndicatorRow kSeriesFunctions[] = {
    {"crossesOver", kAB, rBools, "True on the bar where a crosses above b."},
    {"crossesUnder", kAB, rBools, "True on the bar where a crosses below b."},
    {"rising", kSrcLen, rBools, "True when the series rose across the whole window."},
    {"falling", kSrcLen, rBools, "True when the series fell across the whole window."},
    {"changed", kSrc, rBools, "True when the value differs from the previous bar."},
    {"highest", kSrcLen, rSeries, "Highest value over the window."},
    {"lowest", kSrcLen, rSeries, "Lowest value over the window."},
    {"highestBar", kSrcLen, rInts, "Bars back to the highest value."},
    {"lowestBar", kSrcLen, rInts, "Bars back to the lowest value."},
    {"sum", kSrcLen, rSeries, "Rolling sum."},
    {"avg", kSrcLen, rSeries, "Rolling mean."},
    {"cum", kSrc, rSeries, "Running total from the first bar."},
    {"correlation", kABLen, rSeries, "Rolling correlation."},
    {"percentRank", kSrcLen, rSeries, "Percentile of the current value inside the window."},
    {"linreg", kSrcLen, rLinreg, "Linear regression over the window."},
    {"barsSince", kCondition, rInts, "Bars since the condition was last true."},
    {"valueWhen", kValueWhen, rSeries, "The value of a series when a condition was last true."},
    {"pivotHigh", kLeftRight, rSeries, "Confirmed swing high."},
    {"pivotLow", kLeftRight, rSeries, "Confirmed swing low."},
    {"offset", kOffset, rSeries, "Shifts a series forward or back."},
    {"nz", kNz, rSeries, "Replaces missing values with a fallback."},
};

Parameter to_parameter(const Param& param) {
  switch (param.kind) {
    case kSeries:
      return p(param.name, series(Num));
    case kInt:
      return p(param.name, Int);
    case kNum:
      return p(param.name, Num);
    case kText:
      return p(param.name, Text);
    case kIntOpt:
      return opt(param.name, Int);
    case kNumOpt:
      return opt(param.name, Num);
    case kTextOpt:
      return opt(param.name, Text);
    case kBools:
      return p(param.name, series(Bool));
    default:
      return p(param.name, Any);
  }
}

// Every field of a result object is a series<num>.
Type result_object(std::string_view name, std::initializer_list<std::string_view> names) {
  FieldPairs pairs;
  for (std::string_view field : names) pairs.emplace_back(std::string(field), series(Num));
  return object(name, pairs);
}

Type to_result(std::uint8_t kind) {
  switch (kind) {
    case rMacd:
      return result_object("MacdResult", {"line", "signal", "histogram"});
    case rBands:
      return result_object("BandsResult", {"upper", "basis", "lower"});
    case rStoch:
      return result_object("StochResult", {"k", "d"});
    case rAdx:
      return result_object("AdxResult", {"main", "plusDi", "minusDi"});
    case rIchimoku:
      return result_object("IchimokuResult", {"tenkan", "kijun", "senkouA", "senkouB", "chikou"});
    case rAlligator:
      return result_object("AlligatorResult", {"jaw", "teeth", "lips"});
    case rGator:
      return result_object("GatorResult", {"upper", "lower"});
    case rEnvelopes:
      return result_object("EnvelopesResult", {"upper", "lower"});
    case rFractals:
      return result_object("FractalsResult", {"up", "down"});
    case rRvi:
      return result_object("RviResult", {"main", "signal"});
    case rLinreg:
      return result_object("LinregResult", {"value", "slope", "intercept"});
    case rBools:
      return series(Bool);
    case rInts:
      return series(Int);
    default:
      return series(Num);
  }
}

void add_table(Builder& builder, std::span<const IndicatorRow> rows) {
  for (const IndicatorRow& row : rows) {
    Params params;
    params.reserve(row.params.size());
    for (const Param& param : row.params) params.push_back(to_parameter(param));
    builder.add(row.name, fn(std::move(params), to_result(row.result)), {row.summary});
  }
}

}  // namespace

void define(Registry& registry) {
  Builder builder{kAllKinds, "Indicators", registry, kNoPermission, 1};
  add_table(builder, kIndicators);
  add_table(builder, kSeriesFunctions);
  const Type custom = object("CustomIndicator", {
                                                    {"buffer", fn({p("index", Int)}, series(Num))},
                                                    {"count", Int},
                                                });
  builder.add("custom", function_rest({p("bundle", Text)}, Num, custom),
              {"Loads a compiled .zxi indicator and reads its buffers."});
}

}  // namespace kelo_std::defs_indicators
