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

TEST(RandomNumbers, AreSeededPerRun) {
  const std::string bot =
      "bot \"B\"\nfn onBar() {\n  seed(42)\n  let a = rand()\n  let b = rand()\n  seed(42)\n"
      "  let c = rand()\n  log.info((a == c) + \" \" + (a != b) + \" \" + (a >= 0 && a < 1))\n"
      "  log.info(randInt(5, 5) + \" \" + randInt(7, 7))\n"
      "  var seen = [0, 0, 0, 0]\n"
      "  for i in 0..200 { let k = randInt(1, 3)\n seen[k] = seen[k] + 1 }\n"
      "  log.info((seen[0] == 0) + \" \" + (seen[1] > 0) + \" \" + (seen[2] > 0) + \" \" + "
      "(seen[3] > 0))\n"
      "  log.info(\"\" + rand())\n}";
  const Replay first = backtest(bot, Bars::closes({10, 11}));
  ASSERT_EQ(first.journal.size(), 8u) << first.reply;
  EXPECT_EQ(first.journal[0], "0 info: true true true");
  EXPECT_EQ(first.journal[1], "0 info: 5 7");
  EXPECT_EQ(first.journal[2], "0 info: true true true true");
  EXPECT_EQ(first.journal[3].substr(8), first.journal[7].substr(8));  // seeded alike
  EXPECT_EQ(backtest(bot, Bars::closes({10, 11})).reply, first.reply);
  // Without seed: the run's sequence goes on from bar to bar, and starts alike every run.
  const std::string unseeded = "bot \"B\"\nfn onBar() { log.info(\"\" + rand()) }";
  const Replay once = backtest(unseeded, Bars::closes({10, 11}));
  ASSERT_EQ(once.journal.size(), 2u) << once.reply;
  EXPECT_NE(once.journal[0].substr(8), once.journal[1].substr(8));
  EXPECT_EQ(backtest(unseeded, Bars::closes({10, 11})).reply, once.reply);
}

TEST(Weekends, AreSaturdayAndSundayInUtc) {
  const std::pair<const char*, const char*> rows[] = {
      {"2024.01.06", "true"},           {"2024.01.07 23:59:59", "true"}, {"2024.01.08", "false"},
      {"2024.01.05 23:59:59", "false"}, {"1969.12.28 12:00", "true"},    {"1969.12.31", "false"},
  };
  for (const auto& [time, weekend] : rows) {
    EXPECT_EQ(last_value(std::string("clock.isWeekend(") + time + ")", Bars::closes({10})), weekend)
        << time;
  }
}

}  // namespace
}  // namespace kelo_corpus
