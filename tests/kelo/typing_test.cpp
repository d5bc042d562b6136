// Types as traders meet them, through kelo_check and kelo_backtest: untyped globals inside
// functions, values read from maps, numbers declared `num`, and range loops.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

struct CheckRow {
  const char* behaviour;
  const char* source;
  const char* diagnostics;
};

void expect_checks(const CheckRow* begin, const CheckRow* end) {
  for (const CheckRow* row = begin; row != end; ++row) {
    EXPECT_EQ(check_text(row->source), row->diagnostics) << row->behaviour;
  }
}

struct RunRow {
  const char* behaviour;
  const char* source;
  std::vector<std::string> journal;
};

void expect_runs(const RunRow* begin, const RunRow* end, const Bars& bars) {
  for (const RunRow* row = begin; row != end; ++row) {
    const Replay run = backtest(row->source, bars);
    EXPECT_TRUE(run.ok) << row->behaviour << ": " << run.reply;
    EXPECT_EQ(run.journal, row->journal) << row->behaviour;
    EXPECT_TRUE(run.errors.empty()) << row->behaviour << ": " << run.reply;
  }
}

TEST(UntypedGlobals, StayAnyForEveryCheckInsideFunctions) {
  const CheckRow rows[] = {
      {"none, a written any and a text, used in arithmetic and a condition",
       "bot \"B\"\nvar peak = none\nvar lastSignal: any = none\nlet tag = \"peak\"\n"
       "fn onBar() {\n  lastSignal = lastSignal + 1\n  let d = peak - close[0]\n"
       "  if tag { log.info(tag) }\n}",
       ""},
      {"a none global in a comparison, a map global counted",
       "bot \"B\"\nvar entryPrice = none\nvar exits = [\"target\": 0, \"stop\": 0]\n"
       "fn onBar() { if close[0] >= entryPrice + 1.0 { exits[\"target\"] += 1 } }",
       ""},
      {"a none global passed where a number is wanted",
       "bot \"B\"\nvar peak = none\nfn onBar() { peak = max(peak, close[0]) }", ""},
      {"a written type still checks inside functions",
       "bot \"B\"\nlet name: text = \"a\"\nfn onBar() { let n = name - 1 }",
       "KELO3005 Arithmetic needs numbers, found text @3:22"},
      {"the global initialisers see the values' types",
       "bot \"B\"\nlet a = \"x\"\nlet b = a - 1\nfn onBar() {}",
       "KELO3005 Arithmetic needs numbers, found text @3:9"},
  };
  expect_checks(std::begin(rows), std::end(rows));
}

TEST(UntypedGlobals, StillChooseTheMembersOfMethodCalls) {
  const RunRow rows[] = {
      {"a text element of an untyped array global, in a loop",
       "bot \"B\"\nlet names = [\"eur\", \"usd\"]\n"
       "fn onBar() { for s in names { log.info(s.upper()) } }",
       {"0 info: EUR", "0 info: USD", "1 info: EUR", "1 info: USD"}},
      {"an array global grown, a copy of it joined in a lambda",
       "bot \"B\"\nvar kept = []\n"
       "fn onBar() {\n  kept.push(close[0])\n  let copy = kept\n"
       "  let text = () => copy.join(\"-\")\n  log.info(text())\n}",
       {"0 info: 10", "1 info: 10-11"}},
      {"a member of an element read by index",
       "bot \"B\"\nlet rows = [[1, 7, 3]]\nfn onBar() { log.info(\"\" + rows[0].max()) }",
       {"0 info: 7", "1 info: 7"}},
  };
  expect_runs(std::begin(rows), std::end(rows), Bars::closes({10, 11}));
}

TEST(MapValues, CountLikeAnyValues) {
  const CheckRow rows[] = {
      {"a local map counted by key",
       "bot \"B\"\nfn onBar() {\n  let counts = [\"up\": 0, \"down\": 0]\n"
       "  counts[\"up\"] += 1\n}",
       ""},
      {"a value read by key in arithmetic",
       "bot \"B\"\nfn onBar() { let m = [\"a\": 1]\n"
       "let x = m[\"a\"] * 2 - m[\"b\"] }",
       ""},
      {"an optional of another type is still refused",
       "bot \"B\"\nfn onBar() { let p = positions.newest()\nlet x = p - 1 }",
       "KELO3005 Arithmetic needs numbers, found Position? @3:9"},
  };
  expect_checks(std::begin(rows), std::end(rows));
  const Replay run = backtest(
      "bot \"B\"\nfn onBar() {\n  let levels = [\"stop\": 1.5]\n"
      "  log.info(\"before\")\n  let t = levels[\"target\"] + 1\n  log.info(\"after\")\n}",
      Bars::closes({10}));
  EXPECT_EQ(run.journal, std::vector<std::string>{"0 info: before"});
  EXPECT_EQ(run.errors, std::vector<std::string>{"bar 0: Cannot combine none and int"});
}

