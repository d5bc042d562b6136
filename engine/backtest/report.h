// The outcome of one backtest and the statistics read from it.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "backtest/account.h"
#include "backtest/equity_samples.h"

namespace kelo_vm::backtest {

struct JournalLine {
  std::string level;
  std::string message;
  size_t bar = 0;    // the bar index when written
  int64_t time = 0;  // that bar's time; 0 beyond the data
};

// Output of one run is bounded so that a logging loop cannot exhaust memory: past a cap,
// lines are counted instead of kept, and the last kept line says how many were dropped.
inline constexpr size_t kMaxJournalLines = 100'000;
inline constexpr size_t kMaxJournalBytes = size_t{16} << 20;
inline constexpr size_t kMaxErrors = 1'000;
inline constexpr size_t kMaxErrorBytes = size_t{4} << 20;

// "N more journal lines were dropped" / "N more errors were dropped".
std::string journal_dropped_message(uint64_t dropped);
std::string errors_dropped_message(uint64_t dropped);
// The line after the error with which a resource guard ended the run at `bar`.
std::string run_stopped_message(size_t bar);

struct Report {
  std::vector<ClosedTrade> trades;  // closing order
  EquitySamples equity;             // one sample per replayed bar
  std::vector<JournalLine> journal;
  std::vector<std::string> errors;
  double starting_balance = 0.0;
  double ending_balance = 0.0;
  double max_drawdown = 0.0;  // money, not a ratio
  size_t wins = 0;            // profit above zero
  size_t losses = 0;          // profit below zero

  // Gross profit over gross loss: 0 with no trades; +inf with gains and no losses; 0
  // when nothing was gained or lost.
  double profit_factor() const;
  // wins x 100 / (wins + losses); 0 when both are 0.
  double win_rate() const;
  // Counts wins and losses over the trades (zero and NaN profits are neither).
  void count_outcomes();
};

// A list that keeps at most `cap` entries and at most `byte_cap` bytes of their texts.
// Once an entry does not fit, it and every later one are only counted; when anything was
// dropped, `take` replaces the last kept entry by a notice saying how many entries (that
// one included) were dropped, or, when nothing was kept, adds the notice after a stand-in
// for the first dropped entry.
template <class T>
class Bounded {
 public:
  explicit Bounded(size_t cap, size_t byte_cap = SIZE_MAX)
      : cap_(cap < 1 ? 1 : cap), byte_cap_(byte_cap) {}
  // Whether an entry whose texts take `bytes` would be kept.
  bool accepts(size_t bytes) const {
    return dropped_ == 0 && items_.size() < cap_ && bytes <= byte_cap_ - bytes_;
  }
  // `item` may be a light stand-in (its texts left out) when `accepts` said no: only
  // the first dropped entry of an empty list is kept, for its place in the notice.
  void push(T item, size_t bytes = 0) {
    if (accepts(bytes)) {
      items_.push_back(std::move(item));
      bytes_ += bytes;
      return;
    }
    if (dropped_ == 0 && items_.empty()) first_dropped_ = std::move(item);
    ++dropped_;
  }
  size_t size() const { return items_.size(); }
  uint64_t dropped() const { return dropped_; }
  const std::vector<T>& items() const { return items_; }
  // `notice(last_kept, dropped_count)` makes the closing entry.
  template <class Notice>
  std::vector<T> take(Notice notice) && {
    if (dropped_ > 0 && items_.empty()) {
      items_.push_back(notice(std::move(*first_dropped_), dropped_));
    } else if (dropped_ > 0) {
      items_.back() = notice(std::move(items_.back()), dropped_ + 1);
    }
    return std::move(items_);
  }

 private:
  size_t cap_;
  size_t byte_cap_;
  size_t bytes_ = 0;
  std::vector<T> items_;
  std::optional<T> first_dropped_;
  uint64_t dropped_ = 0;
};

// Running peak and largest fall below it.
class Drawdown {
 public:
  explicit Drawdown(double start_equity) : peak_(start_equity) {}
  void sample(double equity) {
    peak_ = std::fmax(peak_, equity);  // a NaN equity leaves the peak alone
    double drawdown = peak_ - equity;
    if (drawdown > max_) max_ = drawdown;
  }
  double peak() const { return peak_; }
  double max() const { return max_; }

 private:
  double peak_;
  double max_ = 0.0;
};

}  // namespace kelo_vm::backtest
