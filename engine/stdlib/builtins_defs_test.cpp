#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/types.h"
#include "stdlib/definition_forms.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"

namespace {

using kelo_std::forms::expect_fields;
using kelo_std::forms::expect_host_rows;
using kelo_std::forms::FormRows;
using kelo_std::forms::stored;

struct Global {
  const char* name;
  const char* form;
  const char* group;
  int pure;
  const char* summary;
};

const Global kGlobals[] = {
    {"abs",        "fn(value: num) -> num", "Maths", 1, "Absolute value."},
    {"sign",       "fn(value: num) -> num", "Maths", 1, "Minus one, zero or one."},
    {"sqrt",       "fn(value: num) -> num", "Maths", 1, "Square root."},
    {"cbrt",       "fn(value: num) -> num", "Maths", 1, "Cube root."},
    {"exp",        "fn(value: num) -> num", "Maths", 1, "e raised to a power."},
    {"ln",         "fn(value: num) -> num", "Maths", 1, "Natural logarithm."},
    {"log10",      "fn(value: num) -> num", "Maths", 1, "Base-ten logarithm."},
    {"log2",       "fn(value: num) -> num", "Maths", 1, "Base-two logarithm."},
    {"sin",        "fn(value: num) -> num", "Maths", 1, "Sine."},
    {"cos",        "fn(value: num) -> num", "Maths", 1, "Cosine."},
    {"tan",        "fn(value: num) -> num", "Maths", 1, "Tangent."},
    {"asin",       "fn(value: num) -> num", "Maths", 1, "Arc sine."},
    {"acos",       "fn(value: num) -> num", "Maths", 1, "Arc cosine."},
    {"atan",       "fn(value: num) -> num", "Maths", 1, "Arc tangent."},
    {"sinh",       "fn(value: num) -> num", "Maths", 1, "Hyperbolic sine."},
    {"cosh",       "fn(value: num) -> num", "Maths", 1, "Hyperbolic cosine."},
    {"tanh",       "fn(value: num) -> num", "Maths", 1, "Hyperbolic tangent."},
    {"floor",      "fn(value: num) -> num", "Maths", 1, "Rounds down."},
    {"ceil",       "fn(value: num) -> num", "Maths", 1, "Rounds up."},
    {"trunc",      "fn(value: num) -> num", "Maths", 1, "Drops the fractional part."},
    {"atan2",      "fn(a: num, b: num) -> num", "Maths", 1, "Arc tangent of y over x."},
    {"hypot",      "fn(a: num, b: num) -> num", "Maths", 1, "Length of the hypotenuse."},
    {"pow",        "fn(a: num, b: num) -> num", "Maths", 1, "Base raised to an exponent."},
    {"mod",        "fn(a: num, b: num) -> num", "Maths", 1, "Remainder after division."},
    {"min",        "fn(a: num, b: num) -> num", "Maths", 1, "Smaller of two values."},
    {"max",        "fn(a: num, b: num) -> num", "Maths", 1, "Larger of two values."},
    {"mean",       "fn(values: array<num>) -> num", "Maths", 1, "Arithmetic mean."},
    {"median",     "fn(values: array<num>) -> num", "Maths", 1, "Middle value."},
    {"variance",   "fn(values: array<num>) -> num", "Maths", 1, "Population variance."},
    {"stdevOf",    "fn(values: array<num>) -> num", "Maths", 1, "Population standard deviation."},
    {"round",      "fn(value: num, digits: int?) -> num", "Maths", 1,
     "Rounds to the nearest value, optionally to a number of decimals."},
    {"clamp",      "fn(value: num, low: num, high: num) -> num", "Maths", 1, "Keeps a value inside a range."},
    {"lerp",       "fn(a: num, b: num, t: num) -> num", "Maths", 1, "Linear interpolation between two values."},
    {"percentile", "fn(values: array<num>, p: num) -> num", "Maths", 1, "Value at a percentile."},
    {"normalize",  "fn(value: num, low: num, high: num) -> num", "Maths", 1,
     "Maps a value into zero to one across a range."},
    {"isNaN",      "fn(value: num) -> bool", "Maths", 1, "True when the value is not a number."},
    {"isFinite",   "fn(value: num) -> bool", "Maths", 1, "True when the value is a real, finite number."},
    {"money",      "fn(value: num) -> text", "Text", 1, "Formats an amount in the account currency, as 1,234.56 USD."},
    {"pips",       "fn(value: num) -> text", "Text", 1, "Formats a distance in pips."},
    {"pct",        "fn(value: num, digits: int?) -> text", "Text", 1, "Formats a percentage."},
    {"priceText",  "fn(value: num) -> text", "Text", 1, "Formats a price with the instrument's digits."},
    {"lotsText",   "fn(value: num) -> text", "Text", 1, "Formats a volume with the instrument's step."},
    {"text",       "text", "Text", 1, "Text helpers. Also callable as text(x) to convert any value."},
    {"rand",       "fn() -> num", "Maths", 0, "Random number from zero up to one. Seeded per run, so a backtest reproduces."},
    {"randInt",    "fn(low: int, high: int) -> int", "Maths", 0, "Random whole number inside a range."},
    {"seed",       "fn(value: int) -> void", "Maths", 0, "Fixes the random sequence."},
};

const FormRows kTextNamespace = {
    {"of",        "fn(value: any) -> text"},
    {"upper",     "fn(value: text) -> text"},
    {"lower",     "fn(value: text) -> text"},
    {"trim",      "fn(value: text) -> text"},
    {"join",      "fn(values: array<text>, separator: text) -> text"},
    {"format",    "fn(pattern: text, ...any) -> text"},
    {"fromCode",  "fn(code: int) -> text"},
    {"compare",   "fn(a: text, b: text) -> int"},
    {"parseNum",  "fn(value: text) -> num"},
    {"parseInt",  "fn(value: text) -> int"},
    {"parseTime", "fn(value: text, format: text?) -> time"},
    {"parseJson", "fn(value: text) -> any"},
    {"toJson",    "fn(value: any, pretty: bool?) -> text"},
};

struct Member {
  const char* owner;
  const char* name;
  const char* form;
  const char* summary;
};

const Member kMembers[] = {
    {"text", "len",        "int",                                    "Number of characters."},
    {"text", "upper",      "fn() -> text",                           "Uppercase copy."},
    {"text", "lower",      "fn() -> text",                           "Lowercase copy."},
    {"text", "trim",       "fn() -> text",                           "Copy without surrounding whitespace."},
    {"text", "trimLeft",   "fn() -> text",                           "Copy without leading whitespace."},
    {"text", "trimRight",  "fn() -> text",                           "Copy without trailing whitespace."},
    {"text", "find",       "fn(search: text, from: int?) -> int",    "Index of a substring, or minus one."},
    {"text", "contains",   "fn(search: text) -> bool",               "True when the substring is present."},
    {"text", "startsWith", "fn(prefix: text) -> bool",               "True when the text begins with a prefix."},
    {"text", "endsWith",   "fn(suffix: text) -> bool",               "True when the text ends with a suffix."},
    {"text", "replace",    "fn(search: text, with: text) -> text",   "Replaces the first match."},
    {"text", "replaceAll", "fn(search: text, with: text) -> text",   "Replaces every match."},
    {"text", "split",      "fn(separator: text) -> array<text>",     "Splits into parts."},
    {"text", "slice",      "fn(from: int, to: int?) -> text",        "A section of the text."},
    {"text", "charAt",     "fn(index: int) -> text",                 "The character at an index."},
    {"text", "code",       "fn(index: int) -> int",                  "Character code at an index."},
    {"text", "repeat",     "fn(times: int) -> text",                 "The text repeated."},
    {"text", "pad",        "fn(length: int, fill: text?) -> text",   "Pads on the right."},
    {"text", "padLeft",    "fn(length: int, fill: text?) -> text",   "Pads on the left."},
    {"text", "reverse",    "fn() -> text",                           "The text backwards."},
    {"array", "len",      "int",                                     "Number of elements."},
    {"array", "push",     "fn(value: any) -> int",                   "Appends an element."},
    {"array", "pop",      "fn() -> any?",                            "Removes and returns the last element."},
    {"array", "shift",    "fn() -> any?",                            "Removes and returns the first element."},
    {"array", "unshift",  "fn(value: any) -> int",                   "Inserts at the front."},
    {"array", "insert",   "fn(index: int, value: any) -> int",       "Inserts at an index."},
    {"array", "remove",   "fn(index: int, count: int?) -> int",      "Removes elements."},
    {"array", "clear",    "fn() -> void",                            "Removes every element."},
    {"array", "resize",   "fn(length: int) -> int",                  "Changes the length."},
    {"array", "fill",     "fn(value: any) -> void",                  "Sets every element."},
    {"array", "copy",     "fn() -> array<any>",                      "A shallow copy."},
    {"array", "slice",    "fn(from: int, to: int?) -> array<any>",   "A section of the array."},
    {"array", "reverse",  "fn() -> array<any>",                      "Reversed copy."},
    {"array", "sort",     "fn() -> array<any>",                      "Sorted copy."},
    {"array", "sortBy",   "fn(key: fn(item: any) -> num) -> array<any>", "Sorted copy using a key."},
    {"array", "indexOf",  "fn(value: any) -> int",                   "Index of a value, or minus one."},
    {"array", "contains", "fn(value: any) -> bool",                  "True when the value is present."},
    {"array", "min",      "fn() -> num",                             "Smallest value."},
    {"array", "max",      "fn() -> num",                             "Largest value."},
    {"array", "minIndex", "fn() -> int",                             "Index of the smallest value."},
    {"array", "maxIndex", "fn() -> int",                             "Index of the largest value."},
    {"array", "sum",      "fn() -> num",                             "Total of every value."},
    {"array", "map",      "fn(transform: fn(item: any) -> any) -> array<any>", "A new array with each element transformed."},
    {"array", "filter",   "fn(keep: fn(item: any) -> bool) -> array<any>",     "Elements that pass a test."},
    {"array", "reduce",   "fn(combine: fn(total: any, item: any) -> any, initial: any) -> any",
     "Folds the array into one value."},
    {"array", "find",     "fn(match: fn(item: any) -> bool) -> any?", "The first element that passes a test."},
    {"array", "any",      "fn(match: fn(item: any) -> bool) -> bool", "True when any element passes."},
    {"array", "all",      "fn(match: fn(item: any) -> bool) -> bool", "True when every element passes."},
    {"array", "join",     "fn(separator: text) -> text",             "Joins into text."},
    {"map", "len",    "int",                               "Number of entries."},
    {"map", "get",    "fn(key: any) -> any?",              "Value for a key."},
    {"map", "set",    "fn(key: any, value: any) -> void",  "Stores a value."},
    {"map", "has",    "fn(key: any) -> bool",              "True when the key exists."},
    {"map", "delete", "fn(key: any) -> bool",              "Removes a key."},
    {"map", "clear",  "fn() -> void",                      "Removes every entry."},
    {"map", "keys",   "fn() -> array<any>",                "Every key."},
    {"map", "values", "fn() -> array<any>",                "Every value."},
    {"series", "length",   "int",                           "Number of bars available."},
    {"series", "last",     "num",                           "The current bar's value, the same as [0]."},
    {"series", "previous", "num",                           "The previous bar's value, the same as [1]."},
    {"series", "toArray",  "fn(count: int) -> array<num>",  "The most recent values as an array, newest first."},
    {"series", "highest",  "fn(length: int) -> series<num>", "Rolling maximum."},
    {"series", "lowest",   "fn(length: int) -> series<num>", "Rolling minimum."},
    {"series", "avg",      "fn(length: int) -> series<num>", "Rolling mean."},
    {"series", "sum",      "fn(length: int) -> series<num>", "Rolling sum."},
    {"series", "offset",   "fn(bars: int) -> series<num>",   "Shifted copy."},
    {"series", "changed",  "fn() -> series<bool>",          "True when the value differs from the previous bar."},
};

TEST(GeneralDefinitions, RegistersFortySixGlobalsAndMembersOfFourOwners) {
  kelo_std::Registry registry;
  kelo_std::defs_builtins::define(registry);
  EXPECT_EQ(registry.globals.size(), 46u);
  std::map<std::string, std::size_t> owners;
  for (const auto& [owner, members] : registry.members) owners[owner] = members.size();
  EXPECT_EQ(owners, (std::map<std::string, std::size_t>{{"array", 29}, {"map", 8}, {"series", 10}, {"text", 20}}));
  EXPECT_TRUE(registry.duplicates.empty());
}

TEST(GeneralDefinitions, GlobalsHaveTheirSignaturesAndSummaries) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const Global& row : kGlobals) {
    SCOPED_TRACE(row.name);
    const kelo_std::Entry* entry = registry.global(row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(stored(entry->type), row.form);
    EXPECT_EQ(entry->summary, row.summary);
    EXPECT_EQ(entry->group, row.group);
    EXPECT_EQ(entry->pure, row.pure);
    EXPECT_EQ(entry->permission, 255);
    EXPECT_EQ(entry->example, "");
    EXPECT_EQ(kelo_std::forms::kinds_of(*entry), (std::vector<int>{0, 1, 2}));
  }
}

