#include "backtest/replay_host.h"

#include <cmath>
#include <cstdint>
#include <utility>

#include "backtest/replay_host_calls.h"

namespace kelo_vm::backtest {

namespace {

const calls::Table& call_table() {
  static const calls::Table table = [] {
    calls::Table t;
    calls::add_market_calls(t);
    calls::add_trade_calls(t);
    calls::add_journal_calls(t);
    calls::add_random_calls(t);
    return t;
  }();
  return table;
}

bool given(double x) { return std::isfinite(x) && x > 0; }

}  // namespace

std::string calls::text_arg(Args args, size_t i) {
  if (i >= args.size() || args[i].is_nothing()) return {};
  return as_text(args[i]);
}

ReplayHost::ReplayHost(host::Bars bars, host::SymbolSpec symbol, double balance, double spread)
    : account_(std::move(bars), std::move(symbol), balance, spread) {}

namespace {
// A store entry: one tree node, and its key's own allocation when the key is long.
uint64_t entry_bytes(std::string_view key) {
  return kFieldBytes + heap::string_bytes(key.size());
}
}  // namespace

Outcome ReplayHost::store_set(std::string_view key, Value v) {
  auto it = store_.find(key);
  if (it != store_.end()) {
    it->second = std::move(v);
    return {};
  }
  const uint64_t bytes = entry_bytes(key);
  if (!heap::fits(bytes)) return heap::error();
  store_.emplace(std::string(key), std::move(v));
  store_charge_.add(bytes);
  return {};
}

bool ReplayHost::store_erase(std::string_view key) {
  auto it = store_.find(key);
  if (it == store_.end()) return false;
  const uint64_t bytes = entry_bytes(key);
  store_.erase(it);
  store_charge_.drop(bytes);
  return true;
}

Result<Value> ReplayHost::call(std::string_view name, std::span<const Value> args) {
  Recent& recent = recent_[(reinterpret_cast<std::uintptr_t>(name.data()) >> 4) % recent_.size()];
  if (recent.handler != nullptr && recent.name == name) return recent.handler(*this, name, args);
  const calls::Table& table = call_table();
  auto it = table.find(name);
  if (it != table.end()) {
    recent = Recent{it->first, it->second};
    return it->second(*this, name, args);
  }
  if (answers_without_effect(name)) return Value::nothing();
  return calls::failure("'" + std::string(name) + "' is not available while backtesting");
}

std::vector<std::string_view> ReplayHost::call_names() {
  std::vector<std::string_view> names;
  for (const auto& [name, handler] : call_table()) names.push_back(name);
  return names;
}

bool ReplayHost::answers_without_effect(std::string_view name) {
  return name.starts_with("draw.") || name.starts_with("plot");
}

bool ReplayHost::room_to_log(size_t bytes) const {
  if (!journal_.accepts(bytes)) return true;
  const auto& lines = journal_.items();
  // The level is a short name; the message is the line's one large text.
  return heap::fits(heap::growth_bytes(lines, lines.size() + 1) + heap::block(bytes + 1));
}

void ReplayHost::settle_journal_charge() {
  journal_charge_.settle(journal_text_bytes_ +
                         journal_.items().capacity() * sizeof(JournalLine));
}

void ReplayHost::log(std::string_view level, std::string_view message) {
  const size_t bytes = level.size() + message.size();
  if (!journal_.accepts(bytes)) {
    // Counted only; the stand-in keeps the line's place without its text.
    journal_.push(JournalLine{{}, {}, account_.bar_index(), account_.time()}, bytes);
    return;
  }
  journal_text_bytes_ += heap::string_bytes(level.size()) + heap::string_bytes(message.size());
  journal_.push(JournalLine{std::string(level), std::string(message), account_.bar_index(),
                            account_.time()},
                bytes);
  settle_journal_charge();
}

std::vector<JournalLine> ReplayHost::take_journal() {
  Bounded<JournalLine> journal =
      std::exchange(journal_, Bounded<JournalLine>(kMaxJournalLines, kMaxJournalBytes));
  journal_text_bytes_ = 0;  // the lines are the caller's now
  settle_journal_charge();
  return std::move(journal).take([](JournalLine last, uint64_t dropped) {
    return JournalLine{"warn", journal_dropped_message(dropped), last.bar, last.time};
  });
}

Value ReplayHost::position_record(const OpenPosition& p) const {
  double current = account_.valuation_price(p);
  auto record = Record::make("Position");
  record->with("ticket", Value::integer(p.ticket))
      .with("symbol", Value::text(account_.symbol().name))
      .with("type", Value::text(side_name(p.side)))
      .with("volume", Value::number(p.volume))
      .with("openPrice", Value::number(p.open_price))
      .with("sl", Value::number(p.stop_loss))
      .with("tp", Value::number(p.take_profit))
      .with("currentPrice", Value::number(current))
      .with("profit", Value::number(account_.profit_at(p, current)))
      .with("swap", Value::number(0.0))
      .with("commission", Value::number(p.volume * account_.commission()))
      .with("openTime", Value::time(p.open_time))
      .with("magic", Value::integer(p.magic))
      .with("comment", Value::text(p.comment))
      .with("botId", Value::text("backtest"))
      .with("isLong", Value::boolean(p.side == Side::Buy))
      .with("isShort", Value::boolean(p.side == Side::Sell))
      .with("pips", Value::number((current - p.open_price) / account_.symbol().pip))
      .with("age", Value::duration((static_cast<double>(account_.bar_index()) -
                                    static_cast<double>(p.open_bar)) *
                                   60000.0));
  return Value::record(std::move(record));
}

Value ReplayHost::trade_result(bool ok, int64_t ticket, std::string_view message, double price,
                               double volume) {
  auto record = Record::make("TradeResult");
  record->with("ok", Value::boolean(ok))
      .with("ticket", Value::integer(ticket))
      .with("price", Value::number(price))
      .with("volume", Value::number(volume))
      .with("retcode", Value::integer(ok ? 10009 : 10013))
      .with("error", Value::text(ok ? std::string_view() : message))
      .with("message", Value::text(message));
  return Value::record(std::move(record));
}

SymbolSetup symbol_setup(const SymbolFields& f) {
  SymbolSetup setup;
  host::SymbolSpec& s = setup.spec;
  if (!f.name.empty()) s.name = f.name;
  // Digits beyond 15 would push the point towards zero and make spread and pip
  // meaningless, so they count as not given.
  if (f.digits > 0 && f.digits <= kMaxDigits) {
    s.digits = f.digits;
    s.point = std::pow(10.0, -static_cast<double>(f.digits));
    s.pip = (f.digits == 3 || f.digits == 5) ? s.point * 10.0 : s.point;
  }
  s.tick_size = given(f.tick_size) ? f.tick_size : s.point;
  if (given(f.contract_size)) s.contract_size = f.contract_size;
  s.tick_value = given(f.tick_value) ? f.tick_value : s.tick_size * s.contract_size;
  if (given(f.volume_min)) s.volume_min = f.volume_min;
  if (given(f.volume_max)) s.volume_max = f.volume_max;
  if (given(f.volume_step)) s.volume_step = f.volume_step;
  if (given(f.conversion)) s.conversion = f.conversion;
  s.reserved_a = 0.0;
  s.reserved_b = 0.0;
  setup.spread_points = given(f.spread_points) ? f.spread_points : kDefaultSpreadPoints;
  return setup;
}

}  // namespace kelo_vm::backtest
