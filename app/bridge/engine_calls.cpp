#include "bridge/engine_calls.h"

#include <QByteArray>
#include <memory>

#include "bridge/reply_decode.h"

namespace zx::bridge {

using decode::Decoder;
using decode::Value;

namespace {

// Lets `read` see the reply's bytes (none for a null reply) and hands the reply back to
// the engine afterwards, also if reading throws.
template <class Read>
auto readReply(const EngineFunctions& f, char* reply, Read&& read) {
  struct Release {
    void (*free)(char*) noexcept;
    void operator()(char* text) const noexcept { free(text); }
  };
  const std::unique_ptr<char, Release> held(reply, Release{f.stringFree});
  return std::forward<Read>(read)(reply ? QByteArrayView(reply) : QByteArrayView());
}

// The two-member answer of a backtest the engine refused, e.g. a bot that does not compile.
struct Refusal {
  bool ok = true;
  QString error;

  static Refusal decode(Decoder& d, const Value& v) {
    Refusal r;
    decode::record(d, v, {{"ok", r.ok}, {"error", r.error}});
    return r;
  }
};

template <class R>
R decodeOr(const EngineFunctions& f, char* reply, R fallback) {
  std::optional<R> r =
      readReply(f, reply, [](QByteArrayView bytes) { return Kelo::decodeUtf8<R>(bytes); });
  return r ? std::move(*r) : std::move(fallback);
}

}  // namespace

QString ExportedEngine::version() const {
  return readReply(f_, f_.version(), [](QByteArrayView bytes) { return QString::fromUtf8(bytes); });
}

CheckResult ExportedEngine::check(const QString& source, const QString& name) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  return decodeOr(f_, f_.check(s.constData(), n.constData()), CheckResult{});
}

InputSchema ExportedEngine::inputs(const QString& source, const QString& name) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  return decodeOr(f_, f_.inputs(s.constData(), n.constData()), InputSchema{});
}

BuildResult ExportedEngine::build(const QString& source, const QString& name,
                                  const QString& output) const {
  const QByteArray s = source.toUtf8();
  const QByteArray n = name.toUtf8();
  const QByteArray o = output.toUtf8();
  BuildResult fallback;
  fallback.error = QString::fromLatin1(kUnreadableResult);
  return decodeOr(f_, f_.build(s.constData(), n.constData(), o.constData()), std::move(fallback));
}

BacktestReport ExportedEngine::backtest(const QString& source, const QString& name,
                                        const std::optional<Candles>& bars,
                                        const std::optional<MarketSymbol>& symbol, double balance,
                                        qint64 warmup) const {
  const MarketSymbol traded = symbol ? *symbol : defaultSymbol();
  // The engine call runs inside the lending, so the symbol's name outlives it.
  char* reply = traded.withUnsafeSpec([&](const KeloSymbol* spec) {
    const QByteArray s = source.toUtf8();
    const QByteArray n = name.toUtf8();
    const PriceColumns c = priceColumns(bars ? &*bars : nullptr);
    return f_.backtest(s.constData(), n.constData(), c.times, c.open, c.high, c.low, c.close,
                       c.volume, c.count, warmup, spec, balance);
  });
  // A report of a million bars is tens of megabytes: it is read where the engine wrote it.
  return readReply(f_, reply, [&](QByteArrayView bytes) {
    if (std::optional<BacktestReport> report = Kelo::decodeUtf8<BacktestReport>(bytes)) {
      return std::move(*report);
    }
    // The engine's reason reaches the user instead of a claim that the reply was unreadable.
    if (std::optional<Refusal> refusal = Kelo::decodeUtf8<Refusal>(bytes);
        refusal && !refusal->ok) {
      return BacktestReport::failed(balance, refusal->error);
    }
    return BacktestReport::failed(balance, QString::fromLatin1(kUnreadableResult));
  });
}

QList<Token> ExportedEngine::tokens(const QString& source) const {
  const QByteArray s = source.toUtf8();
  return decodeOr(f_, f_.tokens(s.constData()), TokenList{}).tokens;
}

void EngineCalls::markTokens(const QString& source, TokenSink& sink) const {
  sink.clear();
  for (const Token& t : tokens(source)) sink.add({highlightKind(t.kind), t.start, t.end, t.line});
}

void ExportedEngine::markTokens(const QString& source, TokenSink& sink) const {
  const QByteArray s = source.toUtf8();
  readReply(f_, f_.tokens(s.constData()), [&sink](QByteArrayView bytes) {
    Decoder d;
    // As every reply: bad sequences read as U+FFFD (see Kelo::decodeUtf8).
    if (!isPlainUtf8(bytes)) return decodeTokenMarks(d, QString::fromUtf8(bytes).toUtf8(), sink);
    return decodeTokenMarks(d, bytes, sink);
  });
}

QList<Completion> ExportedEngine::completions(const QString& prefix) const {
  const QByteArray p = prefix.toUtf8();
  return decodeOr(f_, f_.completions(p.constData()), CompletionList{}).items;
}

std::optional<Description> ExportedEngine::describe(const QString& name) const {
  const QByteArray n = name.toUtf8();
  std::optional<Description> d =
      readReply(f_, f_.describe(n.constData()),
                [](QByteArrayView bytes) { return Kelo::decodeUtf8<Description>(bytes); });
  if (d && d->found) return d;
  return std::nullopt;
}

}  // namespace zx::bridge
