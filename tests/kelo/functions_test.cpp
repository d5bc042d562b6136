// Functions as traders write them, through kelo_check and kelo_backtest: defaults that
// read earlier parameters, lambdas inside lambdas, and functions passed as values.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

struct Row {
  const char* behaviour;
  const char* source;
  const char* diagnostics;
  std::vector<std::string> journal;
};

// Each row is checked, then (when it checks clean) replayed on one bar.
void expect_rows(const Row* begin, const Row* end) {
  for (const Row* row = begin; row != end; ++row) {
    EXPECT_EQ(check_text(row->source), row->diagnostics) << row->behaviour;
    if (*row->diagnostics != '\0') continue;
    const Replay run = backtest(row->source, Bars::closes({10}));
    EXPECT_EQ(run.journal, row->journal) << row->behaviour << ": " << run.reply;
    EXPECT_TRUE(run.errors.empty()) << row->behaviour << ": " << run.reply;
  }
}

TEST(NestedLambdas, SeeTheHandlersLocals) {
  const Row rows[] = {
      {"the middle lambda copies when it is made",
       "bot \"B\"\nfn onBar() {\n  var k = 1\n  let later = () => () => k\n  k = 2\n"
       "  log.info(\"\" + later()())\n}",
       "", {"0 info: 1"}},
      {"three levels deep, with a parameter of the middle one",
       "bot \"B\"\nfn onBar() {\n  let base = 10\n"
       "  let add = (x) => (y) => () => base + x + y\n  log.info(\"\" + add(1)(2)())\n}",
       "", {"0 info: 13"}},
      {"a callback of a callback sees the handler's threshold",
       "bot \"B\"\nfn onBar() {\n  let limit = 2\n  let rows = [[1, 2, 3], [4]]\n"
       "  let counts = rows.map((r: array) => r.filter((v) => v > limit).len())\n"
       "  log.info(counts.join(\",\"))\n}",
       "", {"0 info: 1,1"}},
      {"assigning a local two levels out",
       "bot \"B\"\nfn onBar() {\n  var k = 1\n  let f = () => () => { k = 3 }\n}",
       "KELO3007 A captured value cannot be reassigned inside a closure @4:25", {}},
      {"a built-in name keeps its meaning two levels in",
       "bot \"B\"\nfn onBar() {\n  let f = () => () => close[0]\n  log.info(\"\" + f()())\n}",
       "", {"0 info: 10"}},
  };
  expect_rows(std::begin(rows), std::end(rows));
}

TEST(FunctionValues, ATopLevelFunctionIsAValue) {
  const Row rows[] = {
      {"reduce with a function of the program",
       "bot \"B\"\nfn add(a, b) => a + b\n"
       "fn onBar() { log.info(\"\" + [3, -5, 2, -1].reduce(add, 0)) }",
       "", {"0 info: -1"}},
      {"a global holding a function",
       "bot \"B\"\nfn add(a, b) => a + b\nlet combine = add\n"
       "fn onBar() { log.info(\"\" + combine(2, 3)) }",
       "", {"0 info: 5"}},
      {"map with a declared function",
       "bot \"B\"\nfn twice(x) => x * 2\n"
       "fn onBar() { log.info([1.5, 3].map(twice).join(\" \")) }",
       "", {"0 info: 3 6"}},
      {"a function value's declared result type is checked",
       "bot \"B\"\nfn tagOf() -> text => \"x\"\nfn onBar() { let f = tagOf\nlet n: int = f() }",
       "KELO3001 'n': expected int but found text @4:14", {}},
      {"a built-in function of the same name keeps its meaning as a value",
       "bot \"B\"\nfn abs(x) => 7\nfn onBar() { log.info(\"\" + [-2].map(abs).join(\"\")) }", "",
       {"0 info: 2"}},
      {"an undefined name is still reported",
       "bot \"B\"\nfn onBar() { let f = nothingHere }",
       "KELO3004 'nothingHere' is not defined @2:22", {}},
  };
  expect_rows(std::begin(rows), std::end(rows));
}

TEST(DefaultArguments, ReadTheFunctionsOwnScope) {
  const Row rows[] = {
      {"a default from an earlier parameter, the caller holding a local of that name",
       "bot \"B\"\nfn stopBelow(entry: num, distance: num = entry * 0.01) => entry - distance\n"
       "fn onBar() {\n  let entry = close[0]\n  log.info(stopBelow(2.0) + \" \" + "
       "stopBelow(distance: 0.5, entry: 3.0))\n}",
       "",
       {"0 info: 1.98 2.5"}},
      {"the same default for a caller without such a local",
       "bot \"B\"\nfn stopBelow(entry: num, distance: num = entry * 0.01) => entry - distance\n"
       "fn onBar() { log.info(\"\" + stopBelow(4)) }",
       "",
       {"0 info: 3.96"}},
      {"a default reads the global input, not the caller's local",
       "bot \"B\"\ninput num pad = 2\nfn widen(x: num, extra: num = pad) => x + extra\n"
       "fn onBar() {\n  let pad = 100\n  log.info(\"\" + widen(1))\n}",
       "",
       {"0 info: 3"}},
      {"a lambda in a default captures an earlier parameter",
       "bot \"B\"\nfn g(a, f = () => a * 2) => f()\nfn onBar() { log.info(\"\" + g(5)) }",
       "",
       {"0 info: 10"}},
      {"defaults chained through a left-out parameter",
       "bot \"B\"\nfn box(a, b = a + 1, c = b * 10) => [a, b, c]\n"
       "fn onBar() { log.info(\"\" + box(1) + box(1, c: 5)) }",
       "",
       {"0 info: [1, 2, 20][1, 2, 5]"}},
      {"a default cannot read a later parameter",
       "bot \"B\"\nfn f(a = b, b = 1) => a\nfn onBar() { let b = 3\nlet x = f() }",
       "KELO3004 'b' is not defined @2:10",
       {}},
  };
  expect_rows(std::begin(rows), std::end(rows));
}

}  // namespace
}  // namespace kelo_corpus
