#include "builtins/standard_builtins.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "builtins/methods.h"
#include "builtins/pure_functions.h"
#include "series/series_calls.h"
#include "series/series_test_host.h"
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

TEST(StandardBuiltins, ResolvesInDispatchOrder) {
  EXPECT_EQ(resolve_builtin("close"), series::resolve_source("close"));
  EXPECT_EQ(resolve_builtin("time"), series::resolve_source("time"));
  // A series call before a pure function of the same name.
  EXPECT_EQ(resolve_builtin("sum"), series::resolve_series_call("sum"));
  EXPECT_EQ(resolve_builtin("floor"), builtins::resolve_pure("floor"));
  EXPECT_EQ(resolve_builtin("text#trim"), builtins::resolve_method("text#trim"));
  EXPECT_NE(resolve_builtin("array#nonsense"), nullptr);  // answered with none
  for (const char* host :
       {"trade.buy", "account.balance", "time#format", "log", "text", "series"}) {
    EXPECT_EQ(resolve_builtin(host), nullptr) << host;
  }
}

TEST(StandardBuiltins, NamesComeFromTheHostTable) {
  StandardBuiltins b;
  const uint16_t id = host_id("sma");
  EXPECT_EQ(b.host_name(id), std::optional<std::string_view>("sma"));
  EXPECT_FALSE(b.host_name(65535).has_value());
}

struct HostAndBuiltins {
  testing::TestHost host;
  StandardBuiltins builtins;
};

TEST(StandardBuiltins, AnIndicatorBuiltInEveryEventIsComputedOnce) {
  HostAndBuiltins r;
  r.host = testing::TestHost(testing::TestHost::bars_from_close({1, 2, 3, 4, 5, 6}));
  Prog p;
  // onBar: return sma(close, 3)[0]
  Fn on_bar("onBar", 0, 0);
  on_bar.host(host_id("close"), 0).c(Opcode::Const, p.integer(3)).host(host_id("sma"), 2);
  on_bar.c(Opcode::Const, p.integer(0)).op(Opcode::Index).op(Opcode::Return);
  const uint16_t f = p.add(std::move(on_bar));
  Vm vm(p.image(), r.builtins);
  const char* want[] = {"num:none", "num:none", "num:2", "num:3", "num:4", "num:5"};
  for (std::size_t bar = 0; bar < 6; ++bar) {
    r.host.index = bar;
    EXPECT_EQ(testing::outcome(vm.run(f, {}, r.host)), want[bar]) << bar;
  }
  EXPECT_EQ(r.builtins.evaluator().computations(), 2u);  // close and the sma
}

// The sharing handlers under built-ins other than StandardBuiltins build fresh nodes.
TEST(StandardBuiltins, SharingHandlersElsewhereBuildFreshNodes) {
  testing::TestHost host(testing::TestHost::bars_from_close({1, 2, 3, 4}));
  TableBuiltins table;
  const uint16_t close = host_id("close");
  const uint16_t sma = host_id("sma");
  const uint16_t macd = host_id("macd");
  table.names.resize(std::max({close, sma, macd}) + 1u);
  table.names[close] = "close";
  table.names[sma] = "sma";
  table.names[macd] = "macd";
  table.handlers = {{"close", series::resolve_shared_source("close")},
                    {"sma", series::resolve_shared_series_call("sma")},
                    {"macd", series::resolve_shared_series_call("macd")}};
  table.evaluate = [](const Series& s, host::Host& h) {
    static evaluate::Evaluator ev;
    return ev.values_of(s, h);
  };
  Prog p;
  // [sma(close, 2)[0], macd(close).line]
  Fn fn("f", 0, 0);
  fn.host(close, 0).c(Opcode::Const, p.integer(2)).host(sma, 2);
  fn.c(Opcode::Const, p.integer(0)).op(Opcode::Index);
  fn.host(close, 0).host(macd, 1).c(Opcode::GetMember, p.name("line"));
  fn.b(Opcode::MakeArray, 2).op(Opcode::Return);
  const uint16_t f = p.add(std::move(fn));
  Vm vm(p.image(), table);
  host.index = 3;
  EXPECT_EQ(testing::outcome(vm.run(f, {}, host)), "array:[3.5, <series>]");
}

TEST(StandardBuiltins, SeriesConditionsReadTheCurrentBar) {
  HostAndBuiltins r;
  host::Bars bars = testing::TestHost::bars_from_close({5, 5, 5});
  bars.open = {4, 6, 5};
  r.host = testing::TestHost(bars);
  Prog p;
  // if close > open { return "up" } return "not up"
  Fn fn("f", 0, 0);
  fn.host(host_id("close"), 0).host(host_id("open"), 0).op(Opcode::Greater);
  size_t skip = fn.jump(Opcode::JumpIfFalse);
  fn.c(Opcode::Const, p.text("up")).op(Opcode::Return);
  fn.patch(skip).c(Opcode::Const, p.text("not up")).op(Opcode::Return);
  const uint16_t f = p.add(std::move(fn));
  Vm vm(p.image(), r.builtins);
  const char* want[] = {"text:up", "text:not up", "text:not up"};
  for (std::size_t bar = 0; bar < 3; ++bar) {
    r.host.index = bar;
    EXPECT_EQ(testing::outcome(vm.run(f, {}, r.host)), want[bar]) << bar;
  }
}

TEST(StandardBuiltins, MethodsAndHostCallsThroughTheInterpreter) {
  HostAndBuiltins r;
  Prog p;
  // [ "  a ".trim(), floor(2.7), macd(close).line, unknown host call ]
  Fn fn("f", 0, 0);
  fn.line(4).c(Opcode::Const, p.text("  a ")).host(host_id("text#trim"), 1);
  fn.c(Opcode::Const, p.number(2.7)).host(host_id("floor"), 1);
  fn.host(host_id("close"), 0).host(host_id("macd"), 1).c(Opcode::GetMember, p.name("line"));
  fn.b(Opcode::MakeArray, 3).op(Opcode::Return);
  const uint16_t f = p.add(std::move(fn));
  Fn bad("g", 0, 0);
  bad.line(7).host(host_id("trade.buy"), 0).op(Opcode::Return);
  const uint16_t g = p.add(std::move(bad));
  Vm vm(p.image(), r.builtins);
  EXPECT_EQ(testing::outcome(vm.run(f, {}, r.host)), "array:[a, 2, <series>]");
  EXPECT_EQ(testing::outcome(vm.run(g, {}, r.host)),
            "error:'trade.buy' is not available while backtesting@0");
}

}  // namespace
}  // namespace kelo_vm::builtins
