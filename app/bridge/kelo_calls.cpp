#include "bridge/kelo_calls.h"

namespace zx::bridge::Kelo {

const EngineCalls& engine() {
  static const ExportedEngine library(libkelo());
  return library;
}

QString version() {
  return engine().version();
}

CheckResult check(const QString& source, const QString& name) {
  return engine().check(source, name);
}

InputSchema inputs(const QString& source, const QString& name) {
  return engine().inputs(source, name);
}

BuildResult build(const QString& source, const QString& name, const QString& output) {
  return engine().build(source, name, output);
}

BacktestReport backtest(const QString& source, const QString& name,
                        const std::optional<Candles>& bars,
                        const std::optional<MarketSymbol>& symbol, double balance, qint64 warmup) {
  return engine().backtest(source, name, bars, symbol, balance, warmup);
}

QList<Token> tokens(const QString& source) {
  return engine().tokens(source);
}

QList<Completion> completions(const QString& prefix) {
  return engine().completions(prefix);
}

std::optional<Description> describe(const QString& name) {
  return engine().describe(name);
}

}  // namespace zx::bridge::Kelo
