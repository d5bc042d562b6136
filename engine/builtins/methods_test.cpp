#include "builtins/methods.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "builtins/standard_builtins.h"
#include "series/series_test_host.h"
#include "vm/interpreter.h"

namespace kelo_vm::builtins {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

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
Value None() {
  return Value();
}

struct Fixture {
  testing::TestHost host{testing::TestHost::bars_from_close({10, 11, 12, 13})};
  StandardBuiltins builtins;
  Vm vm{std::make_shared<const bytecode::Image>(), builtins};

  // "type display", "error: message", or "not a method".
  std::string call(std::string_view name, std::vector<Value> args) {
    auto r = method_call(name, args, host, vm);
    if (!r) return "not a method";
    if (!r->ok()) return "error: " + r->error().message;
    return std::string(type_name(r->value())) + " " + display(r->value());
  }
};

struct Row {
  const char* behaviour;
  const char* name;
  std::vector<Value> args;
  const char* want;
};

void run_rows(Fixture& f, const std::vector<Row>& rows) {
  for (const Row& row : rows) EXPECT_EQ(f.call(row.name, row.args), row.want) << row.behaviour;
}

TEST(TextMethods, Results) {
  Fixture f;
  const Value hello = T("héllo");
  run_rows(
      f, {
             {"a number uses its written form", "text#len", {N(12.5)}, "int 4"},
             {"length in characters", "text#len", {hello}, "int 5"},
             {"upper with a full mapping", "text#upper", {T("straße")}, "text STRASSE"},
             {"lower", "text#lower", {T("ÀÉ")}, "text àé"},
             {"lower ends a word with the final sigma", "text#lower", {T("ΟΔΟΣ ΣΑΣ.")},
              "text οδος σας."},
             {"lower keeps sigma before an apostrophe and a letter", "text#lower", {T("ΑΣ'Α")},
              "text ασ'α"},
             {"trim Unicode white space", "text#trim", {T("\t x \u00a0")}, "text x"},
             {"trimLeft", "text#trimLeft", {T("  x  ")}, "text x  "},
             {"trimRight", "text#trimRight", {T("  x  ")}, "text   x"},
             {"trim of only spaces", "text#trim", {T(" \u2003 ")}, "text "},
             {"contains", "text#contains", {hello, T("ll")}, "bool true"},
             {"startsWith", "text#startsWith", {hello, T("hé")}, "bool true"},
             {"endsWith", "text#endsWith", {hello, T("L")}, "bool false"},
             {"find counts characters", "text#find", {T("éab"), T("ab")}, "int 1"},
             {"find of an absent text", "text#find", {hello, T("z")}, "int -1"},
             {"find of an empty text", "text#find", {hello, T("")}, "int 0"},
             {"charAt", "text#charAt", {hello, I(1)}, "text é"},
             {"charAt past the end", "text#charAt", {hello, I(9)}, "text "},
             {"charAt negative counts as 0", "text#charAt", {hello, I(-1)}, "text h"},
             {"charAt of a number", "text#charAt", {N(2.5), I(1)}, "text ."},
             {"code", "text#code", {hello, I(1)}, "int 233"},
             {"code past the end", "text#code", {hello, I(9)}, "int 0"},
             {"slice", "text#slice", {hello, I(1), I(3)}, "text él"},
             {"slice to the end", "text#slice", {hello, I(3)}, "text lo"},
             {"slice clamps", "text#slice", {hello, I(-2), I(99)}, "text héllo"},
             {"slice end before start", "text#slice", {hello, I(3), I(1)}, "text "},
             {"slice non-numeric end", "text#slice", {hello, I(1), T("x")}, "text "},
             {"split into characters", "text#split", {T("aéc"), T("")}, "array [a, é, c]"},
             {"split keeps empty pieces", "text#split", {T("a,,b"), T(",")}, "array [a, , b]"},
             {"split without a match", "text#split", {T("x"), T(",")}, "array [x]"},
             {"split of an empty text into characters", "text#split", {T(""), T("")}, "array []"},
             {"replace the first", "text#replace", {T("hello"), T("l"), T("L")}, "text heLlo"},
             {"replaceAll", "text#replaceAll", {T("hello"), T("l"), T("L")}, "text heLLo"},
             {"replaceAll of nothing between characters",
              "text#replaceAll",
              {T("aé"), T(""), T("-")},
              "text -a-é-"},
             {"replace of nothing in front", "text#replace", {T("ab"), T(""), T("-")}, "text -ab"},
             {"replaceAll removing", "text#replaceAll", {T("hello"), T("l"), T("")}, "text heo"},
             {"repeat", "text#repeat", {T("ab"), I(3)}, "text ababab"},
             {"repeat 0", "text#repeat", {T("ab"), I(0)}, "text "},
             {"repeat negative", "text#repeat", {T("ab"), I(-2)}, "text "},
             {"repeat beyond the cap", "text#repeat", {T("ab"), N(1e18)}, "text "},
             {"reverse by characters", "text#reverse", {hello}, "text olléh"},
             {"pad with a fill", "text#pad", {T("x"), I(5), T("ab")}, "text xabab"},
             {"pad appends the whole fill", "text#pad", {T("x"), I(5), T("abc")}, "text xabcabc"},
             {"pad with a space", "text#pad", {T("x"), I(3)}, "text x  "},
             {"pad with an empty fill", "text#pad", {T("x"), I(5), T("")}, "text x"},
             {"pad of a long text", "text#pad", {T("xyz"), I(2), T("a")}, "text xyz"},
             {"pad beyond the cap", "text#pad", {T("x"), N(1e18), T("ab")}, "text x"},
             {"padLeft", "text#padLeft", {T("7"), I(3), T("0")}, "text 007"},
             {"padLeft with a number fill", "text#padLeft", {T("7"), I(3), I(1)}, "text 117"},
             {"not a text method", "text#frobnicate", {hello}, "not a method"},
         });
}

TEST(TimeMethods, Calendar) {
  Fixture f;
  const Value epoch = Value::time(0);
  const Value before = Value::time(-1);
  const Value leap = Value::time(1709210096000);  // 2024-02-29 12:34:56 UTC
  run_rows(f, {
                  {"epoch year", "time#year", {epoch}, "int 1970"},
                  {"epoch month", "time#month", {epoch}, "int 1"},
                  {"epoch day", "time#day", {epoch}, "int 1"},
                  {"epoch hour", "time#hour", {epoch}, "int 0"},
                  {"epoch weekday", "time#dayOfWeek", {epoch}, "int 4"},
                  {"epoch day of year", "time#dayOfYear", {epoch}, "int 1"},
                  {"a millisecond before", "time#year", {before}, "int 1969"},
                  {"last month", "time#month", {before}, "int 12"},
                  {"last day", "time#day", {before}, "int 31"},
                  {"last hour", "time#hour", {before}, "int 23"},
                  {"last minute", "time#minute", {before}, "int 59"},
                  {"last second", "time#second", {before}, "int 59"},
                  {"last weekday", "time#dayOfWeek", {before}, "int 3"},
                  {"last day of year", "time#dayOfYear", {before}, "int 365"},
                  {"leap day", "time#day", {leap}, "int 29"},
                  {"leap day of year", "time#dayOfYear", {leap}, "int 60"},
                  {"leap weekday", "time#dayOfWeek", {leap}, "int 4"},
                  {"leap minute", "time#minute", {leap}, "int 34"},
                  {"before 1970", "time#dayOfYear", {Value::time(-2203891200000)}, "int 60"},
                  {"a number receiver", "time#second", {N(1500.7)}, "int 1"},
                  {"a text receiver is 0", "time#year", {T("2020")}, "int 1970"},
                  {"the far future", "time#minute", {Value::time(INT64_MAX)}, "int 12"},
                  {"not a time method", "time#format", {epoch}, "not a method"},
              });
}

TEST(ArrayMethods, Results) {
  Fixture f;
  auto abc = [] { return A({T("a"), T("b"), T("c")}); };
  run_rows(f, {
                  {"len", "array#len", {abc()}, "int 3"},
                  {"push gives the length", "array#push", {abc(), I(1)}, "int 4"},
                  {"unshift", "array#unshift", {abc(), I(1)}, "int 4"},
                  {"pop", "array#pop", {abc()}, "text c"},
                  {"pop of empty", "array#pop", {A({})}, "none none"},
                  {"shift", "array#shift", {abc()}, "text a"},
                  {"shift of empty", "array#shift", {A({})}, "none none"},
                  {"remove one", "array#remove", {abc(), I(1)}, "int 2"},
                  {"remove past the end", "array#remove", {abc(), I(5), I(2)}, "int 3"},
                  {"remove more than there are", "array#remove", {abc(), I(1), I(99)}, "int 1"},
                  {"remove a negative count", "array#remove", {abc(), I(1), I(-1)}, "int 3"},
                  {"remove a huge count", "array#remove", {abc(), I(1), I(INT64_MAX)}, "int 1"},
                  {"resize", "array#resize", {abc(), I(5)}, "int 5"},
                  {"resize beyond the cap", "array#resize", {abc(), N(1e18)}, "none none"},
                  {"copy", "array#copy", {abc()}, "array [a, b, c]"},
                  {"slice", "array#slice", {abc(), I(1), I(2)}, "array [b]"},
                  {"slice to the end", "array#slice", {abc(), I(1)}, "array [b, c]"},
                  {"slice end before start", "array#slice", {abc(), I(2), I(1)}, "array []"},
                  {"slice non-numeric end", "array#slice", {abc(), I(0), T("x")}, "array []"},
                  {"reverse", "array#reverse", {abc()}, "array [c, b, a]"},
                  {"sort by number", "array#sort", {A({I(3), I(1), N(2.5)})}, "array [1, 2.5, 3]"},
                  {"join renders",
                   "array#join",
                   {A({I(1), N(2.5), T("x"), None()}), T(", ")},
                   "text 1, 2.5, x, none"},
                  {"indexOf", "array#indexOf", {A({I(1), I(2), I(2)}), N(2.0)}, "int 1"},
                  {"indexOf absent", "array#indexOf", {abc(), T("z")}, "int -1"},
                  {"contains", "array#contains", {abc(), T("b")}, "bool true"},
                  {"min of nothing", "array#min", {A({})}, "num none"},
                  {"max of texts", "array#max", {abc()}, "num none"},
                  {"sum of nothing", "array#sum", {A({})}, "num none"},
                  {"sum skips texts", "array#sum", {A({I(1), T("x"), I(2)})}, "num 3"},
                  {"min passes over NaN", "array#min", {A({N(kNaN), I(2), I(1)})}, "num 1"},
                  {"max of only NaN", "array#max", {A({N(kNaN)})}, "num none"},
                  {"maxIndex keeps the first of equals",
                   "array#maxIndex",
                   {A({I(1), I(3), I(3)})},
                   "int 1"},
                  {"minIndex skips texts", "array#minIndex", {A({T("x"), I(5), I(2)})}, "int 2"},
                  {"minIndex passes over NaN", "array#minIndex", {A({N(kNaN), I(5)})}, "int 1"},
                  {"minIndex of nothing", "array#minIndex", {A({})}, "int -1"},
                  {"clear", "array#clear", {abc()}, "none none"},
                  {"not an array", "array#len", {T("abc")}, "none none"},
                  {"unknown array method", "array#frobnicate", {abc()}, "none none"},
              });
}

TEST(ArrayMethods, ChangesInPlace) {
  Fixture f;
  const Value a = A({T("a"), T("b"), T("c")});
  const Value alias = a;  // another holder of the same array
  EXPECT_EQ(f.call("array#remove", {a, I(1)}), "int 2");
  EXPECT_EQ(display(alias), "[a, c]");
  EXPECT_EQ(f.call("array#insert", {a, I(-3), T("x")}), "int 3");
  EXPECT_EQ(f.call("array#insert", {a, I(99), T("z")}), "int 4");
  EXPECT_EQ(display(alias), "[x, a, c, z]");
  EXPECT_EQ(f.call("array#resize", {a, I(5)}), "int 5");
  EXPECT_EQ(display(alias), "[x, a, c, z, none]");
  EXPECT_EQ(f.call("array#resize", {a, I(2)}), "int 2");
  EXPECT_EQ(f.call("array#fill", {a, I(7)}), "none none");
  EXPECT_EQ(display(alias), "[7, 7]");
  EXPECT_EQ(f.call("array#push", {a, a}), "int 3");  // holds itself now
  EXPECT_EQ(f.call("array#len", {alias}), "int 3");
  EXPECT_EQ(f.call("array#clear", {a}), "none none");
  EXPECT_EQ(display(alias), "[]");

  const Value unsorted = A({I(3), I(1), I(2)});
  EXPECT_EQ(f.call("array#sort", {unsorted}), "array [1, 2, 3]");
  EXPECT_EQ(f.call("array#reverse", {unsorted}), "array [2, 1, 3]");
  EXPECT_EQ(display(unsorted), "[3, 1, 2]");
}

TEST(ArrayMethods, SortMixedValuesEnds) {
  Fixture f;
  std::vector<Value> mixed;
  for (int i = 0; i < 200; ++i) {
    mixed.push_back(i % 7 == 0 ? T("x") : i % 5 == 0 ? N(kNaN) : N((i * 37) % 101));
  }
  const std::string sorted = f.call("array#sort", {A(mixed)});
  EXPECT_EQ(sorted.rfind("array [", 0), 0u);
  // Numbers between texts and NaN stay in ascending runs; the count is unchanged.
  auto r = method_call("array#sort", std::vector<Value>{A(mixed)}, f.host, f.vm);
  ASSERT_TRUE(r && r->ok());
  EXPECT_EQ(r->value().array_obj().items.size(), 200u);
}

TEST(MapMethods, Results) {
  Fixture f;
  auto m = [] {
    MapItems items;
    items.emplace("b", Value::integer(2));
    items.emplace("a", Value::integer(1));
    items.emplace("B", Value::integer(0));
    return Value::map(std::move(items));
  };
  run_rows(f, {
                  {"len", "map#len", {m()}, "int 3"},
                  {"keys in byte order", "map#keys", {m()}, "array [B, a, b]"},
                  {"values in key order", "map#values", {m()}, "array [0, 1, 2]"},
                  {"get", "map#get", {m(), T("a")}, "int 1"},
                  {"get absent", "map#get", {m(), T("z")}, "none none"},
                  {"has", "map#has", {m(), T("B")}, "bool true"},
                  {"delete absent", "map#delete", {m(), T("z")}, "bool false"},
                  {"delete present", "map#delete", {m(), T("a")}, "bool true"},
                  {"set", "map#set", {m(), T("c"), I(3)}, "none none"},
                  {"clear", "map#clear", {m()}, "none none"},
                  {"not a map", "map#get", {A({}), T("a")}, "not a method"},
                  {"not a map method", "map#frobnicate", {m()}, "not a method"},
              });
  const Value shared = m();
  f.call("map#set", {shared, I(1), T("one")});
  EXPECT_EQ(f.call("map#get", {shared, T("1")}), "text one");
  f.call("map#delete", {shared, T("b")});
  EXPECT_EQ(display(shared), "[1: one, B: 0, a: 1]");
}

TEST(MapMethods, OtherReceiversGoToTheHost) {
  Fixture f;
  const BuiltinFn get = resolve_method("map#get");
  ASSERT_NE(get, nullptr);
  const std::vector<Value> args = {T("not a map"), T("k")};
  BuiltinCall call{f.vm, f.host, "map#get", 0, args};
  Result<Value> r = get(call);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "'map#get' is not available while backtesting");
  EXPECT_EQ(resolve_method("record#get"), nullptr);
  EXPECT_EQ(resolve_method("text"), nullptr);
}

