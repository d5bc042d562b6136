#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/types.h"
#include "stdlib/definition_forms.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"

namespace {

using kelo_core::types::Tag;
using kelo_core::types::Type;
using kelo_std::forms::expect_fields;
using kelo_std::forms::FormRows;
using kelo_std::forms::stored;

const std::string kStyle =
    "color: color? (named), width: num? (named), style: text? (named), fill: bool? (named), "
    "back: bool? (named), ray: bool? (named), selectable: bool? (named), zIndex: int? (named), "
    "id: text? (named), text: text? (named), font: text? (named), size: num? (named)";

std::string anchors(int n) {
  std::string out;
  for (int i = 1; i <= n; ++i) {
    out += "time" + std::to_string(i) + ": time, price" + std::to_string(i) + ": price, ";
  }
  return out;
}

const std::string kOne = "fn(" + anchors(1) + kStyle + ") -> text";
const std::string kTwo = "fn(" + anchors(2) + kStyle + ") -> text";
const std::string kThree = "fn(" + anchors(3) + kStyle + ") -> text";
const std::string kWindow = "fn(x: int, y: int, " + kStyle + ") -> text";

const FormRows kDraw = {
    {"delete",    "fn(id: text) -> bool"},
    {"deleteAll", "fn(prefix: text? (named)) -> int"},
    {"move",      "fn(id: text, anchor: int, at: time, price: price) -> bool"},
    {"find",      "fn(id: text) -> DrawObject?"},
    {"count",     "fn() -> int"},
    {"set",       "fn(id: text, property: text, value: any) -> bool"},
    {"get",       "fn(id: text, property: text) -> any"},
    {"list",      "fn() -> array<text>"},
    {"hline",     "fn(value: num, " + kStyle + ") -> text"},
    {"vline",     "fn(at: time, " + kStyle + ") -> text"},
    {"arrow", kOne}, {"arrowUp", kOne}, {"arrowDown", kOne}, {"arrowCheck", kOne}, {"arrowStop", kOne},
    {"arrowThumbUp", kOne}, {"arrowThumbDown", kOne}, {"arrowPrice", kOne}, {"text", kOne},
    {"trendline", kTwo}, {"ray", kTwo}, {"regression", kTwo}, {"stddevChannel", kTwo}, {"fibo", kTwo},
    {"fiboFan", kTwo}, {"fiboArc", kTwo}, {"fiboTimes", kTwo}, {"gannLine", kTwo}, {"gannFan", kTwo},
    {"gannGrid", kTwo}, {"cycles", kTwo}, {"rect", kTwo},
    {"channel", kThree}, {"pitchfork", kThree}, {"fiboChannel", kThree}, {"expansion", kThree},
    {"elliott3", kThree}, {"triangle", kThree}, {"ellipse", kThree},
    {"elliott5", "fn(" + anchors(5) + kStyle + ") -> text"},
    {"label", kWindow}, {"button", kWindow}, {"edit", kWindow},
    {"rectLabel", "fn(x: int, y: int, width: int, height: int, " + kStyle + ") -> text"},
    {"bitmap",    "fn(time: time, price: price, resource: text, " + kStyle + ") -> text"},
};

const FormRows kChart = {
    {"symbol",          "text"},
    {"timeframe",       "text"},
    {"visibleBars",     "int"},
    {"firstVisibleBar", "int"},
    {"comment",         "fn(value: text) -> void"},
    {"redraw",          "fn() -> void"},
    {"scroll",          "fn(bars: int) -> void"},
    {"zoom",            "fn(level: int) -> void"},
    {"priceToY",        "fn(price: price) -> num"},
    {"timeToX",         "fn(at: time) -> num"},
    {"xyToTimePrice",   "fn(x: num, y: num) -> TimePrice"},
    {"set",             "fn(property: text, value: any) -> bool"},
    {"get",             "fn(property: text) -> any"},
    {"setSymbolPeriod", "fn(symbol: text, timeframe: text) -> bool"},
    {"screenshot",      "fn(name: text) -> bool"},
};

struct Global {
  const char* name;
  std::string form;
  const char* summary;
};

// Calls for indicators and libraries (pure 0).
const Global kCalls[] = {
    {"draw", "draw", "Draws on the chart. Every drawing object type has a call here."},
    {"chart", "chart", "The chart this program is attached to."},
    {"plot",
     "fn(value: series<num>, title: text? (named), color: any? (named), width: num? (named), "
     "style: text? (named), panel: text? (named), visible: bool? (named), precision: int? (named)) -> void",
     "Draws a series. Styles: line, stepline, area, histogram, columns, dots, cross, arrows, candles, bars, "
     "zigzag, section, fill, none."},
    {"fill", "fn(a: series<num>, b: series<num>, " + kStyle + ") -> void",
     "Shades the area between two plotted series."},
    {"row", "fn(body: fn() -> void) -> void", "One line inside a panel."},
    {"label", "fn(value: text, " + kStyle + ") -> void", "The left-hand caption of a panel row."},
    {"value", "fn(value: any, " + kStyle + ") -> void", "The right-hand figure of a panel row."},
    {"separator", "fn() -> void", "A hairline between panel rows."},
    {"button",
     "fn(title: text, onPress: fn() -> void (named), enabled: bool? (named), color: color? (named)) -> void",
     "A button inside a panel."},
    {"toggle", "fn(title: text, bind: any (named)) -> void", "A switch inside a panel, bound to a variable."},
    {"slider",
     "fn(title: text, bind: any (named), min: num (named), max: num (named), step: num? (named)) -> void",
     "A slider inside a panel, bound to a variable."},
    {"at", "fn(corner: text, width: int? (named), offset: int? (named)) -> void",
     "Places a panel. Corners: topLeft, topRight, bottomLeft, bottomRight."},
};

// Text constants for every kind but scripts (pure 1).
const Global kConstants[] = {
    {"topLeft", "text", "A panel corner."},   {"topRight", "text", "A panel corner."},
    {"bottomLeft", "text", "A panel corner."}, {"bottomRight", "text", "A panel corner."},
    {"solid", "text", "A line style."},       {"dashed", "text", "A line style."},
    {"dotted", "text", "A line style."},      {"dashDot", "text", "A line style."},
    {"line", "text", "A plot style."},        {"stepline", "text", "A plot style."},
    {"area", "text", "A plot style."},        {"histogram", "text", "A plot style."},
    {"columns", "text", "A plot style."},     {"dots", "text", "A plot style."},
    {"cross", "text", "A plot style."},       {"arrows", "text", "A plot style."},
    {"candles", "text", "A plot style."},     {"zigzag", "text", "A plot style."},
    {"section", "text", "A plot style."},     {"overlay", "text", "A plot style."},
    {"separate", "text", "A plot style."},
};

void expect_entry(const kelo_std::Registry& registry, const Global& row, std::vector<int> kinds, int pure) {
  SCOPED_TRACE(row.name);
  const kelo_std::Entry* entry = registry.global(row.name);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(stored(entry->type), row.form);
  EXPECT_EQ(entry->summary, row.summary);
  EXPECT_EQ(entry->example, "");
  EXPECT_EQ(entry->group, "Chart");
  EXPECT_EQ(kelo_std::forms::kinds_of(*entry), kinds);
  EXPECT_EQ(entry->pure, pure);
  EXPECT_EQ(entry->permission, 255);
}

TEST(DrawingDefinitions, RegistersThirtyThreeGlobalsAndNoMembers) {
  kelo_std::Registry registry;
  kelo_std::defs_draw::define(registry);
  EXPECT_EQ(registry.globals.size(), 33u);
  EXPECT_TRUE(registry.members.empty());
  EXPECT_TRUE(registry.duplicates.empty());
}

TEST(DrawingDefinitions, CallsAndConstantsHaveTheirClassification) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const Global& row : kCalls) expect_entry(registry, row, {1, 2}, 0);
  for (const Global& row : kConstants) expect_entry(registry, row, {0, 1, 2}, 1);
}

