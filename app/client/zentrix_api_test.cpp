#include "client/zentrix_api.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include "client/blocking_secret_store.h"
#include "client/fake_web_server.h"
#include "client/memory_secret_store.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace zx::client {
namespace {

using namespace std::chrono_literals;
using Canned = FakeWebServer::Canned;

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "zentrix_api_test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* instance = new QCoreApplication(argc, argv);
  return *instance;
}

const QString kItem = QStringLiteral("org.wexo.zentrix.code/zentrix.credentials");
const char* const kSession =
    R"({"login":"42","name":"Ann","brokerName":"B","serverName":"S-Demo","currency":"EUR","leverage":100,"balance":1000})";

std::string loginReply(const char* token) {
  return std::string(R"({"ok":true,"data":{"token":")") + token + R"(","session":)" + kSession +
         "}}";
}

// Runs the event loop until `done` holds or the limit passes.
template <class Pred>
bool spinUntil(Pred done, std::chrono::milliseconds limit = 30s) {
  app();
  QDeadlineTimer deadline(limit);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return done();
}

// Starts a call and waits for its one outcome.
template <class T, class Start>
Outcome<T> await(Start start) {
  std::optional<Outcome<T>> result;
  int calls = 0;
  start([&](Outcome<T> o) {
    ++calls;
    result = std::move(o);
  });
  EXPECT_FALSE(result.has_value()) << "delivered before the call returned";
  EXPECT_TRUE(spinUntil([&] { return result.has_value(); })) << "no outcome";
  if (!result) return TransportError{TransportError::Kind::connection, "(test: no outcome)"};
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 1);
  return *result;
}

class ZentrixApiTest : public ::testing::Test {
 protected:
  void SetUp() override { app(); }

