#include "series/series_calls.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "series/series_eval.h"
#include "vm/interpreter.h"
#include "vm/operators.h"

namespace kelo_vm::series {
namespace {

using builtins::as_series;
using builtins::number;
using builtins::numbers;

struct SingleRow {
  std::string_view name;
  uint8_t series_args;
};

// Indicators with one output, by the number of leading series arguments. The last rows
// are indicators the standard library names but nothing computes: their nodes evaluate
// to NaN at every bar rather than reaching the host.
constexpr SingleRow kSingle[] = {
    {"atr", 0},
    {"trueRange", 0},
    {"williamsR", 0},
    {"obv", 0},
    {"ad", 0},
    {"mfi", 0},
    {"volumes", 0},
    {"sar", 0},
    {"ao", 0},
    {"ac", 0},
    {"bullsPower", 0},
    {"bearsPower", 0},
    {"sma", 1},
    {"ema", 1},
    {"smma", 1},
    {"lwma", 1},
    {"dema", 1},
    {"tema", 1},
    {"ma", 1},
    {"rsi", 1},
    {"stddev", 1},
    {"highest", 1},
    {"lowest", 1},
    {"sum", 1},
    {"avg", 1},
    {"momentum", 1},
    {"roc", 1},
    {"cum", 1},
    {"offset", 1},
    {"nz", 1},
    {"highestBar", 1},
    {"lowestBar", 1},
    {"cci", 1},
    {"osma", 1},
    {"barsSince", 1},
    {"changed", 1},
    {"rising", 1},
    {"falling", 1},
    {"crossesOver", 2},
    {"crossesUnder", 2},
    {"correlation", 2},
    // Named by the standard library, without a computation.
    {"ama", 1},
    {"frama", 1},
    {"vidya", 1},
    {"trix", 1},
    {"percentRank", 1},
    {"valueWhen", 2},
    {"demarker", 0},
    {"chaikin", 0},
    {"force", 0},
    {"bwmfi", 0},
    {"pivotHigh", 0},
    {"pivotLow", 0},
};

struct MultiRow {
  std::string_view name;
  uint8_t series_args;
  std::array<std::string_view, 5> fields;  // in selector order; empty past the last
};

constexpr MultiRow kMulti[] = {
    {"macd", 1, {"line", "signal", "histogram"}},
    {"bands", 1, {"upper", "basis", "lower"}},
    {"stoch", 0, {"k", "d"}},
    {"adx", 0, {"main", "plusDi", "minusDi"}},
    {"adxWilder", 0, {"main", "plusDi", "minusDi"}},
    {"envelopes", 1, {"upper", "lower"}},
    {"alligator", 0, {"jaw", "teeth", "lips"}},
    {"linreg", 1, {"value", "slope", "intercept"}},
    // Named by the standard library, without a computation.
    {"ichimoku", 0, {"tenkan", "kijun", "senkouA", "senkouB", "chikou"}},
    {"gator", 0, {"upper", "lower"}},
    {"rvi", 0, {"main", "signal"}},
    {"fractals", 0, {"up", "down"}},
};

std::vector<Ref<Series>> inputs_of(std::span<const Value> args, std::size_t k) {
  std::vector<Ref<Series>> inputs;
  inputs.reserve(k);
  for (std::size_t i = 0; i < k; ++i) {
    inputs.push_back(as_series(i < args.size() ? args[i] : Value()));
  }
  return inputs;
}

// `ma(source, length, type)` keeps the kernel its type text names in the selector: 1
// "ema", 2 "smma", 3 "lwma" (exact texts, as indicator names compare); 0, the simple
// average, for "sma", none or any other text. Every other single-output node has 0.
uint8_t selector_of(const SingleRow& row, std::span<const Value> args) {
  if (row.name != "ma" || args.size() < 3 || !args[2].is(Tag::Text)) return 0;
  const std::string_view type = args[2].str();
  return type == "ema" ? 1 : type == "smma" ? 2 : type == "lwma" ? 3 : 0;
}

Value single(const SingleRow& row, std::span<const Value> args) {
  return Value::series(Series::indicator(std::string(row.name), inputs_of(args, row.series_args),
                                         numbers(args, row.series_args), selector_of(row, args)));
}

Value multi(const MultiRow& row, std::span<const Value> args) {
  const std::vector<Ref<Series>> inputs = inputs_of(args, row.series_args);
  const std::vector<double> nums = numbers(args, row.series_args);
  MapItems items;
  for (std::size_t i = 0; i < row.fields.size() && !row.fields[i].empty(); ++i) {
    items.emplace(std::string(row.fields[i]),
                  Value::series(Series::indicator(std::string(row.name), inputs, nums,
                                                  static_cast<uint8_t>(i))));
  }
  return Value::map(std::move(items));
}

// Arguments read once into fixed room: a call has a handful of them.
constexpr std::size_t kRoom = 8;

// The running built-ins' series memo; null under built-ins that keep none, which then
// build fresh nodes instead.
evaluate::Evaluator* evaluator_of(BuiltinCall& call) { return call.vm.builtins().series_memo(); }

// `k` leading series arguments as shared nodes where they can be (a number becomes a
// shared constant, as as_series would make it), and the numbers after them.
struct SharedArgs {
  std::array<Ref<Series>, 2> inputs;
  std::array<double, kRoom> numbers{};
  std::size_t number_count = 0;
};

bool shared_args(BuiltinCall& call, evaluate::Evaluator& ev, std::size_t k, SharedArgs& out) {
  const std::span<const Value> args = call.args;
  if (args.size() > k + kRoom || k > out.inputs.size()) return false;
  for (std::size_t i = 0; i < k; ++i) {
    const Value& v = i < args.size() ? args[i] : Value();
    if (v.is(Tag::Series)) {
      out.inputs[i] = v.series_ref();
    } else {
      const std::optional<double> n = numeric_view(v);
      out.inputs[i] =
          ev.shared_constant(n ? *n : std::numeric_limits<double>::quiet_NaN(), call.host);
    }
  }
  for (std::size_t i = k; i < args.size(); ++i) out.numbers[out.number_count++] = number(args, i);
  return true;
}

template <std::size_t I>
Result<Value> shared_single_fn(BuiltinCall& call) {
  const SingleRow& row = kSingle[I];
  evaluate::Evaluator* ev = evaluator_of(call);
  SharedArgs a;
  if (!ev || !shared_args(call, *ev, row.series_args, a)) return single(row, call.args);
  return Value::series(ev->shared_indicator(row.name, std::span(a.inputs.data(), row.series_args),
                                            std::span(a.numbers.data(), a.number_count),
                                            selector_of(row, call.args), call.host));
}

template <std::size_t I>
Result<Value> shared_multi_fn(BuiltinCall& call) {
  const MultiRow& row = kMulti[I];
  evaluate::Evaluator* ev = evaluator_of(call);
  SharedArgs a;
  if (!ev || !shared_args(call, *ev, row.series_args, a)) return multi(row, call.args);
  MapItems items;
  for (std::size_t i = 0; i < row.fields.size() && !row.fields[i].empty(); ++i) {
    items.emplace(
        std::string(row.fields[i]),
        Value::series(ev->shared_indicator(row.name, std::span(a.inputs.data(), row.series_args),
                                          std::span(a.numbers.data(), a.number_count),
                                          static_cast<uint8_t>(i), call.host)));
  }
  return Value::map(std::move(items));
}

template <std::size_t I>
Result<Value> shared_source_fn(BuiltinCall& call) {
  evaluate::Evaluator* ev = evaluator_of(call);
  if (!ev) return Value::series(Series::source(static_cast<SeriesKind>(I)));
  return Value::series(ev->shared_source(static_cast<SeriesKind>(I), call.host));
}

template <std::size_t I>
Result<Value> single_fn(BuiltinCall& call) {
  return single(kSingle[I], call.args);
}
template <std::size_t I>
Result<Value> multi_fn(BuiltinCall& call) {
  return multi(kMulti[I], call.args);
}
template <std::size_t I>
Result<Value> source_fn(BuiltinCall&) {
  return Value::series(Series::source(static_cast<SeriesKind>(I)));
}

template <bool Shared, std::size_t... I>
constexpr std::array<BuiltinFn, sizeof...(I)> single_fns(std::index_sequence<I...>) {
  if constexpr (Shared) {
    return {&shared_single_fn<I>...};
  } else {
    return {&single_fn<I>...};
  }
}
template <bool Shared, std::size_t... I>
constexpr std::array<BuiltinFn, sizeof...(I)> multi_fns(std::index_sequence<I...>) {
  if constexpr (Shared) {
    return {&shared_multi_fn<I>...};
  } else {
    return {&multi_fn<I>...};
  }
}
template <bool Shared, std::size_t... I>
constexpr std::array<BuiltinFn, sizeof...(I)> source_fns(std::index_sequence<I...>) {
  if constexpr (Shared) {
    return {&shared_source_fn<I>...};
  } else {
    return {&source_fn<I>...};
  }
}

constexpr std::size_t kSingleCount = std::size(kSingle);
constexpr std::size_t kMultiCount = std::size(kMulti);
constexpr std::size_t kSourceCount = 10;  // open 0 ... ohlc4 9

}  // namespace

std::optional<Value> series_call(std::string_view name, std::span<const Value> args) {
  for (const SingleRow& row : kSingle) {
    if (row.name == name) return single(row, args);
  }
  for (const MultiRow& row : kMulti) {
    if (row.name == name) return multi(row, args);
  }
  return std::nullopt;
}

std::vector<std::string_view> call_names() {
  std::vector<std::string_view> names(std::begin(kSeriesKindNames), std::end(kSeriesKindNames));
  for (const SingleRow& row : kSingle) names.push_back(row.name);
  for (const MultiRow& row : kMulti) names.push_back(row.name);
  return names;
}

std::optional<Value> source_call(std::string_view name) {
  const SeriesKind kind = series_kind(name);
  if (kind == SeriesKind::None) return std::nullopt;
  return Value::series(Series::source(kind));
}

namespace {

template <bool Shared>
BuiltinFn source_handler(std::string_view name) {
  static constexpr auto fns = source_fns<Shared>(std::make_index_sequence<kSourceCount>());
  const auto k = static_cast<std::size_t>(series_kind(name));
  return k < kSourceCount ? fns[k] : nullptr;
}

template <bool Shared>
BuiltinFn series_call_handler(std::string_view name) {
  static constexpr auto singles = single_fns<Shared>(std::make_index_sequence<kSingleCount>());
  static constexpr auto multis = multi_fns<Shared>(std::make_index_sequence<kMultiCount>());
  for (std::size_t i = 0; i < kSingleCount; ++i) {
    if (kSingle[i].name == name) return singles[i];
  }
  for (std::size_t i = 0; i < kMultiCount; ++i) {
    if (kMulti[i].name == name) return multis[i];
  }
  return nullptr;
}

}  // namespace

BuiltinFn resolve_source(std::string_view name) { return source_handler<false>(name); }
BuiltinFn resolve_series_call(std::string_view name) { return series_call_handler<false>(name); }
BuiltinFn resolve_shared_source(std::string_view name) { return source_handler<true>(name); }
BuiltinFn resolve_shared_series_call(std::string_view name) {
  return series_call_handler<true>(name);
}

}  // namespace kelo_vm::series