TEST(DrawingDefinitions, DrawAndChartFields) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const Type& draw = registry.global("draw")->type;
  const Type& chart = registry.global("chart")->type;
  EXPECT_EQ(draw.tag(), Tag::Object);
  EXPECT_EQ(chart.tag(), Tag::Object);
  EXPECT_EQ(draw.fields()->fields.size(), 45u);
  EXPECT_EQ(chart.fields()->fields.size(), 15u);
  expect_fields(draw, kDraw);
  expect_fields(chart, kChart);

  const Type& draw_object = *draw.fields()->fields.at("find").signature()->result.optional_inner();
  EXPECT_EQ(draw_object.tag(), Tag::Struct);
  expect_fields(draw_object, {{"id", "text"}, {"type", "text"}, {"visible", "bool"}});
  const Type& time_price = chart.fields()->fields.at("xyToTimePrice").signature()->result;
  EXPECT_EQ(time_price.tag(), Tag::Object);
  expect_fields(time_price, {{"time", "time"}, {"price", "price"}});
}

TEST(DrawingDefinitions, SharedConstructorsBuildTheirShapes) {
  using kelo_core::types::Primitive;
  const auto options = kelo_std::defs_draw::style_options();
  EXPECT_EQ(options.size(), 12u);
  for (const auto& option : options) {
    EXPECT_TRUE(option.named && option.optional) << option.name;
  }
  EXPECT_EQ(stored(kelo_core::types::function(options, Primitive::Void)), "fn(" + kStyle + ") -> void");
  EXPECT_EQ(stored(kelo_std::defs_draw::anchored(1)), kOne);
  EXPECT_EQ(stored(kelo_std::defs_draw::anchored(3)), kThree);
  EXPECT_EQ(stored(kelo_std::defs_draw::windowed({})), kWindow);
  EXPECT_EQ(stored(kelo_std::defs_draw::windowed({{"width", Primitive::Int}, {"height", Primitive::Int}})),
            "fn(x: int, y: int, width: int, height: int, " + kStyle + ") -> text");
}

