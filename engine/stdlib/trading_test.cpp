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
using kelo_std::forms::expect_host_rows;
using kelo_std::forms::FormRows;
using kelo_std::forms::stored;

const std::string kEntry =
    "volume: lots, sl: price? (named), tp: any? (named), comment: text? (named), "
    "magic: int? (named), slippage: int? (named), symbol: text? (named)";
const std::string kPending =
    "price: price, volume: lots, sl: price? (named), tp: any? (named), expiry: time? (named), "
    "comment: text? (named), magic: int? (named), symbol: text? (named)";

const FormRows kTrade = {
    {"buy",             "fn(" + kEntry + ") -> TradeResult"},
    {"sell",            "fn(" + kEntry + ") -> TradeResult"},
    {"buyLimit",        "fn(" + kPending + ") -> TradeResult"},
    {"sellLimit",       "fn(" + kPending + ") -> TradeResult"},
    {"buyStop",         "fn(" + kPending + ") -> TradeResult"},
    {"sellStop",        "fn(" + kPending + ") -> TradeResult"},
    {"buyStopLimit",    "fn(stopPrice: price, " + kPending + ") -> TradeResult"},
    {"sellStopLimit",   "fn(stopPrice: price, " + kPending + ") -> TradeResult"},
    {"close",           "fn(position: Position?) -> TradeResult"},
    {"closePartial",    "fn(position: Position?, volume: lots) -> TradeResult"},
    {"closeAll",        "fn(symbol: text? (named), magic: int? (named)) -> int"},
    {"closeProfitable", "fn(symbol: text? (named)) -> int"},
    {"closeLosing",     "fn(symbol: text? (named)) -> int"},
    {"modify",          "fn(position: Position?, sl: price? (named), tp: any? (named)) -> TradeResult"},
    {"modifyPending",   "fn(order: Order?, price: price? (named), sl: price? (named), tp: any? (named), "
                        "expiry: time? (named)) -> TradeResult"},
    {"cancel",          "fn(order: Order?) -> TradeResult"},
    {"cancelAll",       "fn(symbol: text? (named)) -> int"},
    {"reverse",         "fn(position: Position?) -> TradeResult"},
    {"breakEven",       "fn(position: Position?, offsetPips: num? (named)) -> TradeResult"},
    {"trail",           "fn(position: Position?, distancePips: num (named), stepPips: num? (named)) -> TradeResult"},
    {"calcMargin",      "fn(type: text, symbol: text, volume: lots, price: price) -> num"},
    {"calcProfit",      "fn(type: text, symbol: text, volume: lots, openPrice: price, closePrice: price) -> num"},
    {"result",          "TradeResult"},
};

const FormRows kPositions = {
    {"all",         "fn() -> array<Position>"},
    {"mine",        "fn() -> array<Position>"},
    {"count",       "fn(symbol: text?, magic: int? (named)) -> int"},
    {"bySymbol",    "fn(symbol: text) -> array<Position>"},
    {"byTicket",    "fn(ticket: int) -> Position?"},
    {"byMagic",     "fn(magic: int) -> array<Position>"},
    {"profit",      "fn(symbol: text?) -> num"},
    {"volume",      "fn(symbol: text?) -> lots"},
    {"longVolume",  "fn(symbol: text?) -> lots"},
    {"shortVolume", "fn(symbol: text?) -> lots"},
    {"oldest",      "fn(symbol: text?) -> Position?"},
    {"newest",      "fn(symbol: text?) -> Position?"},
};

const FormRows kOrders = {
    {"all",      "fn() -> array<Order>"},
    {"mine",     "fn() -> array<Order>"},
    {"count",    "fn(symbol: text?) -> int"},
    {"bySymbol", "fn(symbol: text) -> array<Order>"},
    {"byTicket", "fn(ticket: int) -> Order?"},
    {"byMagic",  "fn(magic: int) -> array<Order>"},
};

const FormRows kHistory = {
    {"deals",     "fn(from: time, to: time?) -> array<Deal>"},
    {"positions", "fn(from: time, to: time?) -> array<ClosedPosition>"},
    {"orders",    "fn(from: time, to: time?) -> array<Order>"},
    {"profit",    "fn(from: time, to: time?) -> num"},
    {"count",     "fn(from: time, to: time?) -> int"},
};

