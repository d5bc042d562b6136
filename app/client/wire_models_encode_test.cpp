#include "client/wire_models.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace zx::client {
namespace {

// Field by field, for the records that have no equality of their own.
bool same(const Broker& a, const Broker& b) { return a == b; }
bool same(const TradingServer& a, const TradingServer& b) { return a == b; }
bool same(const Session& a, const Session& b) { return a == b; }
bool same(const SymbolRow& a, const SymbolRow& b) { return a == b; }
bool same(const Quote& a, const Quote& b) { return a == b; }
bool same(const BrokerPage& a, const BrokerPage& b) {
  return a.items == b.items && a.total == b.total;
}
bool same(const LoginResponse& a, const LoginResponse& b) {
  return a.token == b.token && a.session == b.session;
}
bool same(const AccountBlock& a, const AccountBlock& b) { return a.currency == b.currency; }
bool same(const StateResponse& a, const StateResponse& b) {
  if (a.account.has_value() != b.account.has_value()) return false;
  if (a.account && !same(*a.account, *b.account)) return false;
  return a.symbols == b.symbols && a.quotes == b.quotes;
}
bool same(const Candle& a, const Candle& b) {
  return a.t == b.t && a.o == b.o && a.h == b.h && a.l == b.l && a.c == b.c && a.v == b.v;
}

// One encoded record: its keys as written, and what decoding its text gives back
// (empty when it is the value it came from).
struct Row {
  const char* behaviour;
  QJsonObject encoded;
  QStringList keys;  // sorted
  std::function<std::string(const QByteArray&)> decodesBack;
};

template <class R>
Row row(const char* behaviour, const R& value, QStringList keys) {
  keys.sort();
  return {behaviour, value.encode(), keys, [value](const QByteArray& text) -> std::string {
            decode::Decoder d;
            const std::optional<R> back = decode::document(d, text, &R::decode);
            if (!back) return d.detail().toStdString();
            if (same(*back, value)) return {};
            return "decodes to another value: " +
                   QJsonDocument(back->encode()).toJson(QJsonDocument::Compact).toStdString();
          }};
}

const Session kSession{"50012", "Jane \"J\" Doe", "Acme", "Acme-Live 2", "EUR", INT64_MAX,
                       -1000.25};
const Broker kFullBroker{"Acme", QStringLiteral("data:image/png;base64,iVBORw0KGgo="), 0};
const Broker kBareBroker{"Bare", std::nullopt, std::nullopt};
const SymbolRow kFullSymbol{"EURUSD", QStringLiteral("Euro vs Dollar"), 5, QStringLiteral("FX"),
                            100000.0, 0.01, 100.0, 0.01, false};
const SymbolRow kBareSymbol{"XAU", std::nullopt, 2, std::nullopt, std::nullopt,
                            std::nullopt, std::nullopt, std::nullopt, std::nullopt};
const QStringList kSessionKeys{"login",    "name",     "brokerName", "serverName",
                               "currency", "leverage", "balance"};

TEST(WireModelsEncode, DecodesBackWithExactKeys) {
  const Row rows[] = {
      row("broker with logo and server count", kFullBroker, {"name", "logo", "servers"}),
      row("broker with only a name", kBareBroker, {"name"}),
      row("broker page nests its brokers", BrokerPage{{kFullBroker, kBareBroker}, 40},
          {"items", "total"}),
      row("empty broker page", BrokerPage{}, {"items", "total"}),
      row("server with a type", TradingServer{"Acme-Demo", QStringLiteral("Demo")},
          {"serverName", "type"}),
      row("server without a type", TradingServer{"Acme-Live", std::nullopt}, {"serverName"}),
      row("session writes all seven keys", kSession, kSessionKeys),
      row("login response nests its session", LoginResponse{"tok.en", kSession},
          {"token", "session"}),
      row("account block with a currency", AccountBlock{QStringLiteral("JPY")}, {"currency"}),
      row("account block without a currency is an empty object", AccountBlock{}, {}),
      row("symbol row with every field", kFullSymbol,
          {"sym", "name", "digits", "group", "contract", "minLot", "maxLot", "lotStep", "open"}),
      row("symbol row with only sym and digits", kBareSymbol, {"sym", "digits"}),
      row("quote with bid and ask", Quote{1.10001, 1.10012}, {"bid", "ask"}),
      row("quote with only an ask", Quote{std::nullopt, 0.5}, {"ask"}),
      row("quote with neither", Quote{}, {}),
      row("state with account and quotes",
          StateResponse{{kFullSymbol, kBareSymbol},
                        AccountBlock{QStringLiteral("USD")},
                        QMap<QString, Quote>{{"EURUSD", Quote{1.1, 1.2}}, {"XAU", Quote{}}}},
          {"symbols", "account", "quotes"}),
      row("state with an empty account and no quotes",
          StateResponse{{kBareSymbol}, AccountBlock{}, std::nullopt}, {"symbols", "account"}),
      row("state with empty quotes writes an empty object",
          StateResponse{{}, std::nullopt, QMap<QString, Quote>{}}, {"symbols", "quotes"}),
      row("state with only symbols", StateResponse{}, {"symbols"}),
      row("candle with volume", Candle{1767225600000.0, 1.1, 1.2, 1.0, 1.15, 0.0},
          {"t", "o", "h", "l", "c", "v"}),
      row("candle without volume", Candle{-1.5, 0, 0, 0, 0, std::nullopt},
          {"t", "o", "h", "l", "c"}),
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.behaviour);
    QStringList keys = r.encoded.keys();
    keys.sort();
    EXPECT_EQ(keys, r.keys);
    for (const QJsonValue& v : r.encoded) EXPECT_FALSE(v.isNull() || v.isUndefined());
    const QByteArray text = QJsonDocument(r.encoded).toJson(QJsonDocument::Compact);
    EXPECT_FALSE(text.contains("null")) << text.toStdString();
    EXPECT_EQ(r.decodesBack(text), "") << text.toStdString();
  }
}

TEST(WireModelsEncode, WritesNestedOptionalsOnlyWhenPresent) {
  const StateResponse state{{kBareSymbol},
                            AccountBlock{},
                            QMap<QString, Quote>{{"XAU", Quote{std::nullopt, 2.5}}}};
  EXPECT_EQ(QJsonDocument(state.encode()).toJson(QJsonDocument::Compact),
            R"({"account":{},"quotes":{"XAU":{"ask":2.5}},"symbols":[{"digits":2,"sym":"XAU"}]})");
  EXPECT_EQ(QJsonDocument(LoginResponse{"t", kSession}.encode()).toJson(QJsonDocument::Compact),
            R"({"session":{"balance":-1000.25,"brokerName":"Acme","currency":"EUR",)"
            R"("leverage":9223372036854775807,"login":"50012","name":"Jane \"J\" Doe",)"
            R"("serverName":"Acme-Live 2"},"token":"t"})");
}

}  // namespace
}  // namespace zx::client