TEST(DrawingDefinitions, Elliott5TakesTenRequiredAnchorsThenOptions) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto* sig = registry.global("draw")->type.fields()->fields.at("elliott5").signature();
  ASSERT_NE(sig, nullptr);
  ASSERT_EQ(sig->params.size(), 22u);
  for (std::size_t i = 0; i < sig->params.size(); ++i) EXPECT_EQ(sig->params[i].optional, i >= 10) << i;
  const auto* host = kelo_std::hosts::table().get("draw.elliott5");
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->arity, 22);
  EXPECT_EQ(host->required, 10);
}

TEST(DrawingDefinitions, RectLabelKeepsBothWidthParameters) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto* sig = registry.global("draw")->type.fields()->fields.at("rectLabel").signature();
  ASSERT_NE(sig, nullptr);
  std::vector<std::string> widths;
  for (const auto& param : sig->params) {
    if (param.name == "width") widths.push_back(stored(kelo_core::types::function({param}, param.type)));
  }
  // The positional int comes first, so a by-name lookup taking the first match finds it.
  EXPECT_EQ(widths, (std::vector<std::string>{"fn(width: int) -> int", "fn(width: num? (named)) -> num"}));
  const auto* host = kelo_std::hosts::table().get("draw.rectLabel");
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->arity, 16);
  EXPECT_EQ(host->required, 4);
}

TEST(DrawingDefinitions, PrintedTypesOfSharedNames) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto& draw = registry.global("draw")->type.fields()->fields;
  EXPECT_EQ(registry.global("label")->type.to_string(),
            "fn(text, color: color?, width: num?, style: text?, fill: bool?, back: bool?, ray: bool?, "
            "selectable: bool?, zIndex: int?, id: text?, text: text?, font: text?, size: num?) -> void");
  EXPECT_EQ(draw.at("label").to_string(),
            "fn(int, int, color: color?, width: num?, style: text?, fill: bool?, back: bool?, ray: bool?, "
            "selectable: bool?, zIndex: int?, id: text?, text: text?, font: text?, size: num?) -> text");
  EXPECT_EQ(registry.global("button")->type.to_string(),
            "fn(text, onPress: fn() -> void, enabled: bool?, color: color?) -> void");
  EXPECT_EQ(draw.at("find").to_string(), "fn(text) -> DrawObject?");
  EXPECT_EQ(registry.global("draw")->type.to_string(), "draw");
}

}  // namespace
