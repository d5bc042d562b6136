// An allocation that fails inside the interpreter loop (in an instruction, in a built-in it
// calls, in a callback's own loop) becomes the memory budget's error at its line, raised
// like any other: a try may catch it, and uncaught it ends the run cleanly. This binary
// replaces operator new so that a script can make one chosen allocation fail: seed(n)
// arms "the n-th allocation of at least `min_bytes` from here throws std::bad_alloc".
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "backtest/backtest.h"
#include "builtins/standard_builtins.h"
#include "compile/compiler.h"
#include "vm/interpreter.h"

namespace {

struct FailurePlan {
  std::size_t min_bytes = SIZE_MAX;
  int64_t countdown = 0;  // 0: disarmed
  int failures = 0;
};
FailurePlan plan;

}  // namespace

// The replacements pair malloc with free throughout, which the compiler cannot see.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (size >= plan.min_bytes && plan.countdown > 0 && --plan.countdown == 0) {
    ++plan.failures;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
#pragma GCC diagnostic pop

namespace kelo_vm::backtest {
namespace {

// The standard built-ins, with seed(n) arming the plan instead of seeding anything.
class ArmingBuiltins : public builtins::StandardBuiltins {
 public:
  BuiltinFn resolve(std::string_view name) const override {
    if (name == "seed") return &arm;
    return StandardBuiltins::resolve(name);
  }

