// The application's one client of the platform's web API. It lives on the main
// thread: its state (the token and the base) is only touched there, requests run
// asynchronously in the network layer, and replies are decoded on a worker thread.
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QThreadPool>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "client/platform_client.h"
#include "client/request_url.h"
#include "client/secret_store.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace zx::client {

class ZentrixAPI final : public QObject, public PlatformClient {
  Q_OBJECT

 public:
  // How long a request may go without any transfer before it fails as timed out.
  static constexpr std::chrono::milliseconds kTransferTimeout{25000};
  // How long a request may take in all, however steadily its bytes come: price history,
  // which may be long, gets more time than every other request.
  static constexpr std::chrono::milliseconds kRequestDeadline{25000};
  static constexpr std::chrono::milliseconds kCandlesDeadline{60000};
  // How long the start waits for the keyring before it counts as holding nothing.
  static constexpr std::chrono::milliseconds kKeyringTimeout{25000};
  // A larger reply body fails as a decoding error.
  static constexpr qint64 kReplyLimit = qint64(64) * 1024 * 1024;

  // The client of the process, made on first use (on the main thread, after the
  // application object) with the Secret Service store and `defaultApiBase()`.
  static ZentrixAPI& shared();

  // Starts signed out: the stored token is read by restoreStored, off the main thread.
  // `store` must outlive every read of it still waiting for the keyring.
  ZentrixAPI(SecretStore& store, QUrl base, QObject* parent = nullptr,
             std::chrono::milliseconds transferTimeout = kTransferTimeout);
  ~ZentrixAPI() override;

  // Tests shorten the deadlines and the keyring's time-out; the application keeps the
  // ones above.
  void setDeadlines(std::chrono::milliseconds request, std::chrono::milliseconds candles);
  void setKeyringTimeout(std::chrono::milliseconds timeout);

  // Later requests go to `base`; the token is kept. An unusable base makes every call
  // fail with "That server address is not valid.".
  void setBase(const QUrl& base);

  void restoreStored(QObject* context, Restored done) override;
  bool isSignedIn() const override;
  std::optional<Session> storedSession() const override;
  void signOut() override;

  void brokers(const QString& text, QObject* context, Done<QList<Broker>> done) override;
  void servers(const QString& broker, QObject* context, Done<QList<TradingServer>> done) override;
  void signIn(const QString& login, const QString& password, const QString& server,
              QObject* context, Done<Session> done) override;
  void market(QObject* context, Done<MarketState> done) override;
  void candles(const QString& symbol, qint64 minutes, QObject* context,
               Done<QList<Candle>> done) override;

 private:
  struct Request {
    QString path;
    QByteArray method;
    QueryItems query;
    std::optional<QJsonObject> body;
    bool authorised = false;
  };
  // What came back: an HTTP reply (status and body) or a failure before one.
  struct RawReply {
    int status = 0;
    QByteArray body;
    std::optional<ClientError> failure;
  };
  using RawDone = std::function<void(RawReply)>;

  // Sends one request and hands the raw reply to `done` on the main thread.
  void send(const Request& request, QObject* context, RawDone done);
  void finish(QNetworkReply* reply);

  // Sends, then decodes the reply's envelope with `decodeData` on a worker thread and
  // delivers the payload or the failure to `done` on the main thread.
  template <class T, class F>
  void request(const Request& request, QObject* context, F decodeData, Done<T> done);

  // Runs `deliver` on the main thread unless `context` or this client is gone by then.
  void post(QObject* context, std::function<void()> deliver);

  // The end of keyring read `read`: its answer, or none at the time-out; only the first
  // counts.
  void keyringAnswered(quint64 read, std::optional<Credentials> stored);

  SecretStore& store_;
  QUrl base_;
  std::optional<QString> token_;
  // Bumped by sign-out, so a sign-in that was in flight cannot sign the user back in.
  quint64 signOutGeneration_ = 0;
  std::chrono::milliseconds transferTimeout_;
  std::chrono::milliseconds requestDeadline_ = kRequestDeadline;
  std::chrono::milliseconds candlesDeadline_ = kCandlesDeadline;
  QNetworkAccessManager* network_;
  QThreadPool decoders_;

  // Keyring reads run on threads nobody joins (one may never return); they reach the
  // client through this while it lives.
  struct KeyringLink {
    std::mutex mutex;
    ZentrixAPI* client = nullptr;
  };
  std::shared_ptr<KeyringLink> keyringLink_ = std::make_shared<KeyringLink>();
  QHash<quint64, std::function<void(std::optional<Credentials>)>> keyringReads_;
  quint64 lastKeyringRead_ = 0;
  std::chrono::milliseconds keyringTimeout_ = kKeyringTimeout;
};

}  // namespace zx::client
