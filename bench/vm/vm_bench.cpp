// Interpreter speed on hand-assembled programs. Counters: instructions per second
// ("ops") and the program's own unit of work ("items").
#include <benchmark/benchmark.h>

#include "vm/interpreter.h"
#include "vm/interpreter_test_support.h"

namespace kelo_vm::testing {
namespace {

VmOptions unlimited() {
  VmOptions o;
  o.budget = ~uint64_t{0};
  return o;
}

void report(benchmark::State& state, uint64_t ops, int64_t items) {
  state.counters["ops"] = benchmark::Counter(static_cast<double>(ops), benchmark::Counter::kIsRate);
  state.SetItemsProcessed(items);
}

// let s = 0; let i = 0; while i < n { s = s + i * 2; i = i + 1 }; return s
void ArithmeticLoop(benchmark::State& state) {
  const int64_t n = state.range(0);
  Prog p;
  Fn f("main", 0, 2);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 1).op(Opcode::Pop);
  size_t top = f.here();
  f.b(Opcode::GetLocal, 1).c(Opcode::Const, p.integer(n)).op(Opcode::Less);
  size_t exit = f.jump(Opcode::JumpIfFalse);
  f.b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 1)
      .c(Opcode::Const, p.integer(2))
      .op(Opcode::Mul)
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 0)
      .op(Opcode::Pop);
  f.b(Opcode::GetLocal, 1)
      .c(Opcode::Const, p.integer(1))
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 1)
      .op(Opcode::Pop);
  f.back(Opcode::Jump, top);
  f.patch(exit).b(Opcode::GetLocal, 0).op(Opcode::Return);
  uint16_t fi = p.add(std::move(f));
  TableBuiltins builtins;
  ScriptHost host;
  Vm vm(p.image(), builtins, unlimited());
  uint64_t ops = 0;
  for (auto _ : state) {
    auto r = vm.run(fi, {}, host);
    benchmark::DoNotOptimize(r);
    ops += vm.steps();
  }
  report(state, ops, state.iterations() * n);
}
BENCHMARK(ArithmeticLoop)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

// fib(n) = n < 2 ? n : fib(n - 1) + fib(n - 2), through a global closure.
void RecursiveCalls(benchmark::State& state) {
  const int64_t n = state.range(0);
  Prog p;
  uint16_t g = p.global("fib");
  Fn fib("fib", 1, 1);
  fib.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(2)).op(Opcode::Less);
  size_t rec = fib.jump(Opcode::JumpIfFalse);
  fib.b(Opcode::GetLocal, 0).op(Opcode::Return);
  fib.patch(rec);
  fib.b(Opcode::GetGlobal, g)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(1))
      .op(Opcode::Sub)
      .a(Opcode::Call, 1);
  fib.b(Opcode::GetGlobal, g)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(2))
      .op(Opcode::Sub)
      .a(Opcode::Call, 1);
  fib.op(Opcode::Add).op(Opcode::Return);
  uint16_t fi = p.add(std::move(fib));
  Fn m("main");
  m.b(Opcode::Closure, fi).b(Opcode::SetGlobal, g).op(Opcode::Pop);
  m.b(Opcode::GetGlobal, g).c(Opcode::Const, p.integer(n)).a(Opcode::Call, 1).op(Opcode::Return);
  uint16_t mi = p.add(std::move(m));
  TableBuiltins builtins;
  ScriptHost host;
  Vm vm(p.image(), builtins, unlimited());
  uint64_t ops = 0;
  int64_t calls = 0;
  for (auto _ : state) {
    auto r = vm.run(mi, {}, host);
    benchmark::DoNotOptimize(r);
    ops += vm.steps();
    calls += 1664079;  // calls made by fib(30)
  }
  report(state, ops, n == 30 ? calls : 0);
}
BENCHMARK(RecursiveCalls)->Arg(30)->Unit(benchmark::kMillisecond);

