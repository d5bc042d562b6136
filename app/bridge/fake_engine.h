// An EngineCalls for tests of its users (the workspace model, the editor, the shell):
// canned records and a log of the calls. Like the real engine it may be called from
// several threads at once; set the canned records before the calls start.
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include "bridge/engine_calls.h"

namespace zx::bridge {

class FakeEngine final : public EngineCalls {
 public:
  // What a backtest was asked for.
  struct BacktestArgs {
    QString source;
    QString name;
    std::optional<Candles> bars;
    std::optional<MarketSymbol> symbol;
    double balance = 0;
    qint64 warmup = 0;
  };

  QString versionReply = QStringLiteral("1.0.0");
  CheckResult checkReply;
  InputSchema inputsReply;
  BuildResult buildReply;
  // Unset: the report the real bridge gives for an unreadable reply.
  std::optional<BacktestReport> backtestReply;
  QList<Token> tokensReply;
  QList<Completion> completionsReply;
  std::optional<Description> describeReply;

  // e.g. "check a.kelo", "build a.kelo /out/a.zxb", "backtest a.kelo", "tokens"
  QStringList calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
  }
  std::optional<BacktestArgs> lastBacktest() const {
    QMutexLocker lock(&mutex_);
    return lastBacktest_;
  }

  QString version() const override {
    log(QStringLiteral("version"));
    return versionReply;
  }
  CheckResult check(const QString&, const QString& name) const override {
    log(QStringLiteral("check ") + name);
    return checkReply;
  }
  InputSchema inputs(const QString&, const QString& name) const override {
    log(QStringLiteral("inputs ") + name);
    return inputsReply;
  }
  BuildResult build(const QString&, const QString& name, const QString& output) const override {
    log(QStringLiteral("build %1 %2").arg(name, output));
    return buildReply;
  }
  BacktestReport backtest(const QString& source, const QString& name,
                          const std::optional<Candles>& bars,
                          const std::optional<MarketSymbol>& symbol, double balance,
                          qint64 warmup) const override {
    {
      QMutexLocker lock(&mutex_);
      calls_ << QStringLiteral("backtest ") + name;
      lastBacktest_ = BacktestArgs{source, name, bars, symbol, balance, warmup};
    }
    if (backtestReply) return *backtestReply;
    return BacktestReport::failed(balance, QString::fromLatin1(kUnreadableResult));
  }
  QList<Token> tokens(const QString&) const override {
    log(QStringLiteral("tokens"));
    return tokensReply;
  }
  QList<Completion> completions(const QString& prefix) const override {
    log(QStringLiteral("completions ") + prefix);
    return completionsReply;
  }
  std::optional<Description> describe(const QString& name) const override {
    log(QStringLiteral("describe ") + name);
    return describeReply;
  }

 private:
  void log(const QString& call) const {
    QMutexLocker lock(&mutex_);
    calls_ << call;
  }

  mutable QMutex mutex_;
  mutable QStringList calls_;
  mutable std::optional<BacktestArgs> lastBacktest_;
};

}  // namespace zx::bridge
