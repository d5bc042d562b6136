// The sign-in sheet over fake platform clients: search, servers, sign-in, late replies.
#include "panels/sign_in_sheet.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <deque>

#include "panels/broker_row.h"
#include "panels/sign_in_flow.h"
#include "panels/views_test_support.h"

namespace zx::views {
namespace {

using client::Broker;
using client::TradingServer;
using model::testing::settle;
using testing::Rig;
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

// A window with a sheet presented over it the way the shell does.
struct Presented {
  Rig rig;
  model::Workspace& w = rig.start();
  testing::Window window{{900, 700}};

  Presented() {
    window.show(new QWidget);
    presentSignInWhenWanted(window.widget(), w, rig.client);
  }
  SignInSheet* sheet() {
    for (SignInSheet* s : window.widget()->findChildren<SignInSheet*>()) {
      if (s->isVisible()) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(s));
        return s;
      }
    }
    return nullptr;
  }
  int sheets() {
    testing::settle();
    return int(window.widget()->findChildren<SignInSheet*>().size());
  }
};

void typeSearch(SignInSheet* sheet, const char* text) {
  QTest::keyClicks(sheet->searchField()->lineEdit(), text);
  settle();
}

TEST(SignInSheet, PresentedWhileWanted) {
  Presented p;
  EXPECT_EQ(p.sheets(), 0);
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  EXPECT_EQ(sheet->size(), QSize(460, 520));
  EXPECT_FALSE(theme::PaletteScope::isHost(sheet)) << "it follows the window";
  p.w.setWantsSignIn(true);
  EXPECT_EQ(p.sheets(), 1) << "one sheet at a time";

  QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(p.w.wantsSignIn()) << "closing writes the flag back";
  EXPECT_EQ(p.sheets(), 0);

  p.w.setWantsSignIn(true);
  sheet = p.sheet();
  ASSERT_TRUE(sheet);
  EXPECT_TRUE(sheet->searchField()->lineEdit()->hasFocus()) << "a fresh sheet";
  EXPECT_TRUE(sheet->searchField()->text().isEmpty());
  p.w.setWantsSignIn(false);
  EXPECT_EQ(p.sheets(), 0) << "closed from outside";

  p.w.setWantsSignIn(true);
  p.sheet()->close();
  EXPECT_FALSE(p.w.wantsSignIn()) << "the window's close button acts as Cancel";
}

// Neither Escape nor Return closes the sheet or drops a typed entry, wherever the focus is.
TEST(SignInSheet, NoKeyClosesItOrDropsWhatWasTyped) {
  enum class Where { search, emptySearch, row, picker, login, password };
  const struct {
    Where where;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  } cases[] = {
      {Where::search, Qt::Key_Escape, {}},
      {Where::emptySearch, Qt::Key_Escape, {}},
      {Where::row, Qt::Key_Escape, {}},
      {Where::picker, Qt::Key_Escape, {}},
      {Where::login, Qt::Key_Escape, {}},
      {Where::password, Qt::Key_Escape, {}},
      {Where::login, Qt::Key_Escape, Qt::ShiftModifier},
      {Where::search, Qt::Key_Return, {}},
      {Where::row, Qt::Key_Return, {}},
      {Where::login, Qt::Key_Return, {}},
      {Where::password, Qt::Key_Enter, {}},
  };
  for (const auto& c : cases) {
    const int row = int(&c - cases);
    Presented p;
    p.w.setWantsSignIn(true);
    SignInSheet* sheet = p.sheet();
    ASSERT_TRUE(sheet);
    p.rig.client.brokersReply = QList<Broker>{{"Acme", std::nullopt, 2}};
    p.rig.client.serversReply = servers({"Acme-Live", "Acme-Demo"});
    QString search;
    if (c.where != Where::emptySearch) {
      typeSearch(sheet, "ac");
      search = "ac";
    }
    QWidget* target = sheet->searchField()->lineEdit();
    if (c.where == Where::row) target = sheet->brokerRows().value(0);
    const bool credentials =
        c.where == Where::picker || c.where == Where::login || c.where == Where::password;
    if (credentials) {
      QTest::mouseClick(sheet->brokerRows().value(0), Qt::LeftButton);
      settle();
      QTest::keyClicks(sheet->loginEdit(), "5001");
      QTest::keyClicks(sheet->passwordEdit(), "pw");
      target = c.where == Where::picker  ? static_cast<QWidget*>(sheet->serverPicker())
               : c.where == Where::login ? sheet->loginEdit()
                                         : sheet->passwordEdit();
    }
    ASSERT_TRUE(target) << row;
    target->setFocus();
    QTest::keyClick(target, c.key, c.modifiers);
    settle();
    EXPECT_EQ(p.sheets(), 1) << row;
    EXPECT_TRUE(sheet->isVisible()) << row;
    EXPECT_TRUE(p.w.wantsSignIn()) << row;
    EXPECT_EQ(sheet->searchField()->text(), search) << row;
    EXPECT_EQ(sheet->steps()->currentIndex(), credentials ? 1 : 0) << row;
    if (credentials) {
      EXPECT_EQ(sheet->loginEdit()->text(), "5001") << row;
      EXPECT_EQ(sheet->passwordEdit()->text(), "pw") << row;
      EXPECT_EQ(sheet->serverPicker()->currentText(), "Acme-Live") << row;
    }
    EXPECT_FALSE(p.rig.client.calls.join(' ').contains("signIn")) << row;
  }
}

