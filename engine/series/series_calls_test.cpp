#include "series/series_calls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace kelo_vm::series {
namespace {

Value close_series() {
  return *source_call("close");
}

// name(inputs...; numbers...) #selector, with each input written by its form.
std::string describe(const Series& s) {
  std::string out = s.name + "(";
  for (const auto& in : s.inputs) {
    switch (in->form) {
      case SeriesForm::Source:
        out += "source " + std::to_string(static_cast<int>(in->kind));
        break;
      case SeriesForm::Constant:
        out += std::isnan(in->constant) ? "const NaN" : "const " + format_number(in->constant);
        break;
      default:
        out += "other";
        break;
    }
    out += ", ";
  }
  out += ";";
  for (double n : s.numbers) out += " " + format_number(n);
  out += ") #" + std::to_string(s.selector);
  return out;
}

std::string call(std::string_view name, std::vector<Value> args) {
  auto v = series_call(name, args);
  if (!v) return "not a series call";
  if (v->is(Tag::Series)) return describe(v->series_obj());
  if (!v->is(Tag::Map)) return std::string(type_name(*v));
  std::string out;
  for (const auto& [key, part] : v->map_obj().to_items()) {
    out += key + ": " + (part.is(Tag::Series) ? describe(part.series_obj()) : "?") + "\n";
  }
  return out;
}

TEST(SeriesCalls, BuildNodes) {
  const Value I20 = Value::integer(20);
  struct Row {
    const char* behaviour;
    const char* name;
    std::vector<Value> args;
    const char* want;
  };
  const std::vector<Row> rows = {
      {"one series and a period", "sma", {close_series(), I20}, "sma(source 3, ; 20) #0"},
      {"a number as the input", "sma", {Value::integer(5), I20}, "sma(const 5, ; 20) #0"},
      {"a text as the input", "ema", {Value::text("x")}, "ema(const NaN, ;) #0"},
      {"a missing input", "rsi", {}, "rsi(const NaN, ;) #0"},
      {"no series input", "atr", {Value::integer(14)}, "atr(; 14) #0"},
      {"two series inputs",
       "crossesOver",
       {close_series(), Value::number(1.5)},
       "crossesOver(source 3, const 1.5, ;) #0"},
      {"extra numbers lengthen the list",
       "sma",
       {close_series(), I20, Value::integer(3)},
       "sma(source 3, ; 20 3) #0"},
      {"non-numeric numbers are NaN",
       "highest",
       {close_series(), Value::text("x")},
       "highest(source 3, ; none) #0"},
      {"macd fields in key order",
       "macd",
       {close_series(), Value::integer(12), Value::integer(26), Value::integer(9)},
       "histogram: macd(source 3, ; 12 26 9) #2\n"
       "line: macd(source 3, ; 12 26 9) #0\n"
       "signal: macd(source 3, ; 12 26 9) #1\n"},
      {"linreg intercept is selector 2",
       "linreg",
       {close_series(), Value::integer(5)},
       "intercept: linreg(source 3, ; 5) #2\n"
       "slope: linreg(source 3, ; 5) #1\n"
       "value: linreg(source 3, ; 5) #0\n"},
      {"stoch reads the bars", "stoch", {}, "d: stoch(;) #1\nk: stoch(;) #0\n"},
      {"named without a computation",
       "ichimoku",
       {},
       "chikou: ichimoku(;) #4\nkijun: ichimoku(;) #1\nsenkouA: ichimoku(;) #2\n"
       "senkouB: ichimoku(;) #3\ntenkan: ichimoku(;) #0\n"},
      {"single output without a computation",
       "percentRank",
       {close_series(), I20},
       "percentRank(source 3, ; 20) #0"},
      {"not an indicator", "floor", {Value::number(1.5)}, "not a series call"},
      {"case matters", "SMA", {close_series()}, "not a series call"},
  };
  for (const Row& row : rows) EXPECT_EQ(call(row.name, row.args), row.want) << row.behaviour;
}

TEST(SeriesCalls, PartsShareTheirInputs) {
  auto v = series_call("bands", std::vector<Value>{close_series(), Value::integer(20)});
  ASSERT_TRUE(v && v->is(Tag::Map));
  const MapItems parts = v->map_obj().to_items();
  EXPECT_EQ(parts.at("upper").series_obj().inputs[0].get(),
            parts.at("lower").series_obj().inputs[0].get());
}

TEST(SeriesCalls, Sources) {
  const char* names[] = {"open",   "high", "low", "close", "volume",
                         "spread", "time", "hl2", "hlc3",  "ohlc4"};
  for (int k = 0; k < 10; ++k) {
    auto v = source_call(names[k]);
    ASSERT_TRUE(v && v->is(Tag::Series)) << names[k];
    EXPECT_EQ(v->series_obj().form, SeriesForm::Source);
    EXPECT_EQ(static_cast<int>(v->series_obj().kind), k);
    EXPECT_NE(resolve_source(names[k]), nullptr);
  }
  EXPECT_FALSE(source_call("Close").has_value());
  EXPECT_EQ(resolve_source("Close"), nullptr);
  EXPECT_EQ(resolve_series_call("close"), nullptr);
  EXPECT_NE(resolve_series_call("alligator"), nullptr);
  EXPECT_NE(resolve_series_call("sma"), resolve_series_call("ema"));
}

}  // namespace
}  // namespace kelo_vm::series
