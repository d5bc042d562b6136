#include "vm/interpreter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "vm/interpreter_test_support.h"
#include "vm/operators.h"

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Counts heap allocations, to pin that a lazily iterated range allocates nothing.
static std::atomic<size_t> g_allocations{0};
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace kelo_vm::testing {
namespace {

enum HostId : uint16_t { kClose, kEach, kHostThing, kFail, kCount, kHostFail };

int g_each_calls = 0;

Result<Value> each(BuiltinCall& call) {
  if (call.args.size() < 2 || !call.args[0].is(Tag::Array)) return Value();
  const std::vector<Value> items = call.args[0].array_obj().items;
  std::vector<Value> out;
  for (const Value& item : items) {
    ++g_each_calls;
    Result<Value> r = call.vm.call_value(call.args[1], std::span<const Value>(&item, 1), call.host);
    if (!r.ok()) return r;
    out.push_back(std::move(r).value());
  }
  return Value::array(std::move(out));
}

class TestBuiltins : public TableBuiltins {
 public:
  mutable int resolves = 0;
  TestBuiltins() {
    names = {"close", "each", "host.thing", "fail", "count", "host.fail"};
    handlers["close"] = [](BuiltinCall&) -> Result<Value> {
      return Value::series(Series::source(SeriesKind::Close));
    };
    handlers["each"] = each;
    handlers["fail"] = [](BuiltinCall&) -> Result<Value> { return RuntimeError::here("boom"); };
    handlers["count"] = [](BuiltinCall& c) -> Result<Value> {
      return Value::integer(static_cast<int64_t>(c.args.size()));
    };
    evaluate = [](const Series& s, host::Host& h) -> SeriesColumn {
      if (s.form == SeriesForm::Source)
        return std::make_shared<const std::vector<double>>(h.bars().close);
      if (s.form == SeriesForm::Unary && s.op == SeriesOp::Not) {
        std::vector<double> out;
        for (double v : h.bars().close) out.push_back(v == 0 || std::isnan(v) ? 1.0 : 0.0);
        return std::make_shared<const std::vector<double>>(std::move(out));
      }
      return std::make_shared<const std::vector<double>>(h.bars().size(), s.constant);
    };
  }
  BuiltinFn resolve(std::string_view name) const override {
    ++resolves;
    return TableBuiltins::resolve(name);
  }
};

struct Harness {
  TestBuiltins builtins;
  ScriptHost host;
  Harness() { host.bar_data.close = {10, 0, 12}; }
  Result<Value> main(Prog& p, Fn fn, VmOptions opts = {}) {
    uint16_t f = p.add(std::move(fn));
    Vm vm(p.image(), builtins, opts);
    return vm.run(f, {}, host);
  }
  // Runs function `fi` under every budget from 1 to one past `total`: below `total` the
  // run must stop with the budget error one step past its budget; from `total` on it
  // must finish with `expected` in exactly `total` steps.
  void expect_exact_budget(Prog& p, uint16_t fi, uint64_t total, const std::string& expected) {
    for (uint64_t budget = 1; budget <= total + 1; ++budget) {
      VmOptions o;
      o.budget = budget;
      Vm vm(p.image(), builtins, o);
      auto r = vm.run(fi, {}, host);
      if (budget >= total) {
        EXPECT_EQ(outcome(r), expected) << budget;
        EXPECT_EQ(vm.steps(), total) << budget;
      } else {
        EXPECT_EQ(outcome(r), "error:This event used more steps than it is allowed@0") << budget;
        EXPECT_EQ(vm.steps(), budget + 1) << budget;
      }
    }
  }
};

using Build = std::function<Fn(Prog&)>;

TEST(Interpreter, Expressions) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    Build build;
    const char* expected;
  } rows[] = {
      {"int division",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(7))
             .c(Opcode::Const, p.integer(2))
             .op(Opcode::Div)
             .op(Opcode::Return);
         return f;
       },
       "int:3"},
      {"saturating add",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(INT64_MAX))
             .c(Opcode::Const, p.integer(1))
             .op(Opcode::Add)
             .op(Opcode::Return);
         return f;
       },
       "int:9223372036854775807"},
      {"mixed multiply",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(3))
             .c(Opcode::Const, p.number(0.5))
             .op(Opcode::Mul)
             .op(Opcode::Return);
         return f;
       },
       "num:1.5"},
      {"remainder by zero is none",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(3))
             .c(Opcode::Const, p.integer(0))
             .op(Opcode::Rem)
             .op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"text join",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("n="))
             .c(Opcode::Const, p.number(1.5))
             .op(Opcode::Add)
             .op(Opcode::Return);
         return f;
       },
       "text:n=1.5"},
      {"comparison of texts fails at its line",
       [](Prog& p) {
         Fn f;
         f.line(4)
             .c(Opcode::Const, p.text("a"))
             .line(5)
             .c(Opcode::Const, p.text("b"))
             .op(Opcode::Less)
             .op(Opcode::Return);
         return f;
       },
       "error:Cannot combine text and text@5"},
      {"comparison before a conditional jump fails at its line",
       [](Prog& p) {
         Fn f;
         f.line(4)
             .c(Opcode::Const, p.text("a"))
             .c(Opcode::Const, p.integer(1))
             .line(6)
             .op(Opcode::Less);
         size_t j = f.jump(Opcode::JumpIfFalse);
         f.op(Opcode::True).op(Opcode::Return);
         f.patch(j).op(Opcode::False).op(Opcode::Return);
         return f;
       },
       "error:Cannot combine text and int@6"},
      {"less of times before a conditional jump",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.k(Constant::time(1))).c(Opcode::Const, p.integer(2)).op(Opcode::Less);
         size_t j = f.jump(Opcode::JumpIfFalse);
         f.op(Opcode::True).op(Opcode::Return);
         f.patch(j).op(Opcode::False).op(Opcode::Return);
         return f;
       },
       "bool:true"},
      {"NaN is not less before a conditional jump",
       [nan](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.number(nan)).c(Opcode::Const, p.integer(2)).op(Opcode::Less);
         size_t j = f.jump(Opcode::JumpIfFalse);
         f.op(Opcode::True).op(Opcode::Return);
         f.patch(j).op(Opcode::False).op(Opcode::Return);
         return f;
       },
       "bool:false"},
      {"adding to a text local takes the general rules",
       [](Prog& p) {
         Fn f("m", 0, 1);
         f.c(Opcode::Const, p.text("a")).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.text("b"))
             .op(Opcode::Add)
             .b(Opcode::SetLocal, 0)
             .op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0).op(Opcode::Return);
         return f;
       },
       "text:ab"},
      {"adding a num to an int local",
       [](Prog& p) {
         Fn f("m", 0, 1);
         f.c(Opcode::Const, p.integer(INT64_MAX)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(1))
             .op(Opcode::Add)
             .b(Opcode::SetLocal, 0)
             .op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.number(0.5))
             .op(Opcode::Add)
             .b(Opcode::SetLocal, 0)
             .op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0).op(Opcode::Return);
         return f;
       },
       "num:9223372036854776000"},  // 2^63, by its shortest digits
      {"negate smallest int",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(INT64_MIN)).op(Opcode::Negate).op(Opcode::Return);
         return f;
       },
       "int:-9223372036854775808"},
      {"not of nothing",
       [](Prog&) {
         Fn f;
         f.op(Opcode::Nothing).op(Opcode::Not).op(Opcode::Return);
         return f;
       },
       "bool:true"},
      {"coalesce NaN",
       [nan](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.number(nan))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::Coalesce)
             .op(Opcode::Return);
         return f;
       },
       "int:5"},
      {"coalesce zero keeps zero",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(0))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::Coalesce)
             .op(Opcode::Return);
         return f;
       },
       "int:0"},
      {"coalesce false keeps false",
       [](Prog& p) {
         Fn f;
         f.op(Opcode::False).c(Opcode::Const, p.integer(5)).op(Opcode::Coalesce).op(Opcode::Return);
         return f;
       },
       "bool:false"},
      {"array index -1 is none",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.integer(2))
             .b(Opcode::MakeArray, 2)
             .c(Opcode::Const, p.integer(-1))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"array index by num",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.integer(2))
             .b(Opcode::MakeArray, 2)
             .c(Opcode::Const, p.number(1.9))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "int:2"},
      {"text index -1 counts as 0",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("abc"))
             .c(Opcode::Const, p.integer(-1))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "text:a"},
      {"text index past the end",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("abc"))
             .c(Opcode::Const, p.integer(5))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"text index counts characters",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("ßé€"))
             .c(Opcode::Const, p.integer(2))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "text:€"},
      {"map index by display of key",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("1"))
             .c(Opcode::Const, p.text("one"))
             .b(Opcode::MakeMap, 1)
             .c(Opcode::Const, p.integer(1))
             .op(Opcode::Index)
             .op(Opcode::Return);
         return f;
       },
       "text:one"},
      {"map len reads the key",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("a"))
             .c(Opcode::Const, p.integer(1))
             .b(Opcode::MakeMap, 1)
             .c(Opcode::GetMember, p.name("len"))
             .op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"array len",
       [](Prog& p) {
         Fn f;
         f.op(Opcode::True)
             .op(Opcode::True)
             .b(Opcode::MakeArray, 2)
             .c(Opcode::GetMember, p.name("len"))
             .op(Opcode::Return);
         return f;
       },
       "int:2"},
      {"text len in characters",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("aß")).c(Opcode::GetMember, p.name("len")).op(Opcode::Return);
         return f;
       },
       "int:2"},
      {"later map key replaces",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("k"))
             .c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.text("k"))
             .c(Opcode::Const, p.integer(2))
             .b(Opcode::MakeMap, 2)
             .op(Opcode::Return);
         return f;
       },
       "map:[k: 2]"},
      {"object without type is a map",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.name("x"))
             .c(Opcode::Const, p.integer(1))
             .b(Opcode::MakeObject, 1)
             .op(Opcode::Return);
         return f;
       },
       "map:[x: 1]"},
      {"object with type is a record",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.name("__type"))
             .c(Opcode::Const, p.text("Point"))
             .c(Opcode::Const, p.name("x"))
             .c(Opcode::Const, p.integer(1))
             .b(Opcode::MakeObject, 2)
             .op(Opcode::Return);
         return f;
       },
       "record:Point(x: 1)"},
      {"later type wins",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.name("__type"))
             .c(Opcode::Const, p.text("A"))
             .c(Opcode::Const, p.name("__type"))
             .c(Opcode::Const, p.text("B"))
             .b(Opcode::MakeObject, 2)
             .op(Opcode::Return);
         return f;
       },
       "record:B()"},
      {"range",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.number(5.7))
             .a(Opcode::MakeRange, 1)
             .op(Opcode::Return);
         return f;
       },
       "range:1..=5"},
      {"range of non-numbers",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("a"))
             .op(Opcode::Nothing)
             .a(Opcode::MakeRange, 0)
             .op(Opcode::Return);
         return f;
       },
       "range:0..0"},
      {"enum case",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::EnumCase, p.name("Long")).op(Opcode::Return);
         return f;
       },
       "text:Long"},
      {"set index grows the array",
       [](Prog& p) {
         Fn f("m", 0, 1);
         f.b(Opcode::MakeArray, 0)
             .b(Opcode::SetLocal, 0)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(2))
             .op(Opcode::True)
             .op(Opcode::SetIndex)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .op(Opcode::Return);
         return f;
       },
       "array:[none, none, true]"},
      {"set index far past the cap stores nothing",
       [](Prog& p) {
         Fn f("m", 0, 1);
         f.b(Opcode::MakeArray, 0)
             .b(Opcode::SetLocal, 0)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(INT64_MAX))
             .op(Opcode::True)
             .op(Opcode::SetIndex)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .c(Opcode::Const, p.integer(-1))
             .op(Opcode::True)
             .op(Opcode::SetIndex)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 0)
             .op(Opcode::Return);
         return f;
       },
       "array:[]"},
      {"set member on a non-map stores nothing",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(1))
             .c(Opcode::Const, p.integer(2))
             .c(Opcode::SetMember, p.name("x"))
             .op(Opcode::Return);
         return f;
       },
       "int:2"},
      {"calling a num",
       [](Prog& p) {
         Fn f;
         f.line(3).c(Opcode::Const, p.number(1)).a(Opcode::Call, 0).op(Opcode::Return);
         return f;
       },
       "error:num is not something you can call@3"},
      {"unknown host id",
       [](Prog&) {
         Fn f;
         f.line(2).host(65535, 0).op(Opcode::Return);
         return f;
       },
       "error:Unknown call 65535@2"},
      {"an int is never a host id",
       [](Prog& p) {
         Fn f;
         f.line(4)
             .c(Opcode::Const, p.integer(kCount))
             .op(Opcode::True)
             .a(Opcode::Call, 1)
             .op(Opcode::Return);
         return f;
       },
       "error:int is not something you can call@4"},
      {"a host-function constant is called",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.k(Constant::host_function(kCount)))
             .op(Opcode::True)
             .a(Opcode::Call, 1)
             .op(Opcode::Return);
         return f;
       },
       "int:1"},
      {"built-in error takes the call's line",
       [](Prog&) {
         Fn f;
         f.line(9).host(kFail, 0).op(Opcode::Return);
         return f;
       },
       "error:boom@9"},
      {"host answers unknown names",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::True).host(kHostThing, 2).op(Opcode::Return);
         return f;
       },
       "int:2"},
      {"host error line 1 becomes 0",
       [](Prog&) {
         Fn f;
         f.line(6).host(kHostFail, 0).op(Opcode::Return);
         return f;
       },
       "error:host says no@0"},
      {"throw uses the value's text",
       [](Prog& p) {
         Fn f;
         f.line(8).c(Opcode::Const, p.number(2.5)).op(Opcode::Throw);
         return f;
       },
       "error:2.5@8"},
      {"running off the end gives none",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::Pop);
         return f;
       },
       "none:none"},
      {"halt gives none",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(1)).op(Opcode::Halt);
         return f;
       },
       "none:none"},
      {"line before the first entry is 0",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.text("x")).op(Opcode::Throw).line(5).op(Opcode::Halt);
         return f;
       },
       "error:x@0"},
      {"dup and peek jumps",
       [](Prog& p) {
         Fn f;
         f.c(Opcode::Const, p.integer(0));
         size_t j = f.jump(Opcode::JumpIfFalsePeek);
         f.op(Opcode::Pop).c(Opcode::Const, p.integer(9));
         f.patch(j);
         f.op(Opcode::Dup).op(Opcode::Add).op(Opcode::Return);
         return f;
       },
       "int:0"},
  };
  for (const Row& r : rows) {
    Harness run;
    Prog p;
    Fn fn = r.build(p);
    EXPECT_EQ(outcome(run.main(p, std::move(fn))), r.expected) << r.name;
  }
}

