// The application's door to the engine.
//
// `EngineCalls` is what the workspace model, the editor and the shell hold, so that
// they can be tested against a fake engine; `ExportedEngine` is the real one, which
// calls the engine's exported functions (libkelo, or stand-ins with the same shape).
// The free functions of namespace `Kelo` (bridge/kelo_calls.h) call libkelo through it.
//
// Every call blocks its thread until the engine answers and keeps no state, so any
// thread may call, several at once. No call fails towards its caller: texts go to the
// engine as NUL-terminated UTF-8 (a text holding a NUL is read only up to it), the
// reply is copied and handed back to the engine at once (a null reply reads as the
// empty text), and a reply that does not decode is replaced by the call's fallback.
#pragma once

#include <QList>
#include <QString>
#include <optional>

#include "bridge/engine_functions.h"
#include "bridge/market_input.h"
#include "bridge/records.h"
#include "bridge/token_marks.h"

namespace zx::bridge {

// The build and backtest fallbacks' error.
inline const char kUnreadableResult[] = "The engine returned an unreadable result";

class EngineCalls {
 public:
  virtual ~EngineCalls() = default;

  // The engine's version text, asked anew on every call; empty for a null reply.
  virtual QString version() const = 0;
  // Fallback: ok false, no diagnostics.
  virtual CheckResult check(const QString& source, const QString& name) const = 0;
  // Fallback: ok false, no groups, no inputs.
  virtual InputSchema inputs(const QString& source, const QString& name) const = 0;
  // Compiles and writes the bundle at `output`. Fallback: ok false with the error
  // kUnreadableResult; the engine's own failure arrives with its own error.
  virtual BuildResult build(const QString& source, const QString& name,
                            const QString& output) const = 0;
  // Replays the bot over `bars` (the engine generates 5000 when there are none) with
  // `symbol` (defaultSymbol() when none), starting from `balance`, after `warmup`
  // bars. A refused run (the bot does not compile) answers ok false, both balances
  // `balance`, zero statistics and the engine's reason as the one error; any other
  // undecodable reply the same with kUnreadableResult.
  virtual BacktestReport backtest(const QString& source, const QString& name,
                                  const std::optional<Candles>& bars,
                                  const std::optional<MarketSymbol>& symbol, double balance,
                                  qint64 warmup) const = 0;
  // Tokens for syntax colouring; empty when the reply does not decode.
  virtual QList<Token> tokens(const QString& source) const = 0;
  // The same tokens handed to `sink` one by one, as the editor takes them; none when the
  // reply does not decode. By default read from tokens().
  virtual void markTokens(const QString& source, TokenSink& sink) const;
  // The standard library's names starting with `prefix` (every one for ""); empty
  // when the reply does not decode.
  virtual QList<Completion> completions(const QString& prefix) const = 0;
  // The name's description when the engine knows it; nothing otherwise.
  virtual std::optional<Description> describe(const QString& name) const = 0;
};

class ExportedEngine final : public EngineCalls {
 public:
  // `functions` must outlive the engine object.
  explicit ExportedEngine(const EngineFunctions& functions) : f_(functions) {}

  QString version() const override;
  CheckResult check(const QString& source, const QString& name) const override;
  InputSchema inputs(const QString& source, const QString& name) const override;
  BuildResult build(const QString& source, const QString& name,
                    const QString& output) const override;
  BacktestReport backtest(const QString& source, const QString& name,
                          const std::optional<Candles>& bars,
                          const std::optional<MarketSymbol>& symbol, double balance,
                          qint64 warmup) const override;
  QList<Token> tokens(const QString& source) const override;
  void markTokens(const QString& source, TokenSink& sink) const override;
  QList<Completion> completions(const QString& prefix) const override;
  std::optional<Description> describe(const QString& name) const override;

 private:
  const EngineFunctions& f_;
};

}  // namespace zx::bridge
