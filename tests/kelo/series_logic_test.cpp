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
      {"a choice of numbers by a series follows each bar too",
       "let side = close > open ? 1 : -1",
       "side[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: 1"}},
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

// Closes 10, 9, 11, 12 over opens 9.5, 9.6, 10.5, 12.5: up, down, up, down.
Bars issue_bars() {
  Bars bars;
  bars.add(9.5, 10.5, 9, 10);
  bars.add(9.6, 10, 8.5, 9);
  bars.add(10.5, 11.5, 10, 11);
  bars.add(12.5, 13, 11.5, 12);
  return bars;
}

// A choice by a series condition between plain values (literals, inputs, constants) in a
// global's value is the series choosing bar by bar, like the choices with a series branch:
// the then-value where the condition is non-zero and not NaN, else the else-value.
TEST(SeriesLogic, ChoicesOfPlainValuesFollowEveryBar) {
  const Row rows[] = {
      {"two whole numbers",
       "let d = close > open ? 1 : -1",
       "d[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
      {"a condition held in a global",
       "let up = close > open\nlet d = up ? 1 : -1",
       "d[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
      {"a number and a series",
       "let w = close > open ? 2.5 : close",
       "w[0]",
       {"0 info: 2.5", "1 info: 9", "2 info: 2.5", "3 info: 12"}},
      {"an input and a literal",
       "input int k = 3\nlet d = close > open ? k : 0",
       "d[0]",
       {"0 info: 3", "1 info: 0", "2 info: 3", "3 info: 0"}},
      {"a plain condition with plain branches stays plain",
       "let d = true ? 1 : -1",
       "d",
       {"0 info: 1", "1 info: 1", "2 info: 1", "3 info: 1"}},
      {"a constant and a fraction",
       "const K = 4\nlet d = close > open ? K : 0.5",
       "d[0]",
       {"0 info: 4", "1 info: 0.5", "2 info: 4", "3 info: 0.5"}},
      {"the if-expression alike",
       "let d = if close > open { 1 } else { -1 }",
       "d[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
      {"the series keeps its past",
       "let d = close > open ? 1 : -1",
       "d[1]",
       {"0 info: none", "1 info: 1", "2 info: -1", "3 info: 1"}},
      {"a choice in the else branch",
       "let d = close > open ? 1 : close < open ? -1 : 0",
       "d[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
      {"a choice inside arithmetic",
       "let d = (close > open ? 1 : -1) * 2 + 1",
       "d[0]",
       {"0 info: 3", "1 info: -1", "2 info: 3", "3 info: -1"}},
      {"truth values",
       "let d = close > open ? true : false",
       "d[0]",
       {"0 info: 1", "1 info: 0", "2 info: 1", "3 info: 0"}},
      {"a global declared as a series",
       "let d: series<num> = close > open ? 1 : -1",
       "d[0]",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
      {"a plain input as the condition stays plain",
       "input bool flag = false\nlet d = flag ? 1 : -1",
       "d",
       {"0 info: -1", "1 info: -1", "2 info: -1", "3 info: -1"}},
      // What a plain place asks for stays as it was: the choice made when the global is set.
      {"a global declared int keeps one number",
       "let d: int = close > open ? 1 : -1",
       "d",
       {"0 info: 1", "1 info: 1", "2 info: 1", "3 info: 1"}},
      {"a text joined to the choice keeps one text",
       "let d = \"side \" + (close > open ? 1 : -1)",
       "d",
       {"0 info: side 1", "1 info: side 1", "2 info: side 1", "3 info: side 1"}},
      // Inside a handler the choice reads the condition at the current bar, as ever.
      {"a choice in a handler is the current bar's number",
       "",
       "(close > open ? 1 : -1)",
       {"0 info: 1", "1 info: -1", "2 info: 1", "3 info: -1"}},
  };
  for (const Row& row : rows) {
    const std::string source = std::string("bot \"B\"\n") + row.declarations +
                               "\nfn onBar() { log.info(\"\" + " + row.logged + ") }";
    const Replay run = backtest(source, issue_bars());
    EXPECT_TRUE(run.errors.empty()) << row.behaviour << ": " << run.reply;
    EXPECT_EQ(run.journal, row.journal) << row.behaviour;
  }
}

// Plain choices in a handler stay plain numbers: they still go where a number must.
TEST(SeriesLogic, ChoicesInAHandlerStayNumbers) {
  const std::string source =
      "bot \"B\"\nfn onBar() {\n  var side = 0\n  side = close > open ? 1 : -1\n"
      "  let lots: lots = close > open ? 0.2 : 0.1\n"
      "  log.info(side + \" \" + lots + \" \" + max(close > open ? 1 : -1, 0))\n}";
  EXPECT_EQ(check_text(source), "");
  const Replay run = backtest(source, issue_bars());
  EXPECT_TRUE(run.errors.empty()) << run.reply;
  const std::vector<std::string> journal = {"0 info: 1 0.2 1", "1 info: -1 0.1 0",
                                            "2 info: 1 0.2 1", "3 info: -1 0.1 0"};
  EXPECT_EQ(run.journal, journal);
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
