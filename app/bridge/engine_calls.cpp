#include "bridge/engine_calls.h"

#include <QByteArray>
#include <memory>

#include "bridge/reply_decode.h"

namespace zx::bridge {

using decode::Decoder;
using decode::Fields;

namespace {

// Copies the reply and hands it back to the engine at once, also if copying throws.
QString takeReply(const EngineFunctions& f, char* reply) {
  if (!reply) return {};
  struct Release {
    void (*free)(char*) noexcept;
    void operator()(char* text) const noexcept { free(text); }
  };
  const std::unique_ptr<char, Release> held(reply, Release{f.stringFree});
  return QString::fromUtf8(held.get());
}

// The two-member answer of a backtest the engine refused, e.g. a bot that does not compile.
struct Refusal {
  bool ok = true;
  QString error;

  static Refusal decode(Decoder& d, const QJsonValue& v) {
    Fields f(d, v);
    Refusal r;
    r.ok = f.boolean(QStringLiteral("ok"));
    r.error = f.text(QStringLiteral("error"));
    return r;
  }
};

template <class R>
R decodeOr(const QString& reply, R fallback) {
  std::optional<R> r = Kelo::decode<R>(reply);
  return r ? std::move(*r) : std::move(fallback);
}

}  // namespace

QString ExportedEngine::version() const {
  return takeReply(f_, f_.version());
}

CheckResult ExportedEngine::check(const QString& source, const QString& name) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  return decodeOr(takeReply(f_, f_.check(s.constData(), n.constData())), CheckResult{});
}

InputSchema ExportedEngine::inputs(const QString& source, const QString& name) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  return decodeOr(takeReply(f_, f_.inputs(s.constData(), n.constData())), InputSchema{});
}

BuildResult ExportedEngine::build(const QString& source, const QString& name,
                                  const QString& output) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  const QByteArray o = output.toUtf8();
  BuildResult fallback;
  fallback.error = QString::fromLatin1(kUnreadableResult);
  return decodeOr(takeReply(f_, f_.build(s.constData(), n.constData(), o.constData())),
                  std::move(fallback));
}

BacktestReport ExportedEngine::backtest(const QString& source, const QString& name,
                                        const std::optional<Candles>& bars,
                                        const std::optional<MarketSymbol>& symbol, double balance,
                                        qint64 warmup) const {
  const MarketSymbol traded = symbol ? *symbol : defaultSymbol();
  // The engine call runs inside the lending, so the symbol's name outlives it.
  const QString reply = traded.withUnsafeSpec([&](const KeloSymbol* spec) {
    const QByteArray s = source.toUtf8();
    const QByteArray n = name.toUtf8();
    const PriceColumns c = priceColumns(bars ? &*bars : nullptr);
    return takeReply(f_, f_.backtest(s.constData(), n.constData(), c.times, c.open, c.high, c.low,
                                     c.close, c.volume, c.count, warmup, spec, balance));
  });
  if (std::optional<BacktestReport> report = Kelo::decode<BacktestReport>(reply)) {
    return std::move(*report);
  }
  // The engine's reason reaches the user instead of a claim that the reply was unreadable.
  if (std::optional<Refusal> refusal = Kelo::decode<Refusal>(reply); refusal && !refusal->ok) {
    return BacktestReport::failed(balance, refusal->error);
  }
  return BacktestReport::failed(balance, QString::fromLatin1(kUnreadableResult));
}

QList<Token> ExportedEngine::tokens(const QString& source) const {
  const QByteArray s = source.toUtf8();
  return decodeOr(takeReply(f_, f_.tokens(s.constData())), TokenList{}).tokens;
}

QList<Completion> ExportedEngine::completions(const QString& prefix) const {
  const QByteArray p = prefix.toUtf8();
  return decodeOr(takeReply(f_, f_.completions(p.constData())), CompletionList{}).items;
}

std::optional<Description> ExportedEngine::describe(const QString& name) const {
  const QByteArray n = name.toUtf8();
  std::optional<Description> d =
      Kelo::decode<Description>(takeReply(f_, f_.describe(n.constData())));
  if (d && d->found) return d;
  return std::nullopt;
}

}  // namespace zx::bridge
