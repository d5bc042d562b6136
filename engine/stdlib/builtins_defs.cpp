// General vocabulary: maths and random numbers, number formatting and the `text`
// namespace. The members of text, array, map and series are in builtins_members.cpp.
#include "stdlib/builtins_members.h"
#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_builtins {

using namespace kelo_std::defs;

namespace {

struct Unary {
  std::string_view name;
  std::string_view summary;
};

// Each is fn(value: num) -> num.
constexpr Unary kUnaryMaths[] = {
    {"abs",   "Absolute value."},
    {"sign",  "Minus one, zero or one."},
    {"sqrt",  "Square root."},
    {"cbrt",  "Cube root."},
    {"exp",   "e raised to a power."},
    {"ln",    "Natural logarithm."},
    {"log10", "Base-ten logarithm."},
    {"log2",  "Base-two logarithm."},
    {"sin",   "Sine."},
    {"cos",   "Cosine."},
    {"tan",   "Tangent."},
    {"asin",  "Arc sine."},
    {"acos",  "Arc cosine."},
    {"atan",  "Arc tangent."},
    {"sinh",  "Hyperbolic sine."},
    {"cosh",  "Hyperbolic cosine."},
    {"tanh",  "Hyperbolic tangent."},
    {"floor", "Rounds down."},
    {"ceil",  "Rounds up."},
    {"trunc", "Drops the fractional part."},
};

void define_maths(Registry& registry) {
  Builder b{kAllKinds, "Maths", registry, kNoPermission, 1};
  for (const Unary& row : kUnaryMaths) b.add(row.name, fn({p("value", Num)}, Num), {row.summary});

  const Params ab{p("a", Num), p("b", Num)};
  const Params values{p("values", array(Num))};
  const Params range{p("value", Num), p("low", Num), p("high", Num)};
  add_rows(b, {
      {"atan2",      fn(ab, Num),                                   "Arc tangent of y over x."},
      {"hypot",      fn(ab, Num),                                   "Length of the hypotenuse."},
      {"pow",        fn(ab, Num),                                   "Base raised to an exponent."},
      {"mod",        fn(ab, Num),                                   "Remainder after division."},
      {"min",        fn(ab, Num),                                   "Smaller of two values."},
      {"max",        fn(ab, Num),                                   "Larger of two values."},
      {"mean",       fn(values, Num),                               "Arithmetic mean."},
      {"median",     fn(values, Num),                               "Middle value."},
      {"variance",   fn(values, Num),                               "Population variance."},
      {"stdevOf",    fn(values, Num),                               "Population standard deviation."},
      {"round",      fn({p("value", Num), opt("digits", Int)}, Num),
                     "Rounds to the nearest value, optionally to a number of decimals."},
      {"clamp",      fn(range, Num),                                "Keeps a value inside a range."},
      {"lerp",       fn({p("a", Num), p("b", Num), p("t", Num)}, Num), "Linear interpolation between two values."},
      {"percentile", fn({p("values", array(Num)), p("p", Num)}, Num), "Value at a percentile."},
      {"normalize",  fn(range, Num),                                "Maps a value into zero to one across a range."},
      {"isNaN",      fn({p("value", Num)}, Bool),                   "True when the value is not a number."},
      {"isFinite",   fn({p("value", Num)}, Bool),                   "True when the value is a real, finite number."},
  });
}

Type text_namespace() {
  return object("text", {
      {"of",        fn({p("value", Any)}, Text)},
      {"upper",     fn({p("value", Text)}, Text)},
      {"lower",     fn({p("value", Text)}, Text)},
      {"trim",      fn({p("value", Text)}, Text)},
      {"join",      fn({p("values", array(Text)), p("separator", Text)}, Text)},
      {"format",    function_rest({p("pattern", Text)}, Any, Text)},
      {"fromCode",  fn({p("code", Int)}, Text)},
      {"compare",   fn({p("a", Text), p("b", Text)}, Int)},
      {"parseNum",  fn({p("value", Text)}, Num)},
      {"parseInt",  fn({p("value", Text)}, Int)},
      {"parseTime", fn({p("value", Text), opt("format", Text)}, Time)},
      {"parseJson", fn({p("value", Text)}, Any)},
      {"toJson",    fn({p("value", Any), opt("pretty", Bool)}, Text)},
  });
}

void define_text(Registry& registry) {
  Builder b{kAllKinds, "Text", registry, kNoPermission, 1};
  const Type amount = fn({p("value", Num)}, Text);
  add_rows(b, {
      {"money",     amount, "Formats an amount in the account currency, as 1,234.56 USD."},
      {"pips",      amount, "Formats a distance in pips."},
      {"pct",       fn({p("value", Num), opt("digits", Int)}, Text), "Formats a percentage."},
      {"priceText", amount, "Formats a price with the instrument's digits."},
      {"lotsText",  amount, "Formats a volume with the instrument's step."},
      {"text",      text_namespace(), "Text helpers. Also callable as text(x) to convert any value."},
  });
}

// Drawing random numbers is an effect (it advances the run's sequence), hence pure 0.
void define_random(Registry& registry) {
  Builder b{kAllKinds, "Maths", registry, kNoPermission, 0};
  add_rows(b, {
      {"rand",    fn({}, Num),
                  "Random number from zero up to one. Seeded per run, so a backtest reproduces."},
      {"randInt", fn({p("low", Int), p("high", Int)}, Int), "Random whole number inside a range."},
      {"seed",    fn({p("value", Int)}, Void),              "Fixes the random sequence."},
  });
}

}  // namespace

void define(Registry& registry) {
  define_maths(registry);
  define_text(registry);
  define_members(registry);
  define_random(registry);
}

}  // namespace kelo_std::defs_builtins