TEST(Interpreter, FastArithmeticFollowsTheOperatorRules) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<bytecode::Constant> operands = {
      Constant::integer(7),         Constant::integer(-7),        Constant::integer(0),
      Constant::integer(INT64_MAX), Constant::integer(INT64_MIN), Constant::number(2.5),
      Constant::number(-0.0),       Constant::number(nan),        Constant::number(1e300)};
  const Opcode ops[] = {Opcode::Add,     Opcode::Sub,          Opcode::Mul,   Opcode::Div,
                        Opcode::Rem,     Opcode::Pow,          Opcode::Less,  Opcode::LessEqual,
                        Opcode::Greater, Opcode::GreaterEqual, Opcode::Equal, Opcode::NotEqual};
  Harness run;
  for (Opcode op : ops)
    for (const auto& l : operands)
      for (const auto& r : operands) {
        Prog p;
        Fn f;
        f.c(Opcode::Const, p.k(l)).c(Opcode::Const, p.k(r)).op(op).op(Opcode::Return);
        Vm vm(p.image(), run.builtins);
        const std::string expected =
            outcome(builtins::binary(static_cast<uint8_t>(op), vm.constant(0), vm.constant(1)));
        EXPECT_EQ(outcome(run.main(p, std::move(f))), expected)
            << bytecode::opcode_name(op) << " " << l.debug() << " " << r.debug();
      }
}

