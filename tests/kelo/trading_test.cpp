// Trading as traders write it, through kelo_check, kelo_describe and kelo_backtest: the
// positions a bot looks up, its magic numbers, its history windows and its new bars.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

TEST(TradeCalls, TakeAPositionThatMayBeNone) {
  const std::pair<const char*, const char*> checks[] = {
      {"trade.close(positions.newest())", ""},
      {"let p = positions.newest()\nif p != none { trade.modify(p, sl: 1.0) }", ""},
      {"for o in orders.all() { trade.cancel(o) }", ""},
      {"trade.close(5)",
       "KELO3001 trade.close parameter 'position': expected Position? but found int @3:13"},
  };
  for (const auto& [body, diagnostics] : checks) {
    EXPECT_EQ(check_text(std::string("bot \"B\"\nfn onBar() {\n") + body + "\n}"), diagnostics)
        << body;
  }
  EXPECT_EQ(take(kelo_describe("trade.close")),
            R"({"found":true,"name":"trade.close","type":"fn(Position?) -> TradeResult",)"
            R"("summary":"","example":""})");
  // Nothing open: the host's answer for a missing position.
  const Replay run = backtest(
      "bot \"B\"\nfn onBar() {\n  let r = trade.close(positions.newest())\n"
      "  log.info(r.ok + \" \" + r.error)\n}",
      Bars::closes({10}));
  EXPECT_EQ(run.journal, std::vector<std::string>{"0 info: false a position is needed"})
      << run.reply;
}

}  // namespace
}  // namespace kelo_corpus
