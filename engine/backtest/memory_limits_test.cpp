// The memory limit seen from the built-ins, the interpreter and the replay host: every
// growth a script controls is refused at the limit and leaves what it grows unchanged.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backtest/replay_host.h"
#include "builtins/methods.h"
#include "builtins/standard_builtins.h"
#include "series/series_test_host.h"
#include "vm/heap.h"
#include "vm/interpreter_test_support.h"
#include "vm/operators.h"

namespace kelo_vm {
namespace {

constexpr const char* kRefused = "This run holds more memory than it is allowed";

Value T(std::string_view s) {
  return Value::text(s);
}
Value I(int64_t i) {
  return Value::integer(i);
}
// Built from a full initializer: capacity equals size, so any growth reallocates.
Value A(std::vector<Value> items) {
  return Value::array(std::move(items));
}
Value M(std::vector<std::pair<std::string, Value>> items) {
  auto m = make_ref<Map>();
  for (auto& [k, v] : items) m->set(k, std::move(v));
  return Value::map(std::move(m));
}

// A built-in or operator call at a limit equal to what is held now.
struct AtLimit {
  testing::TestHost host{testing::TestHost::bars_from_close({10, 11, 12, 13})};
  builtins::StandardBuiltins builtins;
  Vm vm{std::make_shared<const bytecode::Image>(), builtins};

