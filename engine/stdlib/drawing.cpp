// Chart vocabulary: drawing objects, the attached chart, plots, panels and the text
// constants that name panel corners, line styles and plot styles.
#include <string>

#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_draw {

using namespace kelo_std::defs;

namespace {

// `params`, then the style options; every drawing call ends this way.
Params styled(Params params) {
  for (Parameter& option : style_options()) params.push_back(std::move(option));
  return params;
}

constexpr std::string_view kOneAnchor[] = {
    "arrow", "arrowUp", "arrowDown", "arrowCheck", "arrowStop", "arrowThumbUp", "arrowThumbDown",
    "arrowPrice", "text"};
constexpr std::string_view kTwoAnchors[] = {
    "trendline", "ray", "regression", "stddevChannel", "fibo", "fiboFan", "fiboArc", "fiboTimes",
    "gannLine", "gannFan", "gannGrid", "cycles", "rect"};
constexpr std::string_view kThreeAnchors[] = {
    "channel", "pitchfork", "fiboChannel", "expansion", "elliott3", "triangle", "ellipse"};
constexpr std::string_view kFiveAnchors[] = {"elliott5"};
constexpr std::string_view kWindows[] = {"label", "button", "edit"};

Type draw_namespace() {
  const Type draw_object = structure("DrawObject", {{"id", Text}, {"type", Text}, {"visible", Bool}});
  FieldPairs fields{
      {"delete",    fn({p("id", Text)}, Bool)},
      {"deleteAll", fn({named_opt("prefix", Text)}, Int)},
      {"move",      fn({p("id", Text), p("anchor", Int), p("at", Time), p("price", Price)}, Bool)},
      {"find",      fn({p("id", Text)}, optional(draw_object))},
      {"count",     fn({}, Int)},
      {"set",       fn({p("id", Text), p("property", Text), p("value", Any)}, Bool)},
      {"get",       fn({p("id", Text), p("property", Text)}, Any)},
      {"list",      fn({}, array(Text))},
      {"hline",     fn(styled({p("value", Num)}), Text)},
      {"vline",     fn(styled({p("at", Time)}), Text)},
  };
  for (std::string_view name : kOneAnchor) fields.emplace_back(name, anchored(1));
  for (std::string_view name : kTwoAnchors) fields.emplace_back(name, anchored(2));
  for (std::string_view name : kThreeAnchors) fields.emplace_back(name, anchored(3));
  for (std::string_view name : kFiveAnchors) fields.emplace_back(name, anchored(5));
  for (std::string_view name : kWindows) fields.emplace_back(name, windowed({}));
  fields.emplace_back("rectLabel", windowed({{"width", Int}, {"height", Int}}));
  fields.emplace_back("bitmap", fn(styled({p("time", Time), p("price", Price), p("resource", Text)}), Text));
  return object("draw", fields);
}

Type chart_namespace() {
  const Type time_price = object("TimePrice", {{"time", Time}, {"price", Price}});
  return object("chart", {
      {"symbol",          Text},
      {"timeframe",       Text},
      {"visibleBars",     Int},
      {"firstVisibleBar", Int},
      {"comment",         fn({p("value", Text)}, Void)},
      {"redraw",          fn({}, Void)},
      {"scroll",          fn({p("bars", Int)}, Void)},
      {"zoom",            fn({p("level", Int)}, Void)},
      {"priceToY",        fn({p("price", Price)}, Num)},
      {"timeToX",         fn({p("at", Time)}, Num)},
      {"xyToTimePrice",   fn({p("x", Num), p("y", Num)}, time_price)},
      {"set",             fn({p("property", Text), p("value", Any)}, Bool)},
      {"get",             fn({p("property", Text)}, Any)},
      {"setSymbolPeriod", fn({p("symbol", Text), p("timeframe", Text)}, Bool)},
      {"screenshot",      fn({p("name", Text)}, Bool)},
  });
}

struct Constant {
  std::string_view name;
  std::string_view summary;
};

constexpr Constant kConstants[] = {
    {"topLeft",   "A panel corner."}, {"topRight",  "A panel corner."},
    {"bottomLeft", "A panel corner."}, {"bottomRight", "A panel corner."},
    {"solid",     "A line style."},   {"dashed",    "A line style."},
    {"dotted",    "A line style."},   {"dashDot",   "A line style."},
    {"line",      "A plot style."},   {"stepline",  "A plot style."},
    {"area",      "A plot style."},   {"histogram", "A plot style."},
    {"columns",   "A plot style."},   {"dots",      "A plot style."},
    {"cross",     "A plot style."},   {"arrows",    "A plot style."},
    {"candles",   "A plot style."},   {"zigzag",    "A plot style."},
    {"section",   "A plot style."},   {"overlay",   "A plot style."},
    {"separate",  "A plot style."},
};

}  // namespace

