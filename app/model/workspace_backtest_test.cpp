#include <QThread>
#include <limits>

#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::Publications;
using testing::Rig;
using testing::settle;
using testing::waitFor;
using F = Workspace::Field;

// `n` hourly bars; the first `bad` of them have times that are no usable number.
QList<client::Candle> rows(int n, int bad = 0) {
  QList<client::Candle> out;
  for (int i = 0; i < n; ++i) {
    const double t = i >= bad     ? 1704153600000.0 + i * 3600000.0
                     : i % 2 == 0 ? std::numeric_limits<double>::quiet_NaN()
                                  : 1e300;
    out.append(client::Candle{t, 1.1, 1.2, 1.0, 1.15, 5});
  }
  return out;
}

client::SymbolRow symbol(const QString& sym, qint64 digits = 5) {
  client::SymbolRow r;
  r.sym = sym;
  r.digits = digits;
  return r;
}

// Signed in with `symbols` loaded and `testSymbol` chosen from them.
void signIn(Rig& rig, QList<client::SymbolRow> symbols, QMap<QString, client::Quote> quotes = {}) {
  rig.client.signedIn = true;
  rig.client.marketReply = client::MarketState{std::move(symbols), "USD", std::move(quotes)};
  rig.w().setSession(client::Session{"5001", "Ann", "Acme", "Acme-Live", "USD", 100, 1000});
  rig.w().loadSymbols();
  settle();
}

TEST(WorkspaceBacktest, SignedOutRunsOnGeneratedPrices) {
  Rig rig;
  Workspace& w = rig.start();
  rig.engine.fake.backtestReply = bridge::BacktestReport{};
  rig.engine.fake.backtestReply->ok = true;
  w.setPriceDigits(2);
  w.setCurrencyConverted(false);
  Publications pubs(w);
  w.runBacktest();
  EXPECT_TRUE(w.isTesting());
  EXPECT_EQ(w.report(), std::nullopt);
  EXPECT_EQ(pubs.take(), (QStringList{"isTesting", "report"}));
  ASSERT_TRUE(waitFor(w, F::isTesting));
  EXPECT_EQ(pubs.take(),
            (QStringList{"usingLiveData", "dataNotice", "priceDigits", "reportCurrency",
                         "currencyConverted", "report", "isTesting"}));
  EXPECT_FALSE(w.usingLiveData());
  EXPECT_EQ(w.dataNotice(), "Generated prices, not a real market.");
  EXPECT_EQ(w.priceDigits(), 5);
  EXPECT_EQ(w.reportCurrency(), w.accountCurrency());
  EXPECT_TRUE(w.currencyConverted());
  EXPECT_EQ(w.report(), rig.engine.fake.backtestReply);
  EXPECT_FALSE(w.isTesting());
  const auto args = *rig.engine.fake.lastBacktest();
  EXPECT_EQ(args.bars, std::nullopt);
  EXPECT_EQ(args.symbol, std::nullopt);
  EXPECT_EQ(args.balance, 10000.0);
  EXPECT_EQ(args.warmup, 200);
  EXPECT_EQ(args.name, "golden-cross.kelo");
  EXPECT_EQ(args.source, SourceFile::sampleText());
  EXPECT_TRUE(rig.client.calls.isEmpty());

  // No selection: nothing at all.
  w.setSelectedFileID(std::nullopt);
  pubs.take();
  w.runBacktest();
  settle();
  EXPECT_TRUE(pubs.take().isEmpty());
}

