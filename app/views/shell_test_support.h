// Shared by the shell's widget tests: one offscreen application on a 1920 x 1080 screen,
// a workspace over fakes with settings in a temporary file, the Golden Cross sample's
// input schema, and small helpers to wait and to find widgets.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "model/workspace_test_support.h"
#include "views/process_start.h"
#include "views/shell_settings.h"

namespace zx::views::testing {

namespace {

// An offscreen screen as large as a desktop's, so the default window fits.
[[maybe_unused]] QApplication& shellApp(int width = 1920, int height = 1080) {
  static QApplication* app = [&] {
    const QString config = QDir::temp().filePath(
        QStringLiteral("zx-shell-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile f(config);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(QStringLiteral("{\"screens\":[{\"name\":\"zx\",\"x\":0,\"y\":0,\"width\":%1,"
                             "\"height\":%2,\"logicalDpi\":96,\"logicalBpi\":96,\"dpr\":1}]}")
                  .arg(width)
                  .arg(height)
                  .toUtf8());
      f.close();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    // No desktop portal or keyring: the dead address answers at once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zx-no-bus");
    static int argc = 1;
    static char name[] = "zx_shell_test";
    static char* argv[] = {name, nullptr};
    auto* made = new QApplication(argc, argv);
    prepareApplication();
    return made;
  }();
  return *app;
}

// The inputs the engine reports for the Golden Cross sample.
[[maybe_unused]] bridge::InputSchema sampleSchema() {
  const auto input = [](const char* name, const char* type, const char* group, const char* label,
                        double min, double max) {
    bridge::InputSpec s;
    s.name = QString::fromUtf8(name);
    s.type = QString::fromUtf8(type);
    s.group = QString::fromUtf8(group);
    s.label = QString::fromUtf8(label);
    s.min = min;
    s.max = max;
    return s;
  };
  bridge::InputSchema schema;
  schema.ok = true;
  schema.groups = {{QStringLiteral("signal"), QStringLiteral("Signal"), false},
                   {QStringLiteral("risk"), QStringLiteral("Risk"), false}};
  schema.inputs = {input("fast", "int", "signal", "Fast EMA", 2, 200),
                   input("slow", "int", "signal", "Slow EMA", 5, 400),
                   input("volume", "lots", "risk", "volume", 0.01, 10),
                   input("stopPips", "int", "risk", "Stop loss (pips)", 5, 500),
                   input("takePips", "int", "risk", "Take profit (pips)", 5, 900)};
  return schema;
}

// A workspace over fakes, with the sample checked "ok", and settings in a temporary file.
struct ShellRig {
  QTemporaryDir dir;
  model::testing::RecordingEngine engine;
  client::FakePlatformClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  std::unique_ptr<QSettings> store;
  std::unique_ptr<ShellSettings> settings;
  std::unique_ptr<model::Workspace> workspace;

  ShellRig() {
    shellApp();
    engine.fake.checkReply.ok = true;
    engine.fake.inputsReply = sampleSchema();
    store = std::make_unique<QSettings>(dir.filePath(QStringLiteral("zentrixcode.conf")),
                                        QSettings::IniFormat);
    settings = std::make_unique<ShellSettings>(*store);
  }

  model::Workspace& w() { return *workspace; }

  model::Workspace& start() {
    workspace = std::make_unique<model::Workspace>(engine, client, dialogs, viewer);
    model::testing::settle();
    return *workspace;
  }
};

// Drags `grip` by `delta` in steps, in global coordinates: a grip moves with its line.
[[maybe_unused]] void dragBy(QWidget* grip, QPoint delta, int steps = 3) {
  const QPoint start = grip->mapToGlobal(grip->rect().center());
  QTest::mousePress(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start));
  for (int i = 1; i <= steps; ++i) {
    QTest::mouseMove(grip, grip->mapFromGlobal(start + delta * i / steps));
  }
  QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start + delta));
}

// Waits for `done`, turning the event loop; false after 10 s.
template <class F>
bool waitUntil(F done) {
  return QTest::qWaitFor(done, 10000);
}

}  // namespace

}  // namespace zx::views::testing
