#include "client/wire_models.h"

#include <gtest/gtest.h>

#include <QSet>

namespace zx::client {
namespace {

template <class T, class F>
std::optional<Envelope<T>> envelope(const QByteArray& json, F decodeData, QString* detail) {
  decode::Decoder d;
  auto out = decode::document(d, json, [&](decode::Decoder& d, const decode::Value& v) {
    return Envelope<T>::decode(d, v, decodeData);
  });
  if (detail) *detail = d.detail();
  return out;
}

// The decoding verdict of one endpoint's reply: empty when it decodes.
using Check = QString (*)(const QByteArray&);
template <class T>
QString verdict(const QByteArray& json, T (*decodeData)(decode::Decoder&, const decode::Value&)) {
  QString detail;
  return envelope<T>(json, decodeData, &detail) ? QString() : detail;
}
QString page(const QByteArray& j) {
  return verdict(j, &BrokerPage::decode);
}
QString servers(const QByteArray& j) {
  return verdict(j, &decodeServers);
}
QString login(const QByteArray& j) {
  return verdict(j, &LoginResponse::decode);
}
QString state(const QByteArray& j) {
  return verdict(j, &StateResponse::decode);
}
QString candles(const QByteArray& j) {
  return verdict(j, &decodeCandles);
}

const char* const kSession =
    R"({"login":"1","name":"N","brokerName":"B","serverName":"S","currency":"EUR","leverage":100,"balance":1000})";

QByteArray withSession(const char* session) {
  return QByteArray(R"({"ok":true,"data":{"token":"t","session":)") + session + "}}";
}

TEST(WireModels, DecodingVerdicts) {
  struct Row {
    const char* behaviour;
    Check check;
    QByteArray json;
    const char* detail;  // "" when the reply decodes
  };
  const QList<Row> rows = {
      {"empty page", page, R"({"ok":true,"data":{"items":[],"total":0}})", ""},
      {"refusal without data", page, R"({"ok":false,"error":"x"})", ""},
      {"null data counts as absent", page, R"({"ok":true,"data":null})", ""},
      {"no ok", page, R"({"data":{"items":[],"total":0}})", "Missing value at ok."},
      {"ok as text", page, R"({"ok":"true"})", "Expected a truth value at ok, found text."},
      {"error as a number", page, R"({"ok":false,"error":5})",
       "Expected text at error, found the number 5."},
      {"broker without name", page, R"({"ok":true,"data":{"items":[{"logo":"x"}],"total":1}})",
       "Missing value at data.items[0].name."},
      {"page total inexact", page, R"({"ok":true,"data":{"items":[],"total":1.5}})",
       "Expected a whole number at data.total, found the number 1.5."},
      {"broker server count inexact", page,
       R"({"ok":true,"data":{"items":[{"name":"A","servers":2.5}],"total":1}})",
       "Expected a whole number at data.items[0].servers, found the number 2.5."},
      {"servers as an object", servers, R"({"ok":true,"data":{}})",
       "Expected a list at data, found an object."},
      {"server type as a number", servers, R"({"ok":true,"data":[{"serverName":"S","type":1}]})",
       "Expected text at data[0].type, found the number 1."},
      {"empty server list", servers, R"({"ok":true,"data":[]})", ""},
      {"whole session", login, withSession(kSession), ""},
      {"leverage with a fraction", login,
       withSession(
           R"({"login":"1","name":"N","brokerName":"B","serverName":"S","currency":"EUR","leverage":1.5,"balance":1})"),
       "Expected a whole number at data.session.leverage, found the number 1.5."},
      {"session without currency", login,
       withSession(
           R"({"login":"1","name":"N","brokerName":"B","serverName":"S","leverage":1,"balance":1})"),
       "Missing value at data.session.currency."},
      {"login as a number", login,
       withSession(
           R"({"login":1,"name":"N","brokerName":"B","serverName":"S","currency":"E","leverage":1,"balance":1})"),
       "Expected text at data.session.login, found the number 1."},
      {"no token", login, QByteArray(R"({"ok":true,"data":{"session":)") + kSession + "}}",
       "Missing value at data.token."},
      {"state without symbols", state, R"({"ok":true,"data":{"account":{}}})",
       "Missing value at data.symbols."},
      {"state with symbols only", state, R"({"ok":true,"data":{"symbols":[]}})", ""},
      {"symbol without digits", state, R"({"ok":true,"data":{"symbols":[{"sym":"EURUSD"}]}})",
       "Missing value at data.symbols[0].digits."},
      {"digits with a fraction", state,
       R"({"ok":true,"data":{"symbols":[{"sym":"X","digits":5.5}]}})",
       "Expected a whole number at data.symbols[0].digits, found the number 5.5."},
      {"open flag as a number", state,
       R"({"ok":true,"data":{"symbols":[{"sym":"X","digits":5,"open":1}]}})",
       "Expected a truth value at data.symbols[0].open, found the number 1."},
      {"quote bid as text", state,
       R"({"ok":true,"data":{"symbols":[],"quotes":{"EURUSD":{"bid":"1.1"}}}})",
       "Expected a number at data.quotes[\"EURUSD\"].bid, found text."},
      {"quotes as a list", state, R"({"ok":true,"data":{"symbols":[],"quotes":[]}})",
       "Expected an object at data.quotes, found a list."},
      {"account currency as a number", state,
       R"({"ok":true,"data":{"symbols":[],"account":{"currency":1}}})",
       "Expected text at data.account.currency, found the number 1."},
      {"candle time as text", candles, R"({"ok":true,"data":[{"t":"1","o":1,"h":1,"l":1,"c":1}]})",
       "Expected a number at data[0].t, found text."},
      {"candle without close", candles,
       R"({"ok":true,"data":[{"t":1,"o":1,"h":1,"l":1,"c":1},{"t":1,"o":1,"h":1,"l":1}]})",
       "Missing value at data[1].c."},
      {"candle without volume", candles, R"({"ok":true,"data":[{"t":1,"o":1,"h":1,"l":1,"c":1}]})",
       ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.check(row.json).toStdString(), row.detail) << row.behaviour;
  }
}

TEST(WireModels, DecodedValues) {
  const auto p = envelope<BrokerPage>(
      R"({"ok":true,"data":{"items":[{"name":"A"},{"name":"B","logo":"data:image/png;base64,AA==","servers":3,"x":1}],"total":7},"extra":1})",
      &BrokerPage::decode, nullptr);
  ASSERT_TRUE(p && p->data);
  EXPECT_EQ(p->data->total, 7);
  ASSERT_EQ(p->data->items.size(), 2);
  EXPECT_EQ(p->data->items[0].id(), QStringLiteral("A"));
  EXPECT_FALSE(p->data->items[0].logo.has_value());
  EXPECT_FALSE(p->data->items[0].servers.has_value());
  EXPECT_EQ(p->data->items[1].servers, 3);

  const auto refused =
      envelope<BrokerPage>(R"({"ok":false,"error":"x"})", &BrokerPage::decode, nullptr);
  ASSERT_TRUE(refused);
  EXPECT_FALSE(refused->data.has_value());
  EXPECT_EQ(refused->error, QStringLiteral("x"));

  const auto s = envelope<LoginResponse>(withSession(kSession), &LoginResponse::decode, nullptr);
  ASSERT_TRUE(s && s->data);
  EXPECT_EQ(s->data->session.balance, 1000.0);
  EXPECT_EQ(s->data->session.leverage, 100);

  const auto st = envelope<StateResponse>(
      R"({"ok":true,"data":{"symbols":[{"sym":"EURUSD","digits":5,"spread":3}],"quotes":{"EURUSD":{},"GBPUSD":{"bid":1.1}}}})",
      &StateResponse::decode, nullptr);
  ASSERT_TRUE(st && st->data);
  const SymbolRow& row = st->data->symbols[0];
  EXPECT_EQ(row.id(), QStringLiteral("EURUSD"));
  EXPECT_EQ(row.digits, 5);
  EXPECT_FALSE(row.name || row.group || row.contract || row.minLot || row.maxLot || row.lotStep ||
               row.open);
  const MarketState market = MarketState::from(*st->data);
  EXPECT_EQ(market.currency, QStringLiteral("USD"));
  EXPECT_EQ(market.quotes.value(QStringLiteral("EURUSD")), Quote{});
  EXPECT_EQ(market.quotes.value(QStringLiteral("GBPUSD")), (Quote{1.1, std::nullopt}));

  const auto c = envelope<QList<Candle>>(
      R"({"ok":true,"data":[{"t":1767225600000,"o":1.5,"h":2,"l":1,"c":1.25}]})", &decodeCandles,
      nullptr);
  ASSERT_TRUE(c && c->data);
  EXPECT_EQ(c->data->at(0).t, 1767225600000.0);
  EXPECT_EQ(c->data->at(0).c, 1.25);
  EXPECT_FALSE(c->data->at(0).v.has_value());
}

TEST(WireModels, MarketCurrency) {
  struct Row {
    const char* behaviour;
    std::optional<AccountBlock> account;
    const char* currency;
  };
  const QList<Row> rows = {
      {"no account block", std::nullopt, "USD"},
      {"account without currency", AccountBlock{}, "USD"},
      {"empty currency stays empty", AccountBlock{QString("")}, ""},
      {"account currency", AccountBlock{QString("EUR")}, "EUR"},
  };
  for (const Row& row : rows) {
    StateResponse s;
    s.account = row.account;
    EXPECT_EQ(MarketState::from(s).currency.toStdString(), row.currency) << row.behaviour;
    EXPECT_TRUE(MarketState::from(s).quotes.isEmpty()) << row.behaviour;
  }
}

TEST(WireModels, DemoServers) {
  struct Row {
    std::optional<QString> type;
    bool demo;
  };
  const QList<Row> rows = {{QString("Demo"), true},   {QString("DEMO"), true},
                           {QString("demo"), true},   {std::nullopt, false},
                           {QString("Demo2"), false}, {QString("Real"), false},
                           {QString(""), false}};
  for (const Row& row : rows) {
    EXPECT_EQ((TradingServer{QStringLiteral("S"), row.type}.isDemo()), row.demo)
        << row.type.value_or("(absent)").toStdString();
  }
}

TEST(WireModels, CredentialsEncodeAndDecodeBack) {
  const Session session{"1", "N", "B", "S", "EUR", 100, 1000.5};
  struct Row {
    const char* behaviour;
    Credentials credentials;
    QByteArray json;
  };
  const QList<Row> rows = {
      {"token only leaves session out", Credentials{"t", std::nullopt}, R"({"token":"t"})"},
      {"with session", Credentials{"t", session},
       R"({"session":{"balance":1000.5,"brokerName":"B","currency":"EUR","leverage":100,"login":"1","name":"N","serverName":"S"},"token":"t"})"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.credentials.encode().toStdString(), row.json.toStdString()) << row.behaviour;
    decode::Decoder d;
    const auto back = decode::document(d, row.credentials.encode(), &Credentials::decode);
    ASSERT_TRUE(back) << row.behaviour;
    EXPECT_EQ(back->token, row.credentials.token);
    EXPECT_EQ(back->session, row.credentials.session);
  }
}

TEST(WireModels, EqualityAndHashingAreMemberwise) {
  SymbolRow a{"EURUSD", std::nullopt, 5, std::nullopt, 100000.0, 0.01, 100.0, 0.01, std::nullopt};
  SymbolRow b = a;
  EXPECT_EQ(a, b);
  EXPECT_EQ(qHash(a), qHash(b));
  b.open = false;
  EXPECT_NE(a, b);
  EXPECT_NE(qHash(a), qHash(b));

  const QSet<TradingServer> set{{"S1", std::nullopt}, {"S1", QString("")}, {"S1", std::nullopt}};
  EXPECT_EQ(set.size(), 2);
  EXPECT_NE((Quote{std::nullopt, 1.0}), (Quote{1.0, std::nullopt}));
  EXPECT_NE(qHash(Broker{"A", std::nullopt, 0}), qHash(Broker{"A", std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace zx::client