// for i in 0..n { let f = (x) => x + i; s = s + f(1) }: a capturing closure per item.
void ClosureCreation(benchmark::State& state) {
  const int64_t n = state.range(0);
  Prog p;
  Fn add("add", 1, 1);
  add.b(Opcode::GetLocal, 0).b(Opcode::GetUpvalue, 0).op(Opcode::Add).op(Opcode::Return);
  add.capture(1);
  uint16_t ai = p.add(std::move(add));
  Fn m("main", 0, 3);
  m.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.c(Opcode::Const, p.integer(0))
      .c(Opcode::Const, p.integer(n))
      .a(Opcode::MakeRange, 0)
      .a(Opcode::IterInit, 1);
  size_t top = m.here();
  size_t exit = m.jump(Opcode::IterNext);
  m.b(Opcode::SetLocal, 1).op(Opcode::Pop);
  m.b(Opcode::Closure, ai).b(Opcode::SetLocal, 2).op(Opcode::Pop);
  m.b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 2)
      .c(Opcode::Const, p.integer(1))
      .a(Opcode::Call, 1)
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 0)
      .op(Opcode::Pop);
  m.back(Opcode::Jump, top);
  m.patch(exit).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
  uint16_t mi = p.add(std::move(m));
  TableBuiltins builtins;
  ScriptHost host;
  Vm vm(p.image(), builtins, unlimited());
  uint64_t ops = 0;
  for (auto _ : state) {
    auto r = vm.run(mi, {}, host);
    benchmark::DoNotOptimize(r);
    ops += vm.steps();
  }
  report(state, ops, state.iterations() * n);
}
BENCHMARK(ClosureCreation)->Arg(5'000'000)->Unit(benchmark::kMillisecond);

// for x in xs { s = s + x } over an array of n numbers.
void ArrayPass(benchmark::State& state) {
  const int64_t n = state.range(0);
  Prog p;
  uint16_t g = p.global("xs");
  Fn m("main", 0, 2);
  m.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.b(Opcode::GetGlobal, g).a(Opcode::IterInit, 1);
  size_t top = m.here();
  size_t exit = m.jump(Opcode::IterNext);
  m.b(Opcode::SetLocal, 1).op(Opcode::Pop);
  m.b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 1)
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 0)
      .op(Opcode::Pop);
  m.back(Opcode::Jump, top);
  m.patch(exit).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
  uint16_t mi = p.add(std::move(m));
  TableBuiltins builtins;
  ScriptHost host;
  Vm vm(p.image(), builtins, unlimited());
  std::vector<Value> xs;
  for (int64_t i = 0; i < n; ++i) xs.push_back(Value::number(static_cast<double>(i)));
  vm.globals()[g] = Value::array(std::move(xs));
  uint64_t ops = 0;
  for (auto _ : state) {
    auto r = vm.run(mi, {}, host);
    benchmark::DoNotOptimize(r);
    ops += vm.steps();
  }
  report(state, ops, state.iterations() * n);
}
BENCHMARK(ArrayPass)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// m[text(i % 1000)] = i; s = s + m[text(i % 1000)]: map set and get with text keys.
void MapSetGet(benchmark::State& state) {
  const int64_t n = state.range(0);
  Prog p;
  Fn m("main", 0, 4);
  m.b(Opcode::MakeMap, 0).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 3).op(Opcode::Pop);
  m.c(Opcode::Const, p.integer(0))
      .c(Opcode::Const, p.integer(n))
      .a(Opcode::MakeRange, 0)
      .a(Opcode::IterInit, 1);
  size_t top = m.here();
  size_t exit = m.jump(Opcode::IterNext);
  m.b(Opcode::SetLocal, 1).op(Opcode::Pop);
  m.c(Opcode::Const, p.text("k"))
      .b(Opcode::GetLocal, 1)
      .c(Opcode::Const, p.integer(1000))
      .op(Opcode::Rem)
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 2)
      .op(Opcode::Pop);
  m.b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 2)
      .b(Opcode::GetLocal, 1)
      .op(Opcode::SetIndex)
      .op(Opcode::Pop);
  m.b(Opcode::GetLocal, 3)
      .b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 2)
      .op(Opcode::Index)
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 3)
      .op(Opcode::Pop);
  m.back(Opcode::Jump, top);
  m.patch(exit).op(Opcode::Pop).b(Opcode::GetLocal, 3).op(Opcode::Return);
  uint16_t mi = p.add(std::move(m));
  TableBuiltins builtins;
  ScriptHost host;
  Vm vm(p.image(), builtins, unlimited());
  uint64_t ops = 0;
  for (auto _ : state) {
    auto r = vm.run(mi, {}, host);
    benchmark::DoNotOptimize(r);
    ops += vm.steps();
  }
  report(state, ops, state.iterations() * n);
}
BENCHMARK(MapSetGet)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelo_vm::testing
