// Bots that try to run forever or to eat the machine, run through kelo_backtest: each
// must end with a clear error in the report or with a bounded, correct result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bounded_call.h"

namespace kelo_hostile {
namespace {

struct Row {
  const char* name;
  const char* source;
  unsigned bars;
  std::vector<std::string> expected;  // parts the reply must hold
};

// What a well-behaved report opens with: the run itself never fails.
constexpr const char* kOk = R"({"ok":true,)";

void expect_bounded(const Row& row) {
  SCOPED_TRACE(row.name);
  const CallOutcome out = run_in_child([&] { return backtest(row.source, row.bars); });
  ASSERT_TRUE(out.exited) << how_it_ended(out);
  EXPECT_TRUE(out.reply.starts_with(kOk)) << out.reply.substr(0, 400);
  for (const std::string& part : row.expected) {
    EXPECT_NE(out.reply.find(part), std::string::npos)
        << "missing " << part << " in " << out.reply.substr(0, 400) << " ... "
        << out.reply.substr(out.reply.size() > 400 ? out.reply.size() - 400 : 0);
  }
  report(row.name, out);
  if (!under_sanitizer()) {
    EXPECT_LT(out.peak_mib, kMaxPeakMib);
  }
}

constexpr const char* kBudget = "This event used more steps than it is allowed";
constexpr const char* kTooLong = "The text would be longer than 268435456 bytes";
constexpr const char* kMemory = "This run holds more memory than it is allowed";

// The end of a report whose run a resource guard stopped at bar 0 with `error`: that
// error, then the line saying so, close the errors list.
std::string stopped_at_first_bar(const char* error) {
  return std::string(R"("errors":["bar 0: )") + error +
         R"(","The run stopped at bar 0 because the bot ran out of memory."]})";
}

