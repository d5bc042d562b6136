// Trading as traders write it, through kelo_check, kelo_describe and kelo_backtest: the
// positions a bot looks up, its magic numbers, its history windows and its new bars.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

TEST(TradeCalls, TakeAPositionThatMayBeNone) {
  const std::pair<const char*, const char*> checks[] = {
      {"trade.close(positions.newest())", ""},
      {"let p = positions.newest()\nif p != none { trade.modify(p, sl: 1.0) }", ""},
      {"for o in orders.all() { trade.cancel(o) }", ""},
      {"trade.close(5)",
       "KELO3001 trade.close parameter 'position': expected Position? but found int @3:13"},
  };
  for (const auto& [body, diagnostics] : checks) {
    EXPECT_EQ(check_text(std::string("bot \"B\"\nfn onBar() {\n") + body + "\n}"), diagnostics)
        << body;
  }
  EXPECT_EQ(take(kelo_describe("trade.close")),
            R"({"found":true,"name":"trade.close","type":"fn(Position?) -> TradeResult",)"
            R"("summary":"","example":""})");
  // Nothing open: the host's answer for a missing position.
  const Replay run = backtest(
      "bot \"B\"\nfn onBar() {\n  let r = trade.close(positions.newest())\n"
      "  log.info(r.ok + \" \" + r.error)\n}",
      Bars::closes({10}));
  EXPECT_EQ(run.journal, std::vector<std::string>{"0 info: false a position is needed"})
      << run.reply;
}

// Noon of each day from Sunday 31 December 2023 to Thursday 4 January 2024.
Bars noon_bars() {
  Bars bars;
  const std::int64_t sunday_noon = 1704024000000;
  for (int day = 0; day < 5; ++day) bars.add(10, 10, 10, 10, sunday_noon + day * 86400000LL);
  return bars;
}

TEST(History, CountsAndSumsTheTradesClosedInTheWindow) {
  // A position opened on each of the first three bars is closed on the next: the trades
  // close on Monday, Tuesday and Wednesday at noon.
  const std::string bot =
      "bot \"B\"\nfn onBar() {\n  for p in positions.all() { trade.close(p) }\n"
      "  if bars.index() < 3 { trade.buy(0.1) }\n  if bars.index() == 4 {\n";
  const std::pair<const char*, const char*> rows[] = {
      {"history.count(2024.01.01)", "3"},
      {"history.count(2024.01.02)", "2"},
      {"history.count(2024.01.04)", "0"},
      {"history.count(2024.01.01, 2024.01.01 23:59)", "1"},
      {"history.count(2024.01.02 12:00, 2024.01.03 12:00)", "2"},
      {"history.profit(2024.01.04)", "0"},
      {"history.profit(2024.01.01) == history.profit(2023.12.01)", "true"},
      {"history.profit(2024.01.03) * 3 == history.profit(2024.01.01)", "true"},
  };
  for (const auto& [expression, value] : rows) {
    const Replay run =
        backtest(bot + "    log.info(\"\" + (" + expression + "))\n  }\n}", noon_bars());
    EXPECT_EQ(run.journal, std::vector<std::string>{std::string("4 info: ") + value})
        << expression << ": " << run.reply;
  }
}

TEST(MagicNumbers, StayWithTheirPositions) {
  const Replay run = backtest(
      "bot \"B\"\nfn onBar() {\n  trade.buy(0.1, magic: 4242)\n  trade.buy(0.2)\n"
      "  trade.sell(0.3, magic: 4242)\n"
      "  for p in positions.byMagic(4242) { log.info(p.ticket + \" \" + p.volume) }\n"
      "  for p in positions.all() { log.info(p.ticket + \" magic \" + p.magic) }\n"
      "  log.info(\"none with 7: \" + positions.byMagic(7).len())\n}",
      Bars::closes({10}));
  const std::vector<std::string> journal = {"0 info: 1 0.1",        "0 info: 3 0.3",
                                            "0 info: 1 magic 4242", "0 info: 2 magic 770001",
                                            "0 info: 3 magic 4242", "0 info: none with 7: 0"};
  EXPECT_EQ(run.journal, journal) << run.reply;
}

TEST(NewBars, ReachOnTickWhenThereIsNoOnBar) {
  const std::pair<const char*, std::vector<std::string>> rows[] = {
      {"bot \"B\"\nfn onTick() { atNewBar { log.info(\"new \" + bars.index()) } }",
       {"0 info: new 0", "1 info: new 1", "2 info: new 2"}},
      {"bot \"B\"\nfn onTick() { log.info(\"\" + bars.isNew()) }",
       {"0 info: true", "1 info: true", "2 info: true"}},
      // With onBar the bar is new to onBar alone, as before.
      {"bot \"B\"\nfn onBar() { atNewBar { log.info(\"bar\") } }\n"
       "fn onTick() { atNewBar { log.info(\"tick\") } }",
       {"0 info: bar", "1 info: bar", "2 info: bar"}},
  };
  for (const auto& [source, journal] : rows) {
    const Replay run = backtest(source, Bars::closes({10, 11, 12}));
    EXPECT_EQ(run.journal, journal) << source << ": " << run.reply;
  }
}

}  // namespace
}  // namespace kelo_corpus