  // Started as the application starts it: with the stored credentials restored.
  std::unique_ptr<ZentrixAPI> client(std::chrono::milliseconds timeout = 20s) {
    auto api = std::make_unique<ZentrixAPI>(store, server.base(), nullptr, timeout);
    bool restored = false;
    api->restoreStored(nullptr, [&](std::optional<Session>) { restored = true; });
    EXPECT_TRUE(spinUntil([&] { return restored; }));
    return api;
  }
  void signedIn(const char* token = "T") {
    store.items[kItem] = QByteArray(R"({"token":")") + token + R"("})";
  }

  Outcome<QList<Broker>> brokers(ZentrixAPI& api, const QString& text = QStringLiteral("a")) {
    return await<QList<Broker>>([&](auto done) { api.brokers(text, nullptr, done); });
  }
  Outcome<MarketState> market(ZentrixAPI& api) {
    return await<MarketState>([&](auto done) { api.market(nullptr, done); });
  }
  Outcome<Session> signIn(ZentrixAPI& api) {
    return await<Session>([&](auto done) { api.signIn("42", "pw", "S-Demo", nullptr, done); });
  }

  FakeWebServer server;
  MemorySecretStore store;
};

const std::string kNoBrokers = R"({"ok":true,"data":{"items":[],"total":0}})";
const std::string kState = R"({"ok":true,"data":{"symbols":[]}})";

TEST_F(ZentrixApiTest, EachEndpointSendsItsRequest) {
  signedIn("T");
  auto api = client();
  server.route("/client/brokers", {200, kNoBrokers});
  server.route("/client/servers", {200, R"({"ok":true,"data":[]})"});
  server.route("/client/login", {200, loginReply("T")});
  server.route("/client/state", {200, kState});
  server.route("/client/candles", {200, R"({"ok":true,"data":[]})"});

  struct Row {
    const char* behaviour;
    std::function<bool(ZentrixAPI&)> call;  // true when the call succeeded
    const char* method;
    const char* target;
    const char* authorization;  // "" when absent
  };
  auto ok = [](const auto& outcome) { return outcome.ok(); };
  const QList<Row> rows = {
      {"brokers with empty text", [&](ZentrixAPI& a) { return ok(brokers(a, "")); }, "GET",
       "/client/brokers?q=&limit=25", ""},
      {"brokers with a percent sequence", [&](ZentrixAPI& a) { return ok(brokers(a, "%41")); },
       "GET", "/client/brokers?q=%2541&limit=25", ""},
      {"brokers with plus and space", [&](ZentrixAPI& a) { return ok(brokers(a, "a+b c")); }, "GET",
       "/client/brokers?q=a%2Bb%20c&limit=25", ""},
      {"servers of a broker",
       [&](ZentrixAPI& a) {
         return ok(await<QList<TradingServer>>(
             [&](auto d) { a.servers(QStringLiteral("Señor & Co"), nullptr, d); }));
       },
       "GET", "/client/servers?broker=Se%C3%B1or%20%26%20Co", ""},
      {"sign-in is never authorised", [&](ZentrixAPI& a) { return ok(signIn(a)); }, "POST",
       "/client/login", ""},
      {"market state", [&](ZentrixAPI& a) { return ok(market(a)); }, "GET", "/client/state",
       "Bearer T"},
      {"candles with minutes",
       [&](ZentrixAPI& a) {
         return ok(await<QList<Candle>>(
             [&](auto d) { a.candles(QStringLiteral("EURUSD"), 240, nullptr, d); }));
       },
       "GET", "/client/candles?symbol=EURUSD&tf=240", "Bearer T"},
  };
  for (const Row& row : rows) {
    const size_t before = server.requests().size();
    EXPECT_TRUE(row.call(*api)) << row.behaviour;
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), before + 1) << row.behaviour;
    const FakeWebServer::Recorded& r = requests.back();
    EXPECT_EQ(r.method, row.method) << row.behaviour;
    EXPECT_EQ(r.target, row.target) << row.behaviour;
    EXPECT_EQ(r.header("Authorization"), row.authorization) << row.behaviour;
    EXPECT_EQ(r.header("Accept"), "application/json") << row.behaviour;
    EXPECT_EQ(r.has("Content-Type"), r.method == "POST") << row.behaviour;
  }

  const auto requests = server.requests();
  EXPECT_EQ(requests[0].param("q"), "");
  EXPECT_EQ(requests[1].param("q"), "%41");
  EXPECT_EQ(requests[2].param("q"), "a+b c");
  EXPECT_EQ(requests[3].param("broker"), "Señor & Co");
  const FakeWebServer::Recorded& login = requests[4];
  EXPECT_EQ(login.header("Content-Type"), "application/json");
  const QJsonObject body = QJsonDocument::fromJson(QByteArray::fromStdString(login.body)).object();
  EXPECT_EQ(body.keys(), (QStringList{"login", "password", "server"}));
  EXPECT_EQ(body.value("login").toString(), "42");
  EXPECT_EQ(body.value("password").toString(), "pw");
  EXPECT_EQ(body.value("server").toString(), "S-Demo");
}

TEST_F(ZentrixApiTest, RepliesBecomeDataOrTheRightMessage) {
  struct Row {
    const char* behaviour;
    Canned reply;
    const char* message;  // "" when the call returns data
  };
  const std::string longPage(5000, 'x');
  const QList<Row> rows = {
      {"data on 200", {200, R"({"ok":true,"data":{"items":[{"name":"A"}],"total":1}})"}, ""},
      {"data even on 500", {500, kNoBrokers}, ""},
      {"refusal text on 200", {200, R"({"ok":false,"error":"x"})"}, "x"},
      {"refusal text on 401", {401, R"({"ok":false,"error":"Token expired"})"}, "Token expired"},
      {"ok without data", {200, R"({"ok":true})"}, "The server replied 200."},
      {"ok with null data",
       {200, R"({"ok":true,"data":null,"error":null})"},
       "The server replied 200."},
      {"refusal without text", {403, R"({"ok":false})"}, "The server replied 403."},
      {"error page becomes the message",
       {404, "<h1>Not here</h1>", "text/html"},
       "<h1>Not here</h1>"},
      {"empty body on 502", {502, "", "text/plain"}, "The server replied 502."},
      {"body not UTF-8 on 500", {500, "\xff\xfe", "text/plain"}, "The server replied 500."},
      {"wrong shape on 503 is the body", {503, R"({"ok":1})"}, R"({"ok":1})"},
      {"not JSON on 200",
       {200, "<html>", "text/html"},
       "The server sent something unexpected. The data is not valid JSON: illegal value at "
       "offset 1."},
      {"wrong shape on 200",
       {200, R"({"ok":true,"data":{"items":[{"logo":"x"}],"total":1}})"},
       "The server sent something unexpected. Missing value at data.items[0].name."},
      {"inexact integer on 201",
       {201, R"({"ok":true,"data":{"items":[],"total":0.5}})"},
       "The server sent something unexpected. Expected a whole number at data.total, found the "
       "number 0.5."},
      {"no ok on 200",
       {200, R"({"data":{"items":[],"total":0}})"},
       "The server sent something unexpected. Missing value at ok."},
      {"deep nesting never crashes",
       {200, std::string(100000, '[')},
       "The server sent something unexpected. The data is not valid JSON: too deeply nested "
       "document at offset 1025."},
  };
  auto api = client();
  for (const Row& row : rows) {
    server.route("/client/brokers", row.reply);
    const auto outcome = brokers(*api);
    const std::string message = outcome.ok() ? "" : outcome.error().message().toStdString();
    EXPECT_EQ(message, row.message) << row.behaviour;
    if (!outcome.ok()) {
      EXPECT_NE(outcome.error().api(), nullptr) << row.behaviour;
    }
  }

  server.route("/client/brokers", {404, longPage, "text/html"});
  const auto trimmed = brokers(*api);
  ASSERT_FALSE(trimmed.ok());
  EXPECT_EQ(trimmed.error().message(), QString(2000, 'x') + QChar(0x2026));
  EXPECT_EQ(trimmed.error().api()->status(), 404);
}