TEST(SeriesMethods, ReadTheCurrentBar) {
  Fixture f;
  const Value close = Value::series(Series::source(SeriesKind::Close));
  run_rows(f, {
                  {"length is the bar count", "series#length", {close}, "int 4"},
                  {"last on the first bar", "series#last", {close}, "num 10"},
                  {"previous on the first bar", "series#previous", {close}, "num none"},
                  {"toArray pads with NaN", "series#toArray", {close, I(2)}, "array [10, none]"},
                  {"toArray of 0", "series#toArray", {close, I(0)}, "array []"},
                  {"toArray of a text", "series#toArray", {close, T("3")}, "array []"},
                  {"toArray beyond the cap", "series#toArray", {close, N(1e18)}, "array []"},
                  {"not a series", "series#last", {I(3)}, "not a method"},
                  {"not a series method", "series#frobnicate", {close}, "not a method"},
              });
  f.host.index = 2;
  run_rows(
      f, {
             {"last", "series#last", {close}, "num 12"},
             {"previous", "series#previous", {close}, "num 11"},
             {"toArray newest first", "series#toArray", {close, I(4)}, "array [12, 11, 10, none]"},
         });
  f.host.index = 9;  // beyond the bars
  EXPECT_EQ(f.call("series#last", {close}), "num none");
}

