// Backtest throughput over generated bars: the account's per-bar work alone, and whole
// runs of a small trading bot through the interpreter and the replay host. Both should
// grow linearly with the bar count.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "backtest/backtest.h"
#include "backtest/synthetic_bars.h"
#include "vm/dispatch.h"

namespace {

using namespace kelo_vm;
using namespace kelo_vm::backtest;
using bytecode::Constant;
using bytecode::EventKind;
using bytecode::Op;
using bytecode::Opcode;

// Settling stops and valuing ten open positions on every bar, as the driver does.
void BM_AccountPerBar(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  host::Bars bars = synthetic_bars(n, 7);
  for (auto _ : state) {
    Account account(bars, {}, 10000.0, 0.0001);
    for (int i = 0; i < 10; ++i) account.open(i % 2 ? Side::Sell : Side::Buy, "", 0.1, 0.5, 2.0);
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
      account.set_bar_index(i);
      account.settle_stops();
      sum += account.equity();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_AccountPerBar)->Arg(10'000)->Arg(100'000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

// A bot that keeps one position open with its stop and target five pips from the close,
// so it trades every few bars, and reads the equity on every tick.
struct Bot {
  bytecode::Image image;
  TableBuiltins builtins;

  uint16_t host(const std::string& name) {
    builtins.names.push_back(name);
    return static_cast<uint16_t>(builtins.names.size() - 1);
  }
  Op num(double v) {
    image.constants.push_back(Constant::number(v));
    return Op::with_c(Opcode::Const, static_cast<uint32_t>(image.constants.size() - 1));
  }
  void on(EventKind kind, std::vector<Op> code) {
    bytecode::Function f;
    f.name = "handler";
    code.push_back(Op::plain(Opcode::ReturnNothing));
    f.code = std::move(code);
    image.functions.push_back(std::move(f));
    image.events.push_back({kind, static_cast<uint16_t>(image.functions.size() - 1)});
  }

  Bot() {
    uint16_t count = host("positions.count"), bid = host("symbol.bid"), buy = host("trade.buy"),
             equity = host("account.equity");
    on(EventKind::OnBar, {Op::call_host(count, 0), num(0), Op::plain(Opcode::Equal),
                          Op::jump(Opcode::JumpIfFalse, 9), num(0.1), Op::call_host(bid, 0), num(0.0005),
                          Op::plain(Opcode::Sub), Op::call_host(bid, 0), num(0.0005), Op::plain(Opcode::Add),
                          Op::call_host(buy, 3), Op::plain(Opcode::Pop)});
    on(EventKind::OnTick, {Op::call_host(equity, 0), Op::plain(Opcode::Pop)});
  }
};

void BM_BacktestRun(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  Bot bot;
  auto image = std::make_shared<const bytecode::Image>(bot.image);
  host::Bars bars = synthetic_bars(n, 7);
  size_t trades = 0;
  for (auto _ : state) {
    ReplayHost host(bars, {}, 10000.0, 0.0001);
    Report report = Backtest(std::move(host), image, 0, bot.builtins).run();
    trades = report.trades.size();
    benchmark::DoNotOptimize(report);
  }
  state.counters["trades"] = static_cast<double>(trades);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BacktestRun)->Arg(10'000)->Arg(100'000)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);

}  // namespace