TEST(GeneralDefinitions, TextNamespaceIsAnObjectNamedText) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const kelo_std::Entry* entry = registry.global("text");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->type.tag(), kelo_core::types::Tag::Object);
  expect_fields(entry->type, kTextNamespace);
}

TEST(GeneralDefinitions, MembersHaveTheirSignaturesAndSummaries) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const Member& row : kMembers) {
    SCOPED_TRACE(std::string(row.owner) + "#" + row.name);
    const kelo_std::Entry* entry = registry.member(row.owner, row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, row.name);
    EXPECT_EQ(stored(entry->type), row.form);
    EXPECT_EQ(entry->summary, row.summary);
    EXPECT_EQ(entry->group, "Collections");
    EXPECT_EQ(entry->pure, 1);
    EXPECT_EQ(entry->permission, 255);
    EXPECT_EQ(entry->example, "");
    EXPECT_EQ(kelo_std::forms::kinds_of(*entry), (std::vector<int>{0, 1, 2}));
  }
}

TEST(GeneralDefinitions, PrintedTypesLeaveOutPositionalNamesAndRest) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto text_field = [&](const char* name) {
    return registry.global("text")->type.fields()->fields.at(name).to_string();
  };
  const auto member = [&](const char* owner, const char* name) {
    return registry.member(owner, name)->type.to_string();
  };
  EXPECT_EQ(registry.global("abs")->type.to_string(), "fn(num) -> num");
  EXPECT_EQ(registry.global("round")->type.to_string(), "fn(num, int?) -> num");
  EXPECT_EQ(registry.global("text")->type.to_string(), "text");
  EXPECT_EQ(text_field("format"), "fn(text) -> text");
  EXPECT_EQ(member("array", "sortBy"), "fn(fn(any) -> num) -> array<any>");
  EXPECT_EQ(member("array", "reduce"), "fn(fn(any, any) -> any, any) -> any");
  EXPECT_EQ(member("map", "get"), "fn(any) -> any?");
  EXPECT_EQ(member("text", "len"), "int");
}