Params style_options() {
  return {named_opt("color", Color),     named_opt("width", Num),  named_opt("style", Text),
          named_opt("fill", Bool),       named_opt("back", Bool),  named_opt("ray", Bool),
          named_opt("selectable", Bool), named_opt("zIndex", Int), named_opt("id", Text),
          named_opt("text", Text),       named_opt("font", Text),  named_opt("size", Num)};
}

Type anchored(int anchors) {
  Params params;
  for (int i = 1; i <= anchors; ++i) {
    params.push_back(p("time" + std::to_string(i), Time));
    params.push_back(p("price" + std::to_string(i), Price));
  }
  return fn(styled(std::move(params)), Text);
}

// With the (width, height) extras the list holds two parameters named width: the required
// positional int and the style option. Kept as is; named arguments bind to the first match.
Type windowed(const FieldPairs& extras) {
  Params params{p("x", Int), p("y", Int)};
  for (const auto& [name, type] : extras) params.push_back(p(name, type));
  return fn(styled(std::move(params)), Text);
}

void define(Registry& registry) {
  Builder b{kIndicatorLibrary, "Chart", registry, kNoPermission, 0};
  add_rows(b, {
      {"draw",  draw_namespace(),  "Draws on the chart. Every drawing object type has a call here."},
      {"chart", chart_namespace(), "The chart this program is attached to."},
      {"plot",
       fn({p("value", series(Num)), named_opt("title", Text), named_opt("color", Any), named_opt("width", Num),
           named_opt("style", Text), named_opt("panel", Text), named_opt("visible", Bool),
           named_opt("precision", Int)},
          Void),
       "Draws a series. Styles: line, stepline, area, histogram, columns, dots, cross, arrows, candles, bars, "
       "zigzag, section, fill, none."},
      {"fill",      fn(styled({p("a", series(Num)), p("b", series(Num))}), Void),
                    "Shades the area between two plotted series."},
      {"row",       fn({p("body", fn({}, Void))}, Void), "One line inside a panel."},
      {"label",     fn(styled({p("value", Text)}), Void), "The left-hand caption of a panel row."},
      {"value",     fn(styled({p("value", Any)}), Void), "The right-hand figure of a panel row."},
      {"separator", fn({}, Void), "A hairline between panel rows."},
      {"button",
       fn({p("title", Text), named("onPress", fn({}, Void)), named_opt("enabled", Bool), named_opt("color", Color)},
          Void),
       "A button inside a panel."},
      {"toggle",    fn({p("title", Text), named("bind", Any)}, Void), "A switch inside a panel, bound to a variable."},
      {"slider",
       fn({p("title", Text), named("bind", Any), named("min", Num), named("max", Num), named_opt("step", Num)}, Void),
       "A slider inside a panel, bound to a variable."},
      {"at",        fn({p("corner", Text), named_opt("width", Int), named_opt("offset", Int)}, Void),
                    "Places a panel. Corners: topLeft, topRight, bottomLeft, bottomRight."},
  });

  // The constants are plain values, so bots may read them too.
  Builder constants{kAllKinds, "Chart", registry, kNoPermission, 1};
  for (const Constant& c : kConstants) constants.add(c.name, Text, {c.summary});
}

}  // namespace kelo_std::defs_draw
