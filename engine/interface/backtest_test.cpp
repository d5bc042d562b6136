// kelo_backtest through the C interface, and the report's JSON.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <thread>

#include "interface/backtest_reply.h"
#include "kelo.h"

namespace {

std::string take(char* reply) {
  std::string text = reply == nullptr ? "" : reply;
  kelo_string_free(reply);
  return text;
}

// Rising bars: close 1.1 + 0.001 i, high and low half a pip-tenth around it.
struct Prices {
  double close[200], high[200], low[200];
  Prices() {
    for (int i = 0; i < 200; ++i) {
      close[i] = 1.1 + 0.001 * i;
      high[i] = close[i] + 0.0005;
      low[i] = close[i] - 0.0005;
    }
  }
};

std::string run(const char* source, std::size_t count, std::int64_t warmup,
                const KeloSymbol* spec = nullptr) {
  static const Prices prices;
  return take(kelo_backtest(source, "b.kelo", nullptr, nullptr, prices.high, prices.low,
                            prices.close, nullptr, count, warmup, spec, 10000));
}

std::size_t equity_samples(const std::string& reply) {
  const std::size_t start = reply.find("\"equity\":[");
  const std::size_t end = reply.find(']', start);
  if (start == std::string::npos || end == std::string::npos) return SIZE_MAX;
  const std::string list = reply.substr(start + 10, end - start - 10);
  if (list.empty()) return 0;
  std::size_t commas = 0;
  for (char c : list) commas += c == ',';
  return commas + 1;
}

TEST(Backtest, ExactReplies) {
  struct Row {
    const char* behaviour;
    const char* source;
    std::size_t count;
    std::int64_t warmup;
    const char* reply;
  };
  const Row rows[] = {
      {"a compile error is the failure reply, nothing replayed", "bot \"A\" {}\nlet x = zz", 3,
       0,
       R"j({"ok":false,"error":"b.kelo:2:9 error KELO3004: 'zz' is not defined\nb.kelo:1:1 )j"
       R"j(warning KELO3041: This bot has no onTick, onBar, onTimer or onWebhook, so it will )j"
       R"j(never act"})j"},
      {"without times the bars are a minute apart from 0",
       "bot \"A\" {}\nfn onBar() { log.info(\"x\") }", 3, 0,
       R"j({"ok":true,"startingBalance":10000,"endingBalance":10000,"netProfit":0,"wins":0,)j"
       R"j("losses":0,"winRate":0,"profitFactor":0,"maxDrawdown":0,"trades":[],"journal":[)j"
       R"j({"bar":0,"time":0,"level":"info","message":"x"},)j"
       R"j({"bar":1,"time":60000,"level":"info","message":"x"},)j"
       R"j({"bar":2,"time":120000,"level":"info","message":"x"}],)j"
       R"j("equity":[10000,10000,10000],"errors":[]})j"},
      {"a same-bar round trip loses the spread",
       "bot \"A\" {}\nfn onBar() {\n  trade.buy(0.1)\n"
       "  for p in positions.all() { trade.close(p) }\n}",
       1, 0,
       R"j({"ok":true,"startingBalance":10000,"endingBalance":9999,"netProfit":-1,"wins":0,)j"
       R"j("losses":1,"winRate":0,"profitFactor":0,"maxDrawdown":1,"trades":[{"ticket":1,)j"
       R"j("side":"buy","volume":0.1,"openPrice":1.1001,"closePrice":1.1,"openTime":0,)j"
       R"j("closeTime":0,"profit":-0.9999999999998899,"reason":"closed by bot"}],)j"
       R"j("journal":[],"equity":[9999],"errors":[]})j"},
      {"winning trades only give profit factor -1",
       "bot \"A\" {}\nfn onInit() -> status {\n  log.info(symbol.name)\n  return status.ok\n}\n"
       "fn onBar() {\n  if bars.index() == 1 { trade.buy(0.1) }\n}",
       5, 0,
       R"j({"ok":true,"startingBalance":10000,"endingBalance":10029.000000000002,)j"
       R"j("netProfit":29.00000000000182,"wins":1,"losses":0,"winRate":100,"profitFactor":-1,)j"
       R"j("maxDrawdown":1,"trades":[{"ticket":1,"side":"buy","volume":0.1,"openPrice":1.1011,)j"
       R"j("closePrice":1.104,"openTime":60000,"closeTime":240000,)j"
       R"j("profit":29.000000000001247,"reason":"end of test"}],)j"
       R"j("journal":[{"bar":0,"time":0,"level":"info","message":"EURUSD"}],)j"
       R"j("equity":[10000,9999,10009.000000000002,10019,10029.000000000002],"errors":[]})j"},
      {"a warm-up past the bars replays nothing; start-up positions still close",
       "bot \"A\" {}\nfn onInit() -> status {\n  trade.buy(0.1)\n  return status.ok\n}\n"
       "fn onBar() {}",
       150, 200,
       R"j({"ok":true,"startingBalance":10000,"endingBalance":9999,"netProfit":-1,"wins":0,)j"
       R"j("losses":1,"winRate":0,"profitFactor":0,"maxDrawdown":0,"trades":[{"ticket":1,)j"
       R"j("side":"buy","volume":0.1,"openPrice":1.1001,"closePrice":1.1,"openTime":0,)j"
       R"j("closeTime":0,"profit":-0.9999999999998899,"reason":"end of test"}],)j"
       R"j("journal":[],"equity":[],"errors":[]})j"},
      {"a negative warm-up reads as unsigned: nothing replayed",
       "bot \"A\" {}\nfn onBar() { log.info(\"x\") }", 3, -1,
       R"j({"ok":true,"startingBalance":10000,"endingBalance":10000,"netProfit":0,"wins":0,)j"
       R"j("losses":0,"winRate":0,"profitFactor":0,"maxDrawdown":0,"trades":[],"journal":[],)j"
       R"j("equity":[],"errors":[]})j"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(run(row.source, row.count, row.warmup), row.reply) << row.behaviour;
  }
}