// However many brokers or servers the platform sends, the sheet shows the 25 brokers the
// search asked for, and every server in its picker.
TEST(SignInSheet, LongRepliesStayBounded) {
  const auto numbered = [](const QString& stem, int n) {
    QStringList out;
    for (int i = 0; i < n; ++i) out << stem + QString::number(i);
    return out;
  };
  const struct {
    int brokers;
    int rows;
    const char* last;
  } searches[] = {{0, 0, ""},
                  {3, 3, "Broker 2"},
                  {25, 25, "Broker 24"},
                  {26, 25, "Broker 24"},
                  {20000, 25, "Broker 24"}};
  for (const auto& c : searches) {
    Presented p;
    p.w.setWantsSignIn(true);
    SignInSheet* sheet = p.sheet();
    QList<Broker> reply;
    for (const QString& name : numbered("Broker ", c.brokers)) reply << Broker{name, {}, 1};
    p.rig.client.brokersReply = reply;
    typeSearch(sheet, "br");
    const QList<BrokerRow*> rows = sheet->brokerRows();
    ASSERT_EQ(rows.size(), c.rows) << c.brokers;
    EXPECT_EQ(sheet->flow()->brokers().size(), c.rows) << c.brokers;
    EXPECT_EQ(sheet->hint()->isVisible(), c.rows == 0) << c.brokers;
    if (c.rows == 0) {
      EXPECT_EQ(sheet->hint()->text(), kNoMatch);
      continue;
    }
    EXPECT_EQ(rows.first()->accessibleName(), "Broker 0") << c.brokers;
    EXPECT_EQ(rows.last()->accessibleName(), c.last) << c.brokers;
    EXPECT_TRUE(rows.last()->isVisible()) << c.brokers;
  }

  const struct {
    int servers;
    bool picker;
    const char* first;
    const char* last;
    bool scrolls;  // the open menu shows a scroll bar
  } lists[] = {{2, true, "S-0", "S-1", false}, {10000, true, "S-0", "S-9999", true}};
  for (const auto& c : lists) {
    Presented p;
    p.w.setWantsSignIn(true);
    SignInSheet* sheet = p.sheet();
    QList<TradingServer> reply;
    for (const QString& name : numbered("S-", c.servers)) reply << TradingServer{name, {}};
    p.rig.client.serversReply = reply;
    sheet->flow()->choose(Broker{"Acme", std::nullopt, c.servers});
    settle();
    QComboBox* picker = sheet->serverPicker();
    ASSERT_EQ(sheet->serverField()->isVisible(), c.picker) << c.servers;
    EXPECT_EQ(picker->count(), c.servers);
    EXPECT_EQ(picker->currentText(), c.first);
    EXPECT_EQ(picker->itemText(c.servers - 1), c.last);

    // The menu opens, and the keyboard reaches its last entry.
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_Space);
    ASSERT_TRUE(testing::waitUntil([&] { return picker->view()->isVisible(); })) << c.servers;
    EXPECT_EQ(picker->view()->verticalScrollBar()->isVisible(), c.scrolls) << c.servers;
    QTest::keyClick(picker->view(), Qt::Key_End);
    QTest::keyClick(picker->view(), Qt::Key_Return);
    ASSERT_TRUE(testing::waitUntil([&] { return !picker->view()->isVisible(); }));
    EXPECT_EQ(picker->currentText(), c.last) << c.servers;
    ASSERT_TRUE(sheet->flow()->server().has_value());
    EXPECT_EQ(sheet->flow()->server()->serverName, c.last) << c.servers;
  }
}

