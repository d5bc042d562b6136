// Core names: price data, bars, account and instrument, clock and time members, status,
// timeframes, price sources, colours, constants, errors and conversions.
#include <string_view>

#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_core {

namespace {

using namespace kelo_std::defs;

Type bar_type() {
  return structure("Bar", {
                              {"time", Time},
                              {"open", Price},
                              {"high", Price},
                              {"low", Price},
                              {"close", Price},
                              {"volume", Num},
                              {"spread", Num},
                          });
}

Type tick_type() {
  return structure("Tick", {
                               {"time", Time},
                               {"bid", Price},
                               {"ask", Price},
                               {"last", Price},
                               {"volume", Num},
                           });
}

Type session_type() {
  return structure("Session", {{"from", Time}, {"to", Time}});
}

Type book_entry_type() {
  return structure("BookEntry", {{"type", Text}, {"price", Price}, {"volume", Num}});
}

Type symbol_info_type() {
  return structure("SymbolInfo", {
                                     {"name", Text},           {"description", Text},
                                     {"bid", Price},           {"ask", Price},
                                     {"spread", Num},          {"digits", Int},
                                     {"point", Num},           {"pip", Num},
                                     {"tickSize", Num},        {"tickValue", Num},
                                     {"contractSize", Num},    {"volumeMin", Lots},
                                     {"volumeMax", Lots},      {"volumeStep", Lots},
                                     {"stopsLevel", Int},      {"freezeLevel", Int},
                                     {"swapLong", Num},        {"swapShort", Num},
                                     {"tradeAllowed", Bool},   {"sessionOpen", Bool},
                                     {"currencyBase", Text},   {"currencyProfit", Text},
                                     {"currencyMargin", Text}, {"category", Text},
                                 });
}

Type bars_type() {
  return object("bars", {
                            {"count", Int},
                            {"index", Int},
                            {"isNew", Bool},
                            {"shift", fn({p("at", Time)}, Int)},
                            {"time", fn({p("index", Int)}, Time)},
                            {"rates", fn({p("count", Int)}, array(bar_type()))},
                            {"ticks", fn({p("from", Time), p("count", Int)}, array(tick_type()))},
                        });
}

Type series_type() {
  return object("series",
                {
                    {"of", fn({p("symbol", Text), opt("timeframe", Text)}, shapes::series_set())},
                });
}

Type account_type() {
  return object("account", {
                               {"login", Int},
                               {"name", Text},
                               {"server", Text},
                               {"company", Text},
                               {"currency", Text},
                               {"balance", Num},
                               {"credit", Num},
                               {"equity", Num},
                               {"profit", Num},
                               {"margin", Num},
                               {"freeMargin", Num},
                               {"marginLevel", Num},
                               {"marginCall", Num},
                               {"stopOut", Num},
                               {"leverage", Int},
                               {"isDemo", Bool},
                               {"tradeAllowed", Bool},
                               {"hedging", Bool},
                           });
}

Type symbol_type() {
  return object("symbol",
                {
                    {"name", Text},
                    {"description", Text},
                    {"bid", Price},
                    {"ask", Price},
                    {"last", Price},
                    {"spread", Num},
                    {"digits", Int},
                    {"point", Num},
                    {"pip", Num},
                    {"tickSize", Num},
                    {"tickValue", Num},
                    {"contractSize", Num},
                    {"volumeMin", Lots},
                    {"volumeMax", Lots},
                    {"volumeStep", Lots},
                    {"stopsLevel", Int},
                    {"freezeLevel", Int},
                    {"swapLong", Num},
                    {"swapShort", Num},
                    {"tradeAllowed", Bool},
                    {"sessionOpen", Bool},
                    {"time", Time},
                    {"high", Price},
                    {"low", Price},
                    {"currencyBase", Text},
                    {"currencyProfit", Text},
                    {"currencyMargin", Text},
                    {"marginRate", fn({p("orderType", Text)}, Num)},
                    {"sessionQuote", fn({p("day", Int), p("index", Int)}, session_type())},
                    {"sessionTrade", fn({p("day", Int), p("index", Int)}, session_type())},
                    {"normalize", fn({p("value", Num)}, Price)},
                    {"normalizeLots", fn({p("value", Num)}, Lots)},
                });
}

Type symbols_type() {
  return object("symbols", {
                               {"list", fn({}, array(Text))},
                               {"info", fn({p("name", Text)}, symbol_info_type())},
                               {"select", fn({p("name", Text), p("on", Bool)}, Bool)},
                               {"tick", fn({p("name", Text)}, tick_type())},
                               {"book", fn({p("name", Text)}, array(book_entry_type()))},
                           });
}

Type clock_type() {
  return object("clock", {
                             {"now", Time},
                             {"local", Time},
                             {"gmt", Time},
                             {"server", Time},
                             {"gmtOffset", Int},
                             {"dst", Bool},
                             {"of", fn({p("year", Int), p("month", Int), p("day", Int),
                                        opt("hour", Int), opt("minute", Int), opt("second", Int)},
                                       Time)},
                             {"parse", fn({p("value", Text), opt("format", Text)}, Time)},
                             {"startOfDay", fn({p("at", Time)}, Time)},
                             {"startOfWeek", fn({p("at", Time)}, Time)},
                             {"startOfMonth", fn({p("at", Time)}, Time)},
                             {"isWeekend", fn({p("at", Time)}, Bool)},
                             {"inSession", fn({p("from", Text), p("to", Text)}, Bool)},
                             {"ticks", fn({}, Int)},
                         });
}

Type status_type() {
  return object("status", {{"ok", Status}, {"failed", fn({p("reason", Text)}, Status)}});
}

Type timeframe_type() {
  return object("timeframe", {{"name", Text}, {"seconds", Int}, {"minutes", Int}});
}

Type last_error_type() {
  return object("lastError", {{"code", Int}, {"message", Text}});
}

constexpr std::string_view kTimeframes[] = {
    "M1", "M2", "M3", "M4", "M5", "M6", "M10", "M12", "M15", "M20", "M30",
    "H1", "H2", "H3", "H4", "H6", "H8", "H12", "D1",  "W1",  "MN1",
};

// "src_" and the source; no source for volume, spread or time.
constexpr std::string_view kSourceNames[] = {
    "src_close", "src_open", "src_high", "src_low", "src_hl2", "src_hlc3", "src_ohlc4",
};

constexpr std::string_view kColours[] = {
    "red",  "green", "blue",  "orange", "yellow",   "purple",    "pink",        "teal",
    "grey", "gray",  "white", "black",  "buyColor", "sellColor", "transparent",
};

}  // namespace