TEST(WorkspaceBacktest, DownloadedPrices) {
  const struct {
    int rows;
    int bad;  // rows among them whose time is unusable
    qint64 bars;
    bool signedIn;       // the client's own view; the workspace still has a session
    const char* notice;  // a prefix
    bool live;
    qint64 engineBars;  // -1: none handed over
  } cases[] = {
      {20, 0, 5000, true, "EURUSD has no price history on this server yet.", false, -1},
      {21, 0, 5000, true, "EURUSD \u00B7 H1 \u00B7 21 bars \u00B7 ", true, 21},
      {21, 2, 5000, true, "EURUSD has no price history on this server yet.", false, -1},
      {23, 2, 5000, true, "EURUSD \u00B7 H1 \u00B7 21 bars \u00B7 ", true, 21},
      {500, 0, 10, true, "EURUSD \u00B7 H1 \u00B7 10 bars \u00B7 ", true, 10},
      {500, 0, 0, true, "Generated prices, not a real market.", false, -1},
      {500, 0, 5000, false, "Sign in to your Zentrix account first.", false, -1},
  };
  for (const auto& c : cases) {
    Rig rig;
    rig.start();
    Workspace& w = rig.w();
    signIn(rig, {symbol("EURUSD", 3)});
    ASSERT_EQ(w.testSymbol(), "EURUSD");
    rig.client.candlesReply = rows(c.rows, c.bad);
    rig.client.signedIn = c.signedIn;
    w.setTestBars(c.bars);
    w.runBacktest();
    ASSERT_TRUE(waitFor(w, F::report));
    EXPECT_EQ(rig.client.calls.last(), "candles EURUSD 60");
    EXPECT_TRUE(w.dataNotice().startsWith(QString::fromUtf8(c.notice)))
        << w.dataNotice().toStdString();
    EXPECT_EQ(w.usingLiveData(), c.live);
    EXPECT_EQ(w.priceDigits(), c.live ? 3 : 5);
    const auto args = *rig.engine.fake.lastBacktest();
    if (c.engineBars < 0) {
      EXPECT_EQ(args.bars, std::nullopt) << c.rows;
      EXPECT_EQ(args.symbol, std::nullopt);
    } else {
      ASSERT_TRUE(args.bars.has_value());
      EXPECT_EQ(args.bars->count(), c.engineBars);
      EXPECT_EQ(args.symbol->name, "EURUSD");
    }
  }
}

TEST(WorkspaceBacktest, UnlistedSymbolAndUnconvertedMoney) {
  Rig rig;
  rig.start();
  Workspace& w = rig.w();
  signIn(rig, {symbol("EURUSD"), symbol("GBPJPY", 3)});
  w.setTestSymbol("XAUUSD");
  w.runBacktest();
  ASSERT_TRUE(waitFor(w, F::report));
  EXPECT_EQ(rig.client.calls.count("market"), 1);
  EXPECT_EQ(rig.client.calls.filter("candles").size(), 0);
  EXPECT_EQ(w.dataNotice(), Workspace::generatedNotice());

  w.setTestSymbol("GBPJPY");
  rig.client.candlesReply = rows(30);
  w.runBacktest();
  ASSERT_TRUE(waitFor(w, F::report));
  EXPECT_EQ(w.reportCurrency(), "JPY");
  EXPECT_FALSE(w.currencyConverted());
  EXPECT_EQ(rig.engine.fake.lastBacktest()->symbol->conversion, 1.0);
}

TEST(WorkspaceBacktest, TheRunUsesItsSnapshot) {
  Rig rig;
  Workspace& w = rig.start();
  rig.engine.gateBacktests = true;
  w.runBacktest();
  rig.engine.waitForBacktestStarted();
  w.setSelectedText("edited after Run");
  w.setTestBalance(1);
  // A second run while one is under way is ignored.
  w.runBacktest();
  rig.engine.openGate();
  ASSERT_TRUE(waitFor(w, F::report));
  settle();
  EXPECT_EQ(rig.engine.names().count("backtest golden-cross.kelo"), 1);
  const auto args = *rig.engine.fake.lastBacktest();
  EXPECT_EQ(args.source, SourceFile::sampleText());
  EXPECT_EQ(args.balance, 10000.0);
  // The fake's unset reply is the bridge's fallback.
  ASSERT_TRUE(w.report().has_value());
  EXPECT_FALSE(w.report()->ok);
  EXPECT_EQ(w.report()->startingBalance, 10000.0);
  EXPECT_EQ(w.report()->endingBalance, 10000.0);
  EXPECT_EQ(w.report()->errors, QList<QString>{"The engine returned an unreadable result"});
  EXPECT_FALSE(w.isTesting());
}

TEST(WorkspaceBacktest, DestroyedWhileTheEngineRuns) {
  for (const bool abandoned : {false, true}) {
    SCOPED_TRACE(abandoned ? "abandoned: nothing waits" : "the destructor waits");
    Rig rig;
    Workspace& w = rig.start();
    rig.engine.gateBacktests = true;
    w.runBacktest();
    rig.engine.waitForBacktestStarted();
    if (abandoned) {
      EXPECT_TRUE(w.abandonBacktest());
    }
    std::unique_ptr<QThread> opener;
    if (!abandoned) {
      opener.reset(QThread::create([&] {
        QThread::msleep(50);
        rig.engine.openGate();
      }));
      opener->start();
    }
    rig.workspace.reset();
    EXPECT_EQ(rig.engine.backtestsEnded(), abandoned ? 0 : 1);
    if (opener) opener->wait();
    rig.engine.openGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.engine.backtestsEnded() == 1; }, 30000));
    settle();
    EXPECT_EQ(rig.engine.names().count("backtest golden-cross.kelo"), 1);
  }
}

}  // namespace
}  // namespace zx::model