TEST(Interpreter, WhileLoopAndLocals) {
  // let s = 0; let i = 0; while i < 100 { s = s + i * 2; i = i + 1 }; return s
  Harness run;
  Prog p;
  Fn f("main", 0, 2);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 1).op(Opcode::Pop);
  size_t top = f.here();
  f.b(Opcode::GetLocal, 1).c(Opcode::Const, p.integer(100)).op(Opcode::Less);
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
  f.patch(exit);
  f.b(Opcode::GetLocal, 0).op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(p, std::move(f))), "int:9900");
}

// f(a, b) with one further local: returns [a, b, local].
uint16_t add_three(Prog& p) {
  Fn f("three", 2, 3);
  f.b(Opcode::GetLocal, 0)
      .b(Opcode::GetLocal, 1)
      .b(Opcode::GetLocal, 2)
      .b(Opcode::MakeArray, 3)
      .op(Opcode::Return);
  return p.add(std::move(f));
}

TEST(Interpreter, CallsPadAndCutArguments) {
  struct Row {
    const char* name;
    int args;
    const char* expected;
  } rows[] = {
      {"fewer arguments pad with none", 1, "array:[1, none, none]"},
      {"exact arguments", 2, "array:[1, 2, none]"},
      {"more arguments are ignored", 3, "array:[1, 2, none]"},
  };
  for (const Row& r : rows) {
    Harness run;
    Prog p;
    uint16_t three = add_three(p);
    Fn m("main");
    m.b(Opcode::Closure, three);
    for (int i = 1; i <= r.args; ++i) m.c(Opcode::Const, p.integer(i));
    m.a(Opcode::Call, static_cast<uint8_t>(r.args)).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(m))), r.expected) << r.name;

    // The same through run() with arguments.
    Vm vm(p.image(), run.builtins);
    std::vector<Value> args;
    for (int i = 1; i <= r.args; ++i) args.push_back(Value::integer(i));
    EXPECT_EQ(outcome(vm.run(three, args, run.host)), r.expected) << r.name << " (run)";
  }
}

TEST(Interpreter, ClosuresCaptureByCopyAtCreation) {
  Harness run;
  Prog p;
  // inner(): returns its captured value 0 (taken from the outer closure's capture)
  Fn inner("inner");
  inner.b(Opcode::GetUpvalue, 0)
      .b(Opcode::GetUpvalue, 7)
      .b(Opcode::MakeArray, 2)
      .op(Opcode::Return);
  inner.capture(0, 0);
  uint16_t inner_i = p.add(std::move(inner));
  // outer(): makes inner from its own capture 0
  Fn outer("outer");
  outer.b(Opcode::Closure, inner_i).op(Opcode::Return);
  outer.capture(0, 1);
  uint16_t outer_i = p.add(std::move(outer));
  Fn m("main", 0, 1);
  m.c(Opcode::Const, p.integer(5)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.b(Opcode::Closure, outer_i);
  m.c(Opcode::Const, p.integer(6)).b(Opcode::SetLocal, 0).op(Opcode::Pop);  // after capture
  m.a(Opcode::Call, 0).a(Opcode::Call, 0).op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(p, std::move(m))), "array:[5, none]");
}

TEST(Interpreter, TryCatchAcrossFrames) {
  Harness run;
  Prog p;
  Fn thrower("thrower");
  thrower.line(7).c(Opcode::Const, p.integer(42)).op(Opcode::Throw);
  uint16_t t = p.add(std::move(thrower));
  Fn middle("middle", 0, 2);  // leaves temporaries and locals behind when the error passes
  middle.c(Opcode::Const, p.integer(1))
      .c(Opcode::Const, p.integer(2))
      .b(Opcode::Closure, t)
      .a(Opcode::Call, 0)
      .op(Opcode::Return);
  uint16_t mid = p.add(std::move(middle));
  Fn m("main", 0, 1);
  m.c(Opcode::Const, p.text("below"));  // must survive the unwind
  size_t h = m.jump(Opcode::TryBegin);
  m.c(Opcode::Const, p.text("temp"))
      .b(Opcode::Closure, mid)
      .a(Opcode::Call, 0)
      .op(Opcode::Pop)
      .op(Opcode::Pop);
  m.op(Opcode::TryEnd);
  size_t e = m.jump(Opcode::Jump);
  m.patch(h).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.patch(e).b(Opcode::GetLocal, 0).b(Opcode::MakeArray, 2).op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(p, std::move(m))),
            "array:[below, Error(code: 7, line: 7, message: 42)]");
}

TEST(Interpreter, CallbackErrorsStopTheBuiltinAndReachTheCallersTry) {
  Harness run;
  Prog p;
  // cb(x): if x == 2 { throw "bad " + x }; return x * 10
  Fn cb("cb", 1, 1);
  cb.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(2)).op(Opcode::Equal);
  size_t ok = cb.jump(Opcode::JumpIfFalse);
  cb.line(12)
      .c(Opcode::Const, p.text("bad "))
      .b(Opcode::GetLocal, 0)
      .op(Opcode::Add)
      .op(Opcode::Throw);
  cb.patch(ok)
      .line(13)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(10))
      .op(Opcode::Mul)
      .op(Opcode::Return);
  uint16_t cbi = p.add(std::move(cb));
  Fn m("main", 0, 1);
  size_t h = m.jump(Opcode::TryBegin);
  m.line(20);
  for (int i = 1; i <= 3; ++i) m.c(Opcode::Const, p.integer(i));
  m.b(Opcode::MakeArray, 3)
      .b(Opcode::Closure, cbi)
      .host(kEach, 2)
      .op(Opcode::Pop)
      .op(Opcode::TryEnd);
  size_t e = m.jump(Opcode::Jump);
  m.patch(h).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  m.patch(e)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.text("after"))
      .b(Opcode::MakeArray, 2)
      .op(Opcode::Return);
  g_each_calls = 0;
  EXPECT_EQ(outcome(run.main(p, std::move(m))),
            "array:[Error(code: 12, line: 12, message: bad 2), after]");
  EXPECT_EQ(g_each_calls, 2);

  // Without a try the error ends the run with the callback's line.
  Prog q;
  Fn cb2("cb", 1, 1);
  cb2.line(4).c(Opcode::Const, q.text("inner")).op(Opcode::Throw);
  uint16_t c2 = q.add(std::move(cb2));
  Fn m2("main");
  m2.line(30)
      .op(Opcode::True)
      .b(Opcode::MakeArray, 1)
      .b(Opcode::Closure, c2)
      .host(kEach, 2)
      .op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(q, std::move(m2))), "error:inner@4");
}

