#include "client/wire_models.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "decode/encode_fields.h"
#include "decode/record_hash.h"

namespace zx::client {

using decode::Decoder;
using decode::hashOptional;
using decode::insertOptional;
using decode::record;
using decode::Value;

Broker Broker::decode(Decoder& d, const Value& v) {
  Broker b;
  record(d, v, {{"name", b.name}, {"logo", b.logo}, {"servers", b.servers}});
  return b;
}

QJsonObject Broker::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("name"), name);
  insertOptional(o, QStringLiteral("logo"), logo);
  insertOptional(o, QStringLiteral("servers"), servers);
  return o;
}

BrokerPage BrokerPage::decode(Decoder& d, const Value& v) {
  BrokerPage page;
  record(d, v, {{"items", page.items}, {"total", page.total}});
  return page;
}

QJsonObject BrokerPage::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("items"), decode::records(items));
  o.insert(QStringLiteral("total"), total);
  return o;
}

bool TradingServer::isDemo() const {
  return type.has_value() && type->toLower() == QStringLiteral("demo");
}

TradingServer TradingServer::decode(Decoder& d, const Value& v) {
  TradingServer s;
  record(d, v, {{"serverName", s.serverName}, {"type", s.type}});
  return s;
}

QJsonObject TradingServer::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("serverName"), serverName);
  insertOptional(o, QStringLiteral("type"), type);
  return o;
}

Session Session::decode(Decoder& d, const Value& v) {
  Session s;
  record(d, v,
         {{"login", s.login},
          {"name", s.name},
          {"brokerName", s.brokerName},
          {"serverName", s.serverName},
          {"currency", s.currency},
          {"leverage", s.leverage},
          {"balance", s.balance}});
  return s;
}

QJsonObject Session::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("login"), login);
  o.insert(QStringLiteral("name"), name);
  o.insert(QStringLiteral("brokerName"), brokerName);
  o.insert(QStringLiteral("serverName"), serverName);
  o.insert(QStringLiteral("currency"), currency);
  o.insert(QStringLiteral("leverage"), leverage);
  o.insert(QStringLiteral("balance"), balance);
  return o;
}

LoginResponse LoginResponse::decode(Decoder& d, const Value& v) {
  LoginResponse r;
  record(d, v, {{"token", r.token}, {"session", r.session}});
  return r;
}

QJsonObject LoginResponse::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("token"), token);
  o.insert(QStringLiteral("session"), session.encode());
  return o;
}

AccountBlock AccountBlock::decode(Decoder& d, const Value& v) {
  AccountBlock a;
  record(d, v, {{"currency", a.currency}});
  return a;
}

QJsonObject AccountBlock::encode() const {
  QJsonObject o;
  insertOptional(o, QStringLiteral("currency"), currency);
  return o;
}

SymbolRow SymbolRow::decode(Decoder& d, const Value& v) {
  SymbolRow r;
  record(d, v,
         {{"sym", r.sym},
          {"name", r.name},
          {"digits", r.digits},
          {"group", r.group},
          {"contract", r.contract},
          {"minLot", r.minLot},
          {"maxLot", r.maxLot},
          {"lotStep", r.lotStep},
          {"open", r.open}});
  return r;
}

QJsonObject SymbolRow::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("sym"), sym);
  insertOptional(o, QStringLiteral("name"), name);
  o.insert(QStringLiteral("digits"), digits);
  insertOptional(o, QStringLiteral("group"), group);
  insertOptional(o, QStringLiteral("contract"), contract);
  insertOptional(o, QStringLiteral("minLot"), minLot);
  insertOptional(o, QStringLiteral("maxLot"), maxLot);
  insertOptional(o, QStringLiteral("lotStep"), lotStep);
  insertOptional(o, QStringLiteral("open"), open);
  return o;
}

Quote Quote::decode(Decoder& d, const Value& v) {
  Quote q;
  record(d, v, {{"bid", q.bid}, {"ask", q.ask}});
  return q;
}

QJsonObject Quote::encode() const {
  QJsonObject o;
  insertOptional(o, QStringLiteral("bid"), bid);
  insertOptional(o, QStringLiteral("ask"), ask);
  return o;
}

StateResponse StateResponse::decode(Decoder& d, const Value& v) {
  StateResponse s;
  record(d, v, {{"symbols", s.symbols}, {"account", s.account}, {"quotes", s.quotes}});
  return s;
}

QJsonObject StateResponse::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("symbols"), decode::records(symbols));
  insertOptional(o, QStringLiteral("account"), account, &AccountBlock::encode);
  insertOptional(o, QStringLiteral("quotes"), quotes, &decode::recordMap<Quote>);
  return o;
}

Candle Candle::decode(Decoder& d, const Value& v) {
  Candle c;
  record(d, v, {{"t", c.t}, {"o", c.o}, {"h", c.h}, {"l", c.l}, {"c", c.c}, {"v", c.v}});
  return c;
}

QJsonObject Candle::encode() const {
  QJsonObject json;
  json.insert(QStringLiteral("t"), t);
  json.insert(QStringLiteral("o"), o);
  json.insert(QStringLiteral("h"), h);
  json.insert(QStringLiteral("l"), l);
  json.insert(QStringLiteral("c"), c);
  insertOptional(json, QStringLiteral("v"), v);
  return json;
}

Credentials Credentials::decode(Decoder& d, const Value& v) {
  Credentials c;
  record(d, v, {{"token", c.token}, {"session", c.session}});
  return c;
}

QByteArray Credentials::encode() const {
  QJsonObject o;
  o.insert(QStringLiteral("token"), token);
  if (session) o.insert(QStringLiteral("session"), session->encode());
  return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

MarketState MarketState::from(const StateResponse& state) {
  MarketState m;
  m.symbols = state.symbols;
  m.currency =
      state.account && state.account->currency ? *state.account->currency : QStringLiteral("USD");
  m.quotes = state.quotes.value_or(QMap<QString, Quote>{});
  return m;
}

QList<TradingServer> decodeServers(Decoder& d, const Value& v) {
  return decode::list(d, v, &TradingServer::decode);
}

QList<Candle> decodeCandles(Decoder& d, const Value& v) {
  return decode::list(d, v, &Candle::decode);
}

size_t qHash(const Broker& b, size_t seed) {
  seed = qHashMulti(seed, b.name);
  seed = hashOptional(seed, b.logo);
  return hashOptional(seed, b.servers);
}

size_t qHash(const TradingServer& s, size_t seed) {
  seed = qHashMulti(seed, s.serverName);
  return hashOptional(seed, s.type);
}

size_t qHash(const Session& s, size_t seed) {
  return qHashMulti(seed, s.login, s.name, s.brokerName, s.serverName, s.currency, s.leverage,
                    s.balance);
}

size_t qHash(const SymbolRow& r, size_t seed) {
  seed = qHashMulti(seed, r.sym);
  seed = hashOptional(seed, r.name);
  seed = qHashMulti(seed, r.digits);
  seed = hashOptional(seed, r.group);
  seed = hashOptional(seed, r.contract);
  seed = hashOptional(seed, r.minLot);
  seed = hashOptional(seed, r.maxLot);
  seed = hashOptional(seed, r.lotStep);
  return hashOptional(seed, r.open);
}

size_t qHash(const Quote& q, size_t seed) {
  seed = hashOptional(seed, q.bid);
  return hashOptional(seed, q.ask);
}

}  // namespace zx::client
