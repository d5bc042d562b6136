// An allocation that fails inside the interpreter loop (in an instruction, in a built-in it
// calls, in a callback's own loop) becomes the memory budget's error at its line, raised
// like any other: a try may catch it, and uncaught it ends the run cleanly. This binary
// replaces operator new so that a script can make one chosen allocation fail: seed(n)
// arms "the n-th allocation of at least `min_bytes` from here throws std::bad_alloc".
#include <gtest/gtest.h>

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

std::string nested(const char* open, const char* close, int depth, const std::string& inner) {
  std::string out;
  for (int i = 0; i < depth; ++i) out += std::string(open) + "\n";
  out += inner + "\n";
  for (int i = 0; i < depth; ++i) out += std::string(close) + "\n";
  return out;
}

std::string literal_of(int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) out += (i ? ", " : "") + std::to_string(i);
  return out + "]";
}

TEST(AllocationFailure, InTheLoopBecomesTheMemoryErrorAndTheRunEndsCleanly) {
  struct Row {
    const char* behaviour;
    std::string on_bar;     // the body of onBar
    std::size_t min_bytes;  // of the allocation to fail, the first from seed(1) on
    std::vector<std::string> errors;
    std::vector<std::string> journal = {"deinit end of test"};
  };
  const std::vector<std::string> ended = {std::string("bar 0: ") + kMemory,
                                          "The run stopped at bar 0 because the bot ran out of "
                                          "memory."};
  const Row rows[] = {
      {"a loop's copy of an array",
       "  var a = [0]\n  a.resize(100000)\n  seed(1)\n  for x in a { }\n", 1 << 20, ended},
      {"a loop's copy of a map's entries",
       "  var m = [\"k\": 0]\n  for i in 0..100000 { m[text.of(i)] = i }\n  seed(1)\n"
       "  for k, v in m { }\n",
       1 << 20, ended},
      {"an array literal's elements", "  seed(1)\n  let a = " + literal_of(40) + "\n", 512, ended},
      {"a closure's captured values", "  let x = 1\n  seed(1)\n  let f = () => x\n", 1, ended},
      {"a map literal", "  seed(1)\n  let m = [\"k\": 1]\n", 1, ended},
      {"a text loop's item", "  seed(1)\n  for c in \"abc\" { }\n", 1, ended},
      {"the iterator stack past its first room",
       nested("  for i in 0..1 {", "  }", 16, "  seed(1)\n  for j in 0..1 { }"), 1, ended},
      {"the handler stack past its first room: the try around it gets the memory error",
       nested("  try {", "  } catch e { log.info(e.message) }", 16,
              "  seed(1)\n  try { } catch e { }"),
       1,
       {},
       {kMemory, "deinit end of test"}},
      {"a built-in's growth", "  let a = [1]\n  seed(1)\n  a.push(2)\n", 1, ended},
      {"a callback's own loop", "  let a = [1, 2]\n  let b = a.map((x) => wrap(x))\n", 1, ended},
      {"a map's new key: caught, the map is left whole",
       "  var m = [\"a\": 1]\n  seed(2)\n  try { m[\"b\"] = 2 } catch e { log.info(e.message) }\n"
       "  log.info(text.of(m))\n  m[\"c\"] = 3\n  log.info(text.of(m))\n",
       1,
       {},
       {kMemory, "[a: 1]", "[a: 1, c: 3]", "deinit end of test"}},
      {"a caught error's record: the handler gets the memory error instead",
       "  try { trade.buy(0) } catch e { }\n  seed(1)\n"
       "  try { trade.buy(0) } catch e { log.info(e.message) }\n",
       sizeof(Record),
       {},
       {kMemory, "deinit end of test"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.behaviour);
    const std::string source =
        "bot \"Fail\"\nfn wrap(x) {\n  seed(1)\n  return [x]\n}\nfn onBar() {\n" + row.on_bar +
        "}\nfn onDeinit(reason: text) { log.info(\"deinit \" + reason) }\n";
    kelo_compile::CompileOutput out = kelo_compile::compile(source, "fail.kelo");
    ASSERT_FALSE(out.diagnostics.has_errors()) << out.diagnostics.render_all() << "\n" << source;
    auto image = std::make_shared<const bytecode::Image>(std::move(out.image));
    host::Bars bars;
    for (int i = 0; i < 1; ++i) {
      bars.times.push_back(i * 60000);
      for (auto* column : {&bars.open, &bars.high, &bars.low, &bars.close}) column->push_back(1.1);
      bars.volume.push_back(1);
      bars.spread.push_back(0);
    }
    ArmingBuiltins builtins;
    plan = FailurePlan{row.min_bytes, 0, 0};
    Report report = Backtest(ReplayHost(bars, {}, 10000.0, 0.0), image, 0, builtins).run();
    const int failures = plan.failures;
    plan = FailurePlan{};
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(report.errors, row.errors);
    std::vector<std::string> journal;
    for (const JournalLine& line : report.journal) journal.push_back(line.message);
    EXPECT_EQ(journal, row.journal);
  }
}

}  // namespace
}  // namespace kelo_vm::backtest