TEST(Backtest, MissingPricesGenerateFiveThousandBars) {
  const char* bot = "bot \"A\" {}\nfn onBar() {}";
  const Prices prices;
  const std::string no_close = take(kelo_backtest(bot, "b", nullptr, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, 5, 0, nullptr, 10000));
  EXPECT_EQ(equity_samples(no_close), 5000u);
  const std::string no_count = take(kelo_backtest(bot, "b", nullptr, prices.close, prices.high,
                                                  prices.low, prices.close, prices.close, 0, 200,
                                                  nullptr, 10000));
  EXPECT_EQ(equity_samples(no_count), 4800u);
  // Null text arguments read as empty: an empty source does not compile.
  EXPECT_EQ(take(kelo_backtest(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, 0, 0, nullptr, 10000)),
            R"j({"ok":false,"error":":1:1 error KELO3030: A file starts with bot, indicator, )j"
            R"j(library or script, then its name"})j");
}

// An internal failure (here: a bar count no vector can hold) comes back as the failure
// reply instead of unwinding into the caller.
TEST(Backtest, InternalFailuresBecomeTheFailureReply) {
  const double close[1] = {1.1};
  const std::string reply =
      take(kelo_backtest("bot \"A\" {}\nfn onBar() {}", "b", nullptr, nullptr, nullptr, nullptr,
                         close, nullptr, SIZE_MAX, 0, nullptr, 10000));
  const std::string expected = R"j({"ok":false,"error":"The engine failed inside the call: )j";
  EXPECT_EQ(reply.substr(0, expected.size()), expected) << reply;
  EXPECT_EQ(reply.substr(reply.size() - 3), ".\"}");
}