TEST(Interpreter, StepBudget) {
  // Eleven instructions: runs with a budget of 11, fails with 10.
  for (uint64_t budget : {11u, 10u}) {
    Harness run;
    Prog p;
    Fn f;
    f.line(3);
    for (int i = 0; i < 5; ++i) f.op(Opcode::Nothing).op(Opcode::Pop);
    f.op(Opcode::ReturnNothing);
    VmOptions o;
    o.budget = budget;
    EXPECT_EQ(outcome(run.main(p, std::move(f), o)),
              budget == 11 ? "none:none" : "error:This event used more steps than it is allowed@3");
  }

  // An endless loop inside a try stops after exactly 2,000,000 instructions.
  Harness run;
  Prog p;
  Fn f("main", 0, 1);
  f.line(2);
  size_t h = f.jump(Opcode::TryBegin);
  size_t top = f.here();
  f.back(Opcode::Jump, top);
  f.patch(h).line(5).b(Opcode::SetLocal, 0).op(Opcode::Return);
  uint16_t loop = p.add(std::move(f));
  Fn quick;
  quick.op(Opcode::True).op(Opcode::Return);
  uint16_t q = p.add(std::move(quick));
  Vm vm(p.image(), run.builtins);
  EXPECT_EQ(vm.budget(), 2'000'000u);
  EXPECT_EQ(outcome(vm.run(loop, {}, run.host)),
            "error:This event used more steps than it is allowed@2");
  EXPECT_EQ(vm.steps(), 2'000'001u);  // the instruction that would have been the next
  EXPECT_EQ(outcome(vm.run(q, {}, run.host)), "bool:true");
  EXPECT_EQ(vm.steps(), 2u);  // counting starts again

  // A callback's endless loop counts toward the same budget; the caller's try cannot
  // take the error.
  Prog c;
  Fn spin("spin", 1, 1);
  size_t s = spin.here();
  spin.line(8).back(Opcode::Jump, s);
  uint16_t spin_i = c.add(std::move(spin));
  Fn m("main", 0, 1);
  size_t h2 = m.jump(Opcode::TryBegin);
  m.op(Opcode::True)
      .b(Opcode::MakeArray, 1)
      .b(Opcode::Closure, spin_i)
      .host(kEach, 2)
      .op(Opcode::Return);
  m.patch(h2).c(Opcode::Const, c.text("caught")).op(Opcode::Return);
  VmOptions o;
  o.budget = 1000;
  EXPECT_EQ(outcome(run.main(c, std::move(m), o)),
            "error:This event used more steps than it is allowed@8");
}

TEST(Interpreter, BudgetIsExactAcrossFusedInstructions) {
  // x = x + 1 three times: GetLocal Const Add SetLocal Pop, then GetLocal Return.
  Prog p;
  Fn f("main", 0, 1);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  for (int i = 0; i < 3; ++i)
    f.b(Opcode::GetLocal, 0)
        .c(Opcode::Const, p.integer(1))
        .op(Opcode::Add)
        .b(Opcode::SetLocal, 0)
        .op(Opcode::Pop);
  f.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(5)).op(Opcode::Less);
  f.patch(f.jump(Opcode::JumpIfFalse));
  f.b(Opcode::GetLocal, 0).op(Opcode::Return);
  const uint64_t total = 3 + 15 + 4 + 2;
  uint16_t fi = p.add(std::move(f));
  Harness run;
  run.expect_exact_budget(p, fi, total, "int:3");
}

// Runs every fused form: locals pairs, constant and local operands, compare-and-jump,
// stores, loop items into a local, map and array indexing; then cuts the budget at every
// point inside them.
TEST(Interpreter, BudgetIsExactAcrossEveryFusedForm) {
  Prog p;
  enum : uint16_t { s, i, xs, m, k, x };
  Fn f("main", 0, 6);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, s).op(Opcode::Pop);
  f.b(Opcode::MakeArray, 0).b(Opcode::SetLocal, xs).op(Opcode::Pop);
  f.b(Opcode::MakeMap, 0).b(Opcode::SetLocal, m).op(Opcode::Pop);
  f.c(Opcode::Const, p.text("k")).b(Opcode::SetLocal, k).op(Opcode::Pop);
  f.c(Opcode::Const, p.integer(0))
      .c(Opcode::Const, p.integer(4))
      .a(Opcode::MakeRange, 0)
      .a(Opcode::IterInit, 1);
  size_t top = f.here();
  size_t exit = f.jump(Opcode::IterNext);
  f.b(Opcode::SetLocal, i).op(Opcode::Pop);
  // s = s + i * 3
  f.b(Opcode::GetLocal, s).b(Opcode::GetLocal, i).c(Opcode::Const, p.integer(3)).op(Opcode::Mul);
  f.op(Opcode::Add).b(Opcode::SetLocal, s).op(Opcode::Pop);
  // xs[i] = s
  f.b(Opcode::GetLocal, xs).b(Opcode::GetLocal, i).b(Opcode::GetLocal, s).op(Opcode::SetIndex);
  f.op(Opcode::Pop);
  // m[k] = (m[k] ?? 0) + s
  f.b(Opcode::GetLocal, m).b(Opcode::GetLocal, k).b(Opcode::GetLocal, m).b(Opcode::GetLocal, k);
  f.op(Opcode::Index).c(Opcode::Const, p.integer(0)).op(Opcode::Coalesce);
  f.b(Opcode::GetLocal, s).op(Opcode::Add).op(Opcode::SetIndex).op(Opcode::Pop);
  // if i < 2 { s = s - 1 }
  f.b(Opcode::GetLocal, i).c(Opcode::Const, p.integer(2)).op(Opcode::Less);
  size_t skip = f.jump(Opcode::JumpIfFalse);
  f.b(Opcode::GetLocal, s).c(Opcode::Const, p.integer(1)).op(Opcode::Sub);
  f.b(Opcode::SetLocal, s).op(Opcode::Pop);
  f.patch(skip);
  // if i > s { s = s % 10 }
  f.b(Opcode::GetLocal, i).b(Opcode::GetLocal, s).op(Opcode::Greater);
  size_t skip2 = f.jump(Opcode::JumpIfFalse);
  f.b(Opcode::GetLocal, s).c(Opcode::Const, p.integer(10)).op(Opcode::Rem);
  f.b(Opcode::SetLocal, s).op(Opcode::Pop);
  f.patch(skip2).back(Opcode::Jump, top);
  f.patch(exit).op(Opcode::Pop);
  // for x in xs { s = s + x }
  f.b(Opcode::GetLocal, xs).a(Opcode::IterInit, 1);
  size_t top2 = f.here();
  size_t exit2 = f.jump(Opcode::IterNext);
  f.b(Opcode::SetLocal, x).op(Opcode::Pop);
  f.b(Opcode::GetLocal, s).b(Opcode::GetLocal, x).op(Opcode::Add);
  f.b(Opcode::SetLocal, s).op(Opcode::Pop).back(Opcode::Jump, top2);
  f.patch(exit2).op(Opcode::Pop);
  // x = 0; while x < 3 { x = x + 1 }
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, x).op(Opcode::Pop);
  size_t top3 = f.here();
  f.b(Opcode::GetLocal, x).c(Opcode::Const, p.integer(3)).op(Opcode::Less);
  size_t exit3 = f.jump(Opcode::JumpIfFalse);
  f.b(Opcode::GetLocal, x).c(Opcode::Const, p.integer(1)).op(Opcode::Add);
  f.b(Opcode::SetLocal, x).op(Opcode::Pop).back(Opcode::Jump, top3);
  f.patch(exit3);
  // [s, m[k], xs[1], x]
  f.b(Opcode::GetLocal, s).b(Opcode::GetLocal, m).b(Opcode::GetLocal, k).op(Opcode::Index);
  f.b(Opcode::GetLocal, xs).c(Opcode::Const, p.integer(1)).op(Opcode::Index);
  f.b(Opcode::GetLocal, x).b(Opcode::MakeArray, 4).op(Opcode::Return);
  uint16_t fi = p.add(std::move(f));
  // 16 before the first loop, 4 * 35 + 15 in it and 2 to leave it, 2 + 4 * 9 + 2 for the
  // second loop, 3 + 4 * 4 + 3 * 6 for the third, 10 at the end.
  const uint64_t total = 16 + 155 + 2 + 40 + 37 + 10;
  Harness run;
  run.expect_exact_budget(p, fi, total, "array:[41, 25, 2, 3]");
}