TEST_F(ZentrixApiTest, NothingIsSentWithoutTokenOrUsableAddress) {
  auto api = client();
  EXPECT_FALSE(api->isSignedIn());
  const auto m = market(*api);
  ASSERT_FALSE(m.ok());
  EXPECT_EQ(m.error().message(), "Sign in to your Zentrix account first.");
  const auto c = await<QList<Candle>>([&](auto d) { api->candles("EURUSD", 60, nullptr, d); });
  ASSERT_FALSE(c.ok());
  EXPECT_EQ(c.error().api()->kind(), APIError::Kind::notSignedIn);
  EXPECT_TRUE(server.requests().empty());

  // The address is checked first, so a bad one is reported even when signed out.
  for (const char* base : {"http://example.com", "ftp://127.0.0.1", "", "https://h.io/?x=1"}) {
    api->setBase(QUrl(base));
    EXPECT_EQ(market(*api).error().message(), "That server address is not valid.") << base;
    EXPECT_EQ(brokers(*api).error().message(), "That server address is not valid.") << base;
    EXPECT_EQ(signIn(*api).error().message(), "That server address is not valid.") << base;
  }
  EXPECT_TRUE(server.requests().empty());
  EXPECT_TRUE(store.calls.filter("update").isEmpty());
}

TEST_F(ZentrixApiTest, MarketDigestsTheState) {
  signedIn();
  auto api = client();
  server.route(
      "/client/state",
      {200, R"({"ok":true,"data":{"symbols":[{"sym":"B","digits":3},{"sym":"A","digits":5}],)"
            R"("account":{"currency":"EUR"},"quotes":{"A":{"bid":1.5,"ask":1.6}}}})"});
  const auto m = market(*api);
  ASSERT_TRUE(m.ok());
  ASSERT_EQ(m.value().symbols.size(), 2);
  EXPECT_EQ(m.value().symbols[0].sym, "B");
  EXPECT_EQ(m.value().currency, "EUR");
  EXPECT_EQ(m.value().quotes.value("A"), (Quote{1.5, 1.6}));

  server.route("/client/state", {200, kState});
  const auto bare = market(*api);
  ASSERT_TRUE(bare.ok());
  EXPECT_EQ(bare.value().currency, "USD");
  EXPECT_TRUE(bare.value().quotes.isEmpty());
}

