// Host calls about positions, orders, the trade history and trading.
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "backtest/replay_host_calls.h"

namespace kelo_vm::backtest::calls {

namespace {

// The open positions' records; with a magic number, those opened with it.
Value all_positions(ReplayHost& h, std::optional<int64_t> magic = std::nullopt) {
  // Records are made only when they fit; the caller reports the run over its limit.
  constexpr size_t kRecordBytes = sizeof(Value) + sizeof(Record) + 10 * kFieldBytes;
  if (!heap::fits(h.account().positions().size() * kRecordBytes)) return Value::array();
  std::vector<Value> records;
  records.reserve(h.account().positions().size());
  for (const OpenPosition& p : h.account().positions()) {
    if (!magic || p.magic == *magic) records.push_back(h.position_record(p));
  }
  return Value::array(std::move(records));
}

Result<Value> open_position(ReplayHost& h, std::string_view name, Args args) {
  double volume = number(args, 0);
  if (!(std::isfinite(volume) && volume > 0)) return failure("A volume above zero is needed");
  Side side = name.ends_with("buy") ? Side::Buy : Side::Sell;
  std::string comment = text_arg(args, 3);
  if (!h.account().room_to_open(comment)) return heap::error();
  // A magic number given with the order stays with the position; else the bot's own.
  const int64_t magic = args.size() > 4 && !args[4].is_nothing() ? integer(args, 4) : h.magic();
  int64_t ticket = h.account().open(side, std::move(comment), volume, optional_price(args, 1),
                                    optional_price(args, 2), magic);
  // The result reports the volume as requested, before step rounding and limits.
  return ReplayHost::trade_result(true, ticket, "filled", h.account().positions().back().open_price,
                                  volume);
}

// The ticket of a position record argument; none when the argument is not a record.
std::optional<int64_t> record_ticket(Args args) {
  if (args.empty() || !args[0].is(Tag::Record)) return std::nullopt;
  return as_int(args[0].record_obj().get("ticket")).value_or(0);
}

Result<Value> close_position(ReplayHost& h, std::string_view, Args args) {
  std::optional<int64_t> ticket = record_ticket(args);
  if (!ticket) return ReplayHost::trade_result(false, 0, "a position is needed", 0, 0);
  if (h.account().find(*ticket) && !h.account().room_to_close(1)) return heap::error();
  std::optional<ClosedTrade> trade = h.account().close_ticket(*ticket, "closed by bot");
  if (!trade) return ReplayHost::trade_result(false, *ticket, "no such position", 0, 0);
  return ReplayHost::trade_result(true, trade->ticket, "closed", trade->close_price, trade->volume);
}

Result<Value> modify_position(ReplayHost& h, std::string_view, Args args) {
  std::optional<int64_t> ticket = record_ticket(args);
  if (!ticket) return ReplayHost::trade_result(false, 0, "a position is needed", 0, 0);
  if (OpenPosition* p = h.account().find(*ticket)) {
    double stop_loss = optional_price(args, 1), take_profit = optional_price(args, 2);
    if (stop_loss > 0) p->stop_loss = stop_loss;
    if (take_profit > 0) p->take_profit = take_profit;
  }
  return ReplayHost::trade_result(true, *ticket, "modified", 0, 0);
}

Result<Value> close_all(ReplayHost& h, std::string_view, Args) {
  std::vector<int64_t> tickets;
  for (const OpenPosition& p : h.account().positions()) tickets.push_back(p.ticket);
  if (!h.account().room_to_close(tickets.size())) return heap::error();
  for (int64_t ticket : tickets) h.account().close_ticket(ticket, "close all");
  return count_value(tickets.size());
}

Value newest(ReplayHost& h, bool last) {
  const auto& open = h.account().positions();
  if (open.empty()) return Value::nothing();
  return h.position_record(last ? open.back() : open.front());
}

// No argument reads as ticket 0.
Result<Value> by_ticket(ReplayHost& h, std::string_view, Args args) {
  OpenPosition* p = h.account().find(integer(args, 0));
  return p ? h.position_record(*p) : Value::nothing();
}

double open_volume(ReplayHost& h) {
  double sum = -0.0;
  for (const OpenPosition& p : h.account().positions()) sum += p.volume;
  return sum;
}

// The closed trades inside [from, to], both bounds inclusive, by their close time; a bound
// that is not a number (none, or left out) does not bound.
template <class Visit>
void closed_within(ReplayHost& h, Args args, Visit visit) {
  auto bound = [&](size_t i, int64_t open) {
    return i < args.size() && numeric_view(args[i]) ? integer(args, i) : open;
  };
  const int64_t from = bound(0, std::numeric_limits<int64_t>::min());
  const int64_t to = bound(1, std::numeric_limits<int64_t>::max());
  for (const ClosedTrade& trade : h.account().trades()) {
    if (trade.close_time >= from && trade.close_time <= to) visit(trade);
  }
}

Result<Value> history_count(ReplayHost& h, std::string_view, Args args) {
  size_t n = 0;
  closed_within(h, args, [&](const ClosedTrade&) { ++n; });
  return count_value(n);
}

Result<Value> history_profit(ReplayHost& h, std::string_view, Args args) {
  double sum = -0.0;
  closed_within(h, args, [&](const ClosedTrade& trade) { sum += trade.profit; });
  return Value::number(sum);
}

const std::pair<std::string_view, Handler> kRows[] = {
    // A symbol argument is ignored: there is one symbol.
    {"positions.all", KELO_HOST_ANSWER(all_positions(h))},
    {"positions.mine", KELO_HOST_ANSWER(all_positions(h))},
    {"positions.bySymbol", KELO_HOST_ANSWER(all_positions(h))},
    {"positions.count", KELO_HOST_ANSWER(count_value(h.account().positions().size()))},
    {"positions.byTicket", by_ticket},
    {"positions.byMagic",
     +[](ReplayHost& h, std::string_view, Args args) -> Result<Value> {
       return all_positions(h, integer(args, 0));
     }},
    {"positions.oldest", KELO_HOST_ANSWER(newest(h, false))},
    {"positions.newest", KELO_HOST_ANSWER(newest(h, true))},
    {"positions.profit", KELO_HOST_ANSWER(Value::number(h.account().floating()))},
    {"positions.volume", KELO_HOST_ANSWER(Value::number(open_volume(h)))},

    // There are no pending orders.
    {"orders.all", KELO_HOST_ANSWER(Value::array())},
    {"orders.mine", KELO_HOST_ANSWER(Value::array())},
    {"orders.bySymbol", KELO_HOST_ANSWER(Value::array())},
    {"orders.byMagic", KELO_HOST_ANSWER(Value::array())},
    {"orders.count", KELO_HOST_ANSWER(Value::integer(0))},

    {"history.count", history_count},
    {"history.profit", history_profit},

    {"trade.buy", open_position},
    {"trade.sell", open_position},
    {"trade.close", close_position},
    {"trade.modify", modify_position},
    {"trade.closeAll", close_all},
};

}  // namespace

void add_trade_calls(Table& table) {
  for (const auto& [name, handler] : kRows) table[name] = handler;
}

}  // namespace kelo_vm::backtest::calls