// A search that reaches no answer shows its problem alone; the hints come back with the
// next answer or a text too short to search.
TEST(SignInSheet, AFailedSearchShowsOnlyItsProblem) {
  const client::Outcome<QList<Broker>> down = client::TransportError{
      client::TransportError::Kind::connection, QStringLiteral("Connection refused")};
  const client::Outcome<QList<Broker>> refused =
      client::APIError::http(503, QStringLiteral("Search is down"));
  const client::Outcome<QList<Broker>> none = QList<Broker>{};
  const client::Outcome<QList<Broker>> acme = QList<Broker>{{"Acme", std::nullopt, 1}};
  const struct {
    const char* typed;  // replaces the search text; after a "+", is added to it
    const client::Outcome<QList<Broker>>* reply;
    QString hint;  // shown; empty for none
    int rows;
    QString problem;  // shown; empty for none
  } steps[] = {
      {"zz", &down, "", 0, "Connection refused"},         // no answer: no "No broker matches"
      {"zzz", &none, kNoMatch, 0, "Connection refused"},  // an answer with no broker
      {"zy", &refused, "", 0, "Search is down"},          // the server's refusal
      {"z", &refused, kShort, 0, "Search is down"},       // too short to search
      {"ac", &acme, "", 1, "Search is down"},             // a list
      {"+m", &down, "", 1, "Connection refused"},         // a failure keeps the list
  };
  Presented p;
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  QLineEdit* edit = sheet->searchField()->lineEdit();
  for (const auto& step : steps) {
    p.rig.client.brokersReply = *step.reply;
    const bool adding = step.typed[0] == '+';
    if (!adding) edit->selectAll();
    QTest::keyClicks(edit, step.typed + int(adding));
    settle();
    EXPECT_EQ(sheet->hint()->isVisible() ? sheet->hint()->text() : QString(), step.hint)
        << step.typed;
    EXPECT_EQ(sheet->brokerRows().size(), step.rows) << step.typed;
    EXPECT_EQ(sheet->problemStrip()->isVisible() ? sheet->problemText()->text() : QString(),
              step.problem)
        << step.typed;
  }
}

