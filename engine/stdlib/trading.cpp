// Trading vocabulary: the acting `trade` namespace and the read-only views of the
// account (`positions`, `orders`, `history`), for bots and libraries only.
#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_trade {

using namespace kelo_std::defs;

namespace {

Type position_type() {
  return structure("Position", {
      {"ticket", Int},     {"symbol", Text},       {"type", Text},       {"volume", Lots},
      {"openPrice", Price}, {"currentPrice", Price}, {"sl", Price},       {"tp", Price},
      {"profit", Num},     {"swap", Num},          {"commission", Num},  {"openTime", Time},
      {"magic", Int},      {"comment", Text},      {"botId", Text},      {"isLong", Bool},
      {"isShort", Bool},   {"pips", Num},          {"age", Duration},
  });
}

Type order_type() {
  return structure("Order", {
      {"ticket", Int},       {"symbol", Text}, {"type", Text},     {"volume", Lots},
      {"price", Price},      {"sl", Price},    {"tp", Price},      {"expiry", Time},
      {"placedTime", Time},  {"magic", Int},   {"comment", Text},  {"botId", Text},
  });
}

Type trade_result_type() {
  return structure("TradeResult", {
      {"ok", Bool},      {"ticket", Int}, {"price", Price}, {"volume", Lots},
      {"retcode", Int},  {"error", Text}, {"message", Text},
  });
}

Type deal_type() {
  return structure("Deal", {
      {"ticket", Int},     {"order", Int},    {"position", Int}, {"symbol", Text},
      {"type", Text},      {"entry", Text},   {"volume", Lots},  {"price", Price},
      {"profit", Num},     {"commission", Num}, {"swap", Num},   {"fee", Num},
      {"time", Time},      {"magic", Int},    {"comment", Text},
  });
}

Type closed_position_type() {
  return structure("ClosedPosition", {
      {"ticket", Int},     {"symbol", Text},     {"type", Text},        {"volume", Lots},
      {"openPrice", Price}, {"closePrice", Price}, {"profit", Num},     {"swap", Num},
      {"commission", Num}, {"openTime", Time},   {"closeTime", Time},   {"magic", Int},
      {"comment", Text},   {"reason", Text},     {"pips", Num},
  });
}

// The take-profit is `any` throughout (a price, a distance or a text rule); the stop-loss is a price.
// The position or order taken may be none, as `positions.newest()` gives it; the host
// answers a none with its error for a missing position or order.
Type trade_namespace(const Type& held, const Type& placed, const Type& result) {
  const Type position = optional(held);
  const Type order = optional(placed);
  Params stop_limit{p("stopPrice", Price)};
  for (Parameter& param : pending_params()) stop_limit.push_back(std::move(param));

  return object("trade", {
      {"buy",             fn(entry_params(), result)},
      {"sell",            fn(entry_params(), result)},
      {"buyLimit",        fn(pending_params(), result)},
      {"sellLimit",       fn(pending_params(), result)},
      {"buyStop",         fn(pending_params(), result)},
      {"sellStop",        fn(pending_params(), result)},
      {"buyStopLimit",    fn(stop_limit, result)},
      {"sellStopLimit",   fn(stop_limit, result)},
      {"close",           fn({p("position", position)}, result)},
      {"closePartial",    fn({p("position", position), p("volume", Lots)}, result)},
      {"closeAll",        fn({named_opt("symbol", Text), named_opt("magic", Int)}, Int)},
      {"closeProfitable", fn({named_opt("symbol", Text)}, Int)},
      {"closeLosing",     fn({named_opt("symbol", Text)}, Int)},
      {"modify",          fn({p("position", position), named_opt("sl", Price), named_opt("tp", Any)}, result)},
      {"modifyPending",   fn({p("order", order), named_opt("price", Price), named_opt("sl", Price),
                              named_opt("tp", Any), named_opt("expiry", Time)}, result)},
      {"cancel",          fn({p("order", order)}, result)},
      {"cancelAll",       fn({named_opt("symbol", Text)}, Int)},
      {"reverse",         fn({p("position", position)}, result)},
      {"breakEven",       fn({p("position", position), named_opt("offsetPips", Num)}, result)},
      {"trail",           fn({p("position", position), named("distancePips", Num),
                              named_opt("stepPips", Num)}, result)},
      {"calcMargin",      fn({p("type", Text), p("symbol", Text), p("volume", Lots), p("price", Price)}, Num)},
      {"calcProfit",      fn({p("type", Text), p("symbol", Text), p("volume", Lots),
                              p("openPrice", Price), p("closePrice", Price)}, Num)},
      {"result",          result},
  });
}

Type positions_namespace(const Type& position) {
  const Type list = array(position);
  const Type maybe = optional(position);
  return object("positions", {
      {"all",         fn({}, list)},
      {"mine",        fn({}, list)},
      {"count",       fn({opt("symbol", Text), named_opt("magic", Int)}, Int)},
      {"bySymbol",    fn({p("symbol", Text)}, list)},
      {"byTicket",    fn({p("ticket", Int)}, maybe)},
      {"byMagic",     fn({p("magic", Int)}, list)},
      {"profit",      fn({opt("symbol", Text)}, Num)},
      {"volume",      fn({opt("symbol", Text)}, Lots)},
      {"longVolume",  fn({opt("symbol", Text)}, Lots)},
      {"shortVolume", fn({opt("symbol", Text)}, Lots)},
      {"oldest",      fn({opt("symbol", Text)}, maybe)},
      {"newest",      fn({opt("symbol", Text)}, maybe)},
  });
}

Type orders_namespace(const Type& order) {
  const Type list = array(order);
  return object("orders", {
      {"all",      fn({}, list)},
      {"mine",     fn({}, list)},
      {"count",    fn({opt("symbol", Text)}, Int)},
      {"bySymbol", fn({p("symbol", Text)}, list)},
      {"byTicket", fn({p("ticket", Int)}, optional(order))},
      {"byMagic",  fn({p("magic", Int)}, list)},
  });
}

Type history_namespace() {
  const auto span = [] { return Params{p("from", Time), opt("to", Time)}; };
  return object("history", {
      {"deals",     fn(span(), array(deal_type()))},
      {"positions", fn(span(), array(closed_position_type()))},
      {"orders",    fn(span(), array(order_type()))},
      {"profit",    fn(span(), Num)},
      {"count",     fn(span(), Int)},
  });
}

}  // namespace

Params entry_params() {
  return {p("volume", Lots),          named_opt("sl", Price),  named_opt("tp", Any),
          named_opt("comment", Text), named_opt("magic", Int), named_opt("slippage", Int),
          named_opt("symbol", Text)};
}

Params pending_params() {
  return {p("price", Price),       p("volume", Lots),          named_opt("sl", Price),
          named_opt("tp", Any),    named_opt("expiry", Time),  named_opt("comment", Text),
          named_opt("magic", Int), named_opt("symbol", Text)};
}

void define(Registry& registry) {
  const Type position = position_type();
  const Type order = order_type();
  const Type result = trade_result_type();

  Builder acting{kBotLibrary, "Trading", registry, 4, 0};  // permission 4: maxOrdersPerMinute
  add_rows(acting, {
      {"trade", trade_namespace(position, order, result),
       "Places, changes and closes orders. Every call is journalled against this bot."},
  });

  Builder reading{kBotLibrary, "Trading", registry, kNoPermission, 1};
  add_rows(reading, {
      {"positions", positions_namespace(position), "Open positions on the account."},
      {"orders",    orders_namespace(order),       "Pending orders on the account."},
      {"history",   history_namespace(),           "Closed trades."},
  });
}

}  // namespace kelo_std::defs_trade
