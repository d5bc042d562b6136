#include "builtins/higher_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/standard_builtins.h"
#include "series/series_test_host.h"
#include "stdlib/hosts.h"
#include "vm/interpreter_test_support.h"

namespace kelo_vm::builtins {
namespace {

using bytecode::Opcode;
using testing::Fn;
using testing::Prog;

uint16_t host_id(std::string_view name) {
  const auto* fn = kelo_std::hosts::table().get(name);
  EXPECT_NE(fn, nullptr) << name;
  return fn ? fn->id : 0;
}

Value I(int64_t x) {
  return Value::integer(x);
}
Value A(std::vector<Value> items) {
  return Value::array(std::move(items));
}

// Callbacks as bytecode; global 0 counts the calls of `counted`.
struct Program {
  Prog p;
  uint16_t calls = p.global("calls");
  uint16_t identity, twice, negate, add, constant, zero_text_none, push_back, counted, is_two;

  Program() {
    Fn id("identity", 1, 1);
    id.b(Opcode::GetLocal, 0).op(Opcode::Return);
    identity = p.add(std::move(id));
    Fn t("twice", 1, 1);
    t.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(2)).op(Opcode::Mul).op(Opcode::Return);
    twice = p.add(std::move(t));
    Fn n("negate", 1, 1);
    n.b(Opcode::GetLocal, 0).op(Opcode::Negate).op(Opcode::Return);
    negate = p.add(std::move(n));
    Fn s("add", 2, 2);
    s.line(3).b(Opcode::GetLocal, 0).b(Opcode::GetLocal, 1).op(Opcode::Add).op(Opcode::Return);
    add = p.add(std::move(s));
    Fn c("constant", 1, 1);
    c.c(Opcode::Const, p.integer(7)).op(Opcode::Return);
    constant = p.add(std::move(c));
    // x == 1 gives 0, x == 2 an empty text, anything else none.
    Fn z("falsy", 1, 1);
    z.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(1)).op(Opcode::Equal);
    size_t not_one = z.jump(Opcode::JumpIfFalse);
    z.c(Opcode::Const, p.integer(0)).op(Opcode::Return);
    z.patch(not_one).b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(2)).op(Opcode::Equal);
    size_t not_two = z.jump(Opcode::JumpIfFalse);
    z.c(Opcode::Const, p.text("")).op(Opcode::Return);
    z.patch(not_two).op(Opcode::ReturnNothing);
    zero_text_none = p.add(std::move(z));
    // Pushes 99 onto global 1 (the receiver) and returns its argument.
    p.global("receiver");
    Fn pb("push", 1, 1);
    pb.b(Opcode::GetGlobal, 1).c(Opcode::Const, p.integer(99)).host(host_id("array#push"), 2);
    pb.op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
    push_back = p.add(std::move(pb));
    // calls += 1; if x == 3 { throw "bad " + x }; return x
    Fn k("counted", 1, 1);
    k.b(Opcode::GetGlobal, calls).c(Opcode::Const, p.integer(1)).op(Opcode::Add);
    k.b(Opcode::SetGlobal, calls).op(Opcode::Pop);
    k.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(3)).op(Opcode::Equal);
    size_t fine = k.jump(Opcode::JumpIfFalse);
    k.line(9)
        .c(Opcode::Const, p.text("bad "))
        .b(Opcode::GetLocal, 0)
        .op(Opcode::Add)
        .op(Opcode::Throw);
    k.patch(fine).b(Opcode::GetLocal, 0).op(Opcode::Return);
    counted = p.add(std::move(k));
    Fn two("isTwo", 1, 1);
    two.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(2)).op(Opcode::Equal).op(Opcode::Return);
    is_two = p.add(std::move(two));
  }
};

struct Fixture {
  Program prog;
  testing::TestHost host;
  StandardBuiltins builtins;
  Vm vm{prog.p.image(), builtins};

  Fixture() { vm.globals()[prog.calls] = Value::integer(0); }

  Value fn(uint16_t index) {
    return Value::closure(make_ref<Closure>(index, std::vector<Value>{}));
  }

  std::string run(HigherOrder m, const Value& array, std::vector<Value> args) {
    return testing::outcome(higher_order(m, array, args, vm, host));
  }
  int64_t calls() {
    return vm.globals()[prog.calls].is(Tag::Int) ? vm.globals()[prog.calls].int_value() : 0;
  }
};