TEST(SignInSheet, BrokerStep) {
  Presented p;
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->title(), "Sign in to Zentrix");
  EXPECT_FALSE(sheet->changeBrokerButton()->isVisible());
  EXPECT_FALSE(sheet->signInButton()->isVisible());
  typeSearch(sheet, "a");
  EXPECT_EQ(sheet->hint()->text(), kShort);
  EXPECT_TRUE(sheet->hint()->isVisible());

  p.rig.client.brokersReply = QList<Broker>{{"Acme", std::nullopt, 3}, {"Acorn", std::nullopt, 1}};
  typeSearch(sheet, "c");
  EXPECT_EQ(p.rig.client.calls, QStringList{"brokers ac"});
  QList<BrokerRow*> rows = sheet->brokerRows();
  ASSERT_EQ(rows.size(), 2);
  EXPECT_FALSE(sheet->hint()->isVisible());
  EXPECT_EQ(rows[0]->accessibleName(), "Acme");
  EXPECT_EQ(rows[0]->detail(), "3 servers");
  EXPECT_EQ(rows[1]->detail(), "1 server");

  // Tab order: search, then the rows.
  sheet->searchField()->lineEdit()->setFocus();
  QTest::keyClick(sheet->searchField()->lineEdit(), Qt::Key_Tab);
  EXPECT_TRUE(rows[0]->hasFocus());

  // A click in the empty middle of a row chooses it, once.
  p.rig.client.serversReply = servers({"Acme-Live", "Acme-Demo", "Acme-Old"});
  QTest::mouseClick(rows[0], Qt::LeftButton, {}, rows[0]->rect().center());
  settle();
  EXPECT_EQ(p.rig.client.calls.count("servers Acme"), 1);
  EXPECT_EQ(sheet->title(), "Sign in to Acme");
  EXPECT_EQ(sheet->steps()->currentIndex(), 1);
  EXPECT_TRUE(sheet->changeBrokerButton()->isVisible());
  ASSERT_TRUE(sheet->serverField()->isVisible());
  QComboBox* picker = sheet->serverPicker();
  EXPECT_EQ(picker->count(), 3);
  EXPECT_EQ(picker->itemText(0), "Acme-Live");
  EXPECT_EQ(picker->itemText(2), "Acme-Old");
  EXPECT_EQ(picker->currentIndex(), 0);
  EXPECT_TRUE(sheet->loginEdit()->hasFocus());
  QTest::keyClicks(sheet->loginEdit(), "1");
  QTest::keyClicks(sheet->passwordEdit(), "2");
  picker->setFocus();
  QList<QWidget*> order{QApplication::focusWidget()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget();
  }
  EXPECT_EQ(order, (QList<QWidget*>{picker, sheet->loginEdit(), sheet->passwordEdit(),
                                    sheet->cancelButton(), sheet->signInButton()}));

  sheet->changeBrokerButton()->click();
  EXPECT_EQ(sheet->steps()->currentIndex(), 0);
  EXPECT_EQ(sheet->searchField()->text(), "ac");
  EXPECT_EQ(sheet->brokerRows().size(), 2);

  // Space on a focused row chooses it too.
  p.rig.client.serversReply = servers({"Acorn-1"});
  sheet->brokerRows()[1]->setFocus();
  QTest::keyClick(sheet->brokerRows()[1], Qt::Key_Space);
  settle();
  EXPECT_EQ(sheet->title(), "Sign in to Acorn");
  EXPECT_FALSE(sheet->serverField()->isVisible()) << "one server needs no picker";
}

TEST(SignInSheet, CredentialsStep) {
  Presented p;
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  p.rig.client.serversReply = servers({});
  sheet->flow()->choose(Broker{"Acme", std::nullopt, 0});
  settle();
  EXPECT_FALSE(sheet->serverField()->isVisible());
  EXPECT_FALSE(sheet->problemStrip()->isVisible());
  theme::KitButton* signIn = sheet->signInButton();
  EXPECT_TRUE(signIn->isVisible());
  EXPECT_FALSE(signIn->isEnabled());
  QTest::keyClicks(sheet->loginEdit(), "5001");
  EXPECT_FALSE(signIn->isEnabled());
  QTest::keyClicks(sheet->passwordEdit(), "pw");
  EXPECT_TRUE(signIn->isEnabled());
  EXPECT_EQ(sheet->passwordEdit()->echoMode(), QLineEdit::Password);

  // Return in a field does nothing.
  QTest::keyClick(sheet->loginEdit(), Qt::Key_Return);
  QTest::keyClick(sheet->passwordEdit(), Qt::Key_Return);
  settle();
  EXPECT_FALSE(p.rig.client.calls.join(' ').contains("signIn"));
  EXPECT_TRUE(sheet->isVisible());

  p.rig.client.signInReply = client::APIError::http(401, QStringLiteral("Wrong password"));
  QTest::mouseClick(signIn, Qt::LeftButton);
  EXPECT_EQ(signIn->title(), "Signing in");
  EXPECT_FALSE(signIn->isEnabled());
  EXPECT_TRUE(sheet->cancelButton()->isEnabled());
  settle();
  EXPECT_EQ(signIn->title(), "Sign in");
  EXPECT_TRUE(signIn->isEnabled());
  EXPECT_TRUE(sheet->problemStrip()->isVisible());
  EXPECT_EQ(sheet->problemText()->text(), "Wrong password");
  EXPECT_EQ(sheet->loginEdit()->text(), "5001");
  EXPECT_EQ(sheet->passwordEdit()->text(), "pw");

  // Success: the sheet stays until the symbols are in.
  p.rig.client.signInReply = acmeSession();
  p.rig.client.marketReply = market({"EURUSD"});
  QTest::mouseClick(signIn, Qt::LeftButton);
  EXPECT_TRUE(sheet->isVisible());
  settle();
  EXPECT_EQ(p.sheets(), 0);
  EXPECT_FALSE(p.w.wantsSignIn());
  EXPECT_EQ(p.w.session(), std::optional<client::Session>(acmeSession()));
  EXPECT_EQ(p.rig.client.calls.count("market"), 1);
}

