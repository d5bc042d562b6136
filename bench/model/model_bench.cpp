// The model's own costs around typing, checking, price conversion and file reading.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>

#include "bridge/fake_engine.h"
#include "bridge/kelo_calls.h"
#include "client/fake_platform_client.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/market_data.h"
#include "model/text_files.h"
#include "model/workspace.h"

namespace {

using zx::model::Workspace;

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "model_bench";
  static char* argv[] = {name, nullptr};
  static auto* instance = new QCoreApplication(argc, argv);
  return *instance;
}

// About `lines` lines of globals, functions, loops, conditions and texts that check clean.
QString generatedProgram(int lines) {
  QString src = QStringLiteral("bot \"Generated\" {\n  version \"1.0.0\"\n}\n");
  int written = 3;
  for (int i = 0; written < lines; ++i, written += 9) {
    const QString n = QString::number(i);
    src += QStringLiteral("let g%1 = ema(close, %2)\n").arg(n).arg(i % 50 + 2);
    src += QStringLiteral("fn f%1(a, b = 2) {\n").arg(n);
    src += QStringLiteral("  let x = a * %1 + b\n").arg(n);
    src += QStringLiteral("  var s = 0\n");
    src += QStringLiteral("  for v in [1, 2, 3] { s += v }\n");
    src += QStringLiteral("  if x > %1 && close > open { s = s + 1 } else { s -= 1 }\n").arg(n);
    src += QStringLiteral("  let t = \"label %1\" + text(s)\n").arg(n);
    src += QStringLiteral("  return s + x + g%1[0]\n").arg(n);
    src += QStringLiteral("}\n");
  }
  src += QStringLiteral("fn onBar() {\n  let r = f0(1)\n}\n");
  return src;
}

// The real engine, timing its check and inputs calls.
class TimedEngine final : public zx::bridge::EngineCalls {
 public:
  const zx::bridge::EngineCalls& real = zx::bridge::Kelo::engine();
  mutable std::atomic<qint64> nanoseconds{0};

  QString version() const override { return real.version(); }
  zx::bridge::CheckResult check(const QString& s, const QString& n) const override {
    QElapsedTimer t;
    t.start();
    auto r = real.check(s, n);
    nanoseconds += t.nsecsElapsed();
    return r;
  }
  zx::bridge::InputSchema inputs(const QString& s, const QString& n) const override {
    QElapsedTimer t;
    t.start();
    auto r = real.inputs(s, n);
    nanoseconds += t.nsecsElapsed();
    return r;
  }
  zx::bridge::BuildResult build(const QString& s, const QString& n,
                                const QString& o) const override {
    return real.build(s, n, o);
  }
  zx::bridge::BacktestReport backtest(const QString& s, const QString& n,
                                      const std::optional<zx::bridge::Candles>& b,
                                      const std::optional<zx::bridge::MarketSymbol>& sym,
                                      double balance, qint64 warmup) const override {
    return real.backtest(s, n, b, sym, balance, warmup);
  }
  QList<zx::bridge::Token> tokens(const QString& s) const override { return real.tokens(s); }
  QList<zx::bridge::Completion> completions(const QString& p) const override {
    return real.completions(p);
  }
  std::optional<zx::bridge::Description> describe(const QString& n) const override {
    return real.describe(n);
  }
};

// Turns the event loop until `field` is published.
void waitFor(Workspace& w, Workspace::Field field) {
  QEventLoop loop;
  QObject::connect(&w, &Workspace::changed, &loop, [&](Workspace::Field f) {
    if (f == field) loop.quit();
  });
  loop.exec();
}

void BM_TypeIntoLargeFile(benchmark::State& state) {
  app();
  zx::bridge::FakeEngine engine;
  zx::client::FakePlatformClient client;
  zx::model::FakeDialogs dialogs;
  zx::model::FakeFileViewer viewer;
  Workspace w(engine, client, dialogs, viewer);
  QObject observers;
  for (int i = 0; i < 8; ++i) {
    QObject::connect(&w, &Workspace::changed, &observers,
                     [](Workspace::Field f) { benchmark::DoNotOptimize(f); });
  }
  QString base;
  for (int i = 0; i < 10000; ++i) {
    base += QStringLiteral("let value%1 = ema(close, 20) + 0.000001  // line\n")
                .arg(i, 5, 10, QChar('0'));
  }
  const QString typed = base + QStringLiteral("x");
  bool add = true;
  for (auto _ : state) {
    w.setSelectedText(add ? typed : base);
    add = !add;
  }
  state.counters["text_bytes"] = static_cast<double>(base.size() * 2);
}
BENCHMARK(BM_TypeIntoLargeFile)->Unit(benchmark::kMicrosecond);

void BM_CheckRoundTrip(benchmark::State& state) {
  app();
  TimedEngine engine;
  zx::client::FakePlatformClient client;
  zx::model::FakeDialogs dialogs;
  zx::model::FakeFileViewer viewer;
  Workspace w(engine, client, dialogs, viewer);
  waitFor(w, Workspace::Field::lastCheckMilliseconds);
  w.setSelectedText(generatedProgram(static_cast<int>(state.range(0))));
  waitFor(w, Workspace::Field::lastCheckMilliseconds);
  if (w.errorCount() > 0) state.SkipWithError("the generated program has errors");
  engine.nanoseconds = 0;
  QElapsedTimer wall;
  qint64 wallNs = 0;
  for (auto _ : state) {
    wall.start();
    w.runCheck(true);
    waitFor(w, Workspace::Field::lastCheckMilliseconds);
    wallNs += wall.nsecsElapsed();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["engine_ms"] = static_cast<double>(engine.nanoseconds) / 1e6 / n;
  state.counters["model_ms"] = static_cast<double>(wallNs - engine.nanoseconds) / 1e6 / n;
}
BENCHMARK(BM_CheckRoundTrip)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_History(benchmark::State& state) {
  QList<zx::client::Candle> rows;
  for (qint64 i = 0; i < state.range(0); ++i) {
    rows.append({1704153600000.0 + static_cast<double>(i) * 60000.0, 1.1, 1.2, 1.0, 1.15, 10.0});
  }
  zx::client::SymbolRow spec;
  spec.sym = QStringLiteral("EURUSD");
  spec.digits = 5;
  const QMap<QString, zx::client::Quote> quotes{{"EURUSD", {1.1, 1.2}}};
  for (auto _ : state) {
    auto h = zx::model::MarketData::history(rows, spec, 1, state.range(0), "USD", quotes);
    benchmark::DoNotOptimize(h);
  }
}
BENCHMARK(BM_History)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ReadTextFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("large.kelo");
  {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(generatedProgram(10000).replace(u'\n', QStringLiteral("\r\n")).toUtf8());
  }
  for (auto _ : state) {
    auto read = zx::model::readTextFile(path);
    if (!read.ok() || !read.format.crlf) state.SkipWithError("the file did not read");
    benchmark::DoNotOptimize(read);
  }
}
BENCHMARK(BM_ReadTextFile)->Unit(benchmark::kMillisecond);

}  // namespace
