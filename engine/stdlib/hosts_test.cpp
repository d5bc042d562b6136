#include "stdlib/hosts.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/types.h"

namespace kelo_std::hosts {
namespace {

using namespace kelo_core::types;

constexpr std::array<std::uint8_t, 3> kAll = {0, 1, 2};

std::vector<std::string> names(const HostTable& table) {
  std::vector<std::string> out;
  for (const HostFn& fn : table.fns) out.push_back(fn.name);
  return out;
}

TEST(HostTableTest, NamespacesMembersAndDottedNamesInByteOrder) {
  Registry registry;
  Builder b{kAll, "General", registry, 255, 1};
  b.add("ns", object("ns", {{"b", Primitive::Int}, {"a", function({}, Primitive::Text)}}),
        {"A namespace."});
  b.add("ns_", Primitive::Num, {"After the dotted names."});
  b.add("ns-", Primitive::Num, {"Between '#' and '.'."});
  b.add("close", series(Primitive::Num), {"A plain value is a host name too."});
  b.method("ns", "len", Primitive::Int, {"A member."});
  const HostTable table = build(registry);
  const std::vector<std::string> want = {"close", "ns", "ns#len", "ns-", "ns.a", "ns.b", "ns_"};
  EXPECT_EQ(names(table), want);
  for (std::size_t i = 0; i < table.fns.size(); ++i) {
    EXPECT_EQ(table.fns[i].id, i);
    const HostFn* by_name = table.get(table.fns[i].name);
    ASSERT_NE(by_name, nullptr);
    EXPECT_EQ(by_name->id, i);
  }
  EXPECT_EQ(table.by_name.size(), table.fns.size());
  EXPECT_EQ(table.get("ns.a")->type, Type(Primitive::Text));
  EXPECT_EQ(table.get("ns")->type.to_string(), "ns");
  EXPECT_EQ(table.get("close")->type.to_string(), "series<num>");
}

TEST(HostTableTest, FunctionShapes) {
  Registry registry;
  Builder b{kAll, "General", registry, 255, 1};
  b.add("ma",
        function({p("source", series(Primitive::Num)), p("length", Primitive::Int),
                  opt("type", Primitive::Text)},
                 series(Primitive::Num)),
        {"."});
  b.add("ao", function({}, series(Primitive::Num)), {"."});
  b.add("custom", function_rest({p("bundle", Primitive::Text)}, Primitive::Num, Primitive::Any),
        {"."});
  b.add("gap",
        function({opt("a", Primitive::Int), p("b", Primitive::Int), named("c", Primitive::Int)},
                 Primitive::Void),
        {"."});
  b.add("all_named",
        function({named("a", Primitive::Int), named_opt("b", Primitive::Int)}, Primitive::Bool),
        {"."});
  b.add("value", Primitive::Num, {"."});
  const HostTable table = build(registry);
  struct Case {
    const char* name;
    const char* type;
    int arity;
    int required;
    bool rest;
  };
  const Case cases[] = {
      {"ma", "series<num>", 3, 2, false}, {"ao", "series<num>", 0, 0, false},
      {"custom", "any", 1, 1, true},      {"gap", "void", 3, 0, false},
      {"all_named", "bool", 2, 1, false}, {"value", "num", 0, 0, false},
  };
  for (const Case& c : cases) {
    const HostFn* fn = table.get(c.name);
    ASSERT_NE(fn, nullptr) << c.name;
    EXPECT_EQ(fn->type.to_string(), c.type) << c.name;
    EXPECT_EQ(fn->arity, c.arity) << c.name;
    EXPECT_EQ(fn->required, c.required) << c.name;
    EXPECT_EQ(fn->rest, c.rest) << c.name;
  }
}

TEST(HostTableTest, EqualNamesKeepTheFirstCollected) {
  // The field a.b is collected right after a, before the global named "a.b".
  Registry registry;
  Builder b{kAll, "General", registry, 255, 1};
  b.add("a.b", Primitive::Text, {"A global whose name has a dot."});
  b.add("a", object("a", {{"b", Primitive::Int}}), {"A namespace."});
  const HostTable table = build(registry);
  EXPECT_EQ(names(table), (std::vector<std::string>{"a", "a.b"}));
  EXPECT_EQ(table.get("a.b")->type, Type(Primitive::Int));
}

TEST(HostTableTest, EmptyRegistryAndMisses) {
  const HostTable empty = build(Registry{});
  EXPECT_TRUE(empty.fns.empty());
  EXPECT_EQ(empty.get(""), nullptr);
  EXPECT_EQ(empty.at(0), nullptr);
}

TEST(HostTableTest, ProcessTable) {
  const HostTable& table = kelo_std::hosts::table();
  EXPECT_EQ(&table, &kelo_std::hosts::table());
  ASSERT_FALSE(table.fns.empty());
  EXPECT_LE(table.fns.size(), 65536u);
  for (std::size_t i = 0; i < table.fns.size(); ++i) {
    EXPECT_EQ(table.fns[i].id, i);
    EXPECT_EQ(table.at(i), &table.fns[i]);
    if (i > 0) {
      EXPECT_LT(table.fns[i - 1].name, table.fns[i].name);
    }
  }
  EXPECT_EQ(table.at(table.fns.size()), nullptr);
  EXPECT_EQ(table.by_name.size(), table.fns.size());
  EXPECT_EQ(table.get(""), nullptr);
  EXPECT_EQ(table.get("Close"), nullptr);
  EXPECT_EQ(names(table), names(build()));

  struct Case {
    const char* name;
    const char* type;
    int arity;
    int required;
    bool rest;
  };
  const Case cases[] = {
      {"ma", "series<num>", 3, 2, false},
      {"ao", "series<num>", 0, 0, false},
      {"custom", "CustomIndicator", 1, 1, true},
      {"close", "series<num>", 0, 0, false},
      {"account", "account", 0, 0, false},
      {"account.balance", "num", 0, 0, false},
      {"bars.ticks", "array<Tick>", 2, 2, false},
      {"clock.of", "time", 6, 3, false},
      {"time#year", "int", 0, 0, false},
      {"time#format", "text", 1, 1, false},
      {"series.of", "SeriesSet", 2, 1, false},
      {"status.failed", "status", 1, 1, false},
      {"rgba", "color", 4, 3, false},
      {"clearError", "void", 0, 0, false},
  };
  for (const Case& c : cases) {
    const HostFn* fn = table.get(c.name);
    ASSERT_NE(fn, nullptr) << c.name;
    EXPECT_EQ(fn->type.to_string(), c.type) << c.name;
    EXPECT_EQ(fn->arity, c.arity) << c.name;
    EXPECT_EQ(fn->required, c.required) << c.name;
    EXPECT_EQ(fn->rest, c.rest) << c.name;
    EXPECT_EQ(table.at(fn->id), &table.fns[fn->id]) << c.name;
    EXPECT_EQ(table.fns[fn->id].name, c.name);
  }
}

TEST(HostTableTest, WholeLibrary) {
  const HostTable& table = kelo_std::hosts::table();
  EXPECT_EQ(table.fns.size(), 565u);
  // Members of an owner sort before the dotted fields of a namespace of the same name.
  ASSERT_NE(table.get("series#length"), nullptr);
  ASSERT_NE(table.get("series.of"), nullptr);
  EXPECT_LT(table.get("series#length")->id, table.get("series.of")->id);
  const HostFn* compare = table.get("text.compare");
  ASSERT_NE(compare, nullptr);
  std::size_t text_members = 0;
  for (const HostFn& fn : table.fns) {
    if (fn.name.rfind("text#", 0) == 0) {
      ++text_members;
      EXPECT_LT(fn.id, compare->id) << fn.name;
    }
  }
  EXPECT_EQ(text_members, 20u);
  // Every qualified name quoted by the interpreter and the replay host resolves.
  for (const char* name :
       {"floor",     "PI",        "int",           "green",         "M5",
        "line",      "topLeft",   "sma",           "macd",          "pip",
        "point",     "digits",    "money",         "priceText",     "lotsText",
        "notify",    "alert",     "email",         "sound",         "text.compare",
        "status.ok", "text#trim", "array#push",    "trade.buy",     "positions.all",
        "http.get",  "store.set", "runtime.steps", "draw.elliott5", "chart.symbol",
        "log.warn"}) {
    EXPECT_NE(table.get(name), nullptr) << name;
  }
  const HostFn* elliott = table.get("draw.elliott5");
  ASSERT_NE(elliott, nullptr);
  EXPECT_EQ(elliott->arity, 22);
  EXPECT_EQ(elliott->required, 10);
  const HostFn* log_warn = table.get("log.warn");
  ASSERT_NE(log_warn, nullptr);
  EXPECT_TRUE(log_warn->rest);
  EXPECT_EQ(log_warn->arity, 0);
}

}  // namespace
}  // namespace kelo_std::hosts