TEST(HigherOrder, Results) {
  Fixture f;
  const Value one_two_three = A({I(1), I(2), I(3)});
  struct Row {
    const char* behaviour;
    HigherOrder method;
    Value array;
    std::vector<Value> args;
    const char* want;
  };
  const std::vector<Row> rows = {
      {"map doubles", HigherOrder::Map, one_two_three, {f.fn(f.prog.twice)}, "array:[2, 4, 6]"},
      {"map of nothing", HigherOrder::Map, A({}), {}, "array:[]"},
      {"map with a built-in",
       HigherOrder::Map,
       A({I(-1), I(2)}),
       {Value::host_function(host_id("abs"))},
       "array:[1, 2]"},
      {"filter drops 0, empty text and none",
       HigherOrder::Filter,
       one_two_three,
       {f.fn(f.prog.zero_text_none)},
       "array:[]"},
      {"filter keeps", HigherOrder::Filter, one_two_three, {f.fn(f.prog.is_two)}, "array:[2]"},
      {"reduce adds", HigherOrder::Reduce, one_two_three, {f.fn(f.prog.add), I(0)}, "int:6"},
      {"reduce of nothing gives init",
       HigherOrder::Reduce,
       A({}),
       {f.fn(f.prog.add), I(5)},
       "int:5"},
      {"reduce without init",
       HigherOrder::Reduce,
       one_two_three,
       {f.fn(f.prog.add)},
       "error:Cannot combine none and int@3"},
      {"find without a match",
       HigherOrder::Find,
       A({I(1), I(3)}),
       {f.fn(f.prog.is_two)},
       "none:none"},
      {"find", HigherOrder::Find, one_two_three, {f.fn(f.prog.is_two)}, "int:2"},
      {"any of nothing", HigherOrder::Any, A({}), {f.fn(f.prog.is_two)}, "bool:false"},
      {"any", HigherOrder::Any, one_two_three, {f.fn(f.prog.is_two)}, "bool:true"},
      {"all of nothing", HigherOrder::All, A({}), {f.fn(f.prog.is_two)}, "bool:true"},
      {"all", HigherOrder::All, one_two_three, {f.fn(f.prog.is_two)}, "bool:false"},
      {"sortBy a negated key",
       HigherOrder::SortBy,
       A({I(1), I(3), I(2)}),
       {f.fn(f.prog.negate)},
       "array:[3, 2, 1]"},
      {"sortBy a constant key keeps the order",
       HigherOrder::SortBy,
       A({I(3), I(1), I(2)}),
       {f.fn(f.prog.constant)},
       "array:[3, 1, 2]"},
      {"sortBy text keys compare equal",
       HigherOrder::SortBy,
       A({Value::text("b"), Value::text("a")}),
       {f.fn(f.prog.identity)},
       "array:[b, a]"},
      {"not an array", HigherOrder::Map, I(3), {f.fn(f.prog.twice)}, "none:none"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(f.run(row.method, row.array, row.args), row.want) << row.behaviour;
  EXPECT_EQ(display(one_two_three), "[1, 2, 3]");
  const Result<Value> missing = higher_order(HigherOrder::Map, one_two_three, {}, f.vm, f.host);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message, "none is not something you can call");
  EXPECT_EQ(higher_order_method("sortBy"), HigherOrder::SortBy);
  EXPECT_FALSE(higher_order_method("each").has_value());
}

TEST(HigherOrder, CallbacksSeeTheElementsAsTheyWere) {
  Fixture f;
  const Value receiver = A({I(1), I(2)});
  f.vm.globals()[1] = receiver;
  EXPECT_EQ(f.run(HigherOrder::Map, receiver, {f.fn(f.prog.push_back)}), "array:[1, 2]");
  EXPECT_EQ(display(receiver), "[1, 2, 99, 99]");
}

TEST(HigherOrder, AnErrorStopsTheRun) {
  Fixture f;
  EXPECT_EQ(f.run(HigherOrder::Map, A({I(1), I(2), I(3), I(4)}), {f.fn(f.prog.counted)}),
            "error:bad 3@9");
  EXPECT_EQ(f.calls(), 3);  // two succeeded, the third failed, the fourth never ran
  // any stops at the first true element, before the one that would fail.
  EXPECT_EQ(f.run(HigherOrder::Any, A({I(2), I(3)}), {f.fn(f.prog.is_two)}), "bool:true");
}

TEST(HigherOrder, ACallersTryCatchesTheCallbacksError) {
  Fixture f;
  Prog& p = f.prog.p;
  Fn m("main", 0, 1);
  size_t h = m.jump(Opcode::TryBegin);
  m.line(20);
  for (int i = 1; i <= 4; ++i) m.c(Opcode::Const, p.integer(i));
  m.b(Opcode::MakeArray, 4).b(Opcode::Closure, f.prog.counted).host(host_id("array#map"), 2);
  m.op(Opcode::Pop).op(Opcode::TryEnd);
  size_t e = m.jump(Opcode::Jump);
  m.patch(h).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.patch(e)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.text("after"))
      .b(Opcode::MakeArray, 2)
      .op(Opcode::Return);
  const uint16_t main = p.add(std::move(m));
  Vm vm(p.image(), f.builtins);
  vm.globals()[f.prog.calls] = Value::integer(0);
  EXPECT_EQ(testing::outcome(vm.run(main, {}, f.host)),
            "array:[Error(code: 9, line: 9, message: bad 3), after]");
  EXPECT_EQ(vm.globals()[f.prog.calls].int_value(), 3);
}

}  // namespace
}  // namespace kelo_vm::builtins
