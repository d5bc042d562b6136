#include "client/zentrix_api.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <memory>
#include <thread>

namespace zx::client {
namespace {

// The caller's object: once it is destroyed, the call's outcome is dropped.
struct Guard {
  QPointer<QObject> object;
  bool watched = false;

  explicit Guard(QObject* context) : object(context), watched(context != nullptr) {}
  bool gone() const { return watched && object.isNull(); }
};

const QString kCandlesPath = QStringLiteral("/client/candles");

QString utf8OrEmpty(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  QString text = decoder.decode(bytes);
  return decoder.hasError() ? QString() : text;
}

// The reply's verdict: its payload, or the failure the platform's answer amounts to.
template <class T, class F>
Outcome<T> classify(int status, const QByteArray& body, F decodeData) {
  decode::Decoder d;
  std::optional<Envelope<T>> envelope =
      decode::document(d, body, [&](decode::Decoder& d, const decode::Value& v) {
        return Envelope<T>::decode(d, v, decodeData);
      });
  if (envelope) {
    // A payload counts even under an error status: the envelope is what the platform means.
    if (envelope->ok && envelope->data) return std::move(*envelope->data);
    return APIError::http(status, envelope->error.value_or(QString()));
  }
  if (status >= 200 && status <= 299) return APIError::decoding(d.detail());
  // Not the platform's envelope on an error status: the body (an error page) is the message.
  return APIError::http(status, utf8OrEmpty(body));
}

TransportError transportError(QNetworkReply::NetworkError code, const QString& reason,
                              bool timedOut) {
  if (timedOut || code == QNetworkReply::TimeoutError) {
    return {TransportError::Kind::timedOut, QStringLiteral("The request timed out.")};
  }
  switch (code) {
    case QNetworkReply::ConnectionRefusedError:
      return {TransportError::Kind::connection,
              QStringLiteral("The server refused the connection.")};
    case QNetworkReply::HostNotFoundError:
      return {TransportError::Kind::connection, QStringLiteral("The server could not be found.")};
    default:
      return {TransportError::Kind::connection,
              QStringLiteral("Could not reach the server: %1").arg(reason)};
  }
}

// Network and proxy failures: no usable HTTP reply, even when headers had arrived. A
// redirect to another origin is refused, not failed: its own reply is what came back.
bool isTransportFailure(QNetworkReply::NetworkError code) {
  return code != QNetworkReply::NoError && code != QNetworkReply::InsecureRedirectError &&
         code < QNetworkReply::ContentAccessDenied;
}

}  // namespace

ZentrixAPI& ZentrixAPI::shared() {
  static ZentrixAPI* client =
      new ZentrixAPI(secretServiceStore(), defaultApiBase(), QCoreApplication::instance());
  return *client;
}

ZentrixAPI::ZentrixAPI(SecretStore& store, QUrl base, QObject* parent,
                       std::chrono::milliseconds transferTimeout)
    : QObject(parent),
      store_(store),
      base_(std::move(base)),
      transferTimeout_(transferTimeout),
      network_(new QNetworkAccessManager(this)) {
  keyringLink_->client = this;
  decoders_.setMaxThreadCount(2);
}

ZentrixAPI::~ZentrixAPI() {
  {
    const std::lock_guard lock(keyringLink_->mutex);
    keyringLink_->client = nullptr;
  }
  // Workers post their results to this object; none may still be running once it is gone.
  decoders_.waitForDone();
}

void ZentrixAPI::setDeadlines(std::chrono::milliseconds request,
                              std::chrono::milliseconds candles) {
  requestDeadline_ = request;
  candlesDeadline_ = candles;
}

void ZentrixAPI::setBase(const QUrl& base) {
  base_ = base;
}

void ZentrixAPI::setKeyringTimeout(std::chrono::milliseconds timeout) {
  keyringTimeout_ = timeout;
}

void ZentrixAPI::restoreStored(QObject* context, Restored done) {
  const quint64 read = ++lastKeyringRead_;
  const quint64 generation = signOutGeneration_;
  keyringReads_.insert(read, [this, guard = Guard(context), generation,
                              done = std::move(done)](std::optional<Credentials> stored) {
    if (guard.gone()) return;
    // A sign-in or sign-out since the read began has replaced what the keyring held.
    if (!stored || token_ || generation != signOutGeneration_) return done(std::nullopt);
    token_ = stored->token;
    done(stored->session);
  });
  QTimer::singleShot(keyringTimeout_, this, [this, read] { keyringAnswered(read, std::nullopt); });
  std::thread([link = keyringLink_, store = &store_, read] {
    std::optional<Credentials> stored = Credentials::load(*store);
    const std::lock_guard lock(link->mutex);
    if (ZentrixAPI* client = link->client) {
      QMetaObject::invokeMethod(
          client,
          [client, read, stored = std::move(stored)]() mutable {
            client->keyringAnswered(read, std::move(stored));
          },
          Qt::QueuedConnection);
    }
  }).detach();
}

void ZentrixAPI::keyringAnswered(quint64 read, std::optional<Credentials> stored) {
  const std::function<void(std::optional<Credentials>)> finish = keyringReads_.take(read);
  if (finish) finish(std::move(stored));
}

bool ZentrixAPI::isSignedIn() const {
  return token_.has_value();
}

std::optional<Session> ZentrixAPI::storedSession() const {
  std::optional<Credentials> stored = Credentials::load(store_);
  if (!stored) return std::nullopt;
  return stored->session;
}

void ZentrixAPI::signOut() {
  token_.reset();
  ++signOutGeneration_;
  store_.remove(Keychain::query(QString::fromLatin1(kCredentialsAccount)));
}

void ZentrixAPI::post(QObject* context, std::function<void()> deliver) {
  QMetaObject::invokeMethod(
      this,
      [guard = Guard(context), deliver = std::move(deliver)] {
        if (!guard.gone()) deliver();
      },
      Qt::QueuedConnection);
}

void ZentrixAPI::send(const Request& r, QObject* context, RawDone done) {
  auto fail = [&](APIError e) {
    post(context, [done = std::move(done), e = std::move(e)] { done(RawReply{0, {}, e}); });
  };
  const std::optional<QUrl> url = requestUrl(base_, r.path, r.query);
  if (!url) return fail(APIError::badURL());

  QNetworkRequest request(*url);
  request.setTransferTimeout(int(transferTimeout_.count()));
  // The bearer token must never follow a redirect to another origin.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::SameOriginRedirectPolicy);
  request.setRawHeader("Accept", "application/json");
  QByteArray payload;
  if (r.body) {
    request.setRawHeader("Content-Type", "application/json");
    payload = QJsonDocument(*r.body).toJson(QJsonDocument::Compact);
  }
  // Checked after the address, so an unusable address is reported even when signed out.
  if (r.authorised) {
    if (!token_) return fail(APIError::notSignedIn());
    request.setRawHeader("Authorization", "Bearer " + token_->toUtf8());
  }

  QNetworkReply* reply = r.body ? network_->sendCustomRequest(request, r.method, payload)
                                : network_->sendCustomRequest(request, r.method);
  struct Pending {
    Guard guard;
    RawDone done;
    QByteArray body;
    bool tooLarge = false;
    bool abandoned = false;
  };
  auto pending =
      std::make_shared<Pending>(Pending{Guard(context), std::move(done), {}, false, false});

  // The idle limit alone lets a server that drips a byte now and then hold a request for
  // ever. Aborting ends it like the idle limit does, as timed out.
  auto* deadline = new QTimer(reply);
  deadline->setSingleShot(true);
  connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
  connect(reply, &QNetworkReply::finished, deadline, &QTimer::stop);
  deadline->start(r.path == kCandlesPath ? candlesDeadline_ : requestDeadline_);

  if (context) {
    connect(context, &QObject::destroyed, reply, [reply, pending] {
      pending->abandoned = true;
      reply->abort();
    });
  }
  connect(reply, &QNetworkReply::readyRead, this, [reply, pending] {
    if (pending->tooLarge) return;
    pending->body += reply->readAll();
    if (pending->body.size() > kReplyLimit) {
      pending->tooLarge = true;
      pending->body.clear();
      reply->abort();
    }
  });
  connect(reply, &QNetworkReply::finished, this, [reply, pending] {
    reply->deleteLater();
    if (pending->abandoned || pending->guard.gone()) return;
    if (!pending->tooLarge) pending->body += reply->readAll();
    if (pending->tooLarge || pending->body.size() > kReplyLimit) {
      pending->done(
          RawReply{0, {}, APIError::decoding(QStringLiteral("The reply is larger than 64 MiB."))});
      return;
    }
    const QNetworkReply::NetworkError code = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (isTransportFailure(code) || (!status.isValid() && code != QNetworkReply::NoError)) {
      // Only the idle limit and the deadline abort a reply that nobody abandoned.
      const bool timedOut = code == QNetworkReply::OperationCanceledError;
      pending->done(RawReply{0, {}, transportError(code, reply->errorString(), timedOut)});
      return;
    }
    pending->done(RawReply{status.isValid() ? status.toInt() : 0, std::move(pending->body), {}});
  });
}

template <class T, class F>
void ZentrixAPI::request(const Request& r, QObject* context, F decodeData, Done<T> done) {
  send(r, context, [this, context, decodeData, done = std::move(done)](RawReply raw) {
    if (raw.failure) return done(*raw.failure);
    // Large replies (200k candles are ~16 MB) would stall the window while decoding.
    decoders_.start([this, guard = QPointer<QObject>(context), watched = context != nullptr,
                     decodeData, done, raw = std::move(raw)] {
      Outcome<T> outcome = classify<T>(raw.status, raw.body, decodeData);
      QMetaObject::invokeMethod(
          this,
          [guard, watched, done, outcome = std::move(outcome)]() mutable {
            if (watched && guard.isNull()) return;
            done(std::move(outcome));
          },
          Qt::QueuedConnection);
    });
  });
}

void ZentrixAPI::brokers(const QString& text, QObject* context, Done<QList<Broker>> done) {
  const Request r{QStringLiteral("/client/brokers"),
                  "GET",
                  {{QStringLiteral("q"), text}, {QStringLiteral("limit"), QStringLiteral("25")}},
                  std::nullopt,
                  false};
  request<BrokerPage>(r, context, &BrokerPage::decode,
                      [done = std::move(done)](Outcome<BrokerPage> page) {
                        if (!page.ok()) return done(page.error());
                        done(std::move(page.value().items));
                      });
}

void ZentrixAPI::servers(const QString& broker, QObject* context, Done<QList<TradingServer>> done) {
  const Request r{QStringLiteral("/client/servers"),
                  "GET",
                  {{QStringLiteral("broker"), broker}},
                  std::nullopt,
                  false};
  request<QList<TradingServer>>(r, context, &decodeServers, std::move(done));
}

void ZentrixAPI::signIn(const QString& login, const QString& password, const QString& server,
                        QObject* context, Done<Session> done) {
  QJsonObject body;
  body.insert(QStringLiteral("login"), login);
  body.insert(QStringLiteral("password"), password);
  body.insert(QStringLiteral("server"), server);
  const Request r{QStringLiteral("/client/login"), "POST", {}, body, false};
  const quint64 generation = signOutGeneration_;
  request<LoginResponse>(
      r, context, &LoginResponse::decode,
      [this, generation, done = std::move(done)](Outcome<LoginResponse> reply) {
        if (!reply.ok()) return done(reply.error());
        if (generation != signOutGeneration_) {
          // Signed out while this was in flight: the sign-out wins.
          return done(TransportError{TransportError::Kind::cancelled,
                                     QStringLiteral("The request was cancelled.")});
        }
        const LoginResponse& login = reply.value();
        token_ = login.token;
        // A failed write is ignored: the account stays signed in for this process only.
        const Credentials credentials{login.token, login.session};
        Keychain::write(store_, QString::fromLatin1(kCredentialsAccount), credentials.encode());
        done(login.session);
      });
}

void ZentrixAPI::market(QObject* context, Done<MarketState> done) {
  const Request r{QStringLiteral("/client/state"), "GET", {}, std::nullopt, true};
  request<StateResponse>(r, context, &StateResponse::decode,
                         [done = std::move(done)](Outcome<StateResponse> state) {
                           if (!state.ok()) return done(state.error());
                           done(MarketState::from(state.value()));
                         });
}

void ZentrixAPI::candles(const QString& symbol, qint64 minutes, QObject* context,
                         Done<QList<Candle>> done) {
  const Request r{
      kCandlesPath,
      "GET",
      {{QStringLiteral("symbol"), symbol}, {QStringLiteral("tf"), QString::number(minutes)}},
      std::nullopt,
      true};
  request<QList<Candle>>(r, context, &decodeCandles, std::move(done));
}

}  // namespace zx::client