const FormRows kPosition = {
    {"ticket", "int"},     {"symbol", "text"},   {"type", "text"},       {"volume", "lots"},
    {"openPrice", "price"}, {"currentPrice", "price"}, {"sl", "price"},  {"tp", "price"},
    {"profit", "num"},     {"swap", "num"},      {"commission", "num"},  {"openTime", "time"},
    {"magic", "int"},      {"comment", "text"},  {"botId", "text"},      {"isLong", "bool"},
    {"isShort", "bool"},   {"pips", "num"},      {"age", "duration"},
};
const FormRows kOrder = {
    {"ticket", "int"},       {"symbol", "text"}, {"type", "text"},    {"volume", "lots"},
    {"price", "price"},      {"sl", "price"},    {"tp", "price"},     {"expiry", "time"},
    {"placedTime", "time"},  {"magic", "int"},   {"comment", "text"}, {"botId", "text"},
};
const FormRows kTradeResult = {
    {"ok", "bool"},     {"ticket", "int"},  {"price", "price"},  {"volume", "lots"},
    {"retcode", "int"}, {"error", "text"},  {"message", "text"},
};
const FormRows kDeal = {
    {"ticket", "int"},    {"order", "int"},      {"position", "int"}, {"symbol", "text"},
    {"type", "text"},     {"entry", "text"},     {"volume", "lots"},  {"price", "price"},
    {"profit", "num"},    {"commission", "num"}, {"swap", "num"},     {"fee", "num"},
    {"time", "time"},     {"magic", "int"},      {"comment", "text"},
};
const FormRows kClosedPosition = {
    {"ticket", "int"},      {"symbol", "text"},      {"type", "text"},       {"volume", "lots"},
    {"openPrice", "price"}, {"closePrice", "price"}, {"profit", "num"},      {"swap", "num"},
    {"commission", "num"},  {"openTime", "time"},    {"closeTime", "time"},  {"magic", "int"},
    {"comment", "text"},    {"reason", "text"},      {"pips", "num"},
};

const Type& field(const Type& object, const std::string& name) {
  static const Type missing;
  const auto* fields = object.fields();
  if (fields == nullptr) return missing;
  auto it = fields->fields.find(name);
  return it == fields->fields.end() ? missing : it->second;
}

TEST(TradingDefinitions, RegistersFourNamespacesAndNoMembers) {
  kelo_std::Registry registry;
  kelo_std::defs_trade::define(registry);
  std::vector<std::string> names;
  for (const auto& [name, entry] : registry.globals) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"history", "orders", "positions", "trade"}));
  EXPECT_TRUE(registry.members.empty());
  EXPECT_TRUE(registry.duplicates.empty());
}

TEST(TradingDefinitions, EntriesCarryTheirClassification) {
  struct Row {
    const char* name;
    const char* summary;
    int pure;
    int permission;
    std::size_t fields;
  };
  const Row rows[] = {
      {"trade", "Places, changes and closes orders. Every call is journalled against this bot.", 0, 4, 23},
      {"positions", "Open positions on the account.", 1, 255, 12},
      {"orders", "Pending orders on the account.", 1, 255, 6},
      {"history", "Closed trades.", 1, 255, 5},
  };
  const kelo_std::Registry registry = kelo_std::builtins();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const kelo_std::Entry* entry = registry.global(row.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, row.name);
    EXPECT_EQ(entry->summary, row.summary);
    EXPECT_EQ(entry->example, "");
    EXPECT_EQ(entry->group, "Trading");
    EXPECT_EQ(kelo_std::forms::kinds_of(*entry), (std::vector<int>{0, 2}));
    EXPECT_EQ(entry->pure, row.pure);
    EXPECT_EQ(entry->permission, row.permission);
    ASSERT_EQ(entry->type.tag(), Tag::Object);
    EXPECT_EQ(entry->type.to_string(), row.name);
    EXPECT_EQ(entry->type.fields()->fields.size(), row.fields);
  }
}

TEST(TradingDefinitions, NamespaceFieldsHaveTheirSignatures) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const std::pair<const char*, const FormRows*> spaces[] = {
      {"trade", &kTrade}, {"positions", &kPositions}, {"orders", &kOrders}, {"history", &kHistory}};
  for (const auto& [name, rows] : spaces) {
    SCOPED_TRACE(name);
    const kelo_std::Entry* entry = registry.global(name);
    ASSERT_NE(entry, nullptr);
    expect_fields(entry->type, *rows);
  }
}

