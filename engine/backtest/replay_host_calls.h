// The replay host's call table, filled by one function per concern, and the argument
// readers its rows share. Private to the replay host's sources.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "backtest/replay_host.h"

namespace kelo_vm::backtest::calls {

using Args = std::span<const Value>;
using Handler = Result<Value> (*)(ReplayHost& host, std::string_view name, Args args);
using Table = std::unordered_map<std::string_view, Handler>;

void add_market_calls(Table& table);   // symbol, account, bars, clock, timeframe, bot
void add_trade_calls(Table& table);    // positions, orders, history, trade
void add_journal_calls(Table& table);  // journal, store, formatting, no-ops
void add_random_calls(Table& table);   // rand, randInt, seed

// A table row answered by one expression of the host `h`; the arguments are ignored.
#define KELO_HOST_ANSWER(expr) \
  +[](ReplayHost& h, std::string_view, Args) -> Result<Value> { (void)h; return expr; }

// A host failure: the interpreter keeps the message and replaces the line.
inline RuntimeError failure(std::string message) { return RuntimeError{std::move(message), 1}; }

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Bool 1 or 0, Int and Time converted, Num and Duration as they are; otherwise `fallback`.
inline double number_or(Args args, size_t i, double fallback) {
  if (i >= args.size()) return fallback;
  return numeric_view(args[i]).value_or(fallback);
}
// The `number` reader: NaN when missing or not numeric.
inline double number(Args args, size_t i = 0) { return number_or(args, i, kNaN); }
// The `optional_price` reader: 0 when missing or not numeric.
inline double optional_price(Args args, size_t i) { return number_or(args, i, 0.0); }
// Tickets, bar counts and times: truncated toward zero (saturating); anything else 0.
inline int64_t integer(Args args, size_t i) {
  if (i >= args.size()) return 0;
  return as_int(args[i]).value_or(0);
}
// A count as an Int (saturating).
inline Value count_value(size_t n) {
  constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int64_t>::max());
  return Value::integer(static_cast<int64_t>(n < kMax ? n : kMax));
}
// Missing and Nothing give the empty text, a Text its string, anything else its display.
std::string text_arg(Args args, size_t i);

}  // namespace kelo_vm::backtest::calls
