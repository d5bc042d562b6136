// The records that travel between the application and the platform's web API, the
// credentials kept in the keyring, and the account digest handed to the workspace.
// Every record mirrors its JSON by field name; `decode` reads one strictly (see
// decode/strict_json.h) and leaves the decoder failed on the first broken rule;
// `encode` writes the same keys back, leaving absent optionals out.
#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

#include "decode/strict_json.h"

namespace zx::client {

class SecretStore;

// Every reply body: whether the platform handled the call, its payload, its error text.
template <class T>
struct Envelope {
  bool ok = false;
  std::optional<T> data;
  std::optional<QString> error;

  // `decodeData(Decoder&, const Value&)` reads the payload.
  template <class F>
  static Envelope decode(decode::Decoder& d, const decode::Value& v, const F& decodeData) {
    Envelope e;
    decode::record(d, v, {{"ok", e.ok}, {"data", e.data, decodeData}, {"error", e.error}});
    return e;
  }
};

struct Broker {
  QString name;
  std::optional<QString> logo;  // a data URL: the image in base64 after "base64,"
  std::optional<qint64> servers;

  const QString& id() const { return name; }
  static Broker decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Broker&, const Broker&) = default;
};

struct BrokerPage {
  QList<Broker> items;
  qint64 total = 0;

  static BrokerPage decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
};

struct TradingServer {
  QString serverName;
  std::optional<QString> type;

  const QString& id() const { return serverName; }
  bool isDemo() const;
  static TradingServer decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const TradingServer&, const TradingServer&) = default;
};

struct Session {
  QString login;
  QString name;
  QString brokerName;
  QString serverName;
  QString currency;
  qint64 leverage = 0;
  double balance = 0;

  static Session decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Session&, const Session&) = default;
};

struct LoginResponse {
  QString token;
  Session session;

  static LoginResponse decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
};

struct AccountBlock {
  std::optional<QString> currency;

  static AccountBlock decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
};

struct SymbolRow {
  QString sym;
  std::optional<QString> name;
  qint64 digits = 0;
  std::optional<QString> group;
  std::optional<double> contract;
  std::optional<double> minLot;
  std::optional<double> maxLot;
  std::optional<double> lotStep;
  std::optional<bool> open;

  const QString& id() const { return sym; }
  static SymbolRow decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const SymbolRow&, const SymbolRow&) = default;
};

struct Quote {
  std::optional<double> bid;
  std::optional<double> ask;

  static Quote decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
  friend bool operator==(const Quote&, const Quote&) = default;
};

struct StateResponse {
  QList<SymbolRow> symbols;
  std::optional<AccountBlock> account;
  std::optional<QMap<QString, Quote>> quotes;

  static StateResponse decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
};

// One downloaded bar; `t` is in epoch milliseconds.
struct Candle {
  double t = 0;
  double o = 0;
  double h = 0;
  double l = 0;
  double c = 0;
  std::optional<double> v;

  static Candle decode(decode::Decoder& d, const decode::Value& v);
  QJsonObject encode() const;
};

// The keyring payload: the bearer token and the account it belongs to.
struct Credentials {
  QString token;
  std::optional<Session> session;

  static Credentials decode(decode::Decoder& d, const decode::Value& v);
  // Compact JSON; "session" is left out when absent.
  QByteArray encode() const;
  // The stored credentials, or none when nothing is stored or it does not decode.
  static std::optional<Credentials> load(SecretStore& store);
};

// What `market()` hands on: symbols as received, the account currency ("USD" when
// the reply names none) and the quotes (empty when the reply has none).
struct MarketState {
  QList<SymbolRow> symbols;
  QString currency;
  QMap<QString, Quote> quotes;

  static MarketState from(const StateResponse& state);
};

size_t qHash(const Broker& b, size_t seed = 0);
size_t qHash(const TradingServer& s, size_t seed = 0);
size_t qHash(const Session& s, size_t seed = 0);
size_t qHash(const SymbolRow& r, size_t seed = 0);
size_t qHash(const Quote& q, size_t seed = 0);

// List payloads of the endpoints.
QList<TradingServer> decodeServers(decode::Decoder& d, const decode::Value& v);
QList<Candle> decodeCandles(decode::Decoder& d, const decode::Value& v);

}  // namespace zx::client

// Long lists of records grow by moving their bytes: every member is relocatable.
Q_DECLARE_TYPEINFO(zx::client::Broker, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::client::TradingServer, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(zx::client::SymbolRow, Q_RELOCATABLE_TYPE);
