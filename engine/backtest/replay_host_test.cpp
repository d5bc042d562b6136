#include "backtest/replay_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kelo_vm::backtest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

// Bars i at time i * 3600000 + 500 (hourly), closing at 1.1, 1.11, ..., range +-0.005.
host::Bars hourly_bars(size_t n) {
  const double closes[] = {1.1, 1.11, 1.12, 1.13, 1.14, 1.15, 1.16, 1.17};
  host::Bars b;
  for (size_t i = 0; i < n && i < std::size(closes); ++i) {
    double c = closes[i];
    b.times.push_back(static_cast<int64_t>(i) * 3600000 + 500);
    b.open.push_back(c);
    b.high.push_back(c + 0.005);
    b.low.push_back(c - 0.005);
    b.close.push_back(c);
    b.volume.push_back(1);
    b.spread.push_back(0.0001);
  }
  return b;
}

ReplayHost make_host(host::SymbolSpec spec = {}) { return ReplayHost(hourly_bars(8), spec, 10000.0, 0.0001); }

std::string call_text(ReplayHost& h, std::string_view name, std::vector<Value> args = {}) {
  Result<Value> r = h.call(name, args);
  if (!r) return "error(" + r.error().message + ", line " + std::to_string(r.error().line) + ")";
  return std::string(type_name(r.value())) + " " + display(r.value());
}

