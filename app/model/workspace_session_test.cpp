#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::Publications;
using testing::Rig;
using testing::settle;

const client::Session kSession{"5001", "Ann", "Acme", "Acme-Live", "EUR", 100, 1000};

QList<client::SymbolRow> symbols(const QStringList& names) {
  QList<client::SymbolRow> out;
  for (const QString& n : names) {
    client::SymbolRow r;
    r.sym = n;
    r.digits = 5;
    out << r;
  }
  return out;
}

QStringList syms(const Workspace& w) {
  QStringList out;
  for (const auto& r : w.symbols()) out << r.sym;
  return out;
}

TEST(WorkspaceSession, ChoosesTheTesterSymbol) {
  const struct {
    QStringList in;
    const char* before;
    QStringList sorted;
    const char* after;
  } rows[] = {
      {{"AUDUSD", "EURUSD.m", "EURUSD"}, "", {"AUDUSD", "EURUSD", "EURUSD.m"}, "EURUSD"},
      {{"AUDUSD", "EURUSD.m", "EURUSD"}, "AUDUSD", {"AUDUSD", "EURUSD", "EURUSD.m"}, "AUDUSD"},
      {{"USDJPY", "AUDCAD"}, "GBPUSD", {"AUDCAD", "USDJPY"}, "AUDCAD"},
      {{"eurusd", "GBPUSD"}, "", {"GBPUSD", "eurusd"}, "GBPUSD"},
      {{}, "EURUSD", {}, ""},
      {{"A\U0001F600", "A\uFF5E"}, "", {"A\uFF5E", "A\U0001F600"}, "A\uFF5E"},
  };
  for (const auto& r : rows) {
    Rig rig;
    Workspace& w = rig.start();
    rig.client.signedIn = true;
    rig.client.marketReply = client::MarketState{symbols(r.in), "EUR", {}};
    w.setSession(kSession);
    w.setTestSymbol(QString::fromUtf8(r.before));
    Publications pubs(w);
    w.loadSymbols();
    EXPECT_EQ(pubs.take(), QStringList{"loadingSymbols"});
    settle();
    QStringList expected{"accountCurrency", "symbols"};
    if (QString::fromUtf8(r.before) != QString::fromUtf8(r.after)) expected << "testSymbol";
    expected << "loadingSymbols";
    EXPECT_EQ(pubs.take(), expected) << r.before;
    EXPECT_EQ(syms(w), r.sorted);
    EXPECT_EQ(w.testSymbol(), QString::fromUtf8(r.after));
    EXPECT_EQ(w.selectedSymbol().has_value(), !r.sorted.isEmpty());
    EXPECT_EQ(w.accountCurrency(), "EUR");
    EXPECT_FALSE(w.loadingSymbols());
  }
}

TEST(WorkspaceSession, ALoadReplacesTheQuotes) {
  Rig rig;
  Workspace& w = rig.start();
  rig.client.signedIn = true;
  const QMap<QString, client::Quote> quotes{{"EURUSD", client::Quote{1.1, 1.2}}};
  rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "USD", quotes};
  w.setSession(kSession);
  int done = 0;
  w.loadSymbols([&] { ++done; });
  settle();
  EXPECT_EQ(w.quotes(), quotes);
  EXPECT_EQ(done, 1);
}

TEST(WorkspaceSession, AFailedLoadKeepsTheAccount) {
  const struct {
    bool signedIn;
    client::Outcome<client::MarketState> reply;
    const char* message;
  } rows[] = {
      {true, client::APIError::http(401, ""), "The server replied 401."},
      {false, client::MarketState{}, "Sign in to your Zentrix account first."},
  };
  for (const auto& r : rows) {
    Rig rig;
    Workspace& w = rig.start();
    rig.client.signedIn = true;
    rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "EUR", {}};
    w.setSession(kSession);
    w.loadSymbols();
    settle();
    rig.client.signedIn = r.signedIn;
    rig.client.marketReply = r.reply;
    Publications pubs(w);
    w.loadSymbols();
    settle();
    EXPECT_EQ(pubs.take(),
              (QStringList{"loadingSymbols", "buildFailed", "buildMessage", "loadingSymbols"}));
    EXPECT_TRUE(w.buildFailed());
    EXPECT_EQ(w.buildMessage(), r.message);
    EXPECT_EQ(w.session(), kSession);
    EXPECT_EQ(syms(w), QStringList{"EURUSD"});
    EXPECT_EQ(w.accountCurrency(), "EUR");
  }
}