  std::string method(std::string_view name, const std::vector<Value>& args) {
    heap::LimitOverride guard(heap::live());
    auto r = builtins::method_call(name, args, host, vm);
    if (!r) return "not a method";
    return testing::outcome(*r);
  }
};

TEST(HeapLimit, GrowthSitesRefuseAndLeaveTheReceiverUnchanged) {
  const std::string refused =
      std::string("error:") + kRefused + "@" + std::to_string(RuntimeError::kUnset);
  struct Row {
    const char* behaviour;
    Value receiver;
    const char* method;
    std::vector<Value> args;
    std::string want;
    std::string after = {};  // the receiver afterwards; empty: as it was
  };
  const Value nothing;
  const std::vector<Row> rows = {
      {"push", A({I(1), I(2)}), "array#push", {I(3)}, refused},
      {"unshift", A({I(1), I(2)}), "array#unshift", {I(0)}, refused},
      {"insert", A({I(1), I(2)}), "array#insert", {I(1), I(9)}, refused},
      {"resize", A({I(1)}), "array#resize", {I(1000)}, refused},
      {"resize within capacity needs nothing",
       A({I(1), I(2)}),
       "array#resize",
       {I(1)},
       "int:1",
       "[1]"},
      {"copy", A({I(1)}), "array#copy", {}, refused},
      {"slice", A({I(1), I(2)}), "array#slice", {I(0)}, refused},
      {"reverse", A({I(1), I(2)}), "array#reverse", {}, refused},
      {"sort", A({I(2), I(1)}), "array#sort", {}, refused},
      {"join", A({T(std::string(40, 'j'))}), "array#join", {T(",")}, refused},
      {"map asks before calling back", A({I(1)}), "array#map", {nothing}, refused},
      {"filter asks before calling back", A({I(1)}), "array#filter", {nothing}, refused},
      {"sortBy asks before calling back", A({I(1)}), "array#sortBy", {nothing}, refused},
      {"reading needs nothing", A({I(1), I(2)}), "array#sum", {}, "num:3"},
      {"map set with a new key", M({{"a", I(1)}}), "map#set", {T("b"), I(2)}, refused},
      {"map set of a key already there",
       M({{"a", I(1)}}),
       "map#set",
       {T("a"), I(2)},
       "none:none",
       "[a: 2]"},
      {"map keys", M({{"a", I(1)}}), "map#keys", {}, refused},
      {"map values", M({{"a", I(1)}}), "map#values", {}, refused},
      {"text repeat", T("ab"), "text#repeat", {I(3)}, refused},
      {"text pad", T("ab"), "text#pad", {I(30)}, refused},
      {"text split", T("a,b"), "text#split", {T(",")}, refused},
      {"text replaceAll", T(std::string(40, 'a')), "text#replaceAll", {T("a"), T("bb")}, refused},
      {"text upper of a long text", T(std::string(1 << 16, 'a')), "text#upper", {}, refused},
      {"text lower of a long text", T(std::string(1 << 16, 'A')), "text#lower", {}, refused},
      {"series toArray",
       Value::series(Series::source(SeriesKind::Close)),
       "series#toArray",
       {I(3)},
       refused},
  };
  AtLimit f;
  for (const Row& row : rows) {
    const std::string before = display(row.receiver);
    std::vector<Value> args{row.receiver};
    args.insert(args.end(), row.args.begin(), row.args.end());
    EXPECT_EQ(f.method(row.method, args), row.want) << row.behaviour;
    EXPECT_EQ(display(row.receiver), row.after.empty() ? before : row.after) << row.behaviour;
  }
}

TEST(HeapLimit, OperatorsRefuseTextsAndSeriesNodes) {
  using bytecode::Opcode;
  struct Row {
    const char* behaviour;
    Value left, right;
    std::string want;
  };
  const std::vector<Row> rows = {
      {"joining texts", T("a"), T("b"), std::string("error:") + kRefused},
      {"a text and a number", T("a"), I(1), std::string("error:") + kRefused},
      {"a series node", Value::series(Series::source(SeriesKind::Close)), I(1),
       std::string("error:") + kRefused},
      {"numbers need nothing", I(1), I(2), "int:3"},
  };
  for (const Row& row : rows) {
    heap::LimitOverride guard(heap::live());
    const Result<Value> r =
        builtins::binary(static_cast<uint8_t>(Opcode::Add), row.left, row.right);
    const std::string got = r.ok() ? testing::outcome(r) : "error:" + r.error().message;
    EXPECT_EQ(got, row.want) << row.behaviour;
  }
}

TEST(HeapLimit, TheTextCapIsReportedBeforeTheMemoryLimit) {
  heap::LimitOverride guard(heap::live());
  const Value big = Value::text(std::string(kMaxTextBytes / 2 + 1, 'x'));
  const Result<Value> r = builtins::binary(static_cast<uint8_t>(bytecode::Opcode::Add), big, big);
  ASSERT_FALSE(r.ok());
  EXPECT_EQ(r.error().message, "The text would be longer than 268435456 bytes");
}

TEST(HeapLimit, InstructionsThatAllocateStopTheRunAtTheirLine) {
  using bytecode::Opcode;
  using testing::Fn;
  using testing::Prog;
  const std::string refused = std::string("error:") + kRefused + "@7";
  struct Row {
    const char* behaviour;
    Value receiver;  // the function's one argument
    std::function<Fn(Prog&)> build;
    std::string want;
    std::string after = {};  // the receiver afterwards; empty: as it was
  };
  auto start = [] { return Fn("f", 1, 1).line(7); };
  const std::vector<Row> rows = {
      {"index write past the end", A({I(1), I(2)}),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(1000))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::SetIndex)
             .op(Opcode::Return);
       },
       refused},
      {"index write inside the array", A({I(1), I(2)}),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::SetIndex)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .op(Opcode::Return);
       },
       "array:[1, 5]", "[1, 5]"},
      {"index write with a new key", M({{"a", I(1)}}),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.text("b"))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::SetIndex)
             .op(Opcode::Return);
       },
       refused},
      {"member write with a new name", M({{"a", I(1)}}),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(5))
             .c(Opcode::SetMember, p.name("b"))
             .op(Opcode::Return);
       },
       refused},
      {"iterating an array takes a copy", A({I(1), I(2)}),
       [&](Prog&) {
         return start().b(Opcode::GetLocal, 0).a(Opcode::IterInit, 1).op(Opcode::Return);
       },
       refused},
      {"iterating a map takes a copy", M({{"a", I(1)}}),
       [&](Prog&) {
         return start().b(Opcode::GetLocal, 0).a(Opcode::IterInit, 2).op(Opcode::Return);
       },
       refused},
      {"member write of a new record field", Value::record(Record::make("Node")),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(5))
             .c(Opcode::SetMember, p.name("next"))
             .op(Opcode::Return);
       },
       refused},
      {"member write of a record field already there",
       [] {
         auto r = Record::make("Node");
         r->with("next", I(1));
         return Value::record(r);
       }(),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(5))
             .c(Opcode::SetMember, p.name("next"))
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .op(Opcode::Return);
       },
       "record:Node(next: 5)", "Node(next: 5)"},
      {"array literal", Value(),
       [&](Prog& p) {
         return start()
             .c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.integer(2))
             .b(Opcode::MakeArray, 2)
             .op(Opcode::Return);
       },
       refused},
      {"map literal", Value(),
       [&](Prog& p) {
         return start()
             .c(Opcode::Const, p.text("k"))
             .c(Opcode::Const, p.integer(1))
             .b(Opcode::MakeMap, 1)
             .op(Opcode::Return);
       },
       refused},
      {"record literal", Value(),
       [&](Prog& p) {
         return start()
             .c(Opcode::Const, p.text("__type"))
             .c(Opcode::Const, p.text("Node"))
             .c(Opcode::Const, p.text("next"))
             .c(Opcode::Const, p.integer(1))
             .b(Opcode::MakeObject, 2)
             .op(Opcode::Return);
       },
       refused},
      {"closure with a capture", Value(),
       [&](Prog& p) {
         const uint16_t g = p.add(Fn("g", 0, 0).capture(0).op(Opcode::Nothing).op(Opcode::Return));
         return start().b(Opcode::Closure, g).op(Opcode::Return);
       },
       refused},
      {"a series node in an operator", Value::series(Series::source(SeriesKind::Close)),
       [&](Prog& p) {
         return start()
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(1))
             .op(Opcode::Add)
             .op(Opcode::Return);
       },
       refused},
  };
  testing::ScriptHost host;
  host.bar_data.close = {1, 2, 3};
  builtins::StandardBuiltins builtins;
  for (const Row& row : rows) {
    Prog p;
    const uint16_t f = p.add(row.build(p));
    Vm vm(p.image(), builtins);
    const std::string before = display(row.receiver);
    const Value args[] = {row.receiver};
    heap::LimitOverride guard(heap::live());
    EXPECT_EQ(testing::outcome(vm.run(f, args, host)), row.want) << row.behaviour;
    EXPECT_EQ(display(row.receiver), row.after.empty() ? before : row.after) << row.behaviour;
  }
}

