// Shared by the model's tests: one QApplication per process, an engine that records
// what it was given and can hold a backtest, a recorder of publications, a workspace
// wired to fakes, and files read and written whole.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSemaphore>
#include <QStringList>
#include <QTest>
#include <QThreadPool>
#include <atomic>
#include <memory>

#include "bridge/fake_engine.h"
#include "client/fake_platform_client.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/workspace.h"

namespace zx::model::testing {

namespace {

// One offscreen application for the whole test process: the one a caller made already
// (the views' tests make their own), or a plain one.
[[maybe_unused]] QApplication& testApp() {
  static int argc = 1;
  static char name[] = "model_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (auto* made = qobject_cast<QApplication*>(QCoreApplication::instance())) return made;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// FakeEngine plus the source of each call, in order, and a gate that holds every
// backtest until the test opens it.
class RecordingEngine final : public bridge::EngineCalls {
 public:
  struct Call {
    QString what;  // as FakeEngine logs it: "check a.kelo"
    QString source;
  };

  bridge::FakeEngine fake;
  bool gateBacktests = false;

  QList<Call> calls() const {
    QMutexLocker lock(&mutex_);
    return calls_;
  }
  QStringList names() const {
    QStringList out;
    for (const Call& c : calls()) out << c.what;
    return out;
  }
  void openGate() { gate_.release(1000); }
  // Turns the event loop until a held backtest has entered the engine.
  void waitForBacktestStarted() {
    while (!started_.tryAcquire(1, 2)) QCoreApplication::processEvents();
  }

  QString version() const override { return fake.version(); }
  bridge::CheckResult check(const QString& s, const QString& n) const override {
    record(QStringLiteral("check ") + n, s);
    return fake.check(s, n);
  }
  bridge::InputSchema inputs(const QString& s, const QString& n) const override {
    record(QStringLiteral("inputs ") + n, s);
    return fake.inputs(s, n);
  }
  bridge::BuildResult build(const QString& s, const QString& n, const QString& o) const override {
    record(QStringLiteral("build %1 %2").arg(n, o), s);
    return fake.build(s, n, o);
  }
  bridge::BacktestReport backtest(const QString& s, const QString& n,
                                  const std::optional<bridge::Candles>& bars,
                                  const std::optional<bridge::MarketSymbol>& symbol, double balance,
                                  qint64 warmup) const override {
    record(QStringLiteral("backtest ") + n, s);
    if (gateBacktests) {
      started_.release();
      gate_.acquire();
    }
    bridge::BacktestReport report = fake.backtest(s, n, bars, symbol, balance, warmup);
    // The last touch of this object: a run nobody waits for may end after it is gone.
    ++backtestsEnded_;
    return report;
  }
  // Backtests that have left the engine.
  int backtestsEnded() const { return backtestsEnded_; }
  QList<bridge::Token> tokens(const QString& s) const override { return fake.tokens(s); }
  QList<bridge::Completion> completions(const QString& p) const override {
    return fake.completions(p);
  }
  std::optional<bridge::Description> describe(const QString& n) const override {
    return fake.describe(n);
  }

 private:
  void record(const QString& what, const QString& source) const {
    QMutexLocker lock(&mutex_);
    calls_ << Call{what, source};
  }

  mutable QMutex mutex_;
  mutable QList<Call> calls_;
  mutable QSemaphore gate_;
  mutable QSemaphore started_;
  mutable std::atomic<int> backtestsEnded_{0};
};

// The names of the fields a workspace publishes, in order.
class Publications {
 public:
  explicit Publications(Workspace& w) {
    QObject::connect(&w, &Workspace::changed, &context_,
                     [this](Workspace::Field f) { names_ << Workspace::fieldName(f); });
  }
  QStringList take() { return std::exchange(names_, {}); }
  const QStringList& names() const { return names_; }

 private:
  QObject context_;
  QStringList names_;
};

// Turns the event loop for at least `ms`, then until no worker is busy and what the
// last one posted has been delivered. Queued checks, the fake engine's answers and the
// fakes' replies all end within it; a delayed check only when `ms` covers its delay.
inline void settle(int ms = 40) {
  QElapsedTimer clock;
  clock.start();
  int idleRounds = 0;
  while (clock.elapsed() < ms || idleRounds < 2) {
    QTest::qWait(5);
    idleRounds = QThreadPool::globalInstance()->activeThreadCount() == 0 ? idleRounds + 1 : 0;
    if (clock.elapsed() > 30000) break;
  }
}

// The bytes of the file at `path`; empty, with a failure, when it cannot be read.
inline QByteArray bytesOf(const QString& path) {
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
  return f.readAll();
}

inline void put(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
  f.write(bytes);
}

// Waits until `field` is published next; false after a generous time.
inline bool waitFor(Workspace& w, Workspace::Field field, int timeoutMs = 20000) {
  bool seen = false;
  QObject context;
  QObject::connect(&w, &Workspace::changed, &context,
                   [&](Workspace::Field f) { seen = seen || f == field; });
  QElapsedTimer clock;
  clock.start();
  while (!seen && clock.elapsed() < timeoutMs) QTest::qWait(2);
  return seen;
}

// A workspace over fakes.
struct Rig {
  RecordingEngine engine;
  client::FakePlatformClient client;
  FakeDialogs dialogs;
  FakeFileViewer viewer;
  std::unique_ptr<Workspace> workspace;

  Workspace& w() { return *workspace; }

  // Makes the workspace and lets its start-up run.
  Workspace& start() {
    testApp();
    workspace = std::make_unique<Workspace>(engine, client, dialogs, viewer);
    settle();
    return *workspace;
  }
};

}  // namespace

}  // namespace zx::model::testing

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
