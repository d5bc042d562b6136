// Host calls about the symbol, the account, the bars, the clock, the timeframe and the
// bot itself.
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "backtest/replay_host_calls.h"
#include "core/numeric.h"

namespace kelo_vm::backtest::calls {

namespace {

constexpr int64_t kDayMs = 86'400'000;

const host::SymbolSpec& sym(ReplayHost& h) { return h.account().symbol(); }
Account& acct(ReplayHost& h) { return h.account(); }

Result<Value> normalize_price(ReplayHost& h, std::string_view, Args args) {
  double scale = std::pow(10.0, static_cast<double>(sym(h).digits));
  return Value::number(std::round(number(args) * scale) / scale);
}

// The `lots` conversion: snapped to the volume step, not held inside the limits.
Result<Value> lots_of(ReplayHost& h, std::string_view, Args args) {
  return Value::number(acct(h).snap_lots(number(args)));
}

// The `price` conversion: as symbol.normalize, and NaN for a number that is not finite.
Result<Value> price_of(ReplayHost& h, std::string_view, Args args) {
  const double x = number(args);
  if (!std::isfinite(x)) return Value::number(kNaN);
  const double scale = std::pow(10.0, static_cast<double>(sym(h).digits));
  const double scaled = x * scale;
  // From 2^52 on a double has no digits below its units: x has none to round at this
  // scale, and scaling back could only move it.
  if (!(std::fabs(scaled) < 4503599627370496.0)) return Value::number(x);
  return Value::number(std::round(scaled) / scale);
}

Result<Value> normalize_lots(ReplayHost& h, std::string_view, Args args) {
  return Value::number(acct(h).normalize_lots(number(args)));
}

// The time of the bar `n` bars back (a negative n reaches forward); 0 off the data.
Result<Value> bar_time(ReplayHost& h, std::string_view, Args args) {
  __int128 index = static_cast<__int128>(acct(h).bar_index()) - integer(args, 0);
  if (index < 0 || index >= static_cast<__int128>(acct(h).bars().times.size())) return Value::time(0);
  return Value::time(acct(h).time_at(static_cast<size_t>(index)));
}

// The UTC midnight at or before t, also for negative t.
Result<Value> start_of_day(ReplayHost& h, std::string_view, Args args) {
  std::optional<int64_t> given = args.empty() ? std::nullopt : as_int(args[0]);
  int64_t t = given ? *given : acct(h).time();
  __int128 day = static_cast<__int128>(kelo_core::numeric::floor_div(t, kDayMs)) * kDayMs;
  // The floor of the earliest times lies below the 64-bit range: saturate.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  return Value::time(day < kMin ? kMin : static_cast<int64_t>(day));
}

// Saturday or Sunday in UTC, also before 1970 (1 January 1970 was a Thursday); the
// current bar's time when the argument is missing or not a time.
Result<Value> is_weekend(ReplayHost& h, std::string_view, Args args) {
  std::optional<int64_t> given = args.empty() ? std::nullopt : as_int(args[0]);
  const int64_t day = kelo_core::numeric::floor_div(given ? *given : acct(h).time(), kDayMs);
  const int64_t weekday = ((day % 7) + 7 + 4) % 7;  // 0 Sunday ... 6 Saturday
  return Value::boolean(weekday == 0 || weekday == 6);
}

const std::pair<std::string_view, Handler> kRows[] = {
    // Symbol
    {"symbol.name", KELO_HOST_ANSWER(Value::text(sym(h).name))},
    {"symbol.bid", KELO_HOST_ANSWER(Value::number(acct(h).close()))},
    {"symbol.last", KELO_HOST_ANSWER(Value::number(acct(h).close()))},
    {"symbol.ask", KELO_HOST_ANSWER(Value::number(acct(h).ask()))},
    {"symbol.time", KELO_HOST_ANSWER(Value::time(acct(h).time()))},
    {"symbol.point", KELO_HOST_ANSWER(Value::number(sym(h).point))},
    {"point", KELO_HOST_ANSWER(Value::number(sym(h).point))},
    {"symbol.pip", KELO_HOST_ANSWER(Value::number(sym(h).pip))},
    {"pip", KELO_HOST_ANSWER(Value::number(sym(h).pip))},
    {"symbol.digits", KELO_HOST_ANSWER(Value::integer(sym(h).digits))},
    {"digits", KELO_HOST_ANSWER(Value::integer(sym(h).digits))},
    {"symbol.spread", KELO_HOST_ANSWER(Value::number(acct(h).spread() / sym(h).point))},
    {"symbol.tickSize", KELO_HOST_ANSWER(Value::number(sym(h).tick_size))},
    {"symbol.tickValue", KELO_HOST_ANSWER(Value::number(sym(h).tick_value))},
    {"symbol.contractSize", KELO_HOST_ANSWER(Value::number(sym(h).contract_size))},
    {"symbol.volumeMin", KELO_HOST_ANSWER(Value::number(sym(h).volume_min))},
    {"symbol.volumeMax", KELO_HOST_ANSWER(Value::number(sym(h).volume_max))},
    {"symbol.volumeStep", KELO_HOST_ANSWER(Value::number(sym(h).volume_step))},
    {"symbol.tradeAllowed", KELO_HOST_ANSWER(Value::boolean(true))},
    {"symbol.sessionOpen", KELO_HOST_ANSWER(Value::boolean(true))},
    {"symbol.normalize", normalize_price},
    {"symbol.normalizeLots", normalize_lots},
    // The conversions to a volume and to a price.
    {"lots", lots_of},
    {"price", price_of},

    // Account: fixed values describe the simulated account.
    {"account.name", KELO_HOST_ANSWER(Value::text("Backtest"))},
    {"account.login", KELO_HOST_ANSWER(Value::integer(9000001))},
    {"account.server", KELO_HOST_ANSWER(Value::text("Tester"))},
    {"account.company", KELO_HOST_ANSWER(Value::text("Zentrix"))},
    {"account.currency", KELO_HOST_ANSWER(Value::text("USD"))},
    {"account.leverage", KELO_HOST_ANSWER(Value::integer(100))},
    {"account.balance", KELO_HOST_ANSWER(Value::number(acct(h).balance()))},
    {"account.equity", KELO_HOST_ANSWER(Value::number(acct(h).equity()))},
    {"account.freeMargin", KELO_HOST_ANSWER(Value::number(acct(h).equity()))},
    {"account.profit", KELO_HOST_ANSWER(Value::number(acct(h).floating()))},
    {"account.margin", KELO_HOST_ANSWER(Value::number(0.0))},
    {"account.credit", KELO_HOST_ANSWER(Value::number(0.0))},
    {"account.marginLevel", KELO_HOST_ANSWER(Value::number(0.0))},
    {"account.isDemo", KELO_HOST_ANSWER(Value::boolean(true))},
    {"account.hedging", KELO_HOST_ANSWER(Value::boolean(true))},
    {"account.tradeAllowed", KELO_HOST_ANSWER(Value::boolean(true))},

    // Bars, clock, timeframe: every bar counts as one minute.
    {"bars.count", KELO_HOST_ANSWER(count_value(acct(h).bar_count()))},
    {"bars.index", KELO_HOST_ANSWER(count_value(acct(h).bar_index()))},
    {"bars.isNew", KELO_HOST_ANSWER(Value::boolean(h.is_new_bar()))},
    {"bars.time", bar_time},
    {"clock.now", KELO_HOST_ANSWER(Value::time(acct(h).time()))},
    {"clock.gmt", KELO_HOST_ANSWER(Value::time(acct(h).time()))},
    {"clock.local", KELO_HOST_ANSWER(Value::time(acct(h).time()))},
    {"clock.server", KELO_HOST_ANSWER(Value::time(acct(h).time()))},
    {"clock.startOfDay", start_of_day},
    {"clock.isWeekend", is_weekend},
    {"timeframe.name", KELO_HOST_ANSWER(Value::text("M1"))},
    {"timeframe.seconds", KELO_HOST_ANSWER(Value::integer(60))},
    {"timeframe.minutes", KELO_HOST_ANSWER(Value::integer(1))},

    // Bot and runtime
    {"bot.id", KELO_HOST_ANSWER(Value::text("backtest"))},
    {"bot.name", KELO_HOST_ANSWER(Value::text("backtest"))},
    {"bot.magic", KELO_HOST_ANSWER(Value::integer(h.magic()))},
    {"bot.version", KELO_HOST_ANSWER(Value::text("1.0.0"))},
    {"bot.isTesting", KELO_HOST_ANSWER(Value::boolean(true))},
    {"tester.isActive", KELO_HOST_ANSWER(Value::boolean(true))},
    {"bot.isOptimising", KELO_HOST_ANSWER(Value::boolean(false))},
    {"runtime.steps", KELO_HOST_ANSWER(Value::integer(0))},
    {"runtime.stepBudget", KELO_HOST_ANSWER(Value::integer(2000000))},
};

}  // namespace

void add_market_calls(Table& table) {
  for (const auto& [name, handler] : kRows) table[name] = handler;
}

}  // namespace kelo_vm::backtest::calls