// Fused forms give the same results as their instructions one by one, including where
// the operands leave the fast path.
TEST(Interpreter, FusedFormsKeepTheGeneralRules) {
  auto binary = [](Constant a, Constant b, Opcode op) {
    return [a, b, op](Prog& p) {
      Fn f;
      f.c(Opcode::Const, p.k(a)).c(Opcode::Const, p.k(b)).op(op).op(Opcode::Return);
      return f;
    };
  };
  struct Row {
    const char* name;
    Build build;
    const char* expected;
  } rows[] = {
      {"text plus a constant", binary(Constant::text_of("a"), Constant::integer(1), Opcode::Add),
       "text:a1"},
      {"saturating constant add",
       binary(Constant::integer(INT64_MAX), Constant::integer(1), Opcode::Add),
       "int:9223372036854775807"},
      {"product beyond 2^53 rounds as a double",
       binary(Constant::integer(94906267), Constant::integer(94906267), Opcode::Mul),
       "int:9007199515875288"},
      {"saturating product",
       binary(Constant::integer(3037000500), Constant::integer(3037000500), Opcode::Mul),
       "int:9223372036854775807"},
      {"remainder keeps the dividend's sign",
       binary(Constant::integer(-7), Constant::integer(3), Opcode::Rem), "int:-1"},
      {"remainder by zero", binary(Constant::integer(7), Constant::integer(0), Opcode::Rem),
       "none:none"},
      {"large ints compare as doubles",
       binary(Constant::integer(9007199254740993), Constant::integer(9007199254740992),
              Opcode::Greater),
       "bool:false"},
      {"int and num compare", binary(Constant::integer(2), Constant::number(2.5), Opcode::Less),
       "bool:true"},
      {"text compared with a local",
       [](Prog& p) {
         Fn f("f", 0, 1);
         f.c(Opcode::Const, p.integer(1)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.c(Opcode::Const, p.text("a")).b(Opcode::GetLocal, 0).op(Opcode::Less);
         size_t j = f.jump(Opcode::JumpIfFalse);
         f.patch(j).op(Opcode::Nothing).op(Opcode::Return);
         return f;
       },
       "error:Cannot combine text and int@0"},
      {"num stored by a fused add",
       [](Prog& p) {
         Fn f("f", 0, 1);
         f.c(Opcode::Const, p.number(1.5)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0).b(Opcode::GetLocal, 0).op(Opcode::Add);
         f.b(Opcode::SetLocal, 0).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
         return f;
       },
       "num:3"},
      {"texts joined by a fused store",
       [](Prog& p) {
         Fn f("f", 0, 1);
         f.c(Opcode::Const, p.text("ab")).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0).b(Opcode::GetLocal, 0).op(Opcode::Add);
         f.b(Opcode::SetLocal, 0).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
         return f;
       },
       "text:abab"},
      {"range item replaces a text in its local",
       [](Prog& p) {
         Fn f("f", 0, 1);
         f.c(Opcode::Const, p.text("x")).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.c(Opcode::Const, p.integer(0)).c(Opcode::Const, p.integer(2));
         f.a(Opcode::MakeRange, 0).a(Opcode::IterInit, 1);
         size_t top = f.here();
         size_t exit = f.jump(Opcode::IterNext);
         f.b(Opcode::SetLocal, 0).op(Opcode::Pop).back(Opcode::Jump, top);
         f.patch(exit).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
         return f;
       },
       "int:1"},
      {"map index by a local text key, and a missing key",
       [](Prog& p) {
         Fn f("f", 0, 2);
         f.c(Opcode::Const, p.text("b")).c(Opcode::Const, p.integer(2));
         f.c(Opcode::Const, p.text("a")).c(Opcode::Const, p.integer(1));
         f.b(Opcode::MakeMap, 2).b(Opcode::SetLocal, 0).op(Opcode::Pop);
         f.c(Opcode::Const, p.text("b")).b(Opcode::SetLocal, 1).op(Opcode::Pop);
         f.b(Opcode::GetLocal, 0).b(Opcode::GetLocal, 1).op(Opcode::Index);
         f.b(Opcode::GetLocal, 0).c(Opcode::Const, p.text("z")).op(Opcode::Index);
         f.b(Opcode::GetLocal, 0).b(Opcode::MakeArray, 3).op(Opcode::Return);
         return f;
       },
       "array:[2, none, [a: 1, b: 2]]"},
  };
  for (const Row& row : rows) {
    Harness run;
    Prog p;
    EXPECT_EQ(outcome(run.main(p, row.build(p))), row.expected) << row.name;
  }
}

TEST(Interpreter, RunawayRecursionIsAnError) {
  Harness run;
  Prog p;
  uint16_t g = p.global("f");
  Fn f("f");
  f.line(2).b(Opcode::GetGlobal, g).a(Opcode::Call, 0).op(Opcode::Return);
  uint16_t fi = p.add(std::move(f));
  Fn m;
  m.b(Opcode::Closure, fi)
      .b(Opcode::SetGlobal, g)
      .op(Opcode::Pop)
      .b(Opcode::GetGlobal, g)
      .a(Opcode::Call, 0)
      .op(Opcode::Return);
  VmOptions o;
  o.budget = 100'000'000;
  EXPECT_EQ(outcome(run.main(p, std::move(m), o)), "error:Too many nested calls@2");

  // Recursion through a built-in's callback is bounded too.
  Prog q;
  uint16_t g2 = q.global("f");
  Fn cb("cb", 1, 1);
  cb.line(3)
      .b(Opcode::GetLocal, 0)
      .b(Opcode::MakeArray, 1)
      .b(Opcode::GetGlobal, g2)
      .host(kEach, 2)
      .op(Opcode::Return);
  uint16_t cbi = q.add(std::move(cb));
  Fn m2;
  m2.b(Opcode::Closure, cbi)
      .b(Opcode::SetGlobal, g2)
      .op(Opcode::Pop)
      .op(Opcode::True)
      .b(Opcode::MakeArray, 1)
      .b(Opcode::GetGlobal, g2)
      .host(kEach, 2)
      .op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(q, std::move(m2), o)), "error:Too many nested calls@3");
}

// Appends the value on top to global 0 (an array): acc[acc.len] = top; pop.
void append_top(Fn& f, Prog& p, uint16_t acc) {
  f.b(Opcode::SetLocal, 15).op(Opcode::Pop);
  f.b(Opcode::GetGlobal, acc)
      .b(Opcode::GetGlobal, acc)
      .c(Opcode::GetMember, p.name("len"))
      .b(Opcode::GetLocal, 15)
      .op(Opcode::SetIndex)
      .op(Opcode::Pop);
}

// for <names> in <iterable> { acc.push(one name: v; two: k + ":" + v) }; return [acc, sentinel]
std::string loop_items(const std::function<void(Fn&, Prog&)>& iterable, int names) {
  Harness run;
  Prog p;
  uint16_t acc = p.global("acc");
  Fn f("main", 0, 16);
  f.b(Opcode::MakeArray, 0).b(Opcode::SetGlobal, acc).op(Opcode::Pop);
  f.c(Opcode::Const, p.text("sentinel"));
  iterable(f, p);
  f.a(Opcode::IterInit, static_cast<uint8_t>(names));
  size_t top = f.here();
  size_t exit = f.jump(Opcode::IterNext);
  f.b(Opcode::SetLocal, 1).op(Opcode::Pop);
  if (names == 2) {
    f.b(Opcode::SetLocal, 0).op(Opcode::Pop);
    f.b(Opcode::GetLocal, 0)
        .c(Opcode::Const, p.text(":"))
        .op(Opcode::Add)
        .b(Opcode::GetLocal, 1)
        .op(Opcode::Add);
  } else {
    f.b(Opcode::GetLocal, 1);
  }
  append_top(f, p, acc);
  f.back(Opcode::Jump, top);
  f.patch(exit).op(Opcode::Pop);
  f.b(Opcode::GetGlobal, acc)
      .op(Opcode::Dup)
      .op(Opcode::Pop)
      .b(Opcode::MakeArray, 2)
      .op(Opcode::Return);
  return outcome(run.main(p, std::move(f)));
}

