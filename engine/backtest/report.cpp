#include "backtest/report.h"

#include <utility>

namespace kelo_vm::backtest {

std::string journal_dropped_message(uint64_t dropped) {
  return std::to_string(dropped) + " more journal lines were dropped";
}

std::string errors_dropped_message(uint64_t dropped) {
  return std::to_string(dropped) + " more errors were dropped";
}

std::string run_stopped_message(size_t bar) {
  return "The run stopped at bar " + std::to_string(bar) + " because the bot ran out of memory.";
}

double Report::profit_factor() const {
  if (trades.empty()) return 0.0;
  double gross_profit = 0.0, gross_loss = 0.0;
  for (const ClosedTrade& t : trades) {
    if (t.profit > 0) gross_profit += t.profit;
    if (t.profit < 0) gross_loss += -t.profit;
  }
  if (gross_loss == 0) return gross_profit > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return gross_profit / gross_loss;
}

double Report::win_rate() const {
  if (wins == 0 && losses == 0) return 0.0;
  return static_cast<double>(wins) * 100.0 / (static_cast<double>(wins) + static_cast<double>(losses));
}

void Report::count_outcomes() {
  wins = losses = 0;
  for (const ClosedTrade& t : trades) {
    if (t.profit > 0) ++wins;
    if (t.profit < 0) ++losses;
  }
}

}  // namespace kelo_vm::backtest