TEST(GeneralDefinitions, LengthIsLenExceptOnSeries) {
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const char* owner : {"text", "array", "map"}) {
    ASSERT_NE(registry.member(owner, "len"), nullptr) << owner;
    EXPECT_EQ(registry.member(owner, "len")->type.to_string(), "int");
  }
  EXPECT_EQ(registry.member("series", "len"), nullptr);
  EXPECT_EQ(registry.member("series", "length")->type.to_string(), "int");
}

TEST(GeneralDefinitions, NoNameOfTheModuleIsRegisteredTwice) {
  const kelo_std::Registry registry = kelo_std::builtins();
  std::set<std::string> mine;
  for (const Global& row : kGlobals) mine.insert(row.name);
  for (const Member& row : kMembers) mine.insert(std::string(row.owner) + "#" + row.name);
  for (const std::string& duplicate : registry.duplicates) EXPECT_EQ(mine.count(duplicate), 0u) << duplicate;
}

TEST(GeneralDefinitions, HostTableNamesMembersAndTextFields) {
  const auto& table = kelo_std::hosts::table();
  expect_host_rows({
      {"round", 2, 1, false, "num"},
      {"rand", 0, 0, false, "num"},
      {"text", 0, 0, false, "text"},
      {"text.format", 1, 1, true, "text"},
      {"text.toJson", 2, 1, false, "text"},
      {"text#len", 0, 0, false, "int"},
      {"text#find", 2, 1, false, "int"},
      {"array#reduce", 2, 2, false, "any"},
      {"series#length", 0, 0, false, "int"},
      {"series#changed", 0, 0, false, "series<bool>"},
  });
  // Every text member sorts before the first dotted field of the text namespace.
  EXPECT_LT(table.get("text#upper")->id, table.get("text.compare")->id);
}

}  // namespace