TEST(Interpreter, LoopItems) {
  auto map_ab = [](Fn& f, Prog& p) {
    f.c(Opcode::Const, p.text("b"))
        .c(Opcode::Const, p.integer(2))
        .c(Opcode::Const, p.text("a"))
        .c(Opcode::Const, p.integer(1))
        .b(Opcode::MakeMap, 2);
  };
  auto array_xy = [](Fn& f, Prog& p) {
    f.c(Opcode::Const, p.text("x")).c(Opcode::Const, p.text("y")).b(Opcode::MakeArray, 2);
  };
  auto pairs = [](Fn& f, Prog& p) {
    f.c(Opcode::Const, p.integer(1))
        .c(Opcode::Const, p.integer(2))
        .b(Opcode::MakeArray, 2)
        .b(Opcode::MakeArray, 1);
  };
  auto range = [](int64_t a, int64_t b, bool inclusive) {
    return [=](Fn& f, Prog& p) {
      f.c(Opcode::Const, p.integer(a))
          .c(Opcode::Const, p.integer(b))
          .a(Opcode::MakeRange, inclusive ? 1 : 0);
    };
  };
  auto text = [](Fn& f, Prog& p) { f.c(Opcode::Const, p.text("aé")); };
  auto five = [](Fn& f, Prog& p) { f.c(Opcode::Const, p.integer(5)); };
  auto none = [](Fn& f, Prog&) { f.op(Opcode::Nothing); };
  auto empty = [](Fn& f, Prog&) { f.b(Opcode::MakeArray, 0); };
  struct Row {
    const char* name;
    std::function<void(Fn&, Prog&)> iterable;
    int names;
    const char* expected;
  } rows[] = {
      {"map, key and value", map_ab, 2, "array:[sentinel, [a:1, b:2]]"},
      {"map, value alone", map_ab, 1, "array:[sentinel, [1, 2]]"},
      {"array, position and value", array_xy, 2, "array:[sentinel, [0:x, 1:y]]"},
      {"array, value alone", array_xy, 1, "array:[sentinel, [x, y]]"},
      {"pairs are never split", pairs, 1, "array:[sentinel, [[1, 2]]]"},
      {"range excludes its end", range(0, 3, false), 1, "array:[sentinel, [0, 1, 2]]"},
      {"inclusive range", range(0, 3, true), 1, "array:[sentinel, [0, 1, 2, 3]]"},
      {"range with positions", range(5, 8, false), 2, "array:[sentinel, [0:5, 1:6, 2:7]]"},
      {"empty range", range(3, 3, false), 1, "array:[sentinel, []]"},
      {"backward range is empty", range(3, 1, true), 1, "array:[sentinel, []]"},
      {"range up to the largest int", range(INT64_MAX - 2, INT64_MAX, true), 1,
       "array:[sentinel, [9223372036854775805, 9223372036854775806, 9223372036854775807]]"},
      {"text by character", text, 2, "array:[sentinel, [0:a, 1:é]]"},
      {"a number runs once", five, 1, "array:[sentinel, [5]]"},
      {"a number with a position", five, 2, "array:[sentinel, [0:5]]"},
      {"none runs once", none, 1, "array:[sentinel, [none]]"},
      {"empty array", empty, 1, "array:[sentinel, []]"},
  };
  for (const Row& r : rows) EXPECT_EQ(loop_items(r.iterable, r.names), r.expected) << r.name;
}

TEST(Interpreter, IteratorsBelongToTheirLoopAndFrame) {
  // for y in [1, 2] { acc.push(y); for x in [10, 20, 30] { acc.push(x); break } }
  {
    Harness run;
    Prog p;
    uint16_t acc = p.global("acc");
    Fn f("main", 0, 16);
    f.b(Opcode::MakeArray, 0).b(Opcode::SetGlobal, acc).op(Opcode::Pop);
    f.c(Opcode::Const, p.text("sentinel"));
    f.c(Opcode::Const, p.integer(1))
        .c(Opcode::Const, p.integer(2))
        .b(Opcode::MakeArray, 2)
        .a(Opcode::IterInit, 1);
    size_t outer = f.here();
    size_t outer_exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 0).op(Opcode::Pop).b(Opcode::GetLocal, 0);
    append_top(f, p, acc);
    for (int v : {10, 20, 30}) f.c(Opcode::Const, p.integer(v));
    f.b(Opcode::MakeArray, 3).a(Opcode::IterInit, 1);
    size_t inner = f.here();
    size_t inner_exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 1).op(Opcode::Pop).b(Opcode::GetLocal, 1);
    append_top(f, p, acc);
    size_t brk = f.jump(Opcode::Jump);
    f.back(Opcode::Jump, inner);
    f.patch(inner_exit).patch(brk).op(Opcode::Pop);
    f.back(Opcode::Jump, outer);
    f.patch(outer_exit).op(Opcode::Pop);
    f.b(Opcode::GetGlobal, acc).b(Opcode::MakeArray, 2).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), "array:[sentinel, [1, 10, 2, 10]]");
  }
  // The same, with the break leaving a stray value above the inner loop's placeholder:
  // the outer loop still takes only its own items.
  {
    Harness run;
    Prog p;
    uint16_t acc = p.global("acc");
    Fn f("main", 0, 16);
    f.b(Opcode::MakeArray, 0).b(Opcode::SetGlobal, acc).op(Opcode::Pop);
    f.c(Opcode::Const, p.integer(1)).c(Opcode::Const, p.integer(2)).b(Opcode::MakeArray, 2);
    f.a(Opcode::IterInit, 1);
    size_t outer = f.here();
    size_t outer_exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 0).op(Opcode::Pop).b(Opcode::GetLocal, 0);
    append_top(f, p, acc);
    for (int v : {10, 20, 30}) f.c(Opcode::Const, p.integer(v));
    f.b(Opcode::MakeArray, 3).a(Opcode::IterInit, 1);
    size_t inner = f.here();
    size_t inner_exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 1).op(Opcode::Pop).b(Opcode::GetLocal, 1);
    append_top(f, p, acc);
    f.c(Opcode::Const, p.text("stray"));
    size_t brk = f.jump(Opcode::Jump);
    f.back(Opcode::Jump, inner);
    f.patch(inner_exit).patch(brk).op(Opcode::Pop);
    f.back(Opcode::Jump, outer);
    f.patch(outer_exit).op(Opcode::Pop);
    f.b(Opcode::GetGlobal, acc).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), "array:[1, 10, 2, 10]");
  }
  // first(xs) { for x in xs { return x } }; for y in [1, 2, 3] { acc.push(first([100, 200]));
  // acc.push(y) }
  {
    Harness run;
    Prog p;
    uint16_t acc = p.global("acc");
    Fn first("first", 1, 2);
    first.b(Opcode::GetLocal, 0).a(Opcode::IterInit, 1);
    size_t t = first.here();
    size_t x = first.jump(Opcode::IterNext);
    first.b(Opcode::SetLocal, 1).op(Opcode::Pop).b(Opcode::GetLocal, 1).op(Opcode::Return);
    first.back(Opcode::Jump, t);
    first.patch(x).op(Opcode::Pop).op(Opcode::ReturnNothing);
    uint16_t fi = p.add(std::move(first));
    Fn f("main", 0, 16);
    f.b(Opcode::MakeArray, 0).b(Opcode::SetGlobal, acc).op(Opcode::Pop);
    for (int v : {1, 2, 3}) f.c(Opcode::Const, p.integer(v));
    f.b(Opcode::MakeArray, 3).a(Opcode::IterInit, 1);
    size_t top = f.here();
    size_t exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 0).op(Opcode::Pop);
    f.b(Opcode::Closure, fi)
        .c(Opcode::Const, p.integer(100))
        .c(Opcode::Const, p.integer(200))
        .b(Opcode::MakeArray, 2)
        .a(Opcode::Call, 1);
    append_top(f, p, acc);
    f.b(Opcode::GetLocal, 0);
    append_top(f, p, acc);
    f.back(Opcode::Jump, top);
    f.patch(exit).op(Opcode::Pop);
    f.b(Opcode::GetGlobal, acc).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), "array:[100, 1, 100, 2, 100, 3]");
  }
  // for y in [1, 2] { try { for x in [7, 8] { throw x } } catch e { acc.push(e.message) };
  // acc.push(y) }
  {
    Harness run;
    Prog p;
    uint16_t acc = p.global("acc");
    Fn f("main", 0, 16);
    f.b(Opcode::MakeArray, 0).b(Opcode::SetGlobal, acc).op(Opcode::Pop);
    f.c(Opcode::Const, p.integer(1))
        .c(Opcode::Const, p.integer(2))
        .b(Opcode::MakeArray, 2)
        .a(Opcode::IterInit, 1);
    size_t top = f.here();
    size_t exit = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 0).op(Opcode::Pop);
    size_t h = f.jump(Opcode::TryBegin);
    f.c(Opcode::Const, p.integer(7))
        .c(Opcode::Const, p.integer(8))
        .b(Opcode::MakeArray, 2)
        .a(Opcode::IterInit, 1);
    size_t it = f.here();
    size_t ix = f.jump(Opcode::IterNext);
    f.b(Opcode::SetLocal, 1).op(Opcode::Pop).b(Opcode::GetLocal, 1).op(Opcode::Throw);
    f.back(Opcode::Jump, it);
    f.patch(ix).op(Opcode::Pop).op(Opcode::TryEnd);
    size_t e = f.jump(Opcode::Jump);
    f.patch(h).c(Opcode::GetMember, p.name("message"));
    append_top(f, p, acc);
    f.patch(e).b(Opcode::GetLocal, 0);
    append_top(f, p, acc);
    f.back(Opcode::Jump, top);
    f.patch(exit).op(Opcode::Pop);
    f.b(Opcode::GetGlobal, acc).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), "array:[7, 1, 7, 2]");
  }
}