TEST(ReplayHost, AnswersOfTheCallTable) {
  struct Case {
    const char* name;
    std::vector<Value> args;
    const char* expected;
  };
  const Case cases[] = {
      {"symbol.name", {}, "text EURUSD"},
      {"symbol.bid", {}, "num 1.13"},
      {"symbol.last", {}, "num 1.13"},
      {"symbol.ask", {}, "num 1.1300999999999999"},
      {"symbol.time", {}, "time 10800500"},
      {"point", {}, "num 0.00001"},
      {"symbol.pip", {}, "num 0.0001"},
      {"digits", {}, "int 5"},
      {"symbol.spread", {}, "num 10"},
      {"symbol.contractSize", {}, "num 100000"},
      {"symbol.volumeStep", {}, "num 0.01"},
      {"symbol.sessionOpen", {}, "bool true"},
      {"symbol.normalize", {Value::number(1.234567)}, "num 1.23457"},
      {"symbol.normalize", {Value::number(-1.234567)}, "num -1.23457"},
      {"symbol.normalize", {}, "num none"},
      {"symbol.normalizeLots", {Value::number(0.015)}, "num 0.02"},
      {"symbol.normalizeLots", {Value::integer(500)}, "num 100"},
      {"account.name", {}, "text Backtest"},
      {"account.login", {}, "int 9000001"},
      {"account.server", {}, "text Tester"},
      {"account.company", {}, "text Zentrix"},
      {"account.currency", {}, "text USD"},
      {"account.leverage", {}, "int 100"},
      {"account.balance", {}, "num 10000"},
      {"account.freeMargin", {}, "num 10000"},
      {"account.margin", {}, "num 0"},
      {"account.marginLevel", {}, "num 0"},
      {"account.hedging", {}, "bool true"},
      {"bars.count", {}, "int 8"},
      {"bars.index", {}, "int 3"},
      {"bars.isNew", {}, "bool true"},
      {"bars.time", {Value::integer(1)}, "time 7200500"},
      {"bars.time", {}, "time 10800500"},
      {"bars.time", {Value::number(2.9)}, "time 3600500"},
      {"bars.time", {Value::integer(-4)}, "time 25200500"},
      {"bars.time", {Value::integer(-5)}, "time 0"},
      {"bars.time", {Value::integer(4)}, "time 0"},
      {"bars.time", {Value::integer(kMin)}, "time 0"},
      {"bars.time", {Value::integer(kMax)}, "time 0"},
      {"bars.time", {Value::text("1")}, "time 10800500"},
      {"clock.now", {}, "time 10800500"},
      {"clock.server", {}, "time 10800500"},
      {"clock.startOfDay", {Value::time(-1)}, "time -86400000"},
      {"clock.startOfDay", {Value::integer(-86400000)}, "time -86400000"},
      {"clock.startOfDay", {Value::time(259200005)}, "time 259200000"},
      {"clock.startOfDay", {Value::number(86399999.9)}, "time 0"},
      {"clock.startOfDay", {}, "time 0"},
      {"clock.startOfDay", {Value::text("x")}, "time 0"},
      {"clock.startOfDay", {Value::time(kMin)}, "time -9223372036854775808"},
      {"clock.startOfDay", {Value::time(kMax)}, "time 9223372036828800000"},
      {"timeframe.name", {}, "text M1"},
      {"timeframe.seconds", {}, "int 60"},
      {"timeframe.minutes", {}, "int 1"},
      {"bot.id", {}, "text backtest"},
      {"bot.name", {}, "text backtest"},
      {"bot.magic", {}, "int 770001"},
      {"bot.version", {}, "text 1.0.0"},
      {"bot.isTesting", {}, "bool true"},
      {"tester.isActive", {}, "bool true"},
      {"bot.isOptimising", {}, "bool false"},
      {"runtime.steps", {}, "int 0"},
      {"runtime.stepBudget", {}, "int 2000000"},
      {"orders.all", {}, "array []"},
      {"orders.byMagic", {Value::integer(1)}, "array []"},
      {"orders.count", {}, "int 0"},
      {"positions.count", {Value::text("GBPUSD")}, "int 0"},
      {"positions.all", {}, "array []"},
      {"positions.oldest", {}, "none none"},
      {"positions.byTicket", {}, "none none"},
      {"positions.volume", {}, "num 0"},
      {"history.count", {}, "int 0"},
      {"money", {Value::number(-0.0)}, "text -0.00 USD"},
      {"money", {Value::number(0.125)}, "text 0.12 USD"},
      {"money", {Value::number(0.375)}, "text 0.38 USD"},
      {"money", {Value::number(2.675)}, "text 2.67 USD"},
      {"money", {Value::number(-1234567.891)}, "text -1234567.89 USD"},
      {"money", {Value::integer(3)}, "text 3.00 USD"},
      {"money", {}, "text NaN USD"},
      {"money", {Value::text("5")}, "text NaN USD"},
      {"money", {Value::number(-kInf)}, "text -inf USD"},
      {"lotsText", {Value::number(0.105)}, "text 0.10"},
      {"lotsText", {Value::number(kInf)}, "text inf"},
      {"priceText", {Value::number(1.234565)}, "text 1.23456"},
      {"priceText", {Value::boolean(true)}, "text 1.00000"},
      {"sound", {}, "none none"},
      {"chart.comment", {Value::text("x")}, "none none"},
      {"timer.every", {}, "none none"},
      {"draw.line", {}, "none none"},
      {"plotFoo", {}, "none none"},
      {"plot", {}, "none none"},
      {"chart.foo", {}, "error('chart.foo' is not available while backtesting, line 1)"},
      {"Symbol.name", {}, "error('Symbol.name' is not available while backtesting, line 1)"},
      {"draw", {}, "error('draw' is not available while backtesting, line 1)"},
  };
  for (const Case& c : cases) {
    ReplayHost h = make_host();
    h.set_bar_index(3);
    EXPECT_EQ(call_text(h, c.name, c.args), c.expected) << c.name;
  }
}

// Names asked for again from the same storage, rewritten in between, still reach their
// own rows (and unknown ones their error).
TEST(ReplayHost, NamesFromReusedStorage) {
  ReplayHost h = make_host();
  std::string name = "account.equity";
  struct Row {
    const char* name;
    const char* answer;
  };
  const Row rows[] = {
      {"account.equity", "num 10000"},
      {"account.profit", "num 0"},
      {"account.equity", "num 10000"},
      {"account.nosuch", "error('account.nosuch' is not available while backtesting, line 1)"},
      {"account.credit", "num 0"},
  };
  for (const Row& row : rows) {
    name.assign(row.name);  // same length: the same buffer every time
    EXPECT_EQ(call_text(h, name), row.answer) << row.name;
  }
}