TEST_F(ZentrixApiTest, CandlesKeepTheServersOrder) {
  signedIn();
  auto api = client();
  std::string body = R"({"ok":true,"data":[)";
  const int count = 20000;
  for (int i = 0; i < count; ++i) {
    if (i) body += ',';
    body += R"({"t":)" + std::to_string(1767225600000LL + 60000LL * (count - i)) +
            R"(,"o":1,"h":2,"l":0.5,"c":)" + std::to_string(i) + (i % 2 ? R"(,"v":3})" : "}");
  }
  body += "]}";
  // Sent uncompressed: compressing it would only slow the test.
  server.route("/client/candles", {200, body, "application/octet-stream"});
  const auto c = await<QList<Candle>>([&](auto d) { api->candles("X", 1, nullptr, d); });
  ASSERT_TRUE(c.ok());
  ASSERT_EQ(c.value().size(), count);
  EXPECT_EQ(c.value().first().t, 1767225600000.0 + 60000.0 * count);
  EXPECT_EQ(c.value().last().c, count - 1);
  EXPECT_FALSE(c.value().first().v.has_value());
  EXPECT_EQ(c.value()[1].v, 3.0);
}

TEST_F(ZentrixApiTest, SignInKeepsTheTokenAndStoresCredentials) {
  auto api = client();
  server.route("/client/login", {200, loginReply("NEW")});
  server.route("/client/state", {200, kState});

  const auto s = signIn(*api);
  ASSERT_TRUE(s.ok());
  EXPECT_EQ(s.value().login, "42");
  EXPECT_EQ(s.value().balance, 1000.0);
  EXPECT_TRUE(api->isSignedIn());
  EXPECT_EQ(store.calls, (QStringList{"copyMatching", "update", "add"}));
  EXPECT_EQ(api->storedSession(), s.value());
  ASSERT_TRUE(market(*api).ok());
  EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer NEW");

  // A second sign-in replaces the token and the one stored item.
  server.route("/client/login", {200, loginReply("NEWER")});
  ASSERT_TRUE(signIn(*api).ok());
  EXPECT_EQ(store.items.size(), 1);
  EXPECT_TRUE(store.items.value(kItem).contains("\"token\":\"NEWER\""));
  ASSERT_TRUE(market(*api).ok());
  EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer NEWER");

  // A refused sign-in changes nothing.
  server.route("/client/login", {401, R"({"ok":false,"error":"Wrong password"})"});
  const auto refused = signIn(*api);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message(), "Wrong password");
  EXPECT_TRUE(store.items.value(kItem).contains("\"token\":\"NEWER\""));
  ASSERT_TRUE(market(*api).ok());
  EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer NEWER");

  // A new client reads the stored token.
  auto next = client();
  EXPECT_TRUE(next->isSignedIn());
}

TEST_F(ZentrixApiTest, FailedKeyringWriteStillSignsInForThisProcess) {
  store.failAdds = SecretStore::Status::failed;
  auto api = client();
  server.route("/client/login", {200, loginReply("T")});
  server.route("/client/state", {200, kState});
  ASSERT_TRUE(signIn(*api).ok());
  EXPECT_TRUE(store.items.isEmpty());
  ASSERT_TRUE(market(*api).ok());
  EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer T");
  EXPECT_FALSE(client()->isSignedIn());  // after a restart
}

TEST_F(ZentrixApiTest, SignOutForgetsAndDeletes) {
  auto fresh = client();
  fresh->signOut();  // nothing stored: silent
  EXPECT_FALSE(fresh->isSignedIn());
  EXPECT_FALSE(fresh->storedSession().has_value());

  signedIn("t");
  auto api = client();
  EXPECT_TRUE(api->isSignedIn());
  EXPECT_FALSE(api->storedSession().has_value());  // a token without a session
  store.failRemoves = SecretStore::Status::failed;
  api->signOut();
  EXPECT_FALSE(api->isSignedIn());
  EXPECT_EQ(market(*api).error().message(), "Sign in to your Zentrix account first.");
  store.failRemoves = SecretStore::Status::success;
  api->signOut();
  EXPECT_TRUE(store.items.isEmpty());
}

TEST_F(ZentrixApiTest, SignOutWinsOverASignInInFlight) {
  auto api = client();
  server.route("/client/login", {200, loginReply("LATE"), "application/json", 300ms});
  std::optional<Outcome<Session>> result;
  api->signIn("42", "pw", "S", nullptr, [&](Outcome<Session> o) { result = std::move(o); });
  ASSERT_TRUE(spinUntil([&] { return !server.requests().empty(); }));
  api->signOut();
  ASSERT_TRUE(spinUntil([&] { return result.has_value(); }));
  ASSERT_FALSE(result->ok());
  ASSERT_NE(result->error().transport(), nullptr);
  EXPECT_EQ(result->error().transport()->kind, TransportError::Kind::cancelled);
  EXPECT_FALSE(api->isSignedIn());
  EXPECT_TRUE(store.items.isEmpty());
}

