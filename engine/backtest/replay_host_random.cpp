// Host calls for random numbers: rand, randInt and seed draw from the run's own sequence.
#include "backtest/replay_host_calls.h"

namespace kelo_vm::backtest::calls {

namespace {

Result<Value> random_integer(ReplayHost& h, std::string_view, Args args) {
  return Value::integer(h.random().between(integer(args, 0), integer(args, 1)));
}

Result<Value> reseed(ReplayHost& h, std::string_view, Args args) {
  h.random().reseed(static_cast<uint64_t>(integer(args, 0)));
  return Value::nothing();
}

const std::pair<std::string_view, Handler> kRows[] = {
    {"rand", KELO_HOST_ANSWER(Value::number(h.random().unit()))},
    {"randInt", random_integer},
    {"seed", reseed},
};

}  // namespace

void add_random_calls(Table& table) {
  for (const auto& [name, handler] : kRows) table[name] = handler;
}

}  // namespace kelo_vm::backtest::calls
