// Host calls about the symbol, the account, the bars, the clock, the timeframe and the
// bot itself.
#include <cmath>
#include <limits>

#include "core/numeric.h"
#include "vm/replay_host_calls.h"

namespace kelo_vm::backtest::calls {

namespace {

constexpr int64_t kDayMs = 86'400'000;

#define KELO_HOST_CALL(fn) Result<Value> fn(ReplayHost& h, std::string_view name, Args args)

const host::SymbolSpec& sym(ReplayHost& h) { return h.account().symbol(); }

Value text_of(std::string_view s) { return Value::text(s); }

// The lot rule of opening, for "symbol.normalizeLots".
KELO_HOST_CALL(normalize_lots) {
  (void)name;
  return Value::number(h.account().normalize_lots(number(args)));
}

KELO_HOST_CALL(normalize_price) {
  (void)name;
  double scale = std::pow(10.0, static_cast<double>(sym(h).digits));
  return Value::number(std::round(number(args) * scale) / scale);
}

// The time of the bar `n` bars back (a negative n reaches forward); 0 off the data.
KELO_HOST_CALL(bar_time) {
  (void)name;
  __int128 index = static_cast<__int128>(h.account().bar_index()) - integer(args, 0);
  if (index < 0 || index >= static_cast<__int128>(h.account().bars().times.size()))
    return Value::time(0);
  return Value::time(h.account().time_at(static_cast<size_t>(index)));
}

// The UTC midnight at or before t, also for negative t.
KELO_HOST_CALL(start_of_day) {
  (void)name;
  std::optional<int64_t> given = args.empty() ? std::nullopt : as_int(args[0]);
  int64_t t = given ? *given : h.account().time();
  __int128 day = static_cast<__int128>(kelo_core::numeric::floor_div(t, kDayMs)) * kDayMs;
  // The floor of the earliest times lies below the 64-bit range: saturate.
  if (day < std::numeric_limits<int64_t>::min()) return Value::time(std::numeric_limits<int64_t>::min());
  return Value::time(static_cast<int64_t>(day));
}

}  // namespace

void add_market_calls(Table& t) {
  // Symbol
  t["symbol.name"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(text_of(sym(h).name)); };
  Handler bid = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(h.account().close())); };
  t["symbol.bid"] = bid;
  t["symbol.last"] = bid;
  t["symbol.ask"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(h.account().ask())); };
  t["symbol.time"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::time(h.account().time())); };
  Handler point = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).point)); };
  t["symbol.point"] = point;
  t["point"] = point;
  Handler pip = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).pip)); };
  t["symbol.pip"] = pip;
  t["pip"] = pip;
  Handler digits = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::integer(sym(h).digits)); };
  t["symbol.digits"] = digits;
  t["digits"] = digits;
  t["symbol.spread"] = [](ReplayHost& h, std::string_view, Args) {
    return Result<Value>(Value::number(h.account().spread() / sym(h).point));
  };
  t["symbol.tickSize"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).tick_size)); };
  t["symbol.tickValue"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).tick_value)); };
  t["symbol.contractSize"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).contract_size)); };
  t["symbol.volumeMin"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).volume_min)); };
  t["symbol.volumeMax"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).volume_max)); };
  t["symbol.volumeStep"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(sym(h).volume_step)); };
  Handler yes = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::boolean(true)); };
  Handler no = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::boolean(false)); };
  t["symbol.tradeAllowed"] = yes;
  t["symbol.sessionOpen"] = yes;
  t["symbol.normalize"] = normalize_price;
  t["symbol.normalizeLots"] = normalize_lots;

  // Account: fixed values describe the simulated account.
  t["account.name"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("Backtest")); };
  t["account.login"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(9000001)); };
  t["account.server"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("Tester")); };
  t["account.company"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("Zentrix")); };
  t["account.currency"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("USD")); };
  t["account.leverage"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(100)); };
  t["account.balance"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(h.account().balance())); };
  Handler equity = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(h.account().equity())); };
  t["account.equity"] = equity;
  t["account.freeMargin"] = equity;
  t["account.profit"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::number(h.account().floating())); };
  Handler zero = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::number(0.0)); };
  t["account.margin"] = zero;
  t["account.credit"] = zero;
  t["account.marginLevel"] = zero;
  t["account.isDemo"] = yes;
  t["account.hedging"] = yes;
  t["account.tradeAllowed"] = yes;

  // Bars, clock, timeframe: every bar counts as one minute.
  t["bars.count"] = [](ReplayHost& h, std::string_view, Args) {
    return Result<Value>(count_value(h.account().bar_count()));
  };
  t["bars.index"] = [](ReplayHost& h, std::string_view, Args) {
    return Result<Value>(count_value(h.account().bar_index()));
  };
  t["bars.isNew"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::boolean(h.is_new_bar())); };
  t["bars.time"] = bar_time;
  Handler now = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::time(h.account().time())); };
  t["clock.now"] = now;
  t["clock.gmt"] = now;
  t["clock.local"] = now;
  t["clock.server"] = now;
  t["clock.startOfDay"] = start_of_day;
  t["timeframe.name"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("M1")); };
  t["timeframe.seconds"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(60)); };
  t["timeframe.minutes"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(1)); };

  // Bot and runtime
  Handler bot_name = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("backtest")); };
  t["bot.id"] = bot_name;
  t["bot.name"] = bot_name;
  t["bot.magic"] = [](ReplayHost& h, std::string_view, Args) { return Result<Value>(Value::integer(h.magic())); };
  t["bot.version"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(text_of("1.0.0")); };
  t["bot.isTesting"] = yes;
  t["tester.isActive"] = yes;
  t["bot.isOptimising"] = no;
  t["runtime.steps"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(0)); };
  t["runtime.stepBudget"] = [](ReplayHost&, std::string_view, Args) { return Result<Value>(Value::integer(2000000)); };
}

#undef KELO_HOST_CALL

}  // namespace kelo_vm::backtest::calls
