#include "backtest/account.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

namespace kelo_vm::backtest {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A span reads a borrowed price column where it lies instead of copying it.
double column_at(std::span<const double> column, size_t index) {
  return index < column.size() ? column[index] : kNaN;
}

}  // namespace

std::string_view side_name(Side side) { return side == Side::Buy ? "buy" : "sell"; }

Account::Account(host::Bars bars, host::SymbolSpec symbol, double balance, double spread)
    : bars_(std::move(bars)), symbol_(std::move(symbol)), balance_(balance), spread_(spread) {}

double Account::close() const { return column_at(bars_.close, bar_index_); }
double Account::high() const { return column_at(bars_.high, bar_index_); }
double Account::low() const { return column_at(bars_.low, bar_index_); }

int64_t Account::time_at(size_t index) const {
  return index < bars_.times.size() ? bars_.times[index] : 0;
}

double Account::conversion() const { return symbol_.conversion > 0 ? symbol_.conversion : 1.0; }

OpenPosition* Account::find(int64_t ticket) {
  for (OpenPosition& p : positions_)
    if (p.ticket == ticket) return &p;
  return nullptr;
}

namespace {
double snapped(double requested, double step) {
  if (!(step >= 1e-6)) step = 1e-6;  // smaller or NaN
  return step * std::round(requested / step);
}
}  // namespace

double Account::snap_lots(double requested) const {
  if (!std::isfinite(requested)) return std::numeric_limits<double>::quiet_NaN();
  return snapped(requested, symbol_.volume_step);
}

double Account::normalize_lots(double requested) const {
  double volume = snapped(requested, symbol_.volume_step);
  // Crossed limits are read in their sorted order rather than trusted.
  double lo = symbol_.volume_min, hi = symbol_.volume_max;
  if (lo > hi) std::swap(lo, hi);
  if (volume < lo) volume = lo;
  if (volume > hi) volume = hi;
  return volume;
}

namespace {

// A reason is one of a few short names; a comment moves over from its position.
constexpr uint64_t kReasonBytes = 32;

}  // namespace

bool Account::room_to_open(std::string_view comment) const {
  return heap::fits(heap::growth_bytes(positions_, positions_.size() + 1) +
                    heap::string_bytes(comment.size()));
}

bool Account::room_to_close(size_t count) const {
  return heap::fits(heap::growth_bytes(trades_, trades_.size() + count) + count * kReasonBytes);
}

void Account::settle_charge() {
  const uint64_t now = positions_.capacity() * sizeof(OpenPosition) +
                       trades_.capacity() * sizeof(ClosedTrade) + text_bytes_;
  charge_.settle(now);
}

int64_t Account::open(Side side, std::string comment, double requested_volume, double stop_loss,
                      double take_profit, int64_t magic) {
  double price = side == Side::Buy ? ask() : close();
  int64_t ticket = next_ticket_;
  if (next_ticket_ < std::numeric_limits<int64_t>::max()) ++next_ticket_;
  text_bytes_ += heap::string_bytes(comment.size());
  positions_.push_back(OpenPosition{std::move(comment), ticket, normalize_lots(requested_volume),
                                    price, stop_loss, take_profit, bar_index_, time(), side,
                                    magic});
  settle_charge();
  return ticket;
}

double Account::valuation_price(const OpenPosition& p) const {
  return p.side == Side::Buy ? close() : ask();
}

double Account::profit_at(const OpenPosition& p, double price) const {
  double difference = p.side == Side::Buy ? price - p.open_price : p.open_price - price;
  return difference * (p.volume * symbol_.contract_size * conversion()) - p.volume * commission_;
}

double Account::floating() const {
  double sum = -0.0;
  for (const OpenPosition& p : positions_) sum += profit_at(p, valuation_price(p));
  return sum;
}

std::optional<ClosedTrade> Account::close_ticket(int64_t ticket, std::string_view reason) {
  auto it = positions_.begin();
  while (it != positions_.end() && it->ticket != ticket) ++it;
  if (it == positions_.end()) return std::nullopt;
  OpenPosition p = std::move(*it);
  positions_.erase(it);
  double price = valuation_price(p);
  double profit = profit_at(p, price);
  balance_ += profit;
  ClosedTrade trade{std::string(reason),
                    std::move(p.comment),
                    p.ticket,
                    p.volume,
                    p.open_price,
                    price,
                    p.open_time,
                    time(),
                    profit,
                    p.side,
                    p.magic};
  trades_.push_back(trade);
  text_bytes_ += heap::string_bytes(trade.reason.size());
  settle_charge();
  return trade;
}

void Account::settle_stops() {
  double h = high(), l = low();
  std::vector<std::pair<int64_t, std::string_view>> hits;
  for (const OpenPosition& p : positions_) {
    bool sell = p.side == Side::Sell;
    bool stop = p.stop_loss > 0 && (sell ? h >= p.stop_loss : l <= p.stop_loss);
    bool target = p.take_profit > 0 && (sell ? l <= p.take_profit : h >= p.take_profit);
    if (stop)
      hits.emplace_back(p.ticket, "stop loss");
    else if (target)
      hits.emplace_back(p.ticket, "take profit");
  }
  for (const auto& [ticket, reason] : hits) close_ticket(ticket, reason);
}

}  // namespace kelo_vm::backtest