TEST(SignInSheet, CancelWhileSigningIn) {
  Presented p;
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  p.rig.client.serversReply = servers({"Acme-Live"});
  sheet->flow()->choose(Broker{"Acme", std::nullopt, 1});
  settle();
  QTest::keyClicks(sheet->loginEdit(), "5001");
  QTest::keyClicks(sheet->passwordEdit(), "pw");
  p.rig.client.signInReply = acmeSession();
  p.rig.client.marketReply = market({"EURUSD"});
  QTest::mouseClick(sheet->signInButton(), Qt::LeftButton);
  QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
  EXPECT_FALSE(p.w.wantsSignIn());
  EXPECT_EQ(p.sheets(), 0) << "closed at once";
  settle();
  EXPECT_EQ(p.w.session(), std::optional<client::Session>(acmeSession()));
  EXPECT_EQ(p.rig.client.calls.count("market"), 1);
}

TEST(SignInSheet, LogoRowsAndPixels) {
  Presented p;
  p.w.setWantsSignIn(true);
  SignInSheet* sheet = p.sheet();
  QImage image(30, 10, QImage::Format_ARGB32);
  image.fill(QColor(0, 200, 0));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  p.rig.client.brokersReply = QList<Broker>{
      {"Acme", "data:image/png;base64," + QString::fromLatin1(png.toBase64()), std::nullopt},
      {"Plain", std::nullopt, std::nullopt}};
  typeSearch(sheet, "ac");
  QList<BrokerRow*> rows = sheet->brokerRows();
  ASSERT_EQ(rows.size(), 2);
  EXPECT_FALSE(rows[0]->logo().isNull());
  EXPECT_TRUE(rows[1]->logo().isNull());
  EXPECT_EQ(rows[0]->detail(), "");
  // The 30 x 10 logo is fitted to 15 x 5, centred in the row's 15-px logo column.
  const QImage shot = testing::grab(rows[0]);
  const int middle = rows[0]->height() / 2;
  EXPECT_TRUE(testing::near(shot.pixelColor(8 + 7, middle), QColor(0, 200, 0), 30));
  EXPECT_FALSE(testing::near(shot.pixelColor(8 + 7, middle - 5), QColor(0, 200, 0), 30));
}

TEST(BrokerRow, HoverAndClicks) {
  testing::Window window({300, 100});
  auto* box = window.show(new QWidget);
  auto* layout = new QVBoxLayout(box);
  auto* top = new BrokerRow(Broker{"Top", std::nullopt, std::nullopt}, "", box);
  auto* bottom = new BrokerRow(Broker{"Bottom", std::nullopt, 2}, "2 servers", box);
  layout->addWidget(top);
  layout->addWidget(bottom);
  settle();
  int clicks = 0;
  QObject::connect(bottom, &QAbstractButton::clicked, [&] { ++clicks; });
  const theme::Palette& palette = window.palette();
  const int middle = bottom->height() / 2;
  QTest::mouseMove(bottom, bottom->rect().center());
  settle();
  EXPECT_TRUE(bottom->hovering());
  EXPECT_TRUE(testing::near(testing::grab(bottom).pixelColor(150, middle), palette.rowHover, 2));
  EXPECT_FALSE(testing::near(testing::grab(top).pixelColor(150, middle), palette.rowHover, 2));
  QTest::mouseMove(top, top->rect().center());
  settle();
  EXPECT_FALSE(bottom->hovering());
  QTest::mouseClick(bottom, Qt::LeftButton, {}, QPoint(bottom->width() / 2, middle));
  EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace zx::views