TEST(ReplayHost, NormalizeRoundsHalvesAwayFromZeroAtTheSymbolsDigits) {
  host::SymbolSpec spec;
  spec.digits = 2;
  ReplayHost h = make_host(spec);
  EXPECT_EQ(call_text(h, "symbol.normalize", {Value::number(0.125)}), "num 0.13");
  EXPECT_EQ(call_text(h, "symbol.normalize", {Value::number(-0.125)}), "num -0.13");
  EXPECT_EQ(call_text(h, "symbol.normalize", {Value::integer(7)}), "num 7");
  EXPECT_EQ(call_text(h, "priceText", {Value::number(0.125)}), "text 0.12");
}

// The default symbol: volume step 0.01 (limits 0.01 to 100), 5 digits.
TEST(ReplayHost, LotsAndPriceConvertByTheSymbol) {
  ReplayHost h = make_host();
  struct Case {
    const char* name;
    Value x;
    std::string expected;
  };
  const Case cases[] = {
      {"lots", Value::number(0.125), "num 0.13"},
      {"lots", Value::number(-0.125), "num -0.13"},
      {"lots", Value::number(0.004), "num 0"},    // below the minimum: not clamped
      {"lots", Value::number(250.0), "num 250"},  // above the maximum: not clamped
      {"lots", Value::integer(3), "num 3"},
      {"lots", Value::number(kNaN), "num none"},
      {"lots", Value::number(kInf), "num none"},
      {"lots", Value::text("1"), "num none"},
      {"price", Value::number(1.23456789), "num 1.23457"},
      {"price", Value::number(-1.23456789), "num -1.23457"},
      {"price", Value::number(0.000025), "num 0.00003"},  // 2.5 points: halves away from zero
      {"price", Value::integer(2), "num 2"},
      {"price", Value::number(1e300), "num " + display(Value::number(1e300))},
      {"price", Value::number(kNaN), "num none"},
      {"price", Value::number(-kInf), "num none"},
      {"price", Value(), "num none"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(call_text(h, c.name, {c.x}), c.expected) << c.name << "(" << display(c.x) << ")";
}

TEST(ReplayHost, NothingToSumIsNegativeZero) {
  ReplayHost h = make_host();
  for (const char* name : {"history.profit", "positions.volume", "account.profit", "positions.profit"}) {
    Result<Value> r = h.call(name, {});
    ASSERT_TRUE(r) << name;
    EXPECT_TRUE(r.value().is(Tag::Num)) << name;
    EXPECT_EQ(r.value().num_value(), 0.0) << name;
    EXPECT_TRUE(std::signbit(r.value().num_value())) << name;
  }
  std::vector<Value> args{h.call("history.profit", {}).value()};
  EXPECT_EQ(call_text(h, "money", args), "text -0.00 USD");
}

TEST(ReplayHost, BadVolumeFailsAndOpensNothing) {
  const std::vector<std::vector<Value>> bad = {
      {}, {Value::number(0)}, {Value::number(-1)}, {Value::number(kNaN)}, {Value::number(kInf)},
      {Value::text("1")}, {Value::nothing()}, {Value::boolean(false)}};
  for (const char* name : {"trade.buy", "trade.sell"}) {
    for (const auto& args : bad) {
      ReplayHost h = make_host();
      EXPECT_EQ(call_text(h, name, args), "error(A volume above zero is needed, line 1)") << name;
      EXPECT_TRUE(h.account().positions().empty());
    }
  }
}

TEST(ReplayHost, TradeCallsAnswerTradeResults) {
  ReplayHost h = make_host();
  h.set_bar_index(2);
  EXPECT_EQ(call_text(h, "trade.buy", {Value::number(0.001), Value::number(1.05), Value::integer(2), Value::text("c")}),
            "record TradeResult(error: , message: filled, ok: true, price: 1.1201, retcode: 10009, "
            "ticket: 1, volume: 0.001)");
  ASSERT_EQ(h.account().positions().size(), 1u);
  EXPECT_EQ(h.account().positions()[0].volume, 0.01);
  EXPECT_EQ(h.account().positions()[0].stop_loss, 1.05);
  EXPECT_EQ(h.account().positions()[0].take_profit, 2.0);
  EXPECT_EQ(h.account().positions()[0].comment, "c");
  EXPECT_EQ(call_text(h, "trade.sell", {Value::boolean(true), Value::text("x"), Value::nothing(), Value::integer(5)}),
            "record TradeResult(error: , message: filled, ok: true, price: 1.12, retcode: 10009, ticket: 2, "
            "volume: 1)");
  EXPECT_EQ(h.account().positions()[1].stop_loss, 0.0);
  EXPECT_EQ(h.account().positions()[1].comment, "5");

  h.set_bar_index(5);
  Value first = h.call("positions.oldest", {}).value();
  EXPECT_EQ(display(first),
            "Position(age: 180000ms, botId: backtest, comment: c, commission: 0, currentPrice: 1.15, "
            "isLong: true, isShort: false, magic: 770001, openPrice: 1.1201, openTime: 7200500, "
            "pips: 298.9999999999981, profit: 29.899999999999814, sl: 1.05, swap: 0, symbol: EURUSD, "
            "ticket: 1, tp: 2, type: buy, volume: 0.01)");
  EXPECT_EQ(display(h.call("positions.byTicket", std::vector<Value>{Value::number(2.7)}).value()),
            "Position(age: 180000ms, botId: backtest, comment: 5, commission: 0, currentPrice: 1.1501, "
            "isLong: false, isShort: true, magic: 770001, openPrice: 1.12, openTime: 7200500, "
            "pips: 300.9999999999979, profit: -3009.9999999999795, sl: 0, swap: 0, symbol: EURUSD, "
            "ticket: 2, tp: 0, type: sell, volume: 1)");
  EXPECT_EQ(call_text(h, "positions.count"), "int 2");
  EXPECT_EQ(call_text(h, "positions.volume"), "num 1.01");

  // modify: zero keeps the old level, a level above zero replaces it.
  EXPECT_EQ(call_text(h, "trade.modify", {first, Value::number(0), Value::number(1.3)}),
            "record TradeResult(error: , message: modified, ok: true, price: 0, retcode: 10009, ticket: 1, volume: 0)");
  EXPECT_EQ(h.account().positions()[0].stop_loss, 1.05);
  EXPECT_EQ(h.account().positions()[0].take_profit, 1.3);

  EXPECT_EQ(call_text(h, "trade.close", {first}),
            "record TradeResult(error: , message: closed, ok: true, price: 1.15, retcode: 10009, ticket: 1, volume: 0.01)");
  ASSERT_EQ(h.account().trades().size(), 1u);
  EXPECT_EQ(h.account().trades()[0].reason, "closed by bot");
  EXPECT_EQ(h.account().trades()[0].close_time, 18000500);

  // The same record again: closed already.
  EXPECT_EQ(call_text(h, "trade.close", {first}),
            "record TradeResult(error: no such position, message: no such position, ok: false, price: 0, "
            "retcode: 10013, ticket: 1, volume: 0)");
  EXPECT_EQ(call_text(h, "trade.modify", {first, Value::number(1)}),
            "record TradeResult(error: , message: modified, ok: true, price: 0, retcode: 10009, ticket: 1, volume: 0)");
  for (const char* name : {"trade.close", "trade.modify"}) {
    for (const Value& v : {Value::integer(1), Value::text("x"), Value::map()}) {
      EXPECT_EQ(call_text(h, name, {v}),
                "record TradeResult(error: a position is needed, message: a position is needed, ok: false, "
                "price: 0, retcode: 10013, ticket: 0, volume: 0)")
          << name;
    }
  }
  // A record without a ticket field reads as ticket 0.
  EXPECT_EQ(call_text(h, "trade.close", {Value::record(Record::make("Position"))}),
            "record TradeResult(error: no such position, message: no such position, ok: false, price: 0, "
            "retcode: 10013, ticket: 0, volume: 0)");

  h.call("trade.buy", std::vector<Value>{Value::number(0.5)});
  EXPECT_EQ(call_text(h, "trade.closeAll"), "int 2");
  ASSERT_EQ(h.account().trades().size(), 3u);
  EXPECT_EQ(h.account().trades()[1].ticket, 2);
  EXPECT_EQ(h.account().trades()[1].reason, "close all");
  EXPECT_EQ(h.account().trades()[2].ticket, 3);
  EXPECT_EQ(call_text(h, "history.count"), "int 3");
  EXPECT_EQ(call_text(h, "trade.closeAll"), "int 0");
  EXPECT_EQ(h.account().balance(), 10000.0 + h.account().trades()[0].profit + h.account().trades()[1].profit +
                                       h.account().trades()[2].profit);
}

TEST(ReplayHost, StoreAndGlobalsShareOneMapInByteOrder) {
  ReplayHost h = make_host();
  Value list = Value::array({Value::integer(1)});
  EXPECT_EQ(call_text(h, "store.set", {Value::text("b"), list}), "none none");
  EXPECT_EQ(call_text(h, "globals.set", {Value::text("B"), Value::integer(2)}), "none none");
  EXPECT_EQ(call_text(h, "store.set", {Value::integer(7)}), "none none");
  EXPECT_EQ(call_text(h, "globals.get", {Value::text("b")}), "array [1]");
  EXPECT_EQ(call_text(h, "store.get", {Value::text("B")}), "int 2");
  EXPECT_EQ(call_text(h, "store.get", {Value::text("7")}), "none none");
  EXPECT_EQ(call_text(h, "store.has", {Value::text("7")}), "bool true");
  EXPECT_EQ(call_text(h, "store.get", {Value::text("zz")}), "none none");
  EXPECT_EQ(call_text(h, "store.keys"), "array [7, B, b]");
  EXPECT_EQ(call_text(h, "globals.delete", {Value::text("B")}), "bool true");
  EXPECT_EQ(call_text(h, "store.delete", {Value::text("B")}), "bool false");
  EXPECT_EQ(call_text(h, "globals.keys"), "array [7, b]");
  EXPECT_EQ(call_text(h, "store.has"), "bool false");
}

TEST(ReplayHost, JournalLinesCarryLevelBarAndTime) {
  ReplayHost h = make_host();
  h.set_bar_index(2);
  h.call("log.info", std::vector<Value>{Value::text("a"), Value::integer(1), Value::nothing(), Value::number(0.5)});
  h.call("log.warn", {});
  h.set_bar_index(20);
  h.call("notify", std::vector<Value>{Value::boolean(true)});
  h.call("email", std::vector<Value>{Value::text("x")});
  h.log("debug", "direct");
  struct Row {
    const char* level;
    const char* message;
    size_t bar;
    int64_t time;
  };
  const Row expected[] = {{"info", "a 1 none 0.5", 2, 7200500}, {"warn", "", 2, 7200500},
                          {"alert", "true", 20, 0},           {"alert", "x", 20, 0},
                          {"debug", "direct", 20, 0}};
  std::vector<JournalLine> journal = h.take_journal();
  ASSERT_EQ(journal.size(), std::size(expected));
  for (size_t i = 0; i < journal.size(); ++i) {
    EXPECT_EQ(journal[i].level, expected[i].level) << i;
    EXPECT_EQ(journal[i].message, expected[i].message) << i;
    EXPECT_EQ(journal[i].bar, expected[i].bar) << i;
    EXPECT_EQ(journal[i].time, expected[i].time) << i;
  }
}

TEST(ReplayHost, JournalIsCappedAndSaysHowManyLinesWereDropped) {
  ReplayHost h = make_host();
  h.set_bar_index(1);
  for (size_t i = 0; i < kMaxJournalLines - 1; ++i) h.log("info", "x");
  h.set_bar_index(4);
  h.log("info", "last kept");
  for (int i = 0; i < 5; ++i) h.log("info", "dropped");
  EXPECT_EQ(h.journal().size(), kMaxJournalLines);
  EXPECT_EQ(h.journal_dropped(), 5u);
  std::vector<JournalLine> journal = h.take_journal();
  ASSERT_EQ(journal.size(), 100000u);
  EXPECT_EQ(journal[99998].message, "x");
  EXPECT_EQ(journal.back().level, "warn");
  EXPECT_EQ(journal.back().message, "6 more journal lines were dropped");
  EXPECT_EQ(journal.back().bar, 4u);
  EXPECT_EQ(journal.back().time, 14400500);
}

TEST(ReplayHost, JournalAtExactlyTheCapKeepsEveryLine) {
  ReplayHost h = make_host();
  for (size_t i = 0; i < kMaxJournalLines; ++i) h.log("info", "x");
  std::vector<JournalLine> journal = h.take_journal();
  ASSERT_EQ(journal.size(), 100000u);
  EXPECT_EQ(journal.back().message, "x");
}

// name digits point pip tickSize tickValue contract min max step conversion reserved
// reserved, spread points, spread price
std::string render(const SymbolSetup& s) {
  const host::SymbolSpec& p = s.spec;
  std::string out = p.name + " " + std::to_string(p.digits);
  for (double x : {p.point, p.pip, p.tick_size, p.tick_value, p.contract_size, p.volume_min,
                   p.volume_max, p.volume_step, p.conversion, p.reserved_a, p.reserved_b,
                   s.spread_points, s.spread_price()})
    out += " " + format_number(x);
  return out;
}

SymbolFields fields(void (*edit)(SymbolFields&)) {
  SymbolFields f;
  edit(f);
  return f;
}

TEST(SymbolSetup, GivenFieldsOverrideTheDefault) {
  const std::string kDefault = "EURUSD 5 0.00001 0.0001 0.00001 1 100000 0.01 100 0.01 1 0 0 10 0.0001";
  struct Case {
    const char* name;
    SymbolFields fields;
    std::string expected;
  };
  const Case cases[] = {
      {"nothing given", {}, kDefault},
      {"digits 3", fields([](SymbolFields& s) { s.digits = 3; }),
       "EURUSD 3 0.001 0.01 0.001 100 100000 0.01 100 0.01 1 0 0 10 0.01"},
      {"digits 2", fields([](SymbolFields& s) { s.digits = 2; }),
       "EURUSD 2 0.01 0.01 0.01 1000 100000 0.01 100 0.01 1 0 0 10 0.1"},
      {"digits 0 keeps 5", fields([](SymbolFields& s) { s.digits = 0; }), kDefault},
      {"negative digits keep 5", fields([](SymbolFields& s) { s.digits = -4; }), kDefault},
      {"digits 15 is the largest given", fields([](SymbolFields& s) { s.digits = 15; }),
       "EURUSD 15 0.000000000000001 0.000000000000001 0.000000000000001 0.0000000001 100000 0.01 "
       "100 0.01 1 0 0 10 0.000000000000010000000000000002"},
      {"digits 16 keep the default", fields([](SymbolFields& s) { s.digits = 16; }), kDefault},
      {"digits 99 keep the default", fields([](SymbolFields& s) { s.digits = 99; }), kDefault},
      {"digits 400 keep the default", fields([](SymbolFields& s) { s.digits = 400; }), kDefault},
      {"a name replaces EURUSD", fields([](SymbolFields& s) { s.name = "XAUUSD"; }),
       "XAUUSD 5 0.00001 0.0001 0.00001 1 100000 0.01 100 0.01 1 0 0 10 0.0001"},
      {"tick value given keeps the contract default", fields([](SymbolFields& s) { s.tick_value = 2.5; }),
       "EURUSD 5 0.00001 0.0001 0.00001 2.5 100000 0.01 100 0.01 1 0 0 10 0.0001"},
      {"a given contract enters the tick value",
       fields([](SymbolFields& s) { s.tick_size = 0.5; s.contract_size = 10; }),
       "EURUSD 5 0.00001 0.0001 0.5 5 10 0.01 100 0.01 1 0 0 10 0.0001"},
      {"every field given",
       fields([](SymbolFields& s) { s = {"GER40", 1, 0.5, 3, 25, 0.1, 50, 0.1, 1.08, 20}; }),
       "GER40 1 0.1 0.1 0.5 3 25 0.1 50 0.1 1.08 0 0 20 2"},
      {"NaN fields keep the defaults",
       fields([](SymbolFields& s) { s = {"", 0, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN, kNaN}; }),
       kDefault},
      {"infinite fields keep the defaults",
       fields([](SymbolFields& s) { s = {"", 0, kInf, kInf, kInf, kInf, kInf, kInf, kInf, kInf}; }),
       kDefault},
      {"negative fields keep the defaults",
       fields([](SymbolFields& s) { s = {"", -1, -1, -1, -1, -1, -1, -1, -1, -1}; }), kDefault},
  };
  for (const Case& c : cases) EXPECT_EQ(render(symbol_setup(c.fields)), c.expected) << c.name;
  // No symbol at all: the plain default, tick value exactly 1.
  EXPECT_EQ(render(SymbolSetup{}), kDefault);
}

}  // namespace
}  // namespace kelo_vm::backtest
