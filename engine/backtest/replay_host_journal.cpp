// Host calls for the journal, the key-value store, number texts and the live-terminal
// calls a backtest accepts and ignores.
#include <charconv>
#include <cmath>
#include <utility>
#include <vector>

#include "backtest/replay_host_calls.h"

namespace kelo_vm::backtest::calls {

namespace {

// Display texts of every argument joined by single spaces.
std::string joined(Args args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) out += ' ';
    display_to(out, args[i]);
  }
  return out;
}

// x rounded (from its exact binary value, ties to even) to `decimals` places.
std::string fixed_text(double x, int64_t decimals) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return x < 0 ? "-inf" : "inf";
  // A double has at most 1074 fractional digits; past that only zeros follow, and
  // the padding is capped.
  constexpr int64_t kExactDigits = 1074;
  constexpr int64_t kMaxDecimals = 65535;
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;
  int precision = static_cast<int>(decimals < kExactDigits ? decimals : kExactDigits);
  std::vector<char> buffer(static_cast<size_t>(precision) + 320);
  auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                 std::chars_format::fixed, precision);
  if (ec != std::errc()) return "NaN";
  std::string out(buffer.data(), end);
  out.append(static_cast<size_t>(decimals - precision), '0');
  return out;
}

Result<Value> log_line(ReplayHost& h, std::string_view name, Args args) {
  // A full journal only counts lines: a logging loop need not build texts it drops.
  if (!h.journal_open()) {
    h.log(name.substr(name.find('.') + 1), {});
    return Value::nothing();
  }
  std::string line = joined(args);
  if (!h.room_to_log(line.size())) return heap::error();
  h.log(name.substr(name.find('.') + 1), line);
  return Value::nothing();
}

Result<Value> alert_line(ReplayHost& h, std::string_view, Args args) {
  if (!h.journal_open()) {
    h.log("alert", {});
    return Value::nothing();
  }
  std::string line = joined(args);
  if (!h.room_to_log(line.size())) return heap::error();
  h.log("alert", line);
  return Value::nothing();
}

Result<Value> store_get(ReplayHost& h, std::string_view, Args args) {
  auto it = h.store().find(text_arg(args, 0));
  return it == h.store().end() ? Value::nothing() : it->second;
}

Result<Value> store_set(ReplayHost& h, std::string_view, Args args) {
  Outcome done = h.store_set(text_arg(args, 0), args.size() > 1 ? args[1] : Value::nothing());
  if (!done.ok()) return done.error();
  return Value::nothing();
}

Result<Value> store_has(ReplayHost& h, std::string_view, Args args) {
  return Value::boolean(h.store().contains(text_arg(args, 0)));
}

Result<Value> store_delete(ReplayHost& h, std::string_view, Args args) {
  return Value::boolean(h.store_erase(text_arg(args, 0)));
}

Result<Value> store_keys(ReplayHost& h, std::string_view, Args) {
  if (!room_for_array(h.store().size())) return heap::error();
  std::vector<Value> keys;
  keys.reserve(h.store().size());
  for (const auto& entry : h.store()) keys.push_back(Value::text(entry.first));
  return Value::array(std::move(keys));
}

Result<Value> nothing(ReplayHost&, std::string_view, Args) { return Value::nothing(); }

Result<Value> money(ReplayHost&, std::string_view, Args args) {
  return Value::text(fixed_text(number(args), 2) + " USD");
}

Result<Value> lots_text(ReplayHost&, std::string_view, Args args) {
  return Value::text(fixed_text(number(args), 2));
}

Result<Value> price_text(ReplayHost& h, std::string_view, Args args) {
  return Value::text(fixed_text(number(args), h.account().symbol().digits));
}

const std::pair<std::string_view, Handler> kRows[] = {
    {"log.info", log_line},
    {"log.warn", log_line},
    {"log.error", log_line},
    {"log.debug", log_line},
    {"notify", alert_line},
    {"alert", alert_line},
    {"email", alert_line},

    // One map serves both the store and the globals calls.
    {"store.get", store_get},
    {"globals.get", store_get},
    {"store.set", store_set},
    {"globals.set", store_set},
    {"store.has", store_has},
    {"store.delete", store_delete},
    {"globals.delete", store_delete},
    {"store.keys", store_keys},
    {"globals.keys", store_keys},

    {"money", money},
    {"lotsText", lots_text},
    {"priceText", price_text},

    // Live-terminal calls: accepted, no effect.
    {"sound", nothing},
    {"chart.comment", nothing},
    {"chart.redraw", nothing},
    {"timer.every", nothing},
    {"timer.stop", nothing},
};

}  // namespace

void add_journal_calls(Table& table) {
  for (const auto& [name, handler] : kRows) table[name] = handler;
}

}  // namespace kelo_vm::backtest::calls