TEST(WorkspaceSession, AccountLabelAndCounts) {
  const struct {
    const char* broker;
    const char* server;
    const char* label;
  } rows[] = {
      {"Acme", "Acme-Live", "5001 \u00B7 Acme"},
      {"", "Acme-Live", "5001 \u00B7 Acme-Live"},
      {"", "", "5001"},
  };
  Rig rig;
  Workspace& w = rig.start();
  EXPECT_EQ(w.accountLabel(), "");
  for (const auto& r : rows) {
    client::Session s = kSession;
    s.brokerName = r.broker;
    s.serverName = r.server;
    w.setSession(s);
    EXPECT_EQ(w.accountLabel(), QString::fromUtf8(r.label));
  }
  w.setDiagnostics({{"error", "A", "", 1, 1, 1, 1},
                    {"warning", "B", "", 1, 1, 1, 1},
                    {"error", "C", "", 1, 1, 1, 1},
                    {"info", "D", "", 1, 1, 1, 1}});
  EXPECT_EQ(w.errorCount(), 2);
  EXPECT_EQ(w.warningCount(), 1);
}

TEST(WorkspaceSession, SignOut) {
  Rig rig;
  Workspace& w = rig.start();
  rig.client.signedIn = true;
  const QMap<QString, client::Quote> quotes{{"EURUSD", client::Quote{1.1, 1.2}}};
  rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "EUR", quotes};
  w.setSession(kSession);
  w.loadSymbols();
  settle();
  w.setUsingLiveData(true);
  w.setDataNotice("EURUSD \u00B7 H1 \u00B7 10 bars");
  w.setReportCurrency("JPY");
  w.setPriceDigits(3);
  w.setCurrencyConverted(false);
  w.setReport(bridge::BacktestReport{});
  w.setBuildMessage("kept");
  Publications pubs(w);
  w.signOut();
  EXPECT_EQ(rig.client.calls.last(), "signOut");
  EXPECT_EQ(pubs.take(),
            (QStringList{"session", "symbols", "testSymbol", "usingLiveData", "dataNotice"}));
  EXPECT_EQ(w.session(), std::nullopt);
  EXPECT_TRUE(w.symbols().isEmpty());
  EXPECT_EQ(w.testSymbol(), "");
  EXPECT_FALSE(w.usingLiveData());
  EXPECT_EQ(w.dataNotice(), Workspace::generatedNotice());
  EXPECT_EQ(w.accountCurrency(), "EUR");
  EXPECT_EQ(w.quotes(), quotes);
  EXPECT_EQ(w.reportCurrency(), "JPY");
  EXPECT_EQ(w.priceDigits(), 3);
  EXPECT_FALSE(w.currencyConverted());
  EXPECT_TRUE(w.report().has_value());
  EXPECT_EQ(w.buildMessage(), "kept");

  // The next run reports in the last account currency, on generated prices.
  w.runBacktest();
  ASSERT_TRUE(testing::waitFor(w, Workspace::Field::report));
  EXPECT_EQ(w.reportCurrency(), "EUR");
  EXPECT_TRUE(w.currencyConverted());
  EXPECT_EQ(rig.client.calls.filter("candles").size(), 0);
}

TEST(WorkspaceSession, LateRepliesAreDropped) {
  {
    // A load overtaken by a sign-out shows nothing.
    Rig rig;
    Workspace& w = rig.start();
    rig.client.signedIn = true;
    rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "EUR", {}};
    w.setSession(kSession);
    int done = 0;
    w.loadSymbols([&] { ++done; });
    w.signOut();
    settle();
    EXPECT_TRUE(w.symbols().isEmpty());
    EXPECT_EQ(w.testSymbol(), "");
    EXPECT_FALSE(w.loadingSymbols());
    EXPECT_EQ(w.accountCurrency(), "USD");
    EXPECT_EQ(done, 1);
  }
  {
    // Of two loads only the second applies; loading lasts until it ends.
    Rig rig;
    Workspace& w = rig.start();
    rig.client.signedIn = true;
    w.setSession(kSession);
    int done = 0;
    rig.client.marketReply = client::MarketState{symbols({"AUDUSD"}), "AUD", {}};
    w.loadSymbols([&] { ++done; });
    rig.client.marketReply = client::MarketState{symbols({"GBPUSD"}), "GBP", {}};
    QList<bool> loading;
    QObject::connect(&w, &Workspace::changed, &w, [&](Workspace::Field f) {
      if (f == Workspace::Field::loadingSymbols) loading << w.loadingSymbols();
    });
    w.loadSymbols([&] { ++done; });
    settle();
    EXPECT_EQ(syms(w), QStringList{"GBPUSD"});
    EXPECT_EQ(w.accountCurrency(), "GBP");
    EXPECT_EQ(loading, (QList<bool>{true, false}));
    EXPECT_EQ(done, 2);
  }
  {
    // Destroyed first: nothing is called.
    Rig rig;
    rig.start();
    rig.client.signedIn = true;
    rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "EUR", {}};
    int done = 0;
    rig.w().loadSymbols([&] { ++done; });
    rig.workspace.reset();
    settle();
    EXPECT_EQ(done, 0);
  }
}

}  // namespace
}  // namespace zx::model