TEST_F(ZentrixApiTest, TransportFailuresAreNotApiErrors) {
  server.route("/client/brokers", {200, kNoBrokers, "application/json", 3s});
  auto slow = client(200ms);
  const auto timedOut = brokers(*slow);
  ASSERT_FALSE(timedOut.ok());
  ASSERT_NE(timedOut.error().transport(), nullptr);
  EXPECT_EQ(timedOut.error().transport()->kind, TransportError::Kind::timedOut);
  EXPECT_EQ(timedOut.error().message(), "The request timed out.");

  QTcpServer closed;
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 port = closed.serverPort();
  closed.close();
  auto api = client();
  api->setBase(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)));
  const auto refused = brokers(*api);
  ASSERT_FALSE(refused.ok());
  ASSERT_NE(refused.error().transport(), nullptr);
  EXPECT_EQ(refused.error().transport()->kind, TransportError::Kind::connection);
  EXPECT_EQ(refused.error().message(), "The server refused the connection.");
}

TEST_F(ZentrixApiTest, ADrippingServerMeetsTheDeadline) {
  signedIn();
  const std::string emptyList = R"({"ok":true,"data":[]})";
  const struct {
    const char* name;
    const char* path;
    std::chrono::milliseconds request, candles;  // the deadlines
    bool endless;                                // else the whole reply arrives, slowly
    bool ok;
  } rows[] = {
      {"brokers", "/client/brokers", 300ms, 30s, true, false},
      {"servers", "/client/servers", 300ms, 30s, true, false},
      {"sign-in", "/client/login", 300ms, 30s, true, false},
      {"market", "/client/state", 300ms, 30s, true, false},
      {"candles", "/client/candles", 30s, 300ms, true, false},
      {"candles past the others' deadline", "/client/candles", 300ms, 30s, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // A byte every 50 ms keeps the idle limit of 10 s from ever being reached.
    auto api = client(10s);
    api->setDeadlines(row.request, row.candles);
    server.route(row.path, Canned::dripping(emptyList, 50ms, row.endless));
    const std::string path = row.path;
    QString message;
    const auto note = [&](const auto& outcome) {
      if (!outcome.ok()) message = outcome.error().message();
      return outcome.ok();
    };
    bool ok = false;
    if (path == "/client/brokers") ok = note(brokers(*api));
    if (path == "/client/servers") {
      ok = note(await<QList<TradingServer>>([&](auto d) { api->servers("B", nullptr, d); }));
    }
    if (path == "/client/login") ok = note(signIn(*api));
    if (path == "/client/state") ok = note(market(*api));
    if (path == "/client/candles") {
      ok = note(await<QList<Candle>>([&](auto d) { api->candles("X", 60, nullptr, d); }));
    }
    EXPECT_EQ(ok, row.ok);
    EXPECT_EQ(message, row.ok ? "" : "The request timed out.");
  }
}

TEST_F(ZentrixApiTest, TheStoredSignInIsReadOffTheMainThread) {
  const QByteArray full = QByteArray(R"({"token":"OLD","session":)") + kSession + "}";
  enum class Between { nothing, signOut, signIn };
  const struct {
    const char* name;
    QByteArray stored;  // what the keyring's one item holds
    bool answers;       // before the time-out
    Between between;    // done while the keyring is read
    bool session;       // the stored account is delivered
    const char* token;  // held afterwards; "" none
  } rows[] = {
      {"a stored sign-in", full, true, Between::nothing, true, "OLD"},
      {"a token without an account", R"({"token":"OLD"})", true, Between::nothing, false, "OLD"},
      {"data that is no sign-in", "not json", true, Between::nothing, false, ""},
      {"a keyring that does not answer in time", full, false, Between::nothing, false, ""},
      {"a sign-out meanwhile", full, true, Between::signOut, false, ""},
      {"a sign-in meanwhile", full, true, Between::signIn, false, "NEW"},
  };
  server.route("/client/login", {200, loginReply("NEW")});
  server.route("/client/state", {200, kState});
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    BlockingSecretStore keyring(row.stored);
    ZentrixAPI api(keyring, server.base());
    api.setKeyringTimeout(row.answers ? 30s : 100ms);
    int deliveries = 0;
    std::optional<Session> delivered;
    api.restoreStored(nullptr, [&](std::optional<Session> s) {
      ++deliveries;
      delivered = std::move(s);
    });
    ASSERT_TRUE(spinUntil([&] { return keyring.waiting() == 1; }));
    EXPECT_FALSE(api.isSignedIn());
    if (row.between == Between::signOut) api.signOut();
    if (row.between == Between::signIn) {
      ASSERT_TRUE(signIn(api).ok());
    }
    if (row.answers) keyring.release();
    ASSERT_TRUE(spinUntil([&] { return deliveries == 1; }));
    EXPECT_EQ(keyring.answered(), row.answers ? 1 : 0);
    EXPECT_EQ(delivered.has_value(), row.session);
    // A late answer changes nothing.
    keyring.release();
    ASSERT_TRUE(spinUntil([&] { return keyring.answered() == 1; }));
    spinUntil([] { return false; }, 200ms);
    EXPECT_EQ(deliveries, 1);
    EXPECT_EQ(api.isSignedIn(), *row.token != 0);
    if (*row.token) {
      ASSERT_TRUE(market(api).ok());
      EXPECT_EQ(server.requests().back().header("Authorization"),
                std::string("Bearer ") + row.token);
    }
  }
}