TEST(Interpreter, TryLeftByBreakNoLongerCatches) {
  // while true { try { break } catch { return "stale" } }; throw "late"
  Harness run;
  Prog p;
  Fn f("main", 0, 1);
  size_t top = f.here();
  size_t h = f.jump(Opcode::TryBegin);
  size_t brk = f.jump(Opcode::Jump);
  f.op(Opcode::TryEnd);
  size_t e = f.jump(Opcode::Jump);
  f.patch(h).op(Opcode::Pop).c(Opcode::Const, p.text("stale")).op(Opcode::Return);
  f.patch(e).back(Opcode::Jump, top);
  f.patch(brk).line(4).c(Opcode::Const, p.text("late")).op(Opcode::Throw);
  EXPECT_EQ(outcome(run.main(p, std::move(f))), "error:late@4");
}

TEST(Interpreter, LazyRangeAllocatesNothing) {
  // for i in 0..2000000000 { if i == 3 { break } }
  Harness run;
  Prog p;
  Fn f("main", 0, 1);
  f.c(Opcode::Const, p.integer(0))
      .c(Opcode::Const, p.integer(2'000'000'000))
      .a(Opcode::MakeRange, 0)
      .a(Opcode::IterInit, 1);
  size_t top = f.here();
  size_t exit = f.jump(Opcode::IterNext);
  f.b(Opcode::SetLocal, 0)
      .op(Opcode::Pop)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(3))
      .op(Opcode::Equal);
  size_t skip = f.jump(Opcode::JumpIfFalse);
  size_t brk = f.jump(Opcode::Jump);
  f.patch(skip).back(Opcode::Jump, top);
  f.patch(exit).patch(brk).op(Opcode::Pop).b(Opcode::GetLocal, 0).op(Opcode::Return);
  uint16_t fi = p.add(std::move(f));
  Vm vm(p.image(), run.builtins);
  ASSERT_EQ(outcome(vm.run(fi, {}, run.host)), "int:3");  // warm-up
  const size_t before = g_allocations.load();
  EXPECT_EQ(outcome(vm.run(fi, {}, run.host)), "int:3");
  EXPECT_LE(g_allocations.load() - before, 1u);  // the range's two bounds, nothing per item
}

TEST(Interpreter, SeriesIndexingAndConditions) {
  struct Row {
    const char* name;
    size_t bar;
    int64_t index;
    const char* expected;
  } rows[] = {
      {"index 0 is the current bar", 0, 0, "num:10"},
      {"index 1 before the first bar", 0, 1, "num:none"},
      {"negative index reads a later bar", 0, -2, "num:12"},
      {"past the last bar", 2, -1, "num:none"},
      {"smallest index does not overflow", 2, INT64_MIN, "num:none"},
      {"largest index does not overflow", 2, INT64_MAX, "num:none"},
  };
  for (const Row& r : rows) {
    Harness run;
    run.host.current = r.bar;
    Prog p;
    Fn f;
    f.host(kClose, 0).c(Opcode::Const, p.integer(r.index)).op(Opcode::Index).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), r.expected) << r.name;
  }
  // Conditions read a series at the current bar (close is 10, 0, 12): the plain and
  // the negated series, through each conditional jump.
  struct Cond {
    const char* name;
    bool negate;
    Opcode jump;
    const char* at_bar0;
    const char* at_bar1;
  } conds[] = {
      {"if close", false, Opcode::JumpIfFalse, "text:taken", "text:skipped"},
      {"if !close", true, Opcode::JumpIfFalse, "text:skipped", "text:taken"},
      {"unless close", false, Opcode::JumpIfTrue, "text:skipped", "text:taken"},
      {"close && ...", false, Opcode::JumpIfFalsePeek, "text:taken", "text:skipped"},
      {"close || ...", false, Opcode::JumpIfTruePeek, "text:skipped", "text:taken"},
  };
  for (const Cond& c : conds)
    for (size_t bar : {0u, 1u}) {
      Harness run;
      run.host.current = bar;
      Prog p;
      Fn f;
      f.host(kClose, 0);
      if (c.negate) f.op(Opcode::Not);
      size_t skip = f.jump(c.jump);
      f.c(Opcode::Const, p.text("taken")).op(Opcode::Return);
      f.patch(skip).c(Opcode::Const, p.text("skipped")).op(Opcode::Return);
      EXPECT_EQ(outcome(run.main(p, std::move(f))), bar == 0 ? c.at_bar0 : c.at_bar1)
          << c.name << " at bar " << bar;
    }
}

TEST(Interpreter, RecordFieldsChangeInPlace) {
  Harness run;
  Prog p;
  Fn f("main", 0, 2);
  f.c(Opcode::Const, p.name("__type"))
      .c(Opcode::Const, p.text("P"))
      .c(Opcode::Const, p.name("x"))
      .c(Opcode::Const, p.integer(1))
      .b(Opcode::MakeObject, 2)
      .b(Opcode::SetLocal, 0)
      .b(Opcode::SetLocal, 1)
      .op(Opcode::Pop);
  f.b(Opcode::GetLocal, 1)
      .c(Opcode::Const, p.integer(5))
      .c(Opcode::SetMember, p.name("x"))
      .op(Opcode::Pop);
  f.b(Opcode::GetLocal, 0).op(Opcode::Return);
  EXPECT_EQ(outcome(run.main(p, std::move(f))), "record:P(x: 5)");
}

