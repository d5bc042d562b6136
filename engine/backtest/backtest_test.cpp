#include "backtest/backtest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "backtest/synthetic_bars.h"
#include "vm/dispatch.h"
#include "vm/heap.h"
#include "vm/operators.h"

namespace kelo_vm::backtest {
namespace {

using bytecode::Constant;
using bytecode::EventKind;
using bytecode::Op;
using bytecode::Opcode;

// Builds small images by hand; every host name goes to the replay host.
struct Program {
  bytecode::Image image;
  TableBuiltins builtins;

  uint16_t host(const std::string& name) {
    for (size_t i = 0; i < builtins.names.size(); ++i)
      if (builtins.names[i] == name) return static_cast<uint16_t>(i);
    builtins.names.push_back(name);
    return static_cast<uint16_t>(builtins.names.size() - 1);
  }
  uint32_t constant(Constant c) {
    image.constants.push_back(std::move(c));
    return static_cast<uint32_t>(image.constants.size() - 1);
  }
  Op num(double v) { return Op::with_c(Opcode::Const, constant(Constant::number(v))); }
  Op text(std::string v) { return Op::with_c(Opcode::Const, constant(Constant::text_of(std::move(v)))); }
  Op call(const std::string& name, uint8_t argc) { return Op::call_host(host(name), argc); }

  uint16_t function(std::vector<Op> code, uint8_t arity = 0) {
    bytecode::Function f;
    f.name = "f" + std::to_string(image.functions.size());
    f.arity = arity;
    f.required = arity;
    f.slots = arity;
    code.push_back(Op::plain(Opcode::ReturnNothing));
    f.code = std::move(code);
    f.lines.push_back({0, 7, 1});
    image.functions.push_back(std::move(f));
    return static_cast<uint16_t>(image.functions.size() - 1);
  }
  void main(std::vector<Op> code) { image.main = function(std::move(code)); }
  void on(EventKind kind, std::vector<Op> code, uint8_t arity = 0) {
    image.events.push_back({kind, function(std::move(code), arity)});
  }
  // host call with its arguments, result dropped
  std::vector<Op> stmt(const std::string& name, std::vector<Op> args) {
    auto argc = static_cast<uint8_t>(args.size());
    args.push_back(call(name, argc));
    args.push_back(Op::plain(Opcode::Pop));
    return args;
  }

