#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "stdlib/definition_forms.h"
#include "stdlib/registry.h"

namespace kelo_std {
namespace {

using kelo_core::types::Tag;
using kelo_core::types::Type;
using forms::stored;

// name, group, pure, type with parameter names, printed type, summary.
struct GlobalRow {
  const char* name;
  const char* group;
  int pure;
  const char* spelled;
  const char* printed;
  const char* summary;
};

const GlobalRow kGlobals[] = {
    {"close", "Price data", 1, "series<num>", "series<num>", "Closing price of each bar."},
    {"open", "Price data", 1, "series<num>", "series<num>", "Opening price of each bar."},
    {"high", "Price data", 1, "series<num>", "series<num>", "Highest price of each bar."},
    {"low", "Price data", 1, "series<num>", "series<num>", "Lowest price of each bar."},
    {"volume", "Price data", 1, "series<num>", "series<num>", "Tick volume of each bar."},
    {"spread", "Price data", 1, "series<num>", "series<num>", "Spread in points at each bar."},
    {"time", "Price data", 1, "series<time>", "series<time>",
     "Opening time of each bar, in server time."},
    {"hl2", "Price data", 1, "series<num>", "series<num>", "Midpoint of the bar's range."},
    {"hlc3", "Price data", 1, "series<num>", "series<num>", "Average of high, low and close."},
    {"ohlc4", "Price data", 1, "series<num>", "series<num>",
     "Average of open, high, low and close."},
    {"bars", "Price data", 1, "bars", "bars", "The bar series this program is attached to."},
    {"series", "Price data", 1, "series", "series", "Bars of another instrument or timeframe."},
    {"account", "Account", 1, "account", "account", "The trading account this program runs on."},
    {"symbol", "Account", 1, "symbol", "symbol", "The instrument this program is attached to."},
    {"symbols", "Account", 1, "symbols", "symbols", "Every instrument the account can trade."},
    {"clock", "Time", 1, "clock", "clock",
     "Clocks and calendar helpers. Bar times are always server time."},
    {"status", "General", 1, "status", "status", "What onInit returns."},
    {"timeframe", "General", 1, "timeframe", "timeframe", "The timeframe this program runs on."},
    {"M1", "General", 1, "text", "text", "A timeframe."},
    {"M2", "General", 1, "text", "text", "A timeframe."},
    {"M3", "General", 1, "text", "text", "A timeframe."},
    {"M4", "General", 1, "text", "text", "A timeframe."},
    {"M5", "General", 1, "text", "text", "A timeframe."},
    {"M6", "General", 1, "text", "text", "A timeframe."},
    {"M10", "General", 1, "text", "text", "A timeframe."},
    {"M12", "General", 1, "text", "text", "A timeframe."},
    {"M15", "General", 1, "text", "text", "A timeframe."},
    {"M20", "General", 1, "text", "text", "A timeframe."},
    {"M30", "General", 1, "text", "text", "A timeframe."},
    {"H1", "General", 1, "text", "text", "A timeframe."},
    {"H2", "General", 1, "text", "text", "A timeframe."},
    {"H3", "General", 1, "text", "text", "A timeframe."},
    {"H4", "General", 1, "text", "text", "A timeframe."},
    {"H6", "General", 1, "text", "text", "A timeframe."},
    {"H8", "General", 1, "text", "text", "A timeframe."},
    {"H12", "General", 1, "text", "text", "A timeframe."},
    {"D1", "General", 1, "text", "text", "A timeframe."},
    {"W1", "General", 1, "text", "text", "A timeframe."},
    {"MN1", "General", 1, "text", "text", "A timeframe."},
    {"src_close", "General", 1, "text", "text", "A price source."},
    {"src_open", "General", 1, "text", "text", "A price source."},
    {"src_high", "General", 1, "text", "text", "A price source."},
    {"src_low", "General", 1, "text", "text", "A price source."},
    {"src_hl2", "General", 1, "text", "text", "A price source."},
    {"src_hlc3", "General", 1, "text", "text", "A price source."},
    {"src_ohlc4", "General", 1, "text", "text", "A price source."},
    {"red", "General", 1, "color", "color", "A named colour."},
    {"green", "General", 1, "color", "color", "A named colour."},
    {"blue", "General", 1, "color", "color", "A named colour."},
    {"orange", "General", 1, "color", "color", "A named colour."},
    {"yellow", "General", 1, "color", "color", "A named colour."},
    {"purple", "General", 1, "color", "color", "A named colour."},
    {"pink", "General", 1, "color", "color", "A named colour."},
    {"teal", "General", 1, "color", "color", "A named colour."},
    {"grey", "General", 1, "color", "color", "A named colour."},
    {"gray", "General", 1, "color", "color", "A named colour."},
    {"white", "General", 1, "color", "color", "A named colour."},
    {"black", "General", 1, "color", "color", "A named colour."},
    {"buyColor", "General", 1, "color", "color", "A named colour."},
    {"sellColor", "General", 1, "color", "color", "A named colour."},
    {"transparent", "General", 1, "color", "color", "A named colour."},
    {"PI", "General", 1, "num", "num", "Ratio of a circle's circumference to its diameter."},
    {"E", "General", 1, "num", "num", "Base of the natural logarithm."},
    {"INF", "General", 1, "num", "num", "Positive infinity."},
    {"EPSILON", "General", 1, "num", "num",
     "Smallest meaningful difference between two num values."},
    {"INT_MAX", "General", 1, "int", "int", "Largest int."},
    {"INT_MIN", "General", 1, "int", "int", "Smallest int."},
    {"pip", "General", 1, "num", "num", "One pip of the attached instrument."},
    {"point", "General", 1, "num", "num", "One point of the attached instrument."},
    {"digits", "General", 1, "int", "int", "Price decimals of the attached instrument."},
    {"lastError", "General", 1, "lastError", "lastError", "The most recent runtime error."},
    {"lots", "General", 1, "fn(value: num) -> lots", "fn(num) -> lots",
     "Converts a number to a volume, snapped to the instrument's step."},
    {"price", "General", 1, "fn(value: num) -> price", "fn(num) -> price",
     "Converts a number to a price, rounded to the instrument's digits."},
    {"int", "General", 1, "fn(value: any) -> int", "fn(any) -> int",
     "Converts to a whole number, truncating toward zero."},
    {"num", "General", 1, "fn(value: any) -> num", "fn(any) -> num", "Converts to a number."},
    {"bool", "General", 1, "fn(value: any) -> bool", "fn(any) -> bool",
     "Converts to true or false."},
    {"rgba", "General", 1, "fn(r: int, g: int, b: int, a: num?) -> color",
     "fn(int, int, int, num?) -> color", "Builds a colour from components."},
    {"clearError", "General", 0, "fn() -> void", "fn() -> void", "Clears the last error."},
};

// Members of time: name, group, pure, spelled, printed, summary.
const GlobalRow kTimeMembers[] = {
    {"year", "Time", 1, "int", "int", "Calendar year."},
    {"month", "Time", 1, "int", "int", "Month, 1 to 12."},
    {"day", "Time", 1, "int", "int", "Day of the month."},
    {"hour", "Time", 1, "int", "int", "Hour, 0 to 23."},
    {"minute", "Time", 1, "int", "int", "Minute, 0 to 59."},
    {"second", "Time", 1, "int", "int", "Second, 0 to 59."},
    {"dayOfWeek", "Time", 1, "int", "int", "Day of the week, 0 is Sunday."},
    {"dayOfYear", "Time", 1, "int", "int", "Day of the year."},
    {"format", "Time", 1, "fn(pattern: text) -> text", "fn(text) -> text", "Formats the instant."},
};

// Namespace, field, type with parameter names.
struct FieldRow {
  const char* owner;
  const char* field;
  const char* spelled;
};

const FieldRow kNamespaceFields[] = {
    {"bars", "count", "int"},
    {"bars", "index", "int"},
    {"bars", "isNew", "bool"},
    {"bars", "shift", "fn(at: time) -> int"},
    {"bars", "time", "fn(index: int) -> time"},
    {"bars", "rates", "fn(count: int) -> array<Bar>"},
    {"bars", "ticks", "fn(from: time, count: int) -> array<Tick>"},
    {"series", "of", "fn(symbol: text, timeframe: text?) -> SeriesSet"},
    {"account", "login", "int"},
    {"account", "name", "text"},
    {"account", "server", "text"},
    {"account", "company", "text"},
    {"account", "currency", "text"},
    {"account", "balance", "num"},
    {"account", "credit", "num"},
    {"account", "equity", "num"},
    {"account", "profit", "num"},
    {"account", "margin", "num"},
    {"account", "freeMargin", "num"},
    {"account", "marginLevel", "num"},
    {"account", "marginCall", "num"},
    {"account", "stopOut", "num"},
    {"account", "leverage", "int"},
    {"account", "isDemo", "bool"},
    {"account", "tradeAllowed", "bool"},
    {"account", "hedging", "bool"},
    {"symbol", "name", "text"},
    {"symbol", "description", "text"},
    {"symbol", "bid", "price"},
    {"symbol", "ask", "price"},
    {"symbol", "last", "price"},
    {"symbol", "spread", "num"},
    {"symbol", "digits", "int"},
    {"symbol", "point", "num"},
    {"symbol", "pip", "num"},
    {"symbol", "tickSize", "num"},
    {"symbol", "tickValue", "num"},
    {"symbol", "contractSize", "num"},
    {"symbol", "volumeMin", "lots"},
    {"symbol", "volumeMax", "lots"},
    {"symbol", "volumeStep", "lots"},
    {"symbol", "stopsLevel", "int"},
    {"symbol", "freezeLevel", "int"},
    {"symbol", "swapLong", "num"},
    {"symbol", "swapShort", "num"},
    {"symbol", "tradeAllowed", "bool"},
    {"symbol", "sessionOpen", "bool"},
    {"symbol", "time", "time"},
    {"symbol", "high", "price"},
    {"symbol", "low", "price"},
    {"symbol", "currencyBase", "text"},
    {"symbol", "currencyProfit", "text"},
    {"symbol", "currencyMargin", "text"},
    {"symbol", "marginRate", "fn(orderType: text) -> num"},
    {"symbol", "sessionQuote", "fn(day: int, index: int) -> Session"},
    {"symbol", "sessionTrade", "fn(day: int, index: int) -> Session"},
    {"symbol", "normalize", "fn(value: num) -> price"},
    {"symbol", "normalizeLots", "fn(value: num) -> lots"},
    {"symbols", "list", "fn() -> array<text>"},
    {"symbols", "info", "fn(name: text) -> SymbolInfo"},
    {"symbols", "select", "fn(name: text, on: bool) -> bool"},
    {"symbols", "tick", "fn(name: text) -> Tick"},
    {"symbols", "book", "fn(name: text) -> array<BookEntry>"},
    {"clock", "now", "time"},
    {"clock", "local", "time"},
    {"clock", "gmt", "time"},
    {"clock", "server", "time"},
    {"clock", "gmtOffset", "int"},
    {"clock", "dst", "bool"},
    {"clock", "of",
     "fn(year: int, month: int, day: int, hour: int?, minute: int?, second: int?) -> time"},
    {"clock", "parse", "fn(value: text, format: text?) -> time"},
    {"clock", "startOfDay", "fn(at: time) -> time"},
    {"clock", "startOfWeek", "fn(at: time) -> time"},
    {"clock", "startOfMonth", "fn(at: time) -> time"},
    {"clock", "isWeekend", "fn(at: time) -> bool"},
    {"clock", "inSession", "fn(from: text, to: text) -> bool"},
    {"clock", "ticks", "fn() -> int"},
    {"status", "ok", "status"},
    {"status", "failed", "fn(reason: text) -> status"},
    {"timeframe", "name", "text"},
    {"timeframe", "seconds", "int"},
    {"timeframe", "minutes", "int"},
    {"lastError", "code", "int"},
    {"lastError", "message", "text"},
};

// Record (struct or object) types reachable from the core names, and their fields.
const FieldRow kRecordFields[] = {
    {"Bar", "time", "time"},
    {"Bar", "open", "price"},
    {"Bar", "high", "price"},
    {"Bar", "low", "price"},
    {"Bar", "close", "price"},
    {"Bar", "volume", "num"},
    {"Bar", "spread", "num"},
    {"Tick", "time", "time"},
    {"Tick", "bid", "price"},
    {"Tick", "ask", "price"},
    {"Tick", "last", "price"},
    {"Tick", "volume", "num"},
    {"Session", "from", "time"},
    {"Session", "to", "time"},
    {"BookEntry", "type", "text"},
    {"BookEntry", "price", "price"},
    {"BookEntry", "volume", "num"},
    {"SymbolInfo", "name", "text"},
    {"SymbolInfo", "description", "text"},
    {"SymbolInfo", "bid", "price"},
    {"SymbolInfo", "ask", "price"},
    {"SymbolInfo", "spread", "num"},
    {"SymbolInfo", "digits", "int"},
    {"SymbolInfo", "point", "num"},
    {"SymbolInfo", "pip", "num"},
    {"SymbolInfo", "tickSize", "num"},
    {"SymbolInfo", "tickValue", "num"},
    {"SymbolInfo", "contractSize", "num"},
    {"SymbolInfo", "volumeMin", "lots"},
    {"SymbolInfo", "volumeMax", "lots"},
    {"SymbolInfo", "volumeStep", "lots"},
    {"SymbolInfo", "stopsLevel", "int"},
    {"SymbolInfo", "freezeLevel", "int"},
    {"SymbolInfo", "swapLong", "num"},
    {"SymbolInfo", "swapShort", "num"},
    {"SymbolInfo", "tradeAllowed", "bool"},
    {"SymbolInfo", "sessionOpen", "bool"},
    {"SymbolInfo", "currencyBase", "text"},
    {"SymbolInfo", "currencyProfit", "text"},
    {"SymbolInfo", "currencyMargin", "text"},
    {"SymbolInfo", "category", "text"},
    {"SeriesSet", "open", "series<num>"},
    {"SeriesSet", "high", "series<num>"},
    {"SeriesSet", "low", "series<num>"},
    {"SeriesSet", "close", "series<num>"},
    {"SeriesSet", "volume", "series<num>"},
    {"SeriesSet", "spread", "series<num>"},
    {"SeriesSet", "time", "series<time>"},
    {"SeriesSet", "hl2", "series<num>"},
    {"SeriesSet", "hlc3", "series<num>"},
    {"SeriesSet", "ohlc4", "series<num>"},
    {"SeriesSet", "count", "int"},
};

Registry core_only() {
  Registry registry;
  defs_core::define(registry);
  return registry;
}

std::vector<int> kinds_of(const Entry& entry) {
  return std::vector<int>(entry.kinds.begin(), entry.kinds.end());
}

TEST(CoreDefsTest, CountsAndNoDuplicates) {
  const Registry registry = core_only();
  EXPECT_EQ(registry.globals.size(), 78u);
  ASSERT_EQ(registry.members.size(), 1u);
  ASSERT_EQ(registry.members.count("time"), 1u);
  EXPECT_EQ(registry.members.at("time").size(), 9u);
  EXPECT_TRUE(registry.duplicates.empty());
  EXPECT_EQ(std::size(kGlobals), 78u);
}

void expect_row(const Entry* entry, const GlobalRow& row) {
  ASSERT_NE(entry, nullptr) << row.name;
  EXPECT_EQ(entry->name, row.name);
  EXPECT_EQ(entry->group, row.group) << row.name;
  EXPECT_EQ(entry->pure, row.pure) << row.name;
  EXPECT_EQ(entry->permission, 255) << row.name;
  EXPECT_EQ(kinds_of(*entry), (std::vector<int>{0, 1, 2})) << row.name;
  EXPECT_EQ(entry->example, "") << row.name;
  EXPECT_EQ(stored(entry->type), row.spelled) << row.name;
  EXPECT_EQ(entry->type.to_string(), row.printed) << row.name;
  EXPECT_EQ(entry->summary, row.summary) << row.name;
}

TEST(CoreDefsTest, GlobalsMatchTheirRows) {
  const Registry registry = core_only();
  for (const GlobalRow& row : kGlobals) expect_row(registry.global(row.name), row);
}

TEST(CoreDefsTest, TimeMembersMatchTheirRows) {
  const Registry registry = core_only();
  for (const GlobalRow& row : kTimeMembers) expect_row(registry.member("time", row.name), row);
}

TEST(CoreDefsTest, NamespaceFieldsMatchTheirRows) {
  const Registry registry = core_only();
  std::map<std::string, std::size_t> expected_counts;
  for (const FieldRow& row : kNamespaceFields) {
    ++expected_counts[row.owner];
    const Entry* entry = registry.global(row.owner);
    ASSERT_NE(entry, nullptr) << row.owner;
    ASSERT_EQ(entry->type.tag(), Tag::Object) << row.owner;
    const auto& fields = entry->type.fields()->fields;
    auto it = fields.find(row.field);
    ASSERT_NE(it, fields.end()) << row.owner << "." << row.field;
    EXPECT_EQ(stored(it->second), row.spelled) << row.owner << "." << row.field;
  }
  for (const auto& [owner, count] : expected_counts) {
    const Entry* entry = registry.global(owner);
    EXPECT_EQ(entry->type.fields()->name, owner);
    EXPECT_EQ(entry->type.fields()->fields.size(), count) << owner;
  }
}

// Collects every struct and object type that a type mentions, by name.
void collect_records(const Type& type, std::map<std::string, Type>& out) {
  switch (type.tag()) {
    case Tag::Series:
    case Tag::Array:
    case Tag::Optional:
    case Tag::Map:
      collect_records(type.element().unwrap_optional(), out);
      if (type.tag() == Tag::Optional) collect_records(*type.optional_inner(), out);
      return;
    case Tag::Struct:
    case Tag::Object:
      out.emplace(type.fields()->name, type);
      for (const auto& [name, field] : type.fields()->fields) collect_records(field, out);
      return;
    case Tag::Function:
      for (const auto& param : type.signature()->params) collect_records(param.type, out);
      collect_records(type.signature()->result, out);
      return;
    default:
      return;
  }
}

TEST(CoreDefsTest, RecordTypesHaveExactlyTheirFields) {
  const Registry registry = core_only();
  std::map<std::string, Type> records;
  for (const auto& [name, entry] : registry.globals) collect_records(entry.type, records);
  std::map<std::string, std::size_t> expected_counts;
  for (const FieldRow& row : kRecordFields) {
    ++expected_counts[row.owner];
    auto record = records.find(row.owner);
    ASSERT_NE(record, records.end()) << row.owner;
    const auto& fields = record->second.fields()->fields;
    auto it = fields.find(row.field);
    ASSERT_NE(it, fields.end()) << row.owner << "." << row.field;
    EXPECT_EQ(stored(it->second), row.spelled) << row.owner << "." << row.field;
  }
  for (const auto& [owner, count] : expected_counts) {
    EXPECT_EQ(records.at(owner).fields()->fields.size(), count) << owner;
  }
  const std::map<std::string, Tag> variants = {
      {"Bar", Tag::Struct},       {"Tick", Tag::Struct},       {"Session", Tag::Struct},
      {"BookEntry", Tag::Struct}, {"SymbolInfo", Tag::Struct}, {"SeriesSet", Tag::Object}};
  for (const auto& [name, tag] : variants) EXPECT_EQ(records.at(name).tag(), tag) << name;
}

TEST(CoreDefsTest, SeriesSetIsBuiltFreshAndEqual) {
  const Type a = shapes::series_set();
  const Type b = shapes::series_set();
  EXPECT_EQ(a, b);
  EXPECT_NE(a.fields(), b.fields());
  EXPECT_EQ(a.tag(), Tag::Object);
  EXPECT_EQ(a.to_string(), "SeriesSet");
  EXPECT_EQ(a.fields()->fields.size(), 11u);
}

TEST(CoreDefsTest, NamesThatAreAndAreNot) {
  const Registry registry = core_only();
  struct Case {
    const char* behaviour;
    bool found;
    bool want;
  };
  const Case cases[] = {
      {"time is a global series", registry.global("time") != nullptr, true},
      {"time owns members", registry.member("time", "year") != nullptr, true},
      {"grey", registry.global("grey") != nullptr, true},
      {"gray", registry.global("gray") != nullptr, true},
      {"no volume source", registry.global("src_volume") != nullptr, false},
      {"no spread source", registry.global("src_spread") != nullptr, false},
      {"no time source", registry.global("src_time") != nullptr, false},
      {"MN1 but no MN", registry.global("MN") != nullptr, false},
      {"text is not a core name", registry.global("text") != nullptr, false},
      {"case-sensitive", registry.global("Close") != nullptr, false},
      {"empty name", registry.global("") != nullptr, false},
      {"no members of other owners here", registry.member("series", "length") != nullptr,
       false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.found, c.want) << c.behaviour;
}

TEST(CoreDefsTest, QuotedPrintedTypes) {
  const Registry registry = core_only();
  auto field = [&](const char* ns, const char* name) {
    return registry.global(ns)->type.fields()->fields.at(name).to_string();
  };
  EXPECT_EQ(field("bars", "ticks"), "fn(time, int) -> array<Tick>");
  EXPECT_EQ(field("clock", "of"), "fn(int, int, int, int?, int?, int?) -> time");
  EXPECT_EQ(field("series", "of"), "fn(text, text?) -> SeriesSet");
  EXPECT_EQ(field("bars", "time"), "fn(int) -> time");
  EXPECT_EQ(field("symbol", "time"), "time");
  EXPECT_EQ(registry.global("account")->type.to_string(), "account");
}

}  // namespace
}  // namespace kelo_std