TEST(RangeLoops, NameWholeNumbers) {
  const CheckRow rows[] = {
      {"a range loop's name indexes a series",
       "bot \"B\"\nlet window = 3\nfn onBar() {\n  var gains = 0.0\n"
       "  for i in 0..window { gains += close[i] - close[i + 1] }\n}",
       ""},
      {"a range loop's name as an indicator length and a whole number",
       "bot \"B\"\nfn onBar() {\n  for i in 0..3 {\n    let s = sma(close, i + 1)\n"
       "    let j: int = i + 1\n  }\n}",
       ""},
      {"a loop over another value keeps its element type",
       "bot \"B\"\nfn onBar() { for x in [1.5] { let j: int = x } }",
       "KELO3001 'j': expected int but found num @2:44"},
  };
  expect_checks(std::begin(rows), std::end(rows));
  const RunRow runs[] = {
      {"halves of 1 to 3",
       "bot \"B\"\nfn onBar() { for n in 1..=3 { let half: int = n / 2\nlog.info(\"\" + half) } }",
       {"0 info: 0", "0 info: 1", "0 info: 1"}},
  };
  expect_runs(std::begin(runs), std::end(runs), Bars::closes({10}));
}

TEST(DeclaredNumbers, HoldWholeNumbersAsNums) {
  const RunRow runs[] = {
      {"a num input's whole default",
       "bot \"B\"\ninput num riskPct = 1\n"
       "fn onBar() { log.info(\"\" + riskPct / 100 * account.balance) }",
       {"0 info: 100"}},
      {"lots, and an int input left alone",
       "bot \"B\"\ninput lots baseLots = 1\ninput int steps = 7\n"
       "fn onBar() { log.info(baseLots / 2 + \" \" + steps / 2) }",
       {"0 info: 0.5 3"}},
      {"a parameter's whole default, and a typed result",
       "bot \"B\"\nfn half(x: num = 1) -> num => x / 2\nfn five() -> num { return 5 }\n"
       "fn onBar() { log.info(half() + \" \" + five() / 2) }",
       {"0 info: 0.5 2.5"}},
      {"typed parameters at the call, from literals and from an int variable",
       "bot \"B\"\nfn midpoint(a: num, b: num) -> num => (a + b) / 2\n"
       "fn onBar() {\n  let w = 3\n  log.info(midpoint(1, 2) + \" \" + midpoint(w, 4))\n}",
       {"0 info: 1.5 3.5"}},
      {"typed locals, assigned again, and an untyped one left alone",
       "bot \"B\"\nfn onBar() {\n  let n: num = 7\n  var total: price = 0\n  total = 5\n"
       "  let k = 7\n  log.info(n / 2 + \" \" + total / 2 + \" \" + k / 2)\n}",
       {"0 info: 3.5 2.5 3"}},
      {"a typed global, also assigned inside a function",
       "bot \"B\"\nvar level: num = 1\nfn onBar() {\n  log.info(\"\" + level / 2)\n  level = 3\n"
       "  log.info(\"\" + level / 2)\n}",
       {"0 info: 0.5", "0 info: 1.5"}},
      {"a whole division by zero stays none",
       "bot \"B\"\nfn onBar() {\n  let d = 0\n  let z: num = 1 / d\n"
       "  log.info((z == none) + \" \" + -3 / 2)\n}",
       {"0 info: true -1"}},
  };
  expect_runs(std::begin(runs), std::end(runs), Bars::closes({10}));
  EXPECT_NE(take(kelo_inputs("bot \"B\"\ninput num riskPct = 1\nfn onBar() {}", "t.kelo"))
                .find(R"("default":1})"),
            std::string::npos);
}

}  // namespace
}  // namespace kelo_corpus