  Report run(host::Bars bars, size_t warm_up, double balance = 10000.0) {
    ReplayHost h(std::move(bars), {}, balance, 0.0001);
    return Backtest(std::move(h), std::make_shared<const bytecode::Image>(image), warm_up, builtins).run();
  }
};

std::vector<Op> concat(std::vector<std::vector<Op>> parts) {
  std::vector<Op> out;
  for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

host::Bars flat_bars(std::vector<double> closes) {
  host::Bars b;
  for (size_t i = 0; i < closes.size(); ++i) {
    b.times.push_back(1000 + static_cast<int64_t>(i) * 60000);
    b.open.push_back(closes[i]);
    b.high.push_back(closes[i]);
    b.low.push_back(closes[i]);
    b.close.push_back(closes[i]);
    b.volume.push_back(0);
    b.spread.push_back(0.0001);
  }
  return b;
}

std::vector<std::string> journal_texts(const Report& r) {
  std::vector<std::string> out;
  for (const JournalLine& l : r.journal)
    out.push_back(std::to_string(l.bar) + " " + std::to_string(l.time) + " " + l.level + " " + l.message);
  return out;
}

TEST(Backtest, HandlerOrderNewBarFlagAndDeinitArgument) {
  Program p;
  p.main(p.stmt("log.info", {p.text("main")}));
  p.on(EventKind::OnInit, p.stmt("log.info", {p.text("init"), p.call("bars.index", 0)}));
  p.on(EventKind::OnBar, p.stmt("log.info", {p.text("bar"), p.call("bars.isNew", 0)}));
  p.on(EventKind::OnTick, p.stmt("log.info", {p.text("tick"), p.call("bars.isNew", 0)}));
  p.on(EventKind::OnDeinit, p.stmt("log.warn", {Op::with_b(Opcode::GetLocal, 0)}), 1);
  // Handlers other than the four are never called.
  p.on(EventKind::OnTimer, p.stmt("log.info", {p.text("timer")}));
  Report r = p.run(flat_bars({1.1, 1.2, 1.3}), 1);
  EXPECT_EQ(journal_texts(r), (std::vector<std::string>{
                                  "0 1000 info main", "0 1000 info init 0", "1 61000 info bar true",
                                  "1 61000 info tick false", "2 121000 info bar true",
                                  "2 121000 info tick false", "2 121000 warn end of test"}));
  EXPECT_EQ(r.equity, (std::vector<double>{10000, 10000}));
  EXPECT_TRUE(r.errors.empty());
  EXPECT_EQ(r.starting_balance, 10000);
  EXPECT_EQ(r.ending_balance, 10000);
}

TEST(Backtest, WarmUpDecidesTheReplayedBars) {
  struct Case {
    const char* name;
    size_t bars, warm_up, samples;
  };
  const Case cases[] = {
      {"warm-up 0 replays every bar", 50, 0, 50},
      {"warm-up 20 skips 20", 50, 20, 30},
      {"warm-up equal to the bar count replays none", 50, 50, 0},
      {"warm-up above the bar count replays none", 50, 5000, 0},
      {"a huge warm-up (a negative one read unsigned) replays none", 50, SIZE_MAX, 0},
      {"no bars at all", 0, 0, 0},
  };
  for (const Case& c : cases) {
    Program p;
    p.on(EventKind::OnBar, p.stmt("log.info", {p.call("bars.index", 0)}));
    Report r = p.run(synthetic_bars(c.bars, 7), c.warm_up);
    EXPECT_EQ(r.equity.size(), c.samples) << c.name;
    ASSERT_EQ(r.journal.size(), c.samples) << c.name;
    if (c.samples > 0) {
      EXPECT_EQ(r.journal[0].message, std::to_string(c.warm_up)) << c.name;
    }
    for (double e : r.equity) EXPECT_EQ(e, 10000.0) << c.name;
  }
}

TEST(Backtest, PositionsFromStartUpCloseAtTheEndEvenWithoutReplay) {
  Program p;
  p.on(EventKind::OnInit, p.stmt("trade.buy", {p.num(0.1)}));
  p.on(EventKind::OnDeinit, p.stmt("log.info", {p.call("history.count", 0)}), 1);
  Report r = p.run(flat_bars({1.1, 1.2}), 200);
  EXPECT_TRUE(r.equity.empty());
  ASSERT_EQ(r.trades.size(), 1u);
  EXPECT_EQ(r.trades[0].reason, "end of test");
  EXPECT_EQ(r.trades[0].close_time, 1000);  // bar 0
  EXPECT_EQ(r.trades[0].profit, -0.9999999999998899);
  EXPECT_EQ(r.ending_balance, 9999.0);
  EXPECT_EQ(journal_texts(r), std::vector<std::string>{"0 1000 info 1"});
  EXPECT_EQ(r.losses, 1u);
  EXPECT_EQ(r.wins, 0u);
}

TEST(Backtest, EndOfTestClosesAtTheLastBarCloseWithSpreadForASell) {
  Program p;
  // Open one sell on the first replayed bar only.
  p.on(EventKind::OnBar, concat({{p.call("positions.count", 0), p.num(0), Op::plain(Opcode::Equal),
                                  Op::jump(Opcode::JumpIfFalse, 3)},
                                 p.stmt("trade.sell", {p.num(1)})}));
  Report r = p.run(flat_bars({1.3, 1.25, 1.2, 1.1}), 1);
  ASSERT_EQ(r.trades.size(), 1u);
  const ClosedTrade& t = r.trades[0];
  EXPECT_EQ(t.reason, "end of test");
  EXPECT_EQ(t.side, Side::Sell);
  EXPECT_EQ(t.open_price, 1.25);
  EXPECT_EQ(t.close_price, 1.1 + 0.0001);
  EXPECT_EQ(t.open_time, 61000);
  EXPECT_EQ(t.close_time, 181000);
  EXPECT_EQ(r.equity.size(), 3u);
  EXPECT_EQ(r.equity.back(), 10000 + t.profit);
  EXPECT_EQ(r.ending_balance, 10000 + t.profit);
  EXPECT_EQ(r.wins, 1u);
  // The spread paid at opening is the only fall below the starting peak.
  EXPECT_EQ(r.max_drawdown, 10000 - r.equity[0]);
}

TEST(Backtest, StopsSettleBeforeTheBarsHandlers) {
  Program p;
  p.on(EventKind::OnInit, p.stmt("trade.buy", {p.num(0.1), p.num(1.05)}));
  p.on(EventKind::OnBar, p.stmt("log.info", {p.call("positions.count", 0), p.call("history.count", 0)}));
  host::Bars bars = flat_bars({1.1, 1.1, 1.1});
  bars.low[1] = 1.04;
  Report r = p.run(bars, 1);
  EXPECT_EQ(journal_texts(r), (std::vector<std::string>{"1 61000 info 0 1", "2 121000 info 0 1"}));
  ASSERT_EQ(r.trades.size(), 1u);
  EXPECT_EQ(r.trades[0].reason, "stop loss");
  EXPECT_EQ(r.trades[0].close_price, 1.1);
}

TEST(Backtest, FailuresAreRecordedPerStageAndTheRunGoesOn) {
  Program p;
  p.on(EventKind::OnInit, p.stmt("chart.nope", {}));
  p.on(EventKind::OnBar, concat({p.stmt("log.info", {p.text("before")}), p.stmt("trade.buy", {p.num(0)})}));
  p.on(EventKind::OnTick, concat({p.stmt("log.info", {p.text("tick")}), p.stmt("sound.play", {})}));
  p.on(EventKind::OnDeinit, p.stmt("chart.nope", {}), 1);
  Report r = p.run(flat_bars({1, 1, 1, 1}), 2);
  EXPECT_EQ(r.errors, (std::vector<std::string>{
                          "onInit: 'chart.nope' is not available while backtesting",
                          "bar 2: A volume above zero is needed",
                          "tick 2: 'sound.play' is not available while backtesting",
                          "bar 3: A volume above zero is needed",
                          "tick 3: 'sound.play' is not available while backtesting"}));
  EXPECT_EQ(journal_texts(r), (std::vector<std::string>{"2 121000 info before", "2 121000 info tick",
                                                        "3 181000 info before", "3 181000 info tick"}));
  EXPECT_EQ(r.equity.size(), 2u);
}

TEST(Backtest, LoadFailureEndsTheRunAtOnce) {
  Program p;
  p.main(concat({p.stmt("log.info", {p.text("x")}), p.stmt("trade.buy", {p.num(1)}),
                 p.stmt("trade.closeAll", {}), p.stmt("nope", {})}));
  p.on(EventKind::OnInit, p.stmt("log.info", {p.text("init")}));
  Report r = p.run(flat_bars({1.1, 1.2}), 0);
  EXPECT_EQ(r.errors, std::vector<std::string>{"load: 'nope' is not available while backtesting"});
  EXPECT_TRUE(r.equity.empty());
  EXPECT_TRUE(r.journal.empty());
  EXPECT_TRUE(r.trades.empty());
  EXPECT_EQ(r.starting_balance, 10000);
  // The top-level code closed a position before failing.
  EXPECT_EQ(r.ending_balance, 9990.000000000002);
}

TEST(Backtest, GlobalsPersistBetweenHandlerCalls) {
  Program p;
  p.image.global_count = 1;
  p.image.global_names = {"n"};
  p.main({p.num(10), Op::with_b(Opcode::SetGlobal, 0), Op::plain(Opcode::Pop)});
  p.on(EventKind::OnBar, concat({{Op::with_b(Opcode::GetGlobal, 0), p.num(1), Op::plain(Opcode::Add),
                                  Op::with_b(Opcode::SetGlobal, 0), Op::plain(Opcode::Pop)},
                                 p.stmt("log.info", {Op::with_b(Opcode::GetGlobal, 0)})}));
  Report r = p.run(flat_bars({1, 1, 1}), 0);
  EXPECT_EQ(journal_texts(r), (std::vector<std::string>{"0 1000 info 11", "1 61000 info 12", "2 121000 info 13"}));
}

TEST(Backtest, ErrorsAreCappedWithTheDroppedCountLast) {
  Program p;
  p.on(EventKind::OnBar, p.stmt("nope", {}));
  Report r = p.run(flat_bars(std::vector<double>(1500, 1.0)), 0);
  ASSERT_EQ(r.errors.size(), kMaxErrors);
  EXPECT_EQ(r.errors[0], "bar 0: 'nope' is not available while backtesting");
  EXPECT_EQ(r.errors[998], "bar 998: 'nope' is not available while backtesting");
  EXPECT_EQ(r.errors.back(), "501 more errors were dropped");
  EXPECT_EQ(r.equity.size(), 1500u);
}

// Calls `name` (no arguments) in a handler on bar `bar` only.
std::vector<Op> on_bar_number(Program& p, double bar, const std::string& name) {
  std::vector<Op> call = p.stmt(name, {});
  return concat({{p.call("bars.index", 0), p.num(bar), Op::plain(Opcode::Equal),
                  Op::jump(Opcode::JumpIfFalse, static_cast<int32_t>(call.size()))},
                 call});
}

// A refusal of the run's memory or of the text cap reaching the top of a handler ends the
// run there: no later handler or bar runs, what is open closes "end of test", onDeinit
// runs, and the errors list ends with that error and the line saying where the run
// stopped. Other errors, the step budget's included, end only their handler.
TEST(Backtest, AResourceGuardEndsTheRunWhereItRefused) {
  struct Case {
    const char* behaviour;
    EventKind where;
    double bar;
    const char* call;
    std::vector<std::string> errors;
    std::vector<std::string> journal;
    size_t samples;
    int64_t closed_at;
  };
  const std::string memory = "This run holds more memory than it is allowed";
  const std::string stopped = " because the bot ran out of memory.";
  const Case cases[] = {
      {"the memory budget in onBar",
       EventKind::OnBar,
       2,
       "memory.refused",
       {"bar 2: " + memory, "The run stopped at bar 2" + stopped},
       {"0 1000 info tick", "1 61000 info tick", "2 121000 info end of test"},
       3,
       121000},
      {"the text cap in onBar",
       EventKind::OnBar,
       0,
       "text.refused",
       {"bar 0: The text would be longer than 268435456 bytes",
        "The run stopped at bar 0" + stopped},
       {"0 1000 info end of test"},
       1,
       1000},
      {"the memory budget in onTick",
       EventKind::OnTick,
       1,
       "memory.refused",
       {"tick 1: " + memory, "The run stopped at bar 1" + stopped},
       {"0 1000 info tick", "1 61000 info tick", "1 61000 info end of test"},
       2,
       61000},
      {"the memory budget in onInit",
       EventKind::OnInit,
       0,
       "memory.refused",
       {"onInit: " + memory, "The run stopped at bar 0" + stopped},
       {"0 1000 info end of test"},
       0,
       1000},
      {"another error goes on",
       EventKind::OnBar,
       1,
       "other.refused",
       {"bar 1: no"},
       {"0 1000 info tick", "1 61000 info tick", "2 121000 info tick", "3 181000 info tick",
        "4 241000 info tick", "4 241000 info end of test"},
       5,
       241000},
  };
  for (const Case& c : cases) {
    Program p;
    p.builtins.handlers = {
        {"memory.refused", +[](BuiltinCall&) -> Result<Value> { return heap::error(); }},
        {"text.refused", +[](BuiltinCall&) -> Result<Value> { return builtins::text_too_long(); }},
        {"other.refused", +[](BuiltinCall&) -> Result<Value> { return RuntimeError::here("no"); }},
    };
    std::vector<Op> init = p.stmt("trade.buy", {p.num(0.1)});
    std::vector<Op> bar, tick = p.stmt("log.info", {p.text("tick")});
    std::vector<Op>& failing = c.where == EventKind::OnInit  ? init
                               : c.where == EventKind::OnBar ? bar
                                                             : tick;
    failing = concat({failing, on_bar_number(p, c.bar, c.call)});
    p.on(EventKind::OnInit, init);
    p.on(EventKind::OnBar, bar);
    p.on(EventKind::OnTick, tick);
    p.on(EventKind::OnDeinit, p.stmt("log.info", {Op::with_b(Opcode::GetLocal, 0)}), 1);
    Report r = p.run(flat_bars({1, 1, 1, 1, 1}), 0);
    EXPECT_EQ(r.errors, c.errors) << c.behaviour;
    EXPECT_EQ(journal_texts(r), c.journal) << c.behaviour;
    EXPECT_EQ(r.equity.size(), c.samples) << c.behaviour;
    ASSERT_EQ(r.trades.size(), 1u) << c.behaviour;
    EXPECT_EQ(r.trades[0].reason, "end of test") << c.behaviour;
    EXPECT_EQ(r.trades[0].close_time, c.closed_at) << c.behaviour;
  }
}

// Errors dropped by the cap before it do not hide the error that ended the run.
TEST(Backtest, TheErrorThatEndedTheRunClosesACappedList) {
  Program p;
  p.builtins.handlers = {
      {"memory.refused", +[](BuiltinCall&) -> Result<Value> { return heap::error(); }}};
  p.on(EventKind::OnBar, concat({on_bar_number(p, 1200, "memory.refused"), p.stmt("nope", {})}));
  Report r = p.run(flat_bars(std::vector<double>(1500, 1.0)), 0);
  ASSERT_EQ(r.errors.size(), kMaxErrors + 2);
  EXPECT_EQ(r.errors[kMaxErrors - 1], "201 more errors were dropped");
  EXPECT_EQ(r.errors[kMaxErrors], "bar 1200: This run holds more memory than it is allowed");
  EXPECT_EQ(r.errors.back(), "The run stopped at bar 1200 because the bot ran out of memory.");
  EXPECT_EQ(r.equity.size(), 1201u);
}

TEST(Backtest, JournalOfALoggingLoopIsCapped) {
  Program p;
  // while true { log.info("spam") } until the step budget ends the handler.
  p.on(EventKind::OnBar, concat({p.stmt("log.info", {p.text("spam")}), {Op::jump(Opcode::Jump, -4)}}));
  Report r = p.run(flat_bars({1, 1}), 0);
  ASSERT_EQ(r.journal.size(), kMaxJournalLines);
  EXPECT_EQ(r.journal.back().level, "warn");
  EXPECT_EQ(r.journal.back().message.find("more journal lines were dropped") != std::string::npos, true);
  ASSERT_EQ(r.errors.size(), 2u);
  EXPECT_EQ(r.errors[0], "bar 0: This event used more steps than it is allowed");
}

TEST(Backtest, EquityAndDrawdownFollowTheOpenPosition) {
  Program p;
  p.on(EventKind::OnInit, p.stmt("trade.buy", {p.num(1)}));
  Report r = p.run(flat_bars({1.0, 1.0, 1.002, 0.999, 1.001}), 1);
  // Open at 1.0001 on bar 0; 1 lot is 100000 per unit of price.
  ASSERT_EQ(r.equity.size(), 4u);
  EXPECT_EQ(r.equity[0], 10000 + (1.0 - 1.0001) * 100000.0);
  EXPECT_EQ(r.equity[1], 10000 + (1.002 - 1.0001) * 100000.0);
  EXPECT_EQ(r.equity[2], 10000 + (0.999 - 1.0001) * 100000.0);
  EXPECT_EQ(r.max_drawdown, r.equity[1] - r.equity[2]);
  ASSERT_EQ(r.trades.size(), 1u);
  EXPECT_EQ(r.ending_balance, r.equity[3]);
}

// Over a long run of a bot that buys and sells with stops and targets and closes
// everything every seventh bar, the balance moves only by the closed trades' profits.
TEST(Backtest, BalanceMovesOnlyByClosedTradesOverALongRun) {
  Program p;
  auto open_if_few = [&p](const char* side, double sl_offset, double tp_offset) {
    return concat({{p.call("positions.count", 0), p.num(3), Op::plain(Opcode::Less),
                    Op::jump(Opcode::JumpIfFalse, 9), p.num(0.37), p.call("symbol.bid", 0),
                    p.num(sl_offset), Op::plain(Opcode::Add), p.call("symbol.bid", 0),
                    p.num(tp_offset), Op::plain(Opcode::Add), p.call(side, 3), Op::plain(Opcode::Pop)}});
  };
  p.on(EventKind::OnBar, concat({open_if_few("trade.buy", -0.0004, 0.0006),
                                 open_if_few("trade.sell", 0.0005, -0.0003)}));
  p.on(EventKind::OnTick, concat({{p.call("bars.index", 0), p.num(7), Op::plain(Opcode::Rem), p.num(0),
                                   Op::plain(Opcode::Equal), Op::jump(Opcode::JumpIfFalse, 2)},
                                  p.stmt("trade.closeAll", {})}));
  Report r = p.run(synthetic_bars(20000, 11), 100);
  EXPECT_TRUE(r.errors.empty());
  ASSERT_GT(r.trades.size(), 2000u);
  double balance = r.starting_balance;
  size_t stops = 0, targets = 0, all = 0, ends = 0, wins = 0, losses = 0;
  for (const ClosedTrade& t : r.trades) {
    balance += t.profit;
    stops += t.reason == "stop loss";
    targets += t.reason == "take profit";
    all += t.reason == "close all";
    ends += t.reason == "end of test";
    wins += t.profit > 0;
    losses += t.profit < 0;
    EXPECT_EQ(t.volume, 0.37);
  }
  EXPECT_EQ(r.ending_balance, balance);
  // Bar 19999 is a multiple of 7: everything closed in its onTick, before the sample.
  EXPECT_EQ(ends, 0u);
  EXPECT_EQ(r.equity.back(), r.ending_balance);
  EXPECT_GT(stops, 0u);
  EXPECT_GT(targets, 0u);
  EXPECT_GT(all, 0u);
  EXPECT_EQ(stops + targets + all + ends, r.trades.size());
  EXPECT_EQ(r.wins, wins);
  EXPECT_EQ(r.losses, losses);
  EXPECT_EQ(r.equity.size(), 19900u);
}

}  // namespace
}  // namespace kelo_vm::backtest