TEST(Backtest, TheSymbolReachesTheRun) {
  const char* bot =
      "bot \"A\" {}\nfn onInit() -> status {\n  log.info(symbol.name)\n  return status.ok\n}\n"
      "fn onBar() {\n  trade.buy(0.1)\n  for p in positions.all() { trade.close(p) }\n}";
  KeloSymbol spec{"GBPJPY", 3, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::string reply = run(bot, 1, 0, &spec);
  // Three digits: the point is 0.001, so ten points of spread cost 0.01 per unit.
  EXPECT_NE(reply.find(R"j("message":"GBPJPY")j"), std::string::npos) << reply;
  EXPECT_NE(reply.find(R"j("openPrice":1.11,"closePrice":1.1,)j"), std::string::npos) << reply;
  EXPECT_NE(reply.find(R"j("profit":-100.00000000000009,)j"), std::string::npos) << reply;
}

TEST(Backtest, LotsAndPriceConvertByTheSymbolInTheRun) {
  const char* bot =
      "bot \"A\" {}\nfn onInit() -> status {\n  log.info(text.of(lots(0.125)))\n"
      "  log.info(text.of(price(1.23456789)))\n  trade.buy(lots(0.125))\n  return status.ok\n}\n"
      "fn onBar() {}";
  const std::string reply = run(bot, 1, 0);
  EXPECT_NE(reply.find(R"j("side":"buy","volume":0.13,)j"), std::string::npos) << reply;
  EXPECT_NE(reply.find(R"j("journal":[{"bar":0,"time":0,"level":"info","message":"0.13"},)j"
                       R"j({"bar":0,"time":0,"level":"info","message":"1.23457"}],)j"),
            std::string::npos)
      << reply;
  EXPECT_NE(reply.find(R"j("errors":[]})j"), std::string::npos) << reply;
}

TEST(BacktestReport, NumbersAndTextsOfTheReport) {
  kelo_vm::backtest::Report report;
  report.starting_balance = 10000;
  report.ending_balance = 10000.5;
  report.max_drawdown = 300;
  kelo_vm::backtest::ClosedTrade win;
  win.reason = "take \"profit\"";
  win.ticket = 7;
  win.volume = 0.01;
  win.open_price = 1.5;
  win.close_price = 2;
  win.open_time = -60000;
  win.close_time = 1767225600000;
  win.profit = 0.5;
  win.side = kelo_vm::backtest::Side::Sell;
  report.trades = {win};
  report.wins = 1;
  report.journal = {{"warn", "tab\there", 3, 180000}};
  report.equity = {10000, std::nan(""), -0.0, std::numeric_limits<double>::infinity()};
  report.errors = {"bar 1: line\nbreak"};
  EXPECT_EQ(kelo::report_json(report),
            R"j({"ok":true,"startingBalance":10000,"endingBalance":10000.5,"netProfit":0.5,)j"
            R"j("wins":1,"losses":0,"winRate":100,"profitFactor":-1,"maxDrawdown":300,)j"
            R"j("trades":[{"ticket":7,"side":"sell","volume":0.01,"openPrice":1.5,"closePrice":2,)j"
            R"j("openTime":-60000,"closeTime":1767225600000,"profit":0.5,)j"
            R"j("reason":"take \"profit\""}],)j"
            R"j("journal":[{"bar":3,"time":180000,"level":"warn","message":"tab\there"}],)j"
            R"j("equity":[10000,NaN,-0,inf],"errors":["bar 1: line\nbreak"]})j");
}

// Repeated samples reuse the text written before them; equal-comparing values with other
// bits (0 and -0) and NaN next to NaN must still come out as themselves.
TEST(BacktestReport, RepeatedEquitySamples) {
  const double nan = std::nan("");
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* behaviour;
    std::vector<double> equity;
    const char* text;
  };
  const Row rows[] = {
      {"flat run",
       {10235.674155820965, 10235.674155820965, 10235.674155820965},
       "[10235.674155820965,10235.674155820965,10235.674155820965]"},
      {"zero then minus zero", {0.0, 0.0, -0.0, -0.0, 0.0}, "[0,0,-0,-0,0]"},
      {"NaN repeated",
       {nan, nan, 1e23, 1e23},
       "[NaN,NaN,100000000000000000000000,100000000000000000000000]"},
      {"back to an earlier value", {1.5, 2, 1.5, -inf, -inf}, "[1.5,2,1.5,-inf,-inf]"},
      {"one sample", {0.1}, "[0.1]"},
  };
  for (const Row& row : rows) {
    kelo_vm::backtest::Report report;
    report.equity = row.equity;
    const std::string json = kelo::report_json(report);
    EXPECT_NE(json.find(std::string(R"j("equity":)j") + row.text + R"j(,"errors")j"),
              std::string::npos)
        << row.behaviour << ": " << json;
  }
}

TEST(BacktestReport, WinRateOfTwoInThree) {
  kelo_vm::backtest::Report report;
  report.trades.resize(3);
  report.trades[0].profit = 2;
  report.trades[1].profit = 1;
  report.trades[2].profit = -1.5;
  report.wins = 2;
  report.losses = 1;
  const std::string json = kelo::report_json(report);
  EXPECT_NE(json.find(R"j("winRate":66.66666666666667,"profitFactor":2,)j"), std::string::npos)
      << json;
}

// The application backtests on a worker thread while the editor keeps checking.
TEST(Backtest, RunsBesideChecks) {
  const char* bot =
      "bot \"A\" {}\ninput int fast = 20\nlet quick = ema(close, fast)\n"
      "fn onBar() { if quick[0] > 1.1 { trade.buy(0.1) } }\n";
  const std::string alone = take(kelo_backtest(bot, "b", nullptr, nullptr, nullptr, nullptr,
                                               nullptr, nullptr, 0, 200, nullptr, 10000));
  const std::string check = take(kelo_check(bot, "b"));
  std::string together;
  std::thread worker([&] {
    together = take(kelo_backtest(bot, "b", nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, 0, 200, nullptr, 10000));
  });
  for (int i = 0; i < 10; ++i) EXPECT_EQ(take(kelo_check(bot, "b")), check);
  worker.join();
  EXPECT_EQ(together, alone);
  EXPECT_EQ(alone.substr(0, 11), "{\"ok\":true,");
}

}  // namespace
