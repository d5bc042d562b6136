#include "core/types.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kelo_core::types {
namespace {

const Type kInt = Primitive::Int;
const Type kNum = Primitive::Num;
const Type kText = Primitive::Text;
const Type kBool = Primitive::Bool;
const Type kAny = Primitive::Any;
const Type kNever = Primitive::Never;

TEST(PrimitiveTest, NamesRoundTripAndLookupIsExact) {
  const std::vector<std::string> names = {"void", "bool",  "int",    "num", "text",
                                          "time", "duration", "price", "lots", "color",
                                          "status", "any", "never"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto found = Primitive::from_name(names[i]);
    ASSERT_TRUE(found.has_value()) << names[i];
    EXPECT_EQ(static_cast<std::size_t>(static_cast<Primitive::Value>(*found)), i) << names[i];
    EXPECT_EQ(found->name(), names[i]);
    EXPECT_EQ(Type(*found).to_string(), names[i]);
  }
  for (const char* bad : {"Num", "", "int ", "series", "INT", "nums"}) {
    EXPECT_FALSE(Primitive::from_name(bad).has_value()) << bad;
  }
}

TEST(PrimitiveTest, WideningIsExactlyTheListedPairs) {
  using P = Primitive;
  const std::set<std::pair<int, int>> widening = {
      {P::Int, P::Num},      {P::Int, P::Duration}, {P::Int, P::Price},
      {P::Int, P::Lots},     {P::Num, P::Duration}, {P::Num, P::Price},
      {P::Num, P::Lots},     {P::Duration, P::Num}, {P::Price, P::Num},
      {P::Lots, P::Num},
  };
  for (int from = 0; from <= P::Never; ++from) {
    for (int to = 0; to <= P::Never; ++to) {
      const bool expected = from == to || widening.count({from, to}) > 0;
      EXPECT_EQ(widens_to(static_cast<P::Value>(from), static_cast<P::Value>(to)), expected)
          << P(static_cast<P::Value>(from)).name() << " -> " << P(static_cast<P::Value>(to)).name();
    }
  }
}

TEST(TypeTest, DisplayForm) {
  struct Case {
    const char* behaviour;
    Type type;
    const char* text;
  };
  const Case cases[] = {
      {"optional series", optional(series(kNum)), "series<num>?"},
      {"series of optional", series(optional(kNum)), "series<num?>"},
      {"array", array(kText), "array<text>"},
      {"map key then value", map(kText, array(kInt)), "map<text, array<int>>"},
      {"struct by name", structure("Bar", {{"open", Primitive::Price}}), "Bar"},
      {"object by name", object("account", {{"balance", kNum}}), "account"},
      {"enum by name", enumeration("Side", {"buy", "sell"}), "Side"},
      {"named optional shows name", function({p("x", kNum), named_opt("period", kInt)}, kBool),
       "fn(num, period: int?) -> bool"},
      {"positional optional hides name", function({p("v", kNum), opt("digits", kInt)}, kNum),
       "fn(num, int?) -> num"},
      {"named required", function({named("distancePips", kNum)}, kNum),
       "fn(distancePips: num) -> num"},
      {"no parameters", function({}, Primitive::Void), "fn() -> void"},
      {"rest type hidden", function_rest({p("pattern", kText)}, kAny, kText), "fn(text) -> text"},
      {"rest only", function_rest({}, kAny, Primitive::Void), "fn() -> void"},
      {"function parameter",
       function({p("key", function({p("item", kAny)}, kNum))}, array(kAny)),
       "fn(fn(any) -> num) -> array<any>"},
      {"optional result", function({p("key", kAny)}, optional(kAny)), "fn(any) -> any?"},
      {"optional function", optional(function({}, kInt)), "fn() -> int?"},
      {"default is void", Type(), "void"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.type.to_string(), c.text) << c.behaviour;
}

TEST(TypeTest, OptionalsNeverNest) {
  const Type once = optional(kInt);
  const Type twice = optional(optional(kInt));
  EXPECT_EQ(twice, once);
  EXPECT_EQ(twice.to_string(), "int?");
  EXPECT_EQ(*twice.optional_inner(), kInt);
}

TEST(TypeTest, EqualityIsStructural) {
  struct Case {
    const char* behaviour;
    Type a;
    Type b;
    bool equal;
  };
  const Case cases[] = {
      {"built twice", map(kText, series(kNum)), map(kText, series(kNum)), true},
      {"different element", array(kInt), array(kNum), false},
      {"series vs array", series(kInt), array(kInt), false},
      {"struct same fields", structure("S", {{"a", kInt}}), structure("S", {{"a", kInt}}), true},
      {"struct field order irrelevant", structure("S", {{"a", kInt}, {"b", kNum}}),
       structure("S", {{"b", kNum}, {"a", kInt}}), true},
      {"struct different fields", structure("S", {{"a", kInt}}), structure("S", {{"a", kNum}}),
       false},
      {"struct vs object", structure("S", {}), object("S", {}), false},
      {"enum cases in order", enumeration("E", {"a", "b"}), enumeration("E", {"b", "a"}), false},
      {"parameter name counts", function({p("a", kInt)}, kInt), function({p("b", kInt)}, kInt),
       false},
      {"optional flag counts", function({p("a", kInt)}, kInt), function({opt("a", kInt)}, kInt),
       false},
      {"named flag counts", function({p("a", kInt)}, kInt), function({named("a", kInt)}, kInt),
       false},
      {"rest type counts", function({}, kInt), function_rest({}, kAny, kInt), false},
      {"same function", function_rest({p("a", kInt)}, kAny, kInt),
       function_rest({p("a", kInt)}, kAny, kInt), true},
      {"primitive vs its series", kNum, series(kNum), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.behaviour;
    EXPECT_EQ(c.b == c.a, c.equal) << c.behaviour;
  }
}

TEST(TypeTest, FieldsAreSortedAndTheLastDuplicateWins) {
  const Type t = structure("R", {{"b", kInt}, {"a", kText}, {"b", kNum}, {"B", kBool}});
  const Fields* f = t.fields();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->name, "R");
  std::vector<std::pair<std::string, std::string>> got;
  for (const auto& [name, type] : f->fields) got.emplace_back(name, type.to_string());
  const std::vector<std::pair<std::string, std::string>> want = {
      {"B", "bool"}, {"a", "text"}, {"b", "num"}};
  EXPECT_EQ(got, want);
}

TEST(TypeTest, PayloadAccessMatchesTheVariant) {
  EXPECT_EQ(kInt.fields(), nullptr);
  EXPECT_EQ(kInt.signature(), nullptr);
  EXPECT_EQ(kInt.series_element(), nullptr);
  EXPECT_EQ(array(kInt).series_element(), nullptr);
  EXPECT_EQ(series(kInt).array_element(), nullptr);
  EXPECT_EQ(structure("S", {}).enum_info(), nullptr);
  EXPECT_EQ(enumeration("E", {}).fields(), nullptr);
  EXPECT_FALSE(series(kInt).primitive().has_value());
  EXPECT_EQ(object("O", {}).tag(), Tag::Object);
  ASSERT_NE(map(kText, kNum).map_key(), nullptr);
  EXPECT_EQ(*map(kText, kNum).map_key(), kText);
}

TEST(TypeTest, UnwrapAndElement) {
  struct Case {
    const char* behaviour;
    Type got;
    Type want;
  };
  const Case cases[] = {
      {"element of map is its value", map(kText, kNum).element(), kNum},
      {"element of int is int", kInt.element(), kInt},
      {"element of series", series(Type(Primitive::Time)).element(), Primitive::Time},
      {"element of array", array(kText).element(), kText},
      {"element of optional is itself", optional(kInt).element(), optional(kInt)},
      {"unwrap series", series(kInt).unwrap_series(), kInt},
      {"unwrap series of non-series", optional(kInt).unwrap_series(), optional(kInt)},
      {"unwrap optional", optional(series(kNum)).unwrap_optional(), series(kNum)},
      {"unwrap optional of non-optional", kNum.unwrap_optional(), kNum},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.behaviour;
}

TEST(TypeTest, Assignability) {
  const Type dur = Primitive::Duration;
  const Type price = Primitive::Price;
  const Type lots = Primitive::Lots;
  const Type time = Primitive::Time;
  struct Case {
    const char* behaviour;
    Type source;
    Type target;
    bool ok;
  };
  const Case cases[] = {
      {"same type", kText, kText, true},
      {"int widens to num", kInt, kNum, true},
      {"int to num?", kInt, optional(kNum), true},
      {"int to series<num>", kInt, series(kNum), true},
      {"int to series<num>?", kInt, optional(series(kNum)), true},
      {"num not to int", kNum, kInt, false},
      {"series<num> not to num", series(kNum), kNum, false},
      {"num? not to num", optional(kNum), kNum, false},
      {"num? not to series<num>", optional(kNum), series(kNum), false},
      {"int? to num?", optional(kInt), optional(kNum), true},
      {"series<int>? to series<num>?", optional(series(kInt)), optional(series(kNum)), true},
      {"series<int> to series<num>", series(kInt), series(kNum), true},
      {"series<num> not to series<int>", series(kNum), series(kInt), false},
      {"duration not to price", dur, price, false},
      {"price to num", price, kNum, true},
      {"price not to lots", price, lots, false},
      {"bool not to num", kBool, kNum, false},
      {"time not to num", time, kNum, false},
      {"series to any", series(kNum), kAny, true},
      {"function to any", function({}, kInt), kAny, true},
      {"any to int", kAny, kInt, true},
      {"any to struct", kAny, structure("S", {}), true},
      {"never to series", kNever, series(kBool), true},
      {"never to function", kNever, function({}, kInt), true},
      {"int not to never", kInt, kNever, false},
      {"array<int> to array<num>", array(kInt), array(kNum), true},
      {"array<num> not to array<int>", array(kNum), array(kInt), false},
      {"array not to map", array(kInt), map(kInt, kInt), false},
      {"array<int> not to series<num>", array(kInt), series(kNum), false},
      {"map<text, int> to map<text, num>", map(kText, kInt), map(kText, kNum), true},
      {"map<int, num> to map<num, num>", map(kInt, kNum), map(kNum, kNum), true},
      {"map key must be assignable", map(kNum, kNum), map(kInt, kNum), false},
      {"map value must be assignable", map(kText, kNum), map(kText, kInt), false},
      {"struct by name, fields ignored", structure("P", {{"a", kInt}}),
       structure("P", {{"b", kText}}), true},
      {"struct different name", structure("P", {}), structure("Q", {}), false},
      {"struct not to object of same name", structure("P", {}), object("P", {}), false},
      {"object by name", object("O", {{"x", kInt}}), object("O", {}), true},
      {"enum by name", enumeration("E", {"a"}), enumeration("E", {"b"}), true},
      {"enum different name", enumeration("E", {}), enumeration("F", {}), false},
      {"enum not to text", enumeration("E", {}), kText, false},
      {"fewer params, wider param, widening result",
       function({p("a", kNum)}, kInt), function({p("x", kInt), p("y", kInt)}, kNum), true},
      {"parameter compared in reverse", function({p("a", kInt)}, kNum),
       function({p("a", kNum)}, kNum), false},
      {"more params than target", function({p("a", kInt), p("b", kInt)}, kNum),
       function({p("a", kInt)}, kNum), false},
      {"result must be assignable", function({}, kNum), function({}, kInt), false},
      {"names and flags ignored", function({named_opt("q", kInt)}, kInt),
       function({p("z", kInt)}, kInt), true},
      {"rest ignored", function_rest({}, kText, kInt), function({}, kInt), true},
      {"function not to non-function", function({}, kInt), kInt, false},
      {"function to optional function", function({}, kInt), optional(function({}, kNum)), true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(assignable(c.source, c.target), c.ok)
        << c.behaviour << ": " << c.source << " -> " << c.target;
  }
}

TEST(TypeTest, CommonAndLift) {
  struct Case {
    const char* behaviour;
    Type got;
    const char* want;
  };
  const Case cases[] = {
      {"common int num", common(kInt, kNum), "num"},
      {"common num int", common(kNum, kInt), "num"},
      {"common duration price", common(Primitive::Duration, Primitive::Price), "num"},
      {"common price lots", common(Primitive::Price, Primitive::Lots), "num"},
      {"common text int", common(kText, kInt), "any"},
      {"common bool num", common(kBool, kNum), "any"},
      {"common int series<int>", common(kInt, series(kInt)), "series<int>"},
      {"common never text", common(kNever, kText), "text"},
      {"common int int?", common(kInt, optional(kInt)), "int?"},
      {"lift over series and num", lift(series(kNum), kNum, kBool), "series<bool>"},
      {"lift over num and series", lift(kNum, series(kInt), kNum), "series<num>"},
      {"lift over plain values", lift(kNum, kNum, kBool), "bool"},
      {"lift ignores optional", lift(optional(series(kNum)), kNum, kBool), "bool"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got.to_string(), c.want) << c.behaviour;
}

TEST(TypeTest, CopiesSharePayloads) {
  const Type a = function({p("a", array(kInt))}, kNum);
  const Type b = a;
  EXPECT_EQ(a.signature(), b.signature());
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace kelo_core::types