TEST(Interpreter, LoadWithAppliesOverridesBetweenInitialiserAndMain) {
  Harness run;
  Prog p;
  uint16_t a = p.global("a"), b = p.global("b"), sum = p.global("sum");
  Fn init("<inputs>");
  init.c(Opcode::Const, p.integer(1))
      .b(Opcode::SetGlobal, a)
      .op(Opcode::Pop)
      .c(Opcode::Const, p.integer(2))
      .b(Opcode::SetGlobal, b)
      .op(Opcode::Pop)
      .op(Opcode::Halt);
  p.im.input_initialiser = p.add(std::move(init));
  Fn m("<main>");
  m.b(Opcode::GetGlobal, a)
      .b(Opcode::GetGlobal, b)
      .op(Opcode::Add)
      .b(Opcode::SetGlobal, sum)
      .op(Opcode::Halt);
  p.im.main = p.add(std::move(m));
  Vm vm(p.image(), run.builtins);
  std::vector<std::pair<std::string, Value>> overrides = {{"b", Value::integer(20)},
                                                          {"nope", Value::integer(1)}};
  ASSERT_TRUE(vm.load_with(run.host, overrides).ok());
  EXPECT_EQ(display(Value::array(vm.globals())), "[1, 20, 21]");
}

TEST(Interpreter, DamagedImagesAreRefused) {
  struct Row {
    const char* name;
    Build build;
    const char* expected;
  } rows[] = {
      {"jump past the end",
       [](Prog&) {
         Fn f;
         f.push(Op::jump(Opcode::Jump, 5));
         return f;
       },
       "error:The program is damaged: jump out of range@0"},
      {"constant out of range",
       [](Prog&) {
         Fn f;
         f.c(Opcode::Const, 9).op(Opcode::Return);
         return f;
       },
       "error:The program is damaged: constant out of range@0"},
      {"pop below the frame",
       [](Prog&) {
         Fn f;
         f.op(Opcode::Pop).op(Opcode::ReturnNothing);
         return f;
       },
       "error:The program is damaged: stack underflow in function 0 at 0@0"},
      {"unknown opcode",
       [](Prog&) {
         Fn f;
         f.push(Op{static_cast<Opcode>(77), 0, 0, 0});
         return f;
       },
       "error:The program is damaged: unknown instruction 77@0"},
      {"unknown choice of Coalesce",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::True);
         f.push(Op::with_a(Opcode::Coalesce, 9));
         f.op(Opcode::Return);
         return f;
       },
       "error:The program is damaged: unknown choice 9@0"},
      {"a choice of Coalesce on plain values",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).op(Opcode::Nothing);
         f.push(Op::with_a(Opcode::Coalesce, 2));
         f.op(Opcode::Return);
         return f;
       },
       "bool:true"},
      {"global out of range reads none",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True).b(Opcode::SetGlobal, 4).b(Opcode::GetGlobal, 4).op(Opcode::Return);
         return f;
       },
       "none:none"},
      {"the last local slot",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True)
             .b(Opcode::SetLocal, 65535)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 65535)
             .op(Opcode::Return);
         return f;
       },
       "bool:true"},
      {"local beyond the declared slots",
       [](Prog&) {
         Fn f;
         f.op(Opcode::True)
             .b(Opcode::SetLocal, 3)
             .op(Opcode::Pop)
             .b(Opcode::GetLocal, 3)
             .op(Opcode::Return);
         return f;
       },
       "bool:true"},
  };
  for (const Row& r : rows) {
    Harness run;
    Prog p;
    Fn fn = r.build(p);
    EXPECT_EQ(outcome(run.main(p, std::move(fn))), r.expected) << r.name;
  }
}

TEST(Interpreter, CallsFromOutsideARun) {
  Harness run;
  Prog p;
  Fn twice("twice", 1, 1);
  twice.line(3)
      .b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(2))
      .op(Opcode::Mul)
      .op(Opcode::Return);
  uint16_t t = p.add(std::move(twice));
  Fn make;
  make.b(Opcode::Closure, t).op(Opcode::Return);
  uint16_t m = p.add(std::move(make));
  Vm vm(p.image(), run.builtins);
  auto closure = vm.run(m, {}, run.host);
  ASSERT_TRUE(closure.ok());
  const Value seven = Value::integer(7);
  const Value text = Value::text("x");
  EXPECT_EQ(outcome(vm.call_value(closure.value(), std::span<const Value>(&seven, 1), run.host)),
            "int:14");
  EXPECT_EQ(outcome(vm.call_value(closure.value(), std::span<const Value>(&text, 1), run.host)),
            "error:Cannot combine text and int@3");
  EXPECT_EQ(outcome(vm.call_value(Value::number(1), {}, run.host)),
            "error:num is not something you can call@1");
  EXPECT_EQ(outcome(vm.call_host(kFail, {}, run.host)), "error:boom@1");
  EXPECT_EQ(outcome(vm.call_host(999, {}, run.host)), "error:Unknown call 999@1");
  EXPECT_EQ(outcome(vm.call_value(Value::host_function(kCount), std::span<const Value>(&seven, 1),
                                  run.host)),
            "int:1");
  EXPECT_EQ(display(Vm::member_of(Value::status(false, "no"), "reason")), "no");
  EXPECT_EQ(display(Vm::member_of(Value::status(true), "ok")), "true");
  EXPECT_EQ(display(Vm::member_of(Value::status(true), "reason")), "");
  EXPECT_EQ(vm.constant_name(0), "Int(2)");
  EXPECT_EQ(display(vm.constant(0)), "2");
  EXPECT_TRUE(vm.constant(99).is_nothing());
}

TEST(Interpreter, HostCallsResolveOnce) {
  Harness run;
  Prog p;
  Fn f("main", 0, 1);
  f.c(Opcode::Const, p.integer(0)).b(Opcode::SetLocal, 0).op(Opcode::Pop);
  size_t top = f.here();
  f.b(Opcode::GetLocal, 0).c(Opcode::Const, p.integer(50)).op(Opcode::Less);
  size_t x = f.jump(Opcode::JumpIfFalse);
  f.host(kCount, 0).op(Opcode::Pop).host(kHostThing, 0).op(Opcode::Pop);
  f.b(Opcode::GetLocal, 0)
      .c(Opcode::Const, p.integer(1))
      .op(Opcode::Add)
      .b(Opcode::SetLocal, 0)
      .op(Opcode::Pop);
  f.back(Opcode::Jump, top);
  f.patch(x).op(Opcode::ReturnNothing);
  EXPECT_EQ(outcome(run.main(p, std::move(f))), "none:none");
  EXPECT_EQ(run.builtins.resolves, 2);
  EXPECT_EQ(run.host.calls.size(), 50u);
}

TEST(Interpreter, CyclesMadeByAProgramAreFreedWithTheVm) {
  const size_t before = live_containers();
  {
    Harness run;
    Prog p;
    uint16_t g = p.global("a");
    Fn f("main", 0, 1);
    f.b(Opcode::MakeArray, 0).b(Opcode::SetLocal, 0).b(Opcode::SetGlobal, g).op(Opcode::Pop);
    f.b(Opcode::GetLocal, 0)
        .c(Opcode::Const, p.integer(0))
        .b(Opcode::GetLocal, 0)
        .op(Opcode::SetIndex)
        .op(Opcode::Pop);
    f.b(Opcode::GetLocal, 0).c(Opcode::Const, p.text("")).op(Opcode::Add).op(Opcode::Return);
    EXPECT_EQ(outcome(run.main(p, std::move(f))), "text:[[...]]");
  }
  EXPECT_EQ(live_containers(), before);
}

}  // namespace
}  // namespace kelo_vm::testing