TEST(TradingDefinitions, RecordTypesHaveTheirFields) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const Type& trade = registry.global("trade")->type;
  const Type& history = registry.global("history")->type;
  struct Row {
    const char* record;
    Type type;
    const FormRows* fields;
  };
  const Row rows[] = {
      {"Position", field(trade, "close").signature()->params[0].type.unwrap_optional(), &kPosition},
      {"Order", field(trade, "cancel").signature()->params[0].type.unwrap_optional(), &kOrder},
      {"TradeResult", field(trade, "result"), &kTradeResult},
      {"Deal", *field(history, "deals").signature()->result.array_element(), &kDeal},
      {"ClosedPosition", *field(history, "positions").signature()->result.array_element(),
       &kClosedPosition},
      {"Order", *field(history, "orders").signature()->result.array_element(), &kOrder},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.record);
    EXPECT_EQ(row.type.tag(), Tag::Struct);
    EXPECT_EQ(row.type.to_string(), row.record);
    expect_fields(row.type, *row.fields);
  }
}

TEST(TradingDefinitions, PrintedTypesHideNamesOfPositionalParameters) {
  const kelo_std::Registry registry = kelo_std::builtins();
  const std::pair<const char*, const char*> rows[] = {
      {"buy", "fn(lots, sl: price?, tp: any?, comment: text?, magic: int?, slippage: int?, symbol: text?) "
              "-> TradeResult"},
      {"buyLimit", "fn(price, lots, sl: price?, tp: any?, expiry: time?, comment: text?, magic: int?, "
                   "symbol: text?) -> TradeResult"},
      {"trail", "fn(Position?, distancePips: num, stepPips: num?) -> TradeResult"},
  };
  for (const auto& [name, printed] : rows) {
    EXPECT_EQ(field(registry.global("trade")->type, name).to_string(), printed) << name;
  }
}

TEST(TradingDefinitions, TakeProfitAcceptsAnyValueButStopLossNeedsAPrice) {
  using kelo_core::types::assignable;
  using kelo_core::types::Primitive;
  const kelo_std::Registry registry = kelo_std::builtins();
  const auto& params = field(registry.global("trade")->type, "buy").signature()->params;
  ASSERT_EQ(params.size(), 7u);
  const Type& sl = params[1].type;
  const Type& tp = params[2].type;
  struct Row {
    const char* argument;
    Type type;
    bool as_sl;
    bool as_tp;
  };
  const Row rows[] = {
      {"int", Primitive::Int, true, true},
      {"num", Primitive::Num, true, true},
      {"price", Primitive::Price, true, true},
      {"text", Primitive::Text, false, true},
      {"time", Primitive::Time, false, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(assignable(row.type, sl), row.as_sl) << row.argument;
    EXPECT_EQ(assignable(row.type, tp), row.as_tp) << row.argument;
  }
}

TEST(TradingDefinitions, SharedParameterListsAreFreshAndOrdered) {
  auto entry = kelo_std::defs_trade::entry_params();
  auto pending = kelo_std::defs_trade::pending_params();
  EXPECT_EQ(stored(kelo_core::types::function(entry, kelo_core::types::Primitive::Void)),
            "fn(" + kEntry + ") -> void");
  EXPECT_EQ(stored(kelo_core::types::function(pending, kelo_core::types::Primitive::Void)),
            "fn(" + kPending + ") -> void");
  entry.clear();
  EXPECT_EQ(kelo_std::defs_trade::entry_params().size(), 7u);
}

TEST(TradingDefinitions, HostNamesSeparateHistoryFieldsFromGlobals) {
  const auto& table = kelo_std::hosts::table();
  expect_host_rows({
      {"trade", 0, 0, false, "trade"},
      {"trade.buy", 7, 1, false, "TradeResult"},
      {"trade.buyStopLimit", 9, 3, false, "TradeResult"},
      {"trade.trail", 3, 2, false, "TradeResult"},
      {"trade.result", 0, 0, false, "TradeResult"},
      {"positions", 0, 0, false, "positions"},
      {"positions.byTicket", 1, 1, false, "Position?"},
      {"history.positions", 2, 1, false, "array<ClosedPosition>"},
      {"orders.all", 0, 0, false, "array<Order>"},
  });
  EXPECT_EQ(table.get("trade.position"), nullptr);
}

}  // namespace
