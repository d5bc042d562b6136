#include "builtins/pure_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kelo_vm::builtins {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

Value call(std::string_view name, std::vector<Value> args = {}) {
  auto r = pure_call(name, args);
  EXPECT_TRUE(r.has_value()) << name;
  return r ? *r : Value();
}

Value N(double x) {
  return Value::number(x);
}
Value I(int64_t x) {
  return Value::integer(x);
}
Value T(std::string_view s) {
  return Value::text(s);
}
Value A(std::vector<Value> items) {
  return Value::array(std::move(items));
}

// Type name and display text: pins the variant as well as the value.
std::string shown(const Value& v) {
  return std::string(type_name(v)) + " " + display(v);
}

struct Row {
  const char* behaviour;
  const char* name;
  std::vector<Value> args;
  const char* want;  // type name, a space, the display text
};

TEST(PureFunctions, Answers) {
  const std::vector<Row> rows = {
      {"round half away from zero", "round", {N(2.5)}, "num 3"},
      {"round negative half", "round", {N(-2.5)}, "num -3"},
      {"round to decimals uses the binary product", "round", {N(1.005), I(2)}, "num 1"},
      {"round to tens", "round", {N(1234.5), I(-2)}, "num 1200"},
      {"round decimals truncated", "round", {N(2.345), N(1.9)}, "num 2.3"},
      {"round past double precision keeps x", "round", {N(1.5), I(400)}, "num 1.5"},
      {"round far left of the point", "round", {N(1.5), I(-400)}, "num 0"},
      {"round without numeric decimals", "round", {N(2.4), T("x")}, "num 2"},
      {"abs of an Int is a Num", "abs", {I(-3)}, "num 3"},
      {"sign of NaN", "sign", {N(kNaN)}, "num 0"},
      {"sign negative", "sign", {N(-0.5)}, "num -1"},
      {"min passes over NaN", "min", {N(kNaN), I(1)}, "num 1"},
      {"max passes over NaN", "max", {I(4), N(kNaN)}, "num 4"},
      {"mod by zero", "mod", {I(5), I(0)}, "num none"},
      {"mod keeps the sign of a", "mod", {I(-5), I(3)}, "num -2"},
      {"pow", "pow", {I(2), I(10)}, "num 1024"},
      {"atan2 is quadrant-aware", "atan2", {I(1), I(-1)}, "num 2.356194490192345"},
      {"hypot", "hypot", {I(3), I(4)}, "num 5"},
      {"floor stays a Num", "floor", {N(-1.5)}, "num -2"},
      {"non-numeric argument is NaN", "sqrt", {T("4")}, "num none"},
      {"clamp below", "clamp", {I(-1), I(0), I(10)}, "num 0"},
      {"clamp above", "clamp", {I(11), I(0), I(10)}, "num 10"},
      {"clamp NaN stays NaN", "clamp", {N(kNaN), I(0), I(10)}, "num none"},
      {"clamp with the bounds reversed", "clamp", {I(5), I(10), I(0)}, "num 5"},
      {"clamp with reversed bounds above", "clamp", {I(15), I(10), I(0)}, "num 10"},
      {"clamp with a NaN bound", "clamp", {I(-5), N(kNaN), I(0)}, "num -5"},
      {"lerp", "lerp", {I(10), I(20), N(0.25)}, "num 12.5"},
      {"normalize", "normalize", {I(15), I(10), I(20)}, "num 0.5"},
      {"normalize empty range", "normalize", {I(15), I(10), I(10)}, "num 0"},
      {"isNaN of a text", "isNaN", {T("x")}, "bool true"},
      {"isFinite of INF", "isFinite", {N(kInf)}, "bool false"},
      {"int truncates", "int", {N(-2.9)}, "int -2"},
      {"int of a text", "int", {T("7")}, "int 0"},
      {"int saturates", "int", {N(1e300)}, "int 9223372036854775807"},
      {"num of a text", "num", {T("7")}, "num none"},
      {"num of true", "num", {Value::boolean(true)}, "num 1"},
      {"bool of 0", "bool", {I(0)}, "bool false"},
      {"bool of a text", "bool", {T("x")}, "bool true"},
      {"mean skips texts", "mean", {A({I(1), T("x"), I(3)})}, "num 2"},
      {"mean of nothing numeric", "mean", {A({T("x")})}, "num none"},
      {"mean of an empty array", "mean", {A({})}, "num none"},
      {"mean of a number", "mean", {I(3)}, "num none"},
      {"mean skips NaN and infinity", "mean", {A({I(2), N(kNaN), N(kInf), I(4)})}, "num 3"},
      {"median of an even count", "median", {A({I(3), I(1), I(2), I(4)})}, "num 2.5"},
      {"median of an odd count", "median", {A({I(5), I(1), I(2)})}, "num 2"},
      {"population variance", "variance", {A({I(1), I(2), I(3), I(4)})}, "num 1.25"},
      {"stdevOf", "stdevOf", {A({I(2), I(4), I(4), I(4), I(5), I(5), I(7), I(9)})}, "num 2"},
      {"percentile interpolates", "percentile", {A({I(1), I(2), I(3), I(4)}), I(50)}, "num 2.5"},
      {"percentile above 100", "percentile", {A({I(1), I(2), I(3), I(4)}), I(150)}, "num 4"},
      {"percentile below 0", "percentile", {A({I(4), I(2)}), I(-5)}, "num 2"},
      {"percentile without p", "percentile", {A({I(1), I(2)})}, "num none"},
      {"percentile with NaN p", "percentile", {A({I(1), I(2)}), N(kNaN)}, "num none"},
      {"PI", "PI", {}, "num 3.141592653589793"},
      {"E", "E", {}, "num 2.718281828459045"},
      {"INF", "INF", {}, "num inf"},
      {"EPSILON", "EPSILON", {}, "num 0.0000000000000002220446049250313"},
      {"INT_MAX", "INT_MAX", {}, "int 9223372036854775807"},
      {"INT_MIN", "INT_MIN", {}, "int -9223372036854775808"},
      {"text.of writes numbers plainly", "text.of", {N(2.0)}, "text 2"},
      {"text.upper full mapping", "text.upper", {T("straße")}, "text STRASSE"},
      {"text.lower", "text.lower", {T("ÀB")}, "text àb"},
      {"text.trim Unicode space", "text.trim", {T("\u00a0 x y\u3000\n")}, "text x y"},
      {"compare prefix is smaller", "text.compare", {T("a"), T("ab")}, "int -1"},
      {"compare greater", "text.compare", {T("b"), T("a")}, "int 1"},
      {"compare equal", "text.compare", {T("é"), T("é")}, "int 0"},
      {"compare by bytes", "text.compare", {T("é"), T("z")}, "int 1"},
      {"parseInt trims", "text.parseInt", {T(" 42 ")}, "int 42"},
      {"parseInt of a decimal", "text.parseInt", {T("4.2")}, "int 0"},
      {"parseInt with plus", "text.parseInt", {T("+7")}, "int 7"},
      {"parseInt smallest",
       "text.parseInt",
       {T("-9223372036854775808")},
       "int -9223372036854775808"},
      {"parseInt too large", "text.parseInt", {T("9223372036854775808")}, "int 0"},
      {"parseInt sign alone", "text.parseInt", {T("-")}, "int 0"},
      {"parseNum of letters", "text.parseNum", {T("abc")}, "num none"},
      {"parseNum exponent", "text.parseNum", {T(" -1.5e3 ")}, "num -1500"},
      {"parseNum with plus", "text.parseNum", {T("+2.5")}, "num 2.5"},
      {"parseNum infinity", "text.parseNum", {T("inf")}, "num inf"},
      {"parseNum no hexadecimal", "text.parseNum", {T("0x10")}, "num none"},
      {"parseNum two signs", "text.parseNum", {T("+-1")}, "num none"},
      {"parseNum empty", "text.parseNum", {T("")}, "num none"},
      {"parseNum NaN payload", "text.parseNum", {T("nan(1)")}, "num none"},
      {"fromCode", "text.fromCode", {I(0x20AC)}, "text €"},
      {"fromCode surrogate", "text.fromCode", {I(0xD800)}, "text "},
      {"fromCode past the range", "text.fromCode", {I(0x110000)}, "text "},
      {"fromCode negative", "text.fromCode", {I(-1)}, "text "},
      {"join renders elements",
       "text.join",
       {A({I(1), N(2.5), T("x")}), T(", ")},
       "text 1, 2.5, x"},
      {"join without separator", "text.join", {A({I(1), I(2)})}, "text 1none2"},
      {"join of a number", "text.join", {I(5), T(",")}, "text "},
      {"format fills pairs in order", "text.format", {T("{}-{}"), I(1), I(2)}, "text 1-2"},
      {"format writes large numbers by their shortest digits",
       "text.format",
       {T("{} {}"), N(1e23), N(1152921504606846976.0)},
       "text 100000000000000000000000 1152921504606847000"},
      {"join writes large numbers by their shortest digits",
       "text.join",
       {A({N(1e23), N(1e22)}), T(" ")},
       "text 100000000000000000000000 10000000000000000000000"},
      {"text.of a large number", "text.of", {N(1e23)}, "text 100000000000000000000000"},
      {"format writes none when short", "text.format", {T("{}{}{}"), I(1), I(2)}, "text 12none"},
      {"format copies a named pair", "text.format", {T("{x}{}"), I(1)}, "text {x}1"},
      {"format lone braces", "text.format", {T("}{"), I(1)}, "text }{"},
      {"format brace before a pair", "text.format", {T("{{}"), I(1)}, "text {1"},
      {"pct default decimals", "pct", {N(12.3456)}, "text 12.35%"},
      {"pct no decimals", "pct", {I(1), I(0)}, "text 1%"},
      {"pct decimals capped", "pct", {N(0.5), I(20)}, "text 0.50000000%"},
      {"pct bool decimals", "pct", {N(0.25), Value::boolean(true)}, "text 0.2%"},
      {"pct text decimals", "pct", {N(0.5), T("3")}, "text 0.50%"},
      {"pips", "pips", {N(2.5)}, "text 2.5 pips"},
      {"rgba opaque by default", "rgba", {I(255), I(0), I(0)}, "color #ff0000ff"},
      {"rgba clamps", "rgba", {I(300), I(-5), I(0), N(0.5)}, "color #ff00007f"},
      {"rgba NaN alpha is opaque", "rgba", {I(1), I(2), I(3), N(kNaN)}, "color #010203ff"},
      {"green", "green", {}, "color #34c759ff"},
      {"transparent", "transparent", {}, "color #00000000"},
      {"gray and grey", "gray", {}, "color #8e8e93ff"},
      {"M5 names itself", "M5", {}, "text M5"},
      {"MN1", "MN1", {}, "text MN1"},
      {"dashDot", "dashDot", {}, "text dashDot"},
      {"bottomRight", "bottomRight", {}, "text bottomRight"},
      {"status.ok", "status.ok", {}, "status ok"},
      {"status.failed", "status.failed", {T("no margin")}, "status failed: no margin"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(shown(call(row.name, row.args)), row.want) << row.behaviour;
  }
}

TEST(PureFunctions, UnknownNamesFallThrough) {
  for (const char* name : {"sma", "close", "text#trim", "Round", "log", "trade.buy", ""}) {
    EXPECT_FALSE(pure_call(name, {}).has_value()) << name;
    EXPECT_EQ(resolve_pure(name), nullptr) << name;
  }
  EXPECT_NE(resolve_pure("floor"), nullptr);
}

}  // namespace
}  // namespace kelo_vm::builtins
