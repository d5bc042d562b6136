// The simulated account of a backtest: the bars being replayed with their cursor, the
// traded symbol, the balance, the open positions and the closed trades.
//
// Every fill is at the current bar's close: a buy opens (and a sell closes) at the ask,
// close + spread; a sell opens (and a buy closes) at the bid, close. There are no pending
// orders, no margin and no swap; profit reaches the account currency through one fixed
// conversion factor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vm/heap.h"
#include "vm/host.h"

namespace kelo_vm::backtest {

enum class Side : uint8_t { Buy = 0, Sell = 1 };

// "buy" or "sell".
std::string_view side_name(Side side);

struct OpenPosition {
  std::string comment;
  int64_t ticket = 0;
  double volume = 0.0;       // lots, after step rounding and limits
  double open_price = 0.0;
  double stop_loss = 0.0;    // zero or below: none
  double take_profit = 0.0;  // zero or below: none
  size_t open_bar = 0;
  int64_t open_time = 0;     // the open bar's time; 0 beyond the data
  Side side = Side::Buy;
  int64_t magic = 0;  // the magic number it was opened with
};

struct ClosedTrade {
  std::string reason;
  std::string comment;
  int64_t ticket = 0;
  double volume = 0.0;
  double open_price = 0.0;
  double close_price = 0.0;
  int64_t open_time = 0;
  int64_t close_time = 0;
  double profit = 0.0;  // account currency, commission deducted
  Side side = Side::Buy;
  int64_t magic = 0;
};

class Account {
 public:
  Account(host::Bars bars, host::SymbolSpec symbol, double balance, double spread);

  const host::Bars& bars() const { return bars_; }
  // Hands the bars over, leaving none; for the end of a run.
  const host::SymbolSpec& symbol() const { return symbol_; }
  size_t bar_count() const { return bars_.size(); }
  size_t bar_index() const { return bar_index_; }
  void set_bar_index(size_t index) { bar_index_ = index; }

  // The current bar's prices: NaN beyond the data (time 0).
  double close() const;
  double ask() const { return close() + spread_; }
  double high() const;
  double low() const;
  int64_t time() const { return time_at(bar_index_); }
  // Any bar's time; 0 beyond the data.
  int64_t time_at(size_t index) const;

  double balance() const { return balance_; }
  double spread() const { return spread_; }
  double commission() const { return commission_; }
  void set_commission(double commission) { commission_ = commission; }
  // The symbol's conversion when above zero, else 1.
  double conversion() const;

  const std::vector<OpenPosition>& positions() const { return positions_; }
  const std::vector<ClosedTrade>& trades() const { return trades_; }
  std::vector<ClosedTrade> take_trades() { return std::move(trades_); }
  OpenPosition* find(int64_t ticket);

  // The step rule of opening: the symbol's step, or 1e-6 when smaller or NaN; the
  // volume snapped to it (halves away from zero), then held inside the symbol's limits.
  double normalize_lots(double requested) const;
  // The same snap without the limits (the `lots` conversion); NaN for a number that is
  // not finite.
  double snap_lots(double requested) const;

  // Whether opening a position with this comment, or closing `count` positions into the
  // trade list, fits the thread's heap meter: the positions and trades are charged to it.
  bool room_to_open(std::string_view comment) const;
  bool room_to_close(size_t count) const;

  // Opens a position at the current close (plus the spread for a buy); answers its ticket.
  int64_t open(Side side, std::string comment, double requested_volume, double stop_loss,
               double take_profit, int64_t magic = 0);
  // Closes the first open position with the ticket at the current bar; none when no open
  // position has it.
  std::optional<ClosedTrade> close_ticket(int64_t ticket, std::string_view reason);
  // Closes every position whose stop loss or take profit the current bar's range
  // reached; the stop loss is tested first; the exit is at the close, not the level.
  void settle_stops();

  // Price at which a position is valued (and would close) now.
  double valuation_price(const OpenPosition& p) const;
  // Profit of a position at price p, in account currency.
  double profit_at(const OpenPosition& p, double price) const;
  // Summed profit of the open positions now (-0.0 with none).
  double floating() const;
  double equity() const { return balance_ + floating(); }

 private:
  // Moves the charge to what the lists hold now.
  void settle_charge();

  host::Bars bars_;
  host::SymbolSpec symbol_;
  std::vector<OpenPosition> positions_;
  std::vector<ClosedTrade> trades_;
  uint64_t text_bytes_ = 0;  // the comments' and reasons' own allocations
  heap::Charge charge_;      // the lists' storage and text_bytes_
  size_t bar_index_ = 0;
  double balance_ = 0.0;
  int64_t next_ticket_ = 1;
  double spread_ = 0.0;
  double commission_ = 0.0;
};

}  // namespace kelo_vm::backtest
