#include "stdlib/registry.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kelo_std {
namespace {

using kelo_core::types::Primitive;
using kelo_core::types::Type;

constexpr std::array<std::uint8_t, 3> kAll = {0, 1, 2};
constexpr std::array<std::uint8_t, 1> kBot = {0};

std::vector<std::string> keys(const registry::EntryMap& map) {
  std::vector<std::string> out;
  for (const auto& [name, entry] : map) out.push_back(name);
  return out;
}

TEST(RegistryTest, LaterRegistrationWinsAndIsRecorded) {
  Registry registry;
  Builder first{kAll, "General", registry, 255, 1};
  Builder second{kBot, "Trading", registry, 4, 0};
  first.add("x", Primitive::Int, {"First."});
  EXPECT_TRUE(registry.duplicates.empty());
  second.add("x", Primitive::Num, {"Second.", "x + 1"});
  ASSERT_EQ(registry.globals.size(), 1u);
  const Entry* x = registry.global("x");
  ASSERT_NE(x, nullptr);
  EXPECT_EQ(x->name, "x");
  EXPECT_EQ(x->type, Type(Primitive::Num));
  EXPECT_EQ(x->summary, "Second.");
  EXPECT_EQ(x->example, "x + 1");
  EXPECT_EQ(x->group, "Trading");
  EXPECT_EQ(std::vector<int>(x->kinds.begin(), x->kinds.end()), std::vector<int>{0});
  EXPECT_EQ(x->permission, 4);
  EXPECT_EQ(x->pure, 0);
  EXPECT_EQ(registry.duplicates, std::vector<std::string>{"x"});
  first.add("x", Primitive::Text, {"Third."});
  EXPECT_EQ(registry.duplicates, (std::vector<std::string>{"x", "x"}));
  EXPECT_EQ(registry.global("x")->type, Type(Primitive::Text));
}

TEST(RegistryTest, MembersAreKeptPerOwnerAndDuplicatesNamedWithHash) {
  Registry registry;
  Builder b{kAll, "Collections", registry, 255, 1};
  b.method("series", "length", Primitive::Int, {"Bars."});
  b.method("array", "length", Primitive::Num, {"Other owner."});
  b.add("length", Primitive::Text, {"A global of the same name."});
  EXPECT_TRUE(registry.duplicates.empty());
  b.method("series", "length", Primitive::Num, {"Again."});
  EXPECT_EQ(registry.duplicates, std::vector<std::string>{"series#length"});
  ASSERT_NE(registry.member("series", "length"), nullptr);
  EXPECT_EQ(registry.member("series", "length")->summary, "Again.");
  EXPECT_EQ(registry.member("series", "length")->name, "length");
  EXPECT_EQ(registry.member("array", "length")->type, Type(Primitive::Num));
  EXPECT_EQ(registry.global("length")->type, Type(Primitive::Text));
}

TEST(RegistryTest, LookupsAreExact) {
  Registry registry;
  Builder b{kAll, "General", registry, 255, 1};
  b.add("close", Primitive::Num, {"."});
  b.method("time", "year", Primitive::Int, {"."});
  struct Case {
    const char* behaviour;
    const Entry* got;
    bool found;
  };
  const Case cases[] = {
      {"exact global", registry.global("close"), true},
      {"empty name", registry.global(""), false},
      {"case differs", registry.global("Close"), false},
      {"prefix", registry.global("clos"), false},
      {"extension", registry.global("closes"), false},
      {"trailing space", registry.global("close "), false},
      {"exact member", registry.member("time", "year"), true},
      {"member as global", registry.global("year"), false},
      {"unknown owner", registry.member("text", "year"), false},
      {"unknown member", registry.member("time", "Year"), false},
      {"owner as member", registry.member("year", "time"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got != nullptr, c.found) << c.behaviour;
  // A lookup under an owner without members creates nothing.
  EXPECT_EQ(registry.members.size(), 1u);
}

TEST(RegistryTest, KeysSortBytewise) {
  Registry registry;
  Builder b{kAll, "General", registry, 255, 1};
  for (const char* name :
       {"mfi", "macd", "ma", "_x", "Zeta", "INT_MAX", "m", "\xc3\xa9t\xc3\xa9", "z"}) {
    b.add(name, Primitive::Num, {"."});
  }
  const std::vector<std::string> want = {
      "INT_MAX", "Zeta", "_x", "m", "ma", "macd", "mfi", "z", "\xc3\xa9t\xc3\xa9"};
  EXPECT_EQ(keys(registry.globals), want);
}

TEST(RegistryTest, BuiltinsAreReproducibleAndClean) {
  const Registry a = builtins();
  const Registry b = builtins();
  EXPECT_TRUE(a.duplicates.empty()) << a.duplicates.front();
  ASSERT_EQ(keys(a.globals), keys(b.globals));
  for (const auto& [name, entry] : a.globals) {
    const Entry& other = b.globals.at(name);
    EXPECT_EQ(entry.type, other.type) << name;
    EXPECT_EQ(entry.summary, other.summary) << name;
    EXPECT_EQ(entry.example, other.example) << name;
    EXPECT_EQ(entry.group, other.group) << name;
    EXPECT_EQ(entry.pure, other.pure) << name;
    EXPECT_EQ(entry.permission, other.permission) << name;
    EXPECT_TRUE(
        std::equal(entry.kinds.begin(), entry.kinds.end(), other.kinds.begin(), other.kinds.end()))
        << name;
    EXPECT_FALSE(entry.summary.empty()) << name;
    // No standard name is offered to scripts.
    for (std::uint8_t kind : entry.kinds) EXPECT_LT(kind, 3) << name;
  }
  ASSERT_EQ(a.members.size(), b.members.size());
  for (const auto& [owner, inner] : a.members) {
    EXPECT_EQ(keys(inner), keys(b.members.at(owner))) << owner;
  }
  // Upper-case initials first.
  ASSERT_FALSE(a.globals.empty());
  EXPECT_TRUE(a.globals.begin()->first[0] >= 'A' && a.globals.begin()->first[0] <= 'Z');
}

}  // namespace
}  // namespace kelo_std

namespace kelo_std {
namespace {

std::size_t member_count(const Registry& registry) {
  std::size_t n = 0;
  for (const auto& [owner, inner] : registry.members) n += inner.size();
  return n;
}

TEST(RegistryTest, ModuleCounts) {
  struct Case {
    const char* module;
    void (*define)(Registry&);
    std::size_t globals;
    std::size_t members;
  };
  const Case cases[] = {
      {"core", defs_core::define, 78, 9},         {"indicators", defs_indicators::define, 66, 0},
      {"trading", defs_trade::define, 4, 0},      {"input/output", defs_io::define, 15, 0},
      {"general", defs_builtins::define, 46, 67}, {"drawing", defs_draw::define, 33, 0},
  };
  for (const Case& c : cases) {
    Registry registry;
    c.define(registry);
    EXPECT_EQ(registry.globals.size(), c.globals) << c.module;
    EXPECT_EQ(member_count(registry), c.members) << c.module;
    EXPECT_TRUE(registry.duplicates.empty()) << c.module;
  }
}

TEST(RegistryTest, BuiltinsTotals) {
  const Registry registry = builtins();
  EXPECT_EQ(registry.globals.size(), 242u);
  std::map<std::string, std::size_t> owners;
  for (const auto& [owner, inner] : registry.members) owners[owner] = inner.size();
  const std::map<std::string, std::size_t> want = {
      {"array", 29}, {"map", 8}, {"series", 10}, {"text", 20}, {"time", 9}};
  EXPECT_EQ(owners, want);
}

}  // namespace
}  // namespace kelo_std
