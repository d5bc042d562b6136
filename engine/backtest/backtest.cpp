#include "backtest/backtest.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vm/interpreter.h"

namespace kelo_vm::backtest {

Backtest::Backtest(ReplayHost host, std::shared_ptr<const bytecode::Image> image, size_t warm_up,
                   const Builtins& builtins)
    : host_(std::move(host)), image_(std::move(image)), warm_up_(warm_up), builtins_(builtins) {}

Report Backtest::run() && {
  using bytecode::EventKind;
  Report report;
  report.starting_balance = host_.account().balance();
  Bounded<std::string> errors(kMaxErrors, kMaxErrorBytes);
  // A thrown text can be long: one that would not be kept is only counted.
  auto note = [&errors](std::string line) {
    const size_t bytes = line.size();
    errors.push(errors.accepts(bytes) ? std::move(line) : std::string(), bytes);
  };
  // The error with which a resource guard ended the run, and the bar it ended at. It
  // closes the errors list whatever the list's caps have dropped before it.
  std::optional<std::string> stopped_by;
  size_t stopped_at = 0;
  // Notes a failed handler; whether it ends the run.
  auto failed = [&](std::string line, const RuntimeError& e) {
    if (!e.exhausted) {
      note(std::move(line));
      return false;
    }
    stopped_by = std::move(line);
    stopped_at = host_.account().bar_index();
    return true;
  };
  auto finish = [&] {
    report.errors = std::move(errors).take(
        [](std::string, uint64_t dropped) { return errors_dropped_message(dropped); });
    if (stopped_by) {
      report.errors.push_back(std::move(*stopped_by));
      report.errors.push_back(run_stopped_message(stopped_at));
    }
    report.ending_balance = host_.account().balance();
  };

  Vm vm(image_, builtins_);
  if (Outcome loaded = vm.load_with(host_, {}); !loaded) {
    note("load: " + loaded.error().message);
    finish();
    return report;
  }

  const bytecode::Image& image = *image_;
  std::optional<uint16_t> on_init = image.event(EventKind::OnInit);
  std::optional<uint16_t> on_deinit = image.event(EventKind::OnDeinit);
  std::optional<uint16_t> on_tick = image.event(EventKind::OnTick);
  std::optional<uint16_t> on_bar = image.event(EventKind::OnBar);

  host_.set_bar_index(0);
  bool stop = false;
  if (on_init) {
    Result<Value> r = vm.run(*on_init, {}, host_);
    if (!r) stop = failed("onInit: " + r.error().message, r.error());
  }

  size_t count = host_.account().bar_count();
  size_t first = warm_up_ < count ? warm_up_ : count;
  Drawdown drawdown(host_.account().equity());
  for (size_t i = first; i < count && !stop; ++i) {
    host_.set_bar_index(i);
    host_.set_new_bar(true);
    host_.account().settle_stops();
    if (on_bar) {
      Result<Value> r = vm.run(*on_bar, {}, host_);
      if (!r) stop = failed("bar " + std::to_string(i) + ": " + r.error().message, r.error());
    }
    // The bar is new to the first handler that runs on it: onBar, or onTick without one.
    if (on_bar) host_.set_new_bar(false);
    if (on_tick && !stop) {
      Result<Value> r = vm.run(*on_tick, {}, host_);
      if (!r) stop = failed("tick " + std::to_string(i) + ": " + r.error().message, r.error());
    }
    host_.set_new_bar(false);
    double equity = host_.account().equity();
    report.equity.push_back(equity);
    drawdown.sample(equity);
  }
  report.max_drawdown = drawdown.max();

  std::vector<int64_t> tickets;
  for (const OpenPosition& p : host_.account().positions()) tickets.push_back(p.ticket);
  for (int64_t ticket : tickets) host_.account().close_ticket(ticket, "end of test");

  if (on_deinit) {
    Value reason = Value::text("end of test");
    (void)vm.run(*on_deinit, std::span<const Value>(&reason, 1), host_);
  }

  report.trades = host_.account().take_trades();
  report.journal = host_.take_journal();
  report.count_outcomes();
  finish();
  return report;
}

}  // namespace kelo_vm::backtest
