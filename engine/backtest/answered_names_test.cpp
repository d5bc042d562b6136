// Every callable name of the host-function table reaches an answer in a backtest: exactly
// one library answers it (the series calls, the pure functions, the methods or the
// replay host), or it is on the one list below of names a backtest refuses on purpose.
// A name that passes the checker and then fails on every bar shows up here first.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "backtest/replay_host.h"
#include "builtins/methods.h"
#include "builtins/pure_functions.h"
#include "series/series_calls.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"

namespace kelo_vm::backtest {
namespace {

// Names the registry defines that a backtest answers with "'{}' is not available while
// backtesting": what needs a live terminal, a network, a chart or an order book, and what
// the simulated account does not model (pending orders, margin, swaps, sessions).
// clang-format off
const std::set<std::string_view> kRefusedWhileBacktesting = {
    // Inputs and panels: declarations, not calls a running bot makes.
    "button", "custom", "fill", "label", "row", "separator", "slider", "toggle", "value",
    "src_close", "src_high", "src_hl2", "src_hlc3", "src_low", "src_ohlc4", "src_open",
    // Conversions and helpers no Part answers at run time yet.
    "at", "clearError", "webhook",
    "lastError.code", "lastError.message", "series.of", "store.clear", "time#format",
    "text.parseJson", "text.parseTime", "text.toJson",
    // The live account, symbol and market.
    "account.marginCall", "account.stopOut",
    "symbol.currencyBase", "symbol.currencyMargin", "symbol.currencyProfit",
    "symbol.description", "symbol.freezeLevel", "symbol.high", "symbol.low",
    "symbol.marginRate", "symbol.sessionQuote", "symbol.sessionTrade", "symbol.stopsLevel",
    "symbol.swapLong", "symbol.swapShort",
    "symbols.book", "symbols.info", "symbols.list", "symbols.select", "symbols.tick",
    "bars.rates", "bars.shift", "bars.ticks",
    "clock.dst", "clock.gmtOffset", "clock.inSession", "clock.of",
    "clock.parse", "clock.startOfMonth", "clock.startOfWeek", "clock.ticks",
    // Pending orders and trade management the account does not simulate.
    "orders.byTicket", "positions.longVolume", "positions.shortVolume",
    "history.deals", "history.orders", "history.positions",
    "trade.breakEven", "trade.buyLimit", "trade.buyStop", "trade.buyStopLimit",
    "trade.calcMargin", "trade.calcProfit", "trade.cancel", "trade.cancelAll",
    "trade.closeLosing", "trade.closePartial", "trade.closeProfitable", "trade.modifyPending",
    "trade.result", "trade.reverse", "trade.sellLimit", "trade.sellStop",
    "trade.sellStopLimit", "trade.trail",
    // The terminal: its chart, the bot's own lifecycle, timers and the tester's figures.
    "chart.firstVisibleBar", "chart.get", "chart.priceToY", "chart.screenshot",
    "chart.scroll", "chart.set", "chart.setSymbolPeriod", "chart.symbol", "chart.timeToX",
    "chart.timeframe", "chart.visibleBars", "chart.xyToTimePrice", "chart.zoom",
    "bot.pause", "bot.stop", "timer.interval", "tester.stat",
    "runtime.elapsed", "runtime.heapUsed",
    // The network and files.
    "ai.ask", "ai.embed", "ai.json", "ai.models",
    "http.delete", "http.get", "http.json", "http.patch", "http.post", "http.put",
    "resource.exists", "resource.list", "resource.read",
};
// clang-format on

// The libraries that answer each name, by their own tables.
std::map<std::string, std::vector<std::string>> answering_libraries() {
  std::map<std::string, std::vector<std::string>> by_name;
  for (std::string_view n : series::call_names()) by_name[std::string(n)].push_back("series");
  for (std::string_view n : builtins::pure_names()) by_name[std::string(n)].push_back("pure");
  for (const std::string& n : builtins::method_names()) by_name[n].push_back("methods");
  for (std::string_view n : ReplayHost::call_names())
    by_name[std::string(n)].push_back("replay host");
  return by_name;
}

// A namespace is a value holding its members, not something a bot calls.
bool is_namespace(const kelo_std::Registry& registry, std::string_view name) {
  const auto* entry = registry.global(name);
  return entry && entry->type.tag() == kelo_core::types::Tag::Object;
}

TEST(AnsweredNames, EveryCallableNameHasOneAnswerOrIsRefusedOnPurpose) {
  const kelo_std::Registry registry = kelo_std::builtins();
  auto by_name = answering_libraries();
  std::set<std::string_view> table;
  for (const kelo_std::hosts::HostFn& fn : kelo_std::hosts::table().fns) {
    if (is_namespace(registry, fn.name)) continue;
    table.insert(fn.name);
    std::vector<std::string> libraries = by_name[fn.name];
    if (ReplayHost::answers_without_effect(fn.name)) libraries.push_back("replay host (no effect)");
    const bool refused = kRefusedWhileBacktesting.contains(fn.name);
    if (refused) {
      EXPECT_TRUE(libraries.empty())
          << fn.name << " is answered by " << libraries.front() << ": take it off the refused list";
    } else {
      EXPECT_EQ(libraries.size(), 1u)
          << fn.name << " is answered by " << libraries.size() << " libraries"
          << (libraries.empty() ? ": answer it, or put it on the refused list" : "");
    }
  }
  for (std::string_view name : kRefusedWhileBacktesting)
    EXPECT_TRUE(table.contains(name)) << name << " is refused but the registry has no such call";
  // Each library answers only names that the compiler can emit.
  for (const auto& [name, libraries] : by_name)
    EXPECT_TRUE(table.contains(name))
        << name << " (" << libraries.front() << ") is not in the host-function table";
}

TEST(AnsweredNames, TheReplayHostRefusesTheRefusedNamesByName) {
  ReplayHost host({}, {}, 10000.0, 0.0);
  for (std::string_view name : kRefusedWhileBacktesting) {
    const Result<Value> r = host.call(name, {});
    ASSERT_FALSE(r.ok()) << name;
    EXPECT_EQ(r.error().message, "'" + std::string(name) + "' is not available while backtesting");
  }
}

}  // namespace
}  // namespace kelo_vm::backtest
