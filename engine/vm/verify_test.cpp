// The verifier takes each opcode's stack effect from the opcode list: counts that grow
// with an operand, and the stack each way an instruction goes on (a loop's exit without
// its item, a try's handler with the error record).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "vm/interpreter_test_support.h"

namespace kelo_vm::testing {
namespace {

std::string underflow_at(int at) {
  return "error:The program is damaged: stack underflow in function 0 at " + std::to_string(at) +
         "@0";
}

// A loop over [1, 2] the way the compiler lays one out; `exit` adds what follows its
// closing Pop.
Fn loop_over_pair(Prog& p, uint8_t names, const std::function<void(Fn&)>& exit) {
  Fn f("f", 0, 0);
  f.c(Opcode::Const, p.integer(1)).c(Opcode::Const, p.integer(2)).b(Opcode::MakeArray, 2);
  f.a(Opcode::IterInit, names);
  const size_t head = f.here();
  const size_t end = f.jump(Opcode::IterNext);
  for (uint8_t i = 0; i < names; ++i) f.op(Opcode::Pop);
  f.back(Opcode::Jump, head).patch(end).op(Opcode::Pop);
  exit(f);
  return f;
}

TEST(Verifier, ReadsEachOpcodesStackEffectFromTheList) {
  using Build = std::function<Fn(Prog&)>;
  struct Row {
    const char* behaviour;
    Build build;
    std::string expected;
  };
  const Row rows[] = {
      {"a call pops its arguments and the callee",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::True).a(Opcode::Call, 2).op(Opcode::Return);
         return f;
       },
       underflow_at(2)},
      {"a host call pops its arguments only",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::True).host(0, 3).op(Opcode::Return);
         return f;
       },
       underflow_at(2)},
      {"a map literal pops two values per entry",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("k")).op(Opcode::True).c(Opcode::Const, p.text("j"));
         f.b(Opcode::MakeMap, 2).op(Opcode::Return);
         return f;
       },
       underflow_at(3)},
      {"a map literal with every pair runs",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("k")).op(Opcode::True);
         f.c(Opcode::Const, p.text("j")).op(Opcode::False);
         f.b(Opcode::MakeMap, 2).op(Opcode::Return);
         return f;
       },
       "map:[j: false, k: true]"},
      {"a copy needs a value to copy",
       [](Prog&) {
         Fn f;
         f.op(Opcode::Dup).op(Opcode::Return);
         return f;
       },
       underflow_at(0)},
      {"a peeking jump keeps the top either way",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True);
         const size_t t = f.jump(Opcode::JumpIfTruePeek);
         f.op(Opcode::Return).patch(t).op(Opcode::Return);
         return f;
       },
       "bool:true"},
      {"a try's handler starts with the error record",
       [](Prog&) {
         Fn f;
         const size_t h = f.jump(Opcode::TryBegin);
         f.op(Opcode::TryEnd).op(Opcode::ReturnNothing).patch(h).op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"a loop binding one name leaves without its item",
       [](Prog& p) { return loop_over_pair(p, 1, [](Fn& f) { f.op(Opcode::ReturnNothing); }); },
       "none:none"},
      {"a loop's exit does not carry an item to pop",
       [](Prog& p) {
         return loop_over_pair(p, 1, [](Fn& f) { f.op(Opcode::Pop).op(Opcode::ReturnNothing); });
       },
       underflow_at(8)},
      {"a loop binding two names pushes two per step",
       [](Prog& p) { return loop_over_pair(p, 2, [](Fn& f) { f.op(Opcode::ReturnNothing); }); },
       "none:none"},
  };
  for (const Row& row : rows) {
    Prog p;
    const uint16_t f = p.add(row.build(p));
    ScriptHost host;
    TableBuiltins builtins;
    builtins.names = {"host.count"};
    Vm vm(p.image(), builtins);
    EXPECT_EQ(outcome(vm.run(f, {}, host)), row.expected) << row.behaviour;
  }
}

}  // namespace
}  // namespace kelo_vm::testing
