// Built-ins as traders call them, through kelo_backtest: moving averages of a chosen
// kind, random numbers seeded per run, and weekend days.
#include <gtest/gtest.h>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

// The value of `expression` on the last of the bars.
std::string last_value(const std::string& expression, const Bars& bars) {
  const Replay run = backtest(
      "bot \"B\"\nfn onBar() { if bars.index() == bars.count() - 1 { "
      "log.info(\"\" + (" +
          expression + ")) } }",
      bars);
  if (run.journal.size() != 1) return "unexpected run: " + run.reply;
  return run.journal[0].substr(run.journal[0].find(": ") + 2);
}

TEST(MovingAverages, UseTheKernelTheirTypeNames) {
  const Bars flat_then_up = Bars::closes({10, 10, 10, 16});
  const Bars mixed = Bars::closes({10, 11, 13, 12, 15});
  const std::tuple<const char*, const Bars*, const char*> rows[] = {
      {"ma(close, 3, \"ema\")[0]", &flat_then_up, "13"},
      {"ema(close, 3)[0]", &flat_then_up, "13"},
      {"ma(close, 3, \"sma\")[0]", &flat_then_up, "12"},
      {"ma(close, 3, \"lwma\")[0]", &mixed, "13.666666666666666"},
      {"ma(close, 3, \"smma\")[0]", &mixed, "12.703703703703704"},
      {"ma(close, 3, \"hull\")[0]", &mixed, "13.333333333333334"},
      {"ma(close, 3)[0]", &mixed, "13.333333333333334"},
      {"ma(close, 3, \"EMA\")[0]", &mixed, "13.333333333333334"},
      {"ma(close, 3, \"ema\")[1] == ema(close, 3)[1]", &mixed, "true"},
  };
  for (const auto& [expression, bars, value] : rows) {
    EXPECT_EQ(last_value(expression, *bars), value) << expression;
  }
}

}  // namespace
}  // namespace kelo_corpus