 private:
  static Result<Value> arm(BuiltinCall& call) {
    plan.countdown = call.args.empty() ? 0 : as_int(call.args[0]).value_or(0);
    return Value();
  }
};

constexpr const char* kMemory = "This run holds more memory than it is allowed";

std::string nested(const std::string& open, const std::string& close, int depth,
                   const std::string& inner) {
  std::string out;
  for (int i = 0; i < depth; ++i) out += open + "\n";
  out += inner;
  for (int i = 0; i < depth; ++i) out += "\n" + close;
  return out;
}

std::string literal_of(int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) out += (i ? ", " : "") + std::to_string(i);
  return out + "]";
}

// A caught error as the bots below log it: its line shows that the interpreter's state
// was saved at the failing instruction.
constexpr const char* kCatch = "catch e { log.info(text.of(e.line) + \" \" + e.message) }";

// One bar of a backtest of `source`, with the plan's allocation size.
Report run_one_bar(const std::string& source, std::size_t min_bytes, int& failures) {
  kelo_compile::CompileOutput out = kelo_compile::compile(source, "fail.kelo");
  EXPECT_FALSE(out.diagnostics.has_errors()) << out.diagnostics.render_all() << "\n" << source;
  auto image = std::make_shared<const bytecode::Image>(std::move(out.image));
  host::Bars bars;
  bars.times = {0};
  bars.open = bars.high = bars.low = bars.close = {1.1};
  bars.volume = {1};
  bars.spread = {0};
  ArmingBuiltins builtins;
  plan = FailurePlan{min_bytes, 0, 0};
  Report report = Backtest(ReplayHost(bars, {}, 10000.0, 0.0), image, 0, builtins).run();
  failures = plan.failures;
  plan = FailurePlan{};
  return report;
}

std::vector<std::string> messages(const Report& report) {
  std::vector<std::string> out;
  for (const JournalLine& line : report.journal) out.push_back(line.message);
  return out;
}

// work() runs the row's lines; the last one fails. onBar catches what reaches it.
TEST(AllocationFailure, BecomesTheMemoryErrorAtTheFailingLine) {
  struct Row {
    const char* behaviour;
    std::string lines;                      // of work(), after seed(n); the failing one last
    std::size_t min_bytes;                  // of the allocation to fail
    std::vector<std::string> journal = {};  // empty: the failing line and the memory error
    int arm = 1;              // seed(arm): the arm-th allocation fails; 0 arms nothing
    std::string before = "";  // lines before seed(n)
  };
  const std::string mem = std::string(" ") + kMemory;
  const Row rows[] = {
      {"a loop's copy of an array",
       "  for x in a { }",
       1 << 20,
       {},
       1,
       "  var a = [0]\n  a.resize(100000)\n"},
      {"a loop's copy of a map's entries",
       "  for k, v in m { }",
       1 << 20,
       {},
       1,
       "  var m = [\"k\": 0]\n  for i in 0..100000 { m[text.of(i)] = i }\n"},
      {"an array literal's elements", "  let a = " + literal_of(40), 512},
      {"an object literal", "  let p = P(x: 1)", 1},
      {"a map literal", "  let m = [\"k\": 1]", 1},
      {"a range", "  let r = 1..5", 1},
      {"a closure's captured values", "  let f = () => x", 1, {}, 1, "  let x = 1\n"},
      {"a text loop's item", "  for c in \"abc\" { }", 1},
      {"a member written into a map", "  m.k = 2", 1, {}, 1, "  var m = [\"j\": 1]\n"},
      {"an index written past an array's end", "  a[5] = 2", 1, {}, 1, "  var a = [1]\n"},
      {"a built-in's growth", "  a.push(2)", 1, {}, 1, "  let a = [1]\n"},
      // Large enough to pass over the loops' ranges.
      {"the iterator stack past its first room",
       nested("  for i in 0..1 {", "  }", 16, "  for j in 0..1 { }"),
       1024,
       {"25" + mem}},
      // onBar's try and 15 of these fill the first room.
      {"the handler stack past its first room",
       nested("  try {", std::string("  } ") + kCatch, 16, "  try { } catch e { }"),
       1,
       {"24" + mem}},
      // Armed by wrap(), in the callback's own loop.
      {"a callback's own loop",
       "  let b = a.map((x) => wrap(x))",
       1,
       {"5" + mem},
       0,
       "  let a = [1, 2]\n"},
      {"a map's new key, and the map is left whole",
       std::string("  try { m[\"b\"] = 2 } ") + kCatch +
           "\n  log.info(text.of(m))\n  m[\"c\"] = 3\n  log.info(text.of(m))",
       1,
       {"10" + mem, "[a: 1]", "[a: 1, c: 3]"},
       2,
       "  var m = [\"a\": 1]\n"},
      {"a caught error's record: the handler gets the memory error instead",
       std::string("  try { trade.buy(0) } ") + kCatch,
       sizeof(Record),
       {"10" + mem},
       1,
       "  try { trade.buy(0) } catch e { }\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.behaviour);
    const std::string head =
        "bot \"Fail\"\nstruct P { x: num }\nfn wrap(x) {\n  seed(1)\n  return [x]\n}\n"
        "fn work() {\n" +
        row.before + "  seed(" + std::to_string(row.arm) + ")\n";
    const std::string source = head + row.lines + "\n}\nfn onBar() {\n  try { work() } " + kCatch +
                               "\n}\nfn onDeinit(reason: text) { log.info(\"end\") }\n";
    // The failing line: the first of the row's lines (the only one of most rows).
    const auto line = std::count(head.begin(), head.end(), '\n') + 1;
    std::vector<std::string> journal =
        row.journal.empty() ? std::vector<std::string>{std::to_string(line) + mem} : row.journal;
    journal.push_back("end");
    int failures = 0;
    const Report report = run_one_bar(source, row.min_bytes, failures);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(report.errors, std::vector<std::string>{});
    EXPECT_EQ(messages(report), journal) << source;
  }
}

// Uncaught, the memory error ends the backtest like the budget's own refusal.
TEST(AllocationFailure, UncaughtItEndsTheRunCleanly) {
  int failures = 0;
  const Report report = run_one_bar(
      "bot \"Fail\"\nfn onBar() {\n  var a = [0]\n  a.resize(100000)\n  seed(1)\n"
      "  for x in a { }\n}\nfn onDeinit(reason: text) { log.info(\"deinit \" + reason) }\n",
      1 << 20, failures);
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(report.errors, (std::vector<std::string>{
                               std::string("bar 0: ") + kMemory,
                               "The run stopped at bar 0 because the bot ran out of memory."}));
  EXPECT_EQ(messages(report), std::vector<std::string>{"deinit end of test"});
}

}  // namespace
}  // namespace kelo_vm::backtest