TEST(HostileScripts, EndWithAClearErrorOrABoundedResult) {
  const std::vector<Row> rows = {
      {"endless loop in onBar stops every bar at the step budget",
       "bot \"Loop\"\nfn onBar() {\n  while true { }\n}\n", 100,
       {std::string(R"("errors":["bar 0: )") + kBudget + "\"",
        std::string("\"bar 99: ") + kBudget + "\"]}"}},
      {"endless recursion stops at the frame limit",
       "bot \"Deep\"\nfn down(n: int) -> int { return down(n + 1) }\n"
       "fn onBar() { log.info(text.of(down(0))) }\n",
       3, {R"("errors":["bar 0: Too many nested calls","bar 1: )"}},
      {"self-containing array prints with a marker and is unequal to itself",
       "bot \"Self\"\nfn onBar() {\n  var a = [1]\n  a.push(a)\n  log.info(text.of(a))\n"
       "  log.info(text.of(a == a))\n}\n",
       2,
       {R"("message":"[1, [...]]"},{"bar":0,"time":0,"level":"info","message":"false"})",
        R"("errors":[])"}},
      {"self-containing map prints with a marker",
       "bot \"Self\"\nfn onBar() {\n  var m = [\"k\": 0]\n  m[\"self\"] = m\n"
       "  log.info(text.of(m))\n}\n",
       1, {R"("message":"[k: 0, self: [...]]")", R"("errors":[])"}},
      {"an array nested 100,000 deep prints, compares and is freed",
       "bot \"Nest\"\nfn wrap(x) { return [x] }\nfn onBar() {\n  var a = wrap(0)\n"
       "  for i in 0..100000 { a = wrap(a) }\n  log.info(text.of(text.of(a).len() < 10000))\n"
       "  log.info(text.of(a == a))\n}\n",
       2, {R"("message":"true"},{"bar":0,"time":0,"level":"info","message":"false"})",
           R"("errors":[])"}},
      {"arrays sharing their parts 60 levels deep compare without walking every path",
       "bot \"Tower\"\nfn wrap(x) { return [x, x] }\nfn onBar() {\n  var a = wrap(0)\n"
       "  var b = wrap(0)\n  for i in 0..60 {\n    a = wrap(a)\n    b = wrap(b)\n  }\n"
       "  log.info(text.of(a == b))\n}\n",
       1, {R"("message":"true"}])", R"("errors":[])"}},
      {"arrays sharing their parts 60 levels deep print up to the display cap",
       "bot \"Tower\"\nfn wrap(x) { return [x, x] }\nfn onBar() {\n  var a = wrap(0)\n"
       "  for i in 0..60 { a = wrap(a) }\n  log.info(text.of(text.of(a).len()))\n}\n",
       1, {R"("message":"268435519"}])", R"("errors":[])"}},
      {"array pushed to without end stops at the step budget",
       "bot \"Grow\"\nfn onBar() {\n  var a = [1]\n  while true { a.push(1) }\n}\n", 3,
       {std::string(R"("errors":["bar 0: )") + kBudget}},
      {"array doubled by resize stops at the size cap and the step budget",
       "bot \"Grow\"\nfn onBar() {\n  var a = [1]\n  while true { a.resize(a.len() * 2) }\n}\n",
       1, {std::string(R"("errors":["bar 0: )") + kBudget + "\"]}"}},
      {"index write far past the end stores nothing",
       "bot \"Far\"\nfn onBar() {\n  var a = [1]\n  a[2000000000] = 5\n"
       "  log.info(text.of(a.len()))\n}\n",
       1, {R"("journal":[{"bar":0,"time":0,"level":"info","message":"1"}])", R"("errors":[])"}},
      {"range of two billion items stops at the step budget without building a list",
       "bot \"Range\"\nfn onBar() {\n  var n = 0\n  for i in 0..2000000000 { n += 1 }\n}\n", 3,
       {std::string(R"("errors":["bar 0: )") + kBudget}},
      {"journal written every step keeps its cap and says how much it dropped",
       "bot \"Chatty\"\nfn onBar() {\n  while true { log.info(\"again\") }\n}\n", 2,
       {"more journal lines were dropped\"}],", std::string(R"("errors":["bar 0: )") + kBudget}},
      {"upper case of a text that would pass the cap is refused before it is built",
       "bot \"Upper\"\nfn onBar() {\n  var s = \"\xCE\x90\".repeat(45000000)\n"
       "  log.info(text.of(s.upper().len()))\n}\n",
       1, {R"("journal":[])", stopped_at_first_bar(kTooLong)}},
      {"journal of long lines stops at its byte cap",
       "bot \"Long\"\nfn onBar() {\n  var s = \"x\".repeat(1000000)\n"
       "  while true { log.info(s) }\n}\n",
       20, {"more journal lines were dropped\"}],", std::string(R"("errors":["bar 0: )") + kBudget}},
  };
  for (const Row& row : rows) expect_bounded(row);
}

// Joining texts stops at the text cap with an error, so doubling ends within bounds: the
// run's memory holds the last doubling below the cap (128 to 256 MiB), and the next one
// is refused by the cap, not by the memory limit.
TEST(HostileScripts, TextDoubledInALoopStopsWithAnError) {
  expect_bounded({"text doubled in a loop",
                  "bot \"Double\"\nfn onBar() {\n  var s = \"x\"\n  while true { s = s + s }\n}\n",
                  1, {stopped_at_first_bar(kTooLong)}});
}

// A resource guard that stops one event would stop every later one too: the run ends at
// the bar where it first refused, closes what is open "end of test" and runs onDeinit, so
// that a text doubled on every bar ends 100 bars within bounds instead of building 256 MiB
// per bar.
TEST(HostileScripts, TextDoubledOnEveryBarEndsTheRunThere) {
  expect_bounded(
      {"text doubled on every bar",
       "bot \"Double\"\nfn onInit() -> status {\n  trade.buy(0.1)\n  return status.ok\n}\n"
       "fn onBar() {\n  var s = \"x\"\n  while true { s = s + s }\n}\n"
       "fn onTick() { log.info(\"tick\") }\n"
       "fn onDeinit(reason: text) { log.info(\"deinit \" + reason) }\n",
       100,
       {R"("openTime":0,"closeTime":0,"profit":-0.9999999999998899,"reason":"end of test"}])",
        R"("journal":[{"bar":0,"time":0,"level":"info","message":"deinit end of test"}],)",
        R"("equity":[9999],)", stopped_at_first_bar(kTooLong)}});
}

// Each operation is capped on its own (an index write at 16,777,216 elements), so the
// run's memory bounds what several of them hold together: the second write is refused.
TEST(HostileScripts, IndexWritesNearTheCapInSeveralArraysStayBounded) {
  expect_bounded({"index writes near the cap in several arrays",
                  "bot \"Far\"\nfn onBar() {\n  var keep = []\n  for i in 0..3 {\n"
                  "    var a = [1]\n    a[16777215] = 5\n    keep.push(a)\n  }\n}\n",
                  1, {stopped_at_first_bar(kMemory)}});
}

// What a run keeps in globals, the store or the account from one event to the next
// stops at the run's memory limit, which ends the run at that bar.
TEST(HostileScripts, GrowthAcrossEventsStopsAtTheMemoryLimit) {
  const std::vector<std::string> later = {
      std::string(": ") + kMemory + R"(","The run stopped at bar )",
      R"( because the bot ran out of memory."]})"};
  const std::vector<Row> rows = {
      {"a linked list of arrays in a global",
       "bot \"List\"\nvar a = []\nfn onBar() {\n  while true { a = [a, 1, 2, 3, 4, 5, 6, 7] }\n}\n", 50, later},
      {"a map grown with fresh keys",
       "bot \"Keys\"\nvar m = [\"k\": 0]\nvar pad = \"k\".repeat(1000)\nvar i = 0\n"
       "fn onBar() {\n  while true {\n    m[pad + i] = i\n    i += 1\n  }\n}\n",
       50, later},
      {"a series chain in a global",
       "bot \"Chain\"\nvar s = close\nfn onBar() {\n  while true { s = s + close }\n}\n", 50, later},
      {"the store written with fresh keys",
       "bot \"Store\"\nvar pad = \"k\".repeat(4000)\nvar i = 0\nfn onBar() {\n"
       "  while true {\n    store.set(text.of(i) + pad, i)\n    i += 1\n  }\n}\n",
       50, later},
      {"records linked through a global",
       "bot \"Records\"\nstruct Node { next: array<num>, keep: array<num> }\n"
       "var all = []\nvar some = []\nfn onBar() {\n  some.resize(100)\n"
       "  while true { all = [Node(next: [], keep: some.copy()), all] }\n}\n",
       50, later},
      {"closures each capturing the previous one",
       "bot \"Closures\"\nvar f = () => 0\nfn onBar() {\n  while true {\n    let g = f\n"
       "    f = () => g() + 1\n  }\n}\n",
       50, later},
      {"trades opened and closed without end",
       "bot \"Churn\"\nvar note = \"n\".repeat(20000)\nfn onBar() {\n  while true {\n"
       "    trade.buy(0.1, 0, 0, note)\n    trade.closeAll()\n  }\n}\n",
       50, later},
  };
  for (const Row& row : rows) expect_bounded(row);
}

}  // namespace
}  // namespace kelo_hostile
