// &&, || and ?: over series, through kelo_backtest: a global built from them is a series
// bar by bar; a condition still reads the series at the current bar and short-cuts.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

// Up, down, up, up with a close below 9.5.
Bars four_bars() {
  Bars bars;
  bars.add(10, 12, 9, 11);
  bars.add(11, 12, 8, 9);
  bars.add(9, 11, 8, 10);
  bars.add(9, 10, 9, 9.2);
  return bars;
}

struct Row {
  const char* behaviour;
  const char* declarations;  // before onBar
  const char* logged;        // an expression logged on every bar
  std::vector<std::string> journal;
};

TEST(SeriesLogic, GlobalsFollowEveryBar) {
  const Row rows[] = {
      {"a choice follows each bar's direction",
       "let stopLevel = close > open ? low : high",
       "stopLevel[0]",
       {"0 info: 9", "1 info: 12", "2 info: 8", "3 info: 9"}},
      {"the choice keeps its past",
       "let stopLevel = close > open ? low : high",
       "stopLevel[1]",
       {"0 info: none", "1 info: 9", "2 info: 12", "3 info: 8"}},
      {"either of two conditions",
       "let exitSignal = close < open || close < 9.5",
       "exitSignal[0]",
       {"0 info: 0", "1 info: 1", "2 info: 0", "3 info: 1"}},
      {"a true input or a series",
       "input bool everyBar = true\nlet entryOk = everyBar || close > open",
       "entryOk[0]",
       {"0 info: 1", "1 info: 1", "2 info: 1", "3 info: 1"}},
      {"a false input and a series",
       "input bool everyBar = false\nlet entryOk = everyBar || close > open",
       "entryOk[0]",
       {"0 info: 1", "1 info: 0", "2 info: 1", "3 info: 1"}},
      {"a crossing and a level",
       "let buySignal = crossesOver(close, 9.5) && close > 9.8",
       "buySignal[0]",
       {"0 info: 0", "1 info: 0", "2 info: 1", "3 info: 0"}},
      {"a choice of numbers by a series stays a number, read when the global is set",
       "let side = close > open ? 1 : -1",
       "side",
       {"0 info: 1", "1 info: 1", "2 info: 1", "3 info: 1"}},
      {"a choice of texts stays as it was",
       "let word = close > open ? \"up\" : \"down\"",
       "word",
       {"0 info: up", "1 info: up", "2 info: up", "3 info: up"}},
      {"a choice with a none branch stays as it was: the series chosen when set",
       "let level = close > open ? low : none",
       "level[0]",
       {"0 info: 9", "1 info: 8", "2 info: 8", "3 info: 9"}},
  };
  for (const Row& row : rows) {
    const std::string source = std::string("bot \"B\"\n") + row.declarations +
                               "\nfn onBar() { log.info(\"\" + " + row.logged + ") }";
    const Replay run = backtest(source, four_bars());
    EXPECT_TRUE(run.errors.empty()) << row.behaviour << ": " << run.reply;
    EXPECT_EQ(run.journal, row.journal) << row.behaviour;
  }
}

TEST(SeriesLogic, ConditionsReadTheCurrentBarAndShortCut) {
  const Replay run = backtest(
      "bot \"B\"\nfn noted(tag) {\n  log.info(tag)\n  return true\n}\n"
      "fn onBar() {\n  if close > open && noted(\"right of &&\") { log.info(\"up\") }\n"
      "  while close < open || noted(\"right of ||\") { break }\n"
      "  let both = close > open && noted(\"value\")\n"
      "  if both { log.info(\"both\") }\n}",
      four_bars());
  EXPECT_TRUE(run.errors.empty()) << run.reply;
  const std::vector<std::string> journal = {
      "0 info: right of &&", "0 info: up",          "0 info: right of ||", "0 info: value",
      "0 info: both",        "1 info: value",       "2 info: right of &&", "2 info: up",
      "2 info: right of ||", "2 info: value",       "2 info: both",        "3 info: right of &&",
      "3 info: up",          "3 info: right of ||", "3 info: value",       "3 info: both"};
  EXPECT_EQ(run.journal, journal);
}

TEST(Buffers, KeepWhatIsWrittenBarByBar) {
  const Replay run = backtest(
      "bot \"Body\"\nbuffer body\nbuffer other\n"
      "fn onBar() {\n  log.info(\"before \" + body[0])\n"
      "  body[0] = abs(close[0] - open[0])\n"
      "  if bars.index() == 1 { body[1] = 100 }\n"
      "  log.info(body[0] + \" \" + body[1] + \" \" + sma(body, 2)[0] + \" other \" + other[0])\n}",
      four_bars());
  EXPECT_TRUE(run.errors.empty()) << run.reply;
  const std::vector<std::string> journal = {
      "0 info: before none", "0 info: 1 none none other none",
      "1 info: before none", "1 info: 2 100 51 other none",
      "2 info: before none", "2 info: 1 2 1.5 other none",
      "3 info: before none", "3 info: 0.1999999999999993 1 0.5999999999999996 other none"};
  EXPECT_EQ(run.journal, journal);
}

}  // namespace
}  // namespace kelo_corpus