void define(Registry& registry) {
  Builder price{kAllKinds, "Price data", registry, kNoPermission, 1};
  const Type nums = series(Num);
  const Type times = series(Time);
  add_rows(price, {
                      {"close", nums, "Closing price of each bar."},
                      {"open", nums, "Opening price of each bar."},
                      {"high", nums, "Highest price of each bar."},
                      {"low", nums, "Lowest price of each bar."},
                      {"volume", nums, "Tick volume of each bar."},
                      {"spread", nums, "Spread in points at each bar."},
                      {"time", times, "Opening time of each bar, in server time."},
                      {"hl2", nums, "Midpoint of the bar's range."},
                      {"hlc3", nums, "Average of high, low and close."},
                      {"ohlc4", nums, "Average of open, high, low and close."},
                  });
  price.add("bars", bars_type(), {"The bar series this program is attached to."});
  price.add("series", series_type(), {"Bars of another instrument or timeframe."});

  Builder account{kAllKinds, "Account", registry, kNoPermission, 1};
  account.add("account", account_type(), {"The trading account this program runs on."});
  account.add("symbol", symbol_type(), {"The instrument this program is attached to."});
  account.add("symbols", symbols_type(), {"Every instrument the account can trade."});

  Builder time{kAllKinds, "Time", registry, kNoPermission, 1};
  time.add("clock", clock_type(),
           {"Clocks and calendar helpers. Bar times are always server time."});
  add_members(time, "time",
              {
                  {"year", Int, "Calendar year."},
                  {"month", Int, "Month, 1 to 12."},
                  {"day", Int, "Day of the month."},
                  {"hour", Int, "Hour, 0 to 23."},
                  {"minute", Int, "Minute, 0 to 59."},
                  {"second", Int, "Second, 0 to 59."},
                  {"dayOfWeek", Int, "Day of the week, 0 is Sunday."},
                  {"dayOfYear", Int, "Day of the year."},
                  {"format", fn({p("pattern", Text)}, Text), "Formats the instant."},
              });

  Builder general{kAllKinds, "General", registry, kNoPermission, 1};
  general.add("status", status_type(), {"What onInit returns."});
  general.add("timeframe", timeframe_type(), {"The timeframe this program runs on."});
  for (std::string_view name : kTimeframes) general.add(name, Text, {"A timeframe."});
  for (std::string_view name : kSourceNames) general.add(name, Text, {"A price source."});
  for (std::string_view name : kColours) general.add(name, Color, {"A named colour."});
  add_rows(general, {
                        {"PI", Num, "Ratio of a circle's circumference to its diameter."},
                        {"E", Num, "Base of the natural logarithm."},
                        {"INF", Num, "Positive infinity."},
                        {"EPSILON", Num, "Smallest meaningful difference between two num values."},
                        {"INT_MAX", Int, "Largest int."},
                        {"INT_MIN", Int, "Smallest int."},
                        {"pip", Num, "One pip of the attached instrument."},
                        {"point", Num, "One point of the attached instrument."},
                        {"digits", Int, "Price decimals of the attached instrument."},
                        {"lastError", last_error_type(), "The most recent runtime error."},
                        {"lots", fn({p("value", Num)}, Lots),
                         "Converts a number to a volume, snapped to the instrument's step."},
                        {"price", fn({p("value", Num)}, Price),
                         "Converts a number to a price, rounded to the instrument's digits."},
                        {"int", fn({p("value", Any)}, Int),
                         "Converts to a whole number, truncating toward zero."},
                        {"num", fn({p("value", Any)}, Num), "Converts to a number."},
                        {"bool", fn({p("value", Any)}, Bool), "Converts to true or false."},
                        {"rgba", fn({p("r", Int), p("g", Int), p("b", Int), opt("a", Num)}, Color),
                         "Builds a colour from components."},
                    });

  // Clearing the error state acts, so it is the one impure name here.
  Builder clear{kAllKinds, "General", registry, kNoPermission, 0};
  clear.add("clearError", fn({}, Void), {"Clears the last error."});
}

}  // namespace kelo_std::defs_core
