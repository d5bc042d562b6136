// The sign-in sheet over fake platform clients: search, servers, sign-in, late replies.
#include <QPointer>
#include <deque>

#include "model/workspace_test_support.h"
#include "views/sign_in_flow.h"

namespace zx::views {
namespace {

using client::Broker;
using client::TradingServer;
using model::testing::Rig;
using model::testing::settle;
using Part = SignInFlow::Part;

// Holds the broker and server replies until the test hands them over, in any order.
class HoldingClient final : public client::PlatformClient {
 public:
  client::FakePlatformClient inner;
  std::deque<std::pair<QString, client::Done<QList<Broker>>>> heldBrokers;
  std::deque<std::pair<QString, client::Done<QList<TradingServer>>>> heldServers;

  bool isSignedIn() const override { return inner.isSignedIn(); }
  std::optional<client::Session> storedSession() const override { return inner.storedSession(); }
  void signOut() override { inner.signOut(); }
  void brokers(const QString& text, QObject* context, client::Done<QList<Broker>> done) override {
    QPointer<QObject> alive(context);
    heldBrokers.emplace_back(text, [alive, done](client::Outcome<QList<Broker>> o) {
      if (alive) done(std::move(o));
    });
  }
  void servers(const QString& broker, QObject* context,
               client::Done<QList<TradingServer>> done) override {
    QPointer<QObject> alive(context);
    heldServers.emplace_back(broker, [alive, done](client::Outcome<QList<TradingServer>> o) {
      if (alive) done(std::move(o));
    });
  }
  void signIn(const QString& l, const QString& p, const QString& s, QObject* c,
              client::Done<client::Session> d) override {
    inner.signIn(l, p, s, c, std::move(d));
  }
  void market(QObject* c, client::Done<client::MarketState> d) override {
    inner.market(c, std::move(d));
  }
  void candles(const QString& s, qint64 m, QObject* c,
               client::Done<QList<client::Candle>> d) override {
    inner.candles(s, m, c, std::move(d));
  }
};

QList<Broker> brokers(std::initializer_list<const char*> names) {
  QList<Broker> out;
  for (const char* n : names) out << Broker{QString::fromUtf8(n), std::nullopt, std::nullopt};
  return out;
}

QList<TradingServer> servers(std::initializer_list<const char*> names) {
  QList<TradingServer> out;
  for (const char* n : names) out << TradingServer{QString::fromUtf8(n), std::nullopt};
  return out;
}

QStringList brokerNames(const SignInFlow& flow) {
  QStringList out;
  for (const Broker& b : flow.brokers()) out << b.name;
  return out;
}

client::Session acmeSession() {
  client::Session s;
  s.login = QStringLiteral("5001");
  s.brokerName = QStringLiteral("Acme");
  s.serverName = QStringLiteral("Acme-Live");
  s.currency = QStringLiteral("USD");
  return s;
}

client::MarketState market(std::initializer_list<const char*> symbols) {
  client::MarketState m;
  for (const char* s : symbols) {
    client::SymbolRow row;
    row.sym = QString::fromUtf8(s);
    m.symbols << row;
  }
  m.currency = QStringLiteral("USD");
  return m;
}

const QString kShort = QStringLiteral("Type at least two characters of the broker or server name.");
const QString kNoMatch = QStringLiteral("No broker matches that.");

TEST(SignInFlowSearch, HintsRequestsAndFailures) {
  Rig rig;
  model::Workspace& w = rig.start();
  SignInFlow flow(w, rig.client);
  EXPECT_EQ(flow.title(), "Sign in to Zentrix");
  EXPECT_EQ(flow.hint(), kShort);

  flow.search("a");
  settle();
  EXPECT_EQ(flow.hint(), kShort);
  EXPECT_TRUE(rig.client.calls.isEmpty());

  rig.client.brokersReply = brokers({"Acme", "Abc"});
  flow.search("ab");
  settle();
  EXPECT_EQ(rig.client.calls, QStringList{"brokers ab"});
  EXPECT_EQ(brokerNames(flow), (QStringList{"Acme", "Abc"}));

  // Two characters as typed, one once trimmed: no request, and the list empties.
  flow.search(" a");
  settle();
  EXPECT_EQ(flow.hint(), kNoMatch);
  EXPECT_TRUE(flow.brokers().isEmpty());
  EXPECT_EQ(rig.client.calls.size(), 1);

  flow.search("  ab ");
  settle();
  EXPECT_EQ(rig.client.calls.last(), "brokers   ab ");

  rig.client.brokersReply = QList<Broker>{};
  flow.search("zz");
  settle();
  EXPECT_TRUE(flow.brokers().isEmpty());
  EXPECT_EQ(flow.hint(), kNoMatch);
  EXPECT_FALSE(flow.problem().has_value());

  rig.client.brokersReply = brokers({"Acme"});
  flow.search("ac");
  settle();
  rig.client.brokersReply = client::APIError::http(500, QStringLiteral("Search is down"));
  flow.search("acm");
  settle();
  EXPECT_EQ(flow.problem(), std::optional<QString>("Search is down"));
  EXPECT_EQ(brokerNames(flow), QStringList{"Acme"}) << "the old list stays";

  // A later successful search leaves the problem in place.
  rig.client.brokersReply = brokers({"Acme"});
  flow.search("acme");
  settle();
  EXPECT_EQ(flow.problem(), std::optional<QString>("Search is down"));
}

TEST(SignInFlowSearch, LateRepliesAreDropped) {
  Rig rig;
  model::Workspace& w = rig.start();
  HoldingClient client;
  SignInFlow flow(w, client);

  flow.search("ab");
  flow.search("abc");
  ASSERT_EQ(client.heldBrokers.size(), 2u);
  client.heldBrokers[1].second(brokers({"Abc Markets"}));
  client.heldBrokers[0].second(brokers({"Ab One", "Ab Two"}));
  EXPECT_EQ(brokerNames(flow), QStringList{"Abc Markets"});

  // A failure that arrives late is dropped as well.
  flow.search("abcd");
  flow.search("abcde");
  client.heldBrokers[3].second(brokers({"Abcde"}));
  client.heldBrokers[2].second(client::APIError::http(502, QString()));
  EXPECT_FALSE(flow.problem().has_value());

  // A reply for a search made before the text became too short is dropped too.
  flow.search("xy");
  flow.search("x");
  client.heldBrokers.back().second(brokers({"Xy"}));
  EXPECT_TRUE(flow.brokers().isEmpty());

  // A server list for a broker left behind is dropped.
  flow.choose(brokers({"Old"})[0]);
  flow.changeBroker();
  flow.choose(brokers({"New"})[0]);
  ASSERT_EQ(client.heldServers.size(), 2u);
  client.heldServers[1].second(servers({"New-1"}));
  client.heldServers[0].second(servers({"Old-1", "Old-2"}));
  ASSERT_EQ(flow.servers().size(), 1);
  EXPECT_EQ(flow.server()->serverName, "New-1");

  // Replies after the flow is gone reach nothing.
  auto* gone = new SignInFlow(w, client);
  gone->search("late");
  delete gone;
  client.heldBrokers.back().second(brokers({"Late"}));
}

TEST(SignInFlowServers, PickerCountsAndTheServerSent) {
  const struct {
    const char* name;
    client::Outcome<QList<TradingServer>> reply;
    QStringList listed;
    QString sent;
    bool problem;
  } cases[] = {
      {"none", servers({}), {}, "", false},
      {"one", servers({"Acme-Live"}), {"Acme-Live"}, "Acme-Live", false},
      {"three", servers({"C", "A", "B"}), {"C", "A", "B"}, "C", false},
      {"failed", client::APIError::http(503, QString()), {}, "", true},
  };
  for (const auto& c : cases) {
    Rig rig;
    model::Workspace& w = rig.start();
    SignInFlow flow(w, rig.client);
    rig.client.serversReply = c.reply;
    rig.client.signInReply = client::APIError::http(401, QStringLiteral("Wrong password"));
    flow.choose(Broker{QStringLiteral("Acme"), std::nullopt, 3});
    EXPECT_EQ(flow.title(), "Sign in to Acme");
    settle();
    QStringList listed;
    for (const TradingServer& s : flow.servers()) listed << s.serverName;
    EXPECT_EQ(listed, c.listed) << c.name;
    EXPECT_EQ(flow.problem().has_value(), c.problem) << c.name;
    if (c.problem) {
      EXPECT_EQ(*flow.problem(), "The server replied 503.");
    }
    flow.submit("5001", "pw");
    settle();
    EXPECT_EQ(rig.client.calls,
              (QStringList{"servers Acme", QStringLiteral("signIn 5001 ") + c.sent}))
        << c.name;
  }
}

TEST(SignInFlowSubmit, BusyFailureAndSuccess) {
  Rig rig;
  model::Workspace& w = rig.start();
  SignInFlow flow(w, rig.client);
  rig.client.serversReply = servers({"Acme-Live"});
  flow.choose(Broker{QStringLiteral("Acme"), std::nullopt, 1});
  settle();

  EXPECT_FALSE(flow.canSubmit("", "pw"));
  EXPECT_FALSE(flow.canSubmit("5001", ""));
  EXPECT_TRUE(flow.canSubmit("   ", "pw"));

  rig.client.signInReply = client::APIError::http(401, QStringLiteral("Wrong password"));
  flow.submit("   ", "pw");
  EXPECT_TRUE(flow.busy());
  EXPECT_FALSE(flow.canSubmit("5001", "pw"));
  settle();
  EXPECT_EQ(rig.client.calls.last(), "signIn  Acme-Live") << "blank login sent empty";
  EXPECT_FALSE(flow.busy());
  EXPECT_EQ(flow.problem(), std::optional<QString>("Wrong password"));
  EXPECT_FALSE(w.session().has_value());

  // Success closes only once the symbols are in.
  rig.client.signInReply = acmeSession();
  rig.client.marketReply = market({"GBPUSD", "EURUSD"});
  int closes = 0;
  bool symbolsAtClose = false;
  QObject::connect(&flow, &SignInFlow::signedIn, [&] {
    ++closes;
    symbolsAtClose = w.symbols().size() == 2;
  });
  flow.submit("5001", "pw");
  EXPECT_EQ(flow.problem(), std::optional<QString>("Wrong password")) << "kept while busy";
  settle();
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(symbolsAtClose);
  EXPECT_EQ(w.session(), std::optional<client::Session>(acmeSession()));
  EXPECT_EQ(rig.client.calls.count("market"), 1);
  EXPECT_FALSE(flow.busy());
}

TEST(SignInFlowSubmit, SignInOutlivesTheSheet) {
  Rig rig;
  model::Workspace& w = rig.start();
  auto* flow = new SignInFlow(w, rig.client);
  rig.client.serversReply = servers({});
  flow->choose(Broker{QStringLiteral("Acme"), std::nullopt, 0});
  settle();
  rig.client.signInReply = acmeSession();
  rig.client.marketReply = market({"EURUSD"});
  flow->submit("5001", "pw");
  delete flow;  // Cancel while signing in
  settle();
  EXPECT_EQ(w.session(), std::optional<client::Session>(acmeSession()));
  EXPECT_EQ(rig.client.calls.count("market"), 1);
  EXPECT_EQ(w.testSymbol(), "EURUSD");
}

TEST(SignInFlowSteps, ChangeBrokerKeepsTheSearch) {
  Rig rig;
  model::Workspace& w = rig.start();
  SignInFlow flow(w, rig.client);
  rig.client.brokersReply = brokers({"Acme", "Acorn"});
  flow.search("ac");
  settle();
  rig.client.serversReply = client::APIError::http(500, QStringLiteral("No servers"));
  flow.choose(flow.brokers()[0]);
  settle();
  ASSERT_TRUE(flow.problem().has_value());
  rig.client.serversReply = servers({"A", "B"});
  flow.changeBroker();
  EXPECT_FALSE(flow.problem().has_value());
  EXPECT_FALSE(flow.broker().has_value());
  EXPECT_EQ(flow.title(), "Sign in to Zentrix");
  flow.choose(flow.brokers()[1]);
  settle();
  flow.chooseServer(1);
  EXPECT_EQ(flow.server()->serverName, "B");
  flow.chooseServer(7);
  EXPECT_EQ(flow.server()->serverName, "B");
  flow.changeBroker();
  EXPECT_TRUE(flow.servers().isEmpty());
  EXPECT_FALSE(flow.server().has_value());
  EXPECT_EQ(flow.query(), "ac");
  EXPECT_EQ(brokerNames(flow), (QStringList{"Acme", "Acorn"}));
}

}  // namespace
}  // namespace zx::views
