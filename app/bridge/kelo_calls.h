// The engine's calls through libkelo, as free functions; the rules of every call are
// those of EngineCalls (bridge/engine_calls.h).
#pragma once

#include "bridge/engine_calls.h"

namespace zx::bridge::Kelo {

// The one engine object over libkelo, for holders of an EngineCalls.
const EngineCalls& engine();

QString version();
CheckResult check(const QString& source, const QString& name);
InputSchema inputs(const QString& source, const QString& name);
BuildResult build(const QString& source, const QString& name, const QString& output);
BacktestReport backtest(const QString& source, const QString& name,
                        const std::optional<Candles>& bars,
                        const std::optional<MarketSymbol>& symbol, double balance, qint64 warmup);
QList<Token> tokens(const QString& source);
QList<Completion> completions(const QString& prefix);
std::optional<Description> describe(const QString& name);

}  // namespace zx::bridge::Kelo