TEST(HeapLimit, ARefusedGrowthIsCaughtByTry) {
  using bytecode::Opcode;
  testing::Prog p;
  // f(a): try { a[1000] = 5 } catch e { return e }
  testing::Fn f("f", 1, 2);
  f.line(7);
  const size_t h = f.jump(Opcode::TryBegin);
  f.b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(1000))
      .c(Opcode::Const, p.integer(5))
      .op(Opcode::SetIndex)
      .op(Opcode::Pop)
      .op(Opcode::TryEnd);
  const size_t e = f.jump(Opcode::Jump);
  f.patch(h).b(Opcode::SetLocal, 1).op(Opcode::Pop);
  f.patch(e).b(Opcode::GetLocal, 1).op(Opcode::Return);
  const uint16_t fi = p.add(std::move(f));
  testing::ScriptHost host;
  builtins::StandardBuiltins builtins;
  Vm vm(p.image(), builtins);
  const Value args[] = {A({I(1)})};
  heap::LimitOverride guard(heap::live() + 200);  // room for the error record only
  EXPECT_EQ(testing::outcome(vm.run(fi, args, host)),
            std::string("record:Error(code: 7, line: 7, message: ") + kRefused + ")");
  EXPECT_EQ(display(args[0]), "[1]");
}

TEST(HeapLimit, TheStoreAndTheTradeListRefuseGrowth) {
  backtest::ReplayHost h(testing::TestHost::bars_from_close({1.1, 1.2, 1.3}), {}, 10000.0, 0.0001);
  auto call = [&](std::string_view name, std::vector<Value> args) {
    const Result<Value> r = h.call(name, args);
    return r.ok() ? testing::outcome(r) : "error:" + r.error().message;
  };
  const std::string refused = std::string("error:") + kRefused;
  ASSERT_EQ(call("store.set", {T("kept"), I(1)}), "none:none");
  ASSERT_TRUE(h.call("trade.buy", std::vector<Value>{Value::number(0.1)}).ok());
  const Value position = h.call("positions.newest", std::vector<Value>{}).value();
  ASSERT_TRUE(position.is(Tag::Record));
  const int64_t held = heap::live();
  {
    heap::LimitOverride guard(heap::live());
    struct Row {
      const char* behaviour;
      const char* name;
      std::vector<Value> args;
      std::string want;
    };
    const std::vector<Row> rows = {
        {"a fresh store key", "store.set", {T("fresh"), I(2)}, refused},
        {"a key already stored", "store.set", {T("kept"), I(3)}, "none:none"},
        {"the refused key is not there", "store.has", {T("fresh")}, "bool:false"},
        {"the kept key has its new value", "store.get", {T("kept")}, "int:3"},
        {"closing into a full trade list", "trade.close", {position}, refused},
        {"closing everything", "trade.closeAll", {}, refused},
        {"opening into a full position list", "trade.buy", {Value::number(0.1)}, refused},
        {"a journal line", "log.info", {T("note")}, refused},
        {"an alert", "alert", {T("note")}, refused},
    };
    for (const Row& row : rows) EXPECT_EQ(call(row.name, row.args), row.want) << row.behaviour;
    EXPECT_EQ(h.account().positions().size(), 1u);
    EXPECT_EQ(h.account().trades().size(), 0u);
    EXPECT_EQ(h.journal().size(), 0u);
  }
  EXPECT_EQ(heap::live(), held);
  EXPECT_EQ(call("trade.closeAll", {}), "int:1");
  EXPECT_EQ(h.account().trades().size(), 1u);
  EXPECT_GT(heap::live(), held);
  const int64_t with_trade = heap::live();
  EXPECT_EQ(call("store.delete", {T("kept")}), "bool:true");
  EXPECT_EQ(with_trade - heap::live(), static_cast<int64_t>(kFieldBytes));
}

}  // namespace
}  // namespace kelo_vm
