// Round trips through the real engine library.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "bridge/kelo_calls.h"

namespace zx::bridge {
namespace {

const QString kBot = QStringLiteral(
    "bot \"B\"\n"
    "input int fast = 20 { label: \"Fast\", min: 2, max: 200 }\n"
    "fn onBar() {\n"
    "  log.info(\"bar\")\n"
    "}\n");

TEST(Libkelo, Version) {
  EXPECT_EQ(Kelo::version(), QStringLiteral("1.0.0"));
}

TEST(Libkelo, TokensCountCharacters) {
  EXPECT_EQ(Kelo::tokens(QStringLiteral("\"\u00e9\" + x\nclose")),
            (QList<Token>{{"text", 0, 3, 1},
                          {"punctuation", 4, 5, 1},
                          {"identifier", 6, 7, 1},
                          {"builtin", 8, 13, 2}}));
  EXPECT_EQ(Kelo::tokens(QString()), QList<Token>{});
}

TEST(Libkelo, CheckOfABrokenSource) {
  const CheckResult r =
      Kelo::check(QStringLiteral("bot \"B\"\nfn onBar() {\n"), QStringLiteral("b.kelo"));
  EXPECT_FALSE(r.ok);
  ASSERT_FALSE(r.diagnostics.isEmpty());
  EXPECT_TRUE(r.diagnostics[0].isError());
  EXPECT_TRUE(r.diagnostics[0].code.startsWith(QStringLiteral("KELO2")))
      << r.diagnostics[0].code.toStdString();

  const CheckResult clean = Kelo::check(kBot, QStringLiteral("b.kelo"));
  EXPECT_TRUE(clean.ok);
}

TEST(Libkelo, Inputs) {
  const InputSchema schema = Kelo::inputs(kBot, QStringLiteral("b.kelo"));
  EXPECT_TRUE(schema.ok);
  ASSERT_EQ(schema.inputs.size(), 1);
  const InputSpec& fast = schema.inputs[0];
  EXPECT_EQ(fast.name, QStringLiteral("fast"));
  EXPECT_EQ(fast.label, QStringLiteral("Fast"));
  EXPECT_EQ(fast.min, 2.0);
  EXPECT_EQ(fast.max, 200.0);
  EXPECT_EQ(fast.step, std::nullopt);
}

TEST(Libkelo, Build) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("b.zxb"));
  const BuildResult built = Kelo::build(kBot, QStringLiteral("b.kelo"), path);
  EXPECT_TRUE(built.ok) << built.error.value_or(QString()).toStdString();
  EXPECT_EQ(built.path, path);
  EXPECT_EQ(built.bytes, QFileInfo(path).size());
  EXPECT_EQ(built.inputs, 1);
  EXPECT_EQ(built.error, std::nullopt);

  const BuildResult missing =
      Kelo::build(kBot, QStringLiteral("b.kelo"), dir.filePath(QStringLiteral("no/such/b.zxb")));
  EXPECT_FALSE(missing.ok);
  ASSERT_TRUE(missing.error);
  EXPECT_TRUE(missing.error->endsWith(QStringLiteral("(os error 2)")))
      << missing.error->toStdString();
}

TEST(Libkelo, CompletionsAndDescribe) {
  const QList<Completion> all = Kelo::completions(QString());
  EXPECT_GT(all.size(), 100);
  const QList<Completion> none = Kelo::completions(QStringLiteral("zzzz-no-such"));
  EXPECT_TRUE(none.isEmpty());
  const std::optional<Description> close = Kelo::describe(QStringLiteral("close"));
  ASSERT_TRUE(close);
  EXPECT_EQ(close->name, QStringLiteral("close"));
  EXPECT_EQ(Kelo::describe(QStringLiteral("no.such.name")), std::nullopt);
}

TEST(Libkelo, Backtest) {
  // Generated bars: 5000, of which the first 200 only warm up.
  const BacktestReport generated =
      Kelo::backtest(kBot, QStringLiteral("b.kelo"), std::nullopt, std::nullopt, 10000, 200);
  EXPECT_TRUE(generated.ok);
  EXPECT_EQ(generated.startingBalance, 10000);
  EXPECT_EQ(generated.equity.size(), 4800);
  EXPECT_EQ(generated.journal.size(), 4800);
  EXPECT_TRUE(generated.errors.isEmpty());

  Candles bars;
  for (int i = 0; i < 30; ++i) {
    bars.times.push_back(1767225600000 + i * 60000LL);
    bars.open.push_back(1.1);
    bars.high.push_back(1.2);
    bars.low.push_back(1.0);
    bars.close.push_back(1.1);
    bars.volume.push_back(100);
  }
  bars.close.push_back(9);  // never read: the other columns hold 30
  const BacktestReport supplied =
      Kelo::backtest(kBot, QStringLiteral("b.kelo"), bars, defaultSymbol(), 500, 10);
  EXPECT_TRUE(supplied.ok);
  EXPECT_EQ(supplied.equity.size(), 20);
  ASSERT_FALSE(supplied.journal.isEmpty());
  EXPECT_EQ(supplied.journal[0].bar, 10);
  EXPECT_EQ(supplied.journal[0].time, 1767225600000 + 10 * 60000LL);

  // A bot that does not compile: the engine's reason, not "unreadable".
  const BacktestReport refused =
      Kelo::backtest(QStringLiteral("bot \"B\"\nfn onBar() {\n"), QStringLiteral("b.kelo"),
                     std::nullopt, std::nullopt, 750, 200);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.startingBalance, 750);
  EXPECT_EQ(refused.endingBalance, 750);
  ASSERT_EQ(refused.errors.size(), 1);
  EXPECT_TRUE(refused.errors[0].contains(QStringLiteral("KELO2")))
      << refused.errors[0].toStdString();
}

// The calls share nothing, so a backtest and checks may run at the same time.
TEST(Libkelo, CallsRunOnSeveralThreadsAtOnce) {
  const CheckResult check = Kelo::check(kBot, QStringLiteral("b.kelo"));
  const QList<Token> tokens = Kelo::tokens(kBot);
  const BacktestReport report =
      Kelo::backtest(kBot, QStringLiteral("b.kelo"), std::nullopt, std::nullopt, 100, 4000);
  std::vector<std::thread> threads;
  std::vector<int> same(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 5; ++i) {
        const bool equal = t == 0 ? Kelo::backtest(kBot, QStringLiteral("b.kelo"), std::nullopt,
                                                   std::nullopt, 100, 4000) == report
                                  : Kelo::check(kBot, QStringLiteral("b.kelo")) == check &&
                                        Kelo::tokens(kBot) == tokens;
        same[t] += equal;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(same, (std::vector<int>{5, 5, 5, 5}));
}

}  // namespace
}  // namespace zx::bridge