TEST(SeriesMethods, BuildIndicatorNodes) {
  Fixture f;
  const Value close = Value::series(Series::source(SeriesKind::Close));
  for (const char* name : {"highest", "lowest", "sum", "avg", "offset", "changed"}) {
    auto r =
        method_call(std::string("series#") + name, std::vector<Value>{close, I(3)}, f.host, f.vm);
    ASSERT_TRUE(r && r->ok() && r->value().is(Tag::Series)) << name;
    const Series& s = r->value().series_obj();
    EXPECT_EQ(s.name, name);
    ASSERT_EQ(s.inputs.size(), 1u);
    EXPECT_EQ(s.inputs[0].get(), &close.series_obj());
    EXPECT_EQ(s.numbers, std::vector<double>{3});
    EXPECT_EQ(s.selector, 0);
  }
  auto r = method_call("series#sum", std::vector<Value>{close}, f.host, f.vm);
  ASSERT_TRUE(r && r->ok());
  ASSERT_EQ(r->value().series_obj().numbers.size(), 1u);
  EXPECT_TRUE(std::isnan(r->value().series_obj().numbers[0]));
  f.host.index = 3;
  EXPECT_EQ(f.call("series#last", {r->value()}), "num none");  // sum over NaN periods: default 20
}

}  // namespace
}  // namespace kelo_vm::builtins