TEST_F(ZentrixApiTest, RedirectsStayWithinTheOrigin) {
  signedIn("SECRET");
  auto api = client();
  FakeWebServer other;
  other.route("/client/state", {200, kState});
  server.route("/client/state",
               {302, "", "text/plain", 0ms,
                "http://localhost:" + std::to_string(other.port()) + "/client/state"});
  const auto away = market(*api);
  ASSERT_FALSE(away.ok());
  EXPECT_EQ(away.error().message(), "The server replied 302.");
  EXPECT_TRUE(other.requests().empty());

  server.route("/client/state", {307, "", "text/plain", 0ms, "/client/state2"});
  server.route("/client/state2", {200, kState});
  ASSERT_TRUE(market(*api).ok());
  EXPECT_EQ(server.requests().back().path, "/client/state2");
  EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer SECRET");
}

TEST_F(ZentrixApiTest, OversizedReplyFailsAsDecoding) {
  auto api = client();
  // Not a compressible type: the fake server would otherwise send it compressed.
  server.route("/client/brokers",
               {200, std::string(ZentrixAPI::kReplyLimit + 1024, ' '), "application/octet-stream"});
  const auto big = brokers(*api);
  ASSERT_FALSE(big.ok());
  EXPECT_EQ(big.error().message(),
            "The server sent something unexpected. The reply is larger than 64 MiB.");
}

TEST_F(ZentrixApiTest, DestroyedContextAbandonsTheCall) {
  auto api = client();
  server.route("/client/brokers", {200, kNoBrokers, "application/json", 200ms});
  auto* context = new QObject;
  bool called = false;
  api->brokers("a", context, [&](Outcome<QList<Broker>>) { called = true; });
  ASSERT_TRUE(spinUntil([&] { return !server.requests().empty(); }));
  delete context;
  spinUntil([] { return false; }, 500ms);
  EXPECT_FALSE(called);

  // Also for failures found before sending.
  auto* early = new QObject;
  api->market(early, [&](Outcome<MarketState>) { called = true; });
  delete early;
  spinUntil([] { return false; }, 100ms);
  EXPECT_FALSE(called);
}

TEST_F(ZentrixApiTest, EnvironmentPointsTheClientAtAServer) {
  server.route("/client/brokers", {200, kNoBrokers});
  qputenv(kApiBaseVariable, server.base().toString().toUtf8());
  ZentrixAPI api(store, defaultApiBase());
  qunsetenv(kApiBaseVariable);
  ASSERT_TRUE(brokers(api).ok());
  EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
}  // namespace zx::client
