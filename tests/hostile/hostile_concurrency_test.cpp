// The application backtests on a worker thread while the editor keeps checking: a bot
// that burns its whole step budget on every bar must not disturb the checks beside it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "bounded_call.h"
#include "kelo.h"

namespace kelo_hostile {
namespace {

TEST(HostileConcurrency, ChecksAnswerTheSameWhileAnEndlessBacktestRuns) {
  const char* bot = "bot \"Loop\"\nvar n = 0\nfn onBar() {\n  while true { n += 1 }\n}\n";
  const char* edited =
      "bot \"Edit\"\ninput int fast = 20 { min: 2 }\nlet quick = ema(close, fast)\n"
      "fn onBar() {\n  if quick[0] > close[0] { log.info(\"above\") }\n  let x: int = \"no\"\n}\n";
  const std::string check = take(kelo_check(edited, "edit.kelo"));
  const std::string inputs = take(kelo_inputs(edited, "edit.kelo"));
  const std::string tokens = take(kelo_tokens(edited));
  ASSERT_NE(check.find("KELO3001"), std::string::npos) << check;

  std::atomic<bool> done{false};
  std::string report;
  std::thread worker([&] {
    report = backtest(bot, under_sanitizer() ? 3 : 20);
    done = true;
  });
  int rounds = 0;
  int mismatches = 0;
  while (!done || rounds < 3) {
    mismatches += take(kelo_check(edited, "edit.kelo")) != check;
    mismatches += take(kelo_inputs(edited, "edit.kelo")) != inputs;
    mismatches += take(kelo_tokens(edited)) != tokens;
    ++rounds;
  }
  worker.join();
  EXPECT_EQ(mismatches, 0) << "over " << rounds << " rounds";
  EXPECT_NE(report.find(R"("errors":["bar 0: This event used more steps than it is allowed")"),
            std::string::npos)
      << report.substr(0, 400);
}

}  // namespace
}  // namespace kelo_hostile
