// What the application asks of the platform's web API. `ZentrixAPI` is the real one;
// the workspace model and the sign-in sheet take this interface so that they can be
// tested against a fake.
//
// The asynchronous calls deliver exactly one outcome to `done`, on the main thread and
// never before the call has returned, unless `context` is destroyed first: then the
// call is abandoned and `done` is never called. A null `context` never abandons.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "client/api_error.h"
#include "client/wire_models.h"

namespace zx::client {

template <class T>
using Done = std::function<void(Outcome<T>)>;
// The account of the stored credentials, or none.
using Restored = std::function<void(std::optional<Session>)>;

class PlatformClient {
 public:
  virtual ~PlatformClient() = default;

  // Reads the stored credentials off the main thread, as the application starts: their
  // token is taken unless a sign-in or sign-out came first, and `done` gets their account
  // while that token is held. A keyring that has not answered within its time-out counts
  // as holding nothing; a late answer is dropped. Delivered as the calls below are. This
  // default answers from isSignedIn() and storedSession() as they are at the call.
  virtual void restoreStored(QObject* context, Restored done) {
    std::optional<Session> restored = isSignedIn() ? storedSession() : std::nullopt;
    QTimer::singleShot(0, context ? context : QCoreApplication::instance(),
                       [done = std::move(done), restored] { done(restored); });
  }
  // True while a bearer token is held; no network.
  virtual bool isSignedIn() const = 0;
  // The account kept in the keyring, read afresh on every call; no network.
  virtual std::optional<Session> storedSession() const = 0;
  // Forgets the token and deletes the stored credentials; never fails.
  virtual void signOut() = 0;

  // Brokers whose names match `text` (the first 25).
  virtual void brokers(const QString& text, QObject* context, Done<QList<Broker>> done) = 0;
  // The trading servers of the broker named `broker`.
  virtual void servers(const QString& broker, QObject* context,
                       Done<QList<TradingServer>> done) = 0;
  // Signs the account in, keeps its token for later calls and stores the credentials.
  virtual void signIn(const QString& login, const QString& password, const QString& server,
                      QObject* context, Done<Session> done) = 0;
  // The signed-in account's symbols, currency and quotes.
  virtual void market(QObject* context, Done<MarketState> done) = 0;
  // Bars of `symbol` at `minutes` per bar, in the order the server sends them.
  virtual void candles(const QString& symbol, qint64 minutes, QObject* context,
                       Done<QList<Candle>> done) = 0;
};

}  // namespace zx::client
