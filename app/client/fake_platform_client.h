// A PlatformClient for tests of its users (the workspace model, the sign-in sheet):
// canned outcomes, a log of calls, and the real client's delivery rules (one outcome,
// later, on the main thread, dropped when the context is destroyed).
#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QTimer>

#include "client/platform_client.h"

namespace zx::client {

class FakePlatformClient final : public PlatformClient {
 public:
  template <class T>
  static Outcome<T> unset() {
    return TransportError{TransportError::Kind::connection, QStringLiteral("(no canned reply)")};
  }

  bool signedIn = false;
  std::optional<Session> stored;
  QStringList calls;  // e.g. "brokers a", "candles EURUSD 240", "market", "signOut"

  Outcome<QList<Broker>> brokersReply = unset<QList<Broker>>();
  Outcome<QList<TradingServer>> serversReply = unset<QList<TradingServer>>();
  Outcome<Session> signInReply = unset<Session>();
  Outcome<MarketState> marketReply = unset<MarketState>();
  Outcome<QList<Candle>> candlesReply = unset<QList<Candle>>();

  bool isSignedIn() const override { return signedIn; }
  std::optional<Session> storedSession() const override { return stored; }
  void signOut() override {
    calls << QStringLiteral("signOut");
    signedIn = false;
    stored.reset();
  }

  void brokers(const QString& text, QObject* context, Done<QList<Broker>> done) override {
    calls << QStringLiteral("brokers ") + text;
    deliver(context, std::move(done), brokersReply);
  }
  void servers(const QString& broker, QObject* context, Done<QList<TradingServer>> done) override {
    calls << QStringLiteral("servers ") + broker;
    deliver(context, std::move(done), serversReply);
  }
  void signIn(const QString& login, const QString&, const QString& server, QObject* context,
              Done<Session> done) override {
    calls << QStringLiteral("signIn %1 %2").arg(login, server);
    if (signInReply.ok()) {
      signedIn = true;
      stored = signInReply.value();
    }
    deliver(context, std::move(done), signInReply);
  }
  void market(QObject* context, Done<MarketState> done) override {
    calls << QStringLiteral("market");
    if (!signedIn) return deliver<MarketState>(context, std::move(done), APIError::notSignedIn());
    deliver(context, std::move(done), marketReply);
  }
  void candles(const QString& symbol, qint64 minutes, QObject* context,
               Done<QList<Candle>> done) override {
    calls << QStringLiteral("candles %1 %2").arg(symbol).arg(minutes);
    if (!signedIn) {
      return deliver<QList<Candle>>(context, std::move(done), APIError::notSignedIn());
    }
    deliver(context, std::move(done), candlesReply);
  }

 private:
  template <class T>
  static void deliver(QObject* context, Done<T> done, Outcome<T> outcome) {
    QObject* receiver = context ? context : QCoreApplication::instance();
    QTimer::singleShot(0, receiver,
                       [done = std::move(done), outcome = std::move(outcome)] { done(outcome); });
  }
};

}  // namespace zx::client
