// The system appearance against a portal on a private session bus: a fake
// org.freedesktop.portal.Settings served by a second connection of this process, its object
// on a thread of its own so it can answer while the main thread blocks in the first read.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>

#include "theme/system_appearance.h"

namespace zx::theme {
namespace {

constexpr const char* kInner = "ZX_PORTAL_INNER";
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");

QVariant wrap(const QVariant& v) {
  return QVariant::fromValue(QDBusVariant(v));
}

class FakePortal : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

 public:
  enum class Mode { answer, late, silent };
  std::atomic<Mode> mode{Mode::answer};
  std::atomic<int> reads{0};

 public slots:
  void Read(const QString& space, const QString& key, const QDBusMessage& call) {
    ++reads;
    call.setDelayedReply(true);
    if (mode == Mode::silent) return;
    QDBusMessage reply = space == "org.freedesktop.appearance" && key == "color-scheme"
                             ? call.createReply(wrap(wrap(QVariant(1u))))
                             : call.createErrorReply(QDBusError::InvalidArgs, "unknown key");
    if (mode == Mode::answer) {
      QDBusConnection(QStringLiteral("fake")).send(reply);
    } else {
      // Long after the first read has stopped waiting.
      QTimer::singleShot(3000, this,
                         [reply] { QDBusConnection(QStringLiteral("fake")).send(reply); });
    }
  }
};

void emitSetting(const QString& space, const QString& key, const QVariant& value) {
  QDBusMessage signal = QDBusMessage::createSignal(kPath, kInterface, "SettingChanged");
  signal << space << key << wrap(value);
  ASSERT_TRUE(QDBusConnection(QStringLiteral("fake")).send(signal));
}

ColorScheme startAndRead(int* elapsedMs = nullptr) {
  SystemAppearance appearance;
  QElapsedTimer timer;
  timer.start();
  appearance.start();
  if (elapsedMs) *elapsedMs = int(timer.elapsed());
  return appearance.scheme();
}

void insidePrivateBus() {
  int argc = 1;
  char name[] = "system_appearance_live_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());

  // No portal on the bus: the read fails at once and the scheme stays light.
  EXPECT_EQ(startAndRead(), ColorScheme::light);

  QDBusConnection fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake");
  ASSERT_TRUE(fakeBus.isConnected());
  QThread thread;
  auto* portal = new FakePortal;
  portal->moveToThread(&thread);
  QObject::connect(&thread, &QThread::finished, portal, &QObject::deleteLater);
  thread.start();
  bool registered = false;
  QMetaObject::invokeMethod(
      portal,
      [&] {
        registered = fakeBus.registerObject(kPath, portal, QDBusConnection::ExportAllSlots) &&
                     fakeBus.registerService("org.freedesktop.portal.Desktop");
      },
      Qt::BlockingQueuedConnection);
  ASSERT_TRUE(registered);

  // A double-wrapped 1 reads dark by the time start() returns.
  SystemAppearance appearance;
  QSignalSpy spy(&appearance, &SystemAppearance::schemeChanged);
  appearance.start();
  EXPECT_EQ(appearance.scheme(), ColorScheme::dark);
  EXPECT_EQ(portal->reads.load(), 1);
  spy.clear();

  // Other keys are ignored; "prefer light" (2) turns it light, once.
  emitSetting("org.freedesktop.appearance", "accent-color", QVariant(1u));
  emitSetting("org.gnome.desktop.interface", "color-scheme", QVariant(0u));
  emitSetting("org.freedesktop.appearance", "color-scheme", QVariant(2u));
  ASSERT_TRUE(spy.wait(10000));
  ASSERT_EQ(spy.size(), 1);
  EXPECT_EQ(spy[0][0].value<ColorScheme>(), ColorScheme::light);
  EXPECT_EQ(appearance.scheme(), ColorScheme::light);
  emitSetting("org.freedesktop.appearance", "color-scheme", wrap(QVariant(1u)));
  ASSERT_TRUE(spy.wait(10000));
  EXPECT_EQ(appearance.scheme(), ColorScheme::dark);

  // A portal that answers dark only after 3 s: the first read does not wait for it.
  portal->mode = FakePortal::Mode::late;
  int elapsed = 0;
  EXPECT_EQ(startAndRead(&elapsed), ColorScheme::light);
  std::printf("late portal: start() returned after %d ms\n", elapsed);
  // A portal that never answers.
  portal->mode = FakePortal::Mode::silent;
  EXPECT_EQ(startAndRead(&elapsed), ColorScheme::light);
  std::printf("silent portal: start() returned after %d ms\n", elapsed);

  thread.quit();
  thread.wait();
}

void withoutSessionBus() {
  int argc = 1;
  char name[] = "system_appearance_live_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  EXPECT_FALSE(QDBusConnection::sessionBus().isConnected());
  EXPECT_EQ(startAndRead(), ColorScheme::light);
}

// Runs this test binary again with `filter` under `program args...` and `env`.
void runChild(const QString& program, QStringList args, const QString& filter,
              QProcessEnvironment env) {
  int argc = 1;
  char name[] = "system_appearance_live_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  env.insert(kInner, "1");
  QProcess child;
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  args << QCoreApplication::applicationFilePath() << "--gtest_filter=" + filter;
  child.start(program, args);
  ASSERT_TRUE(child.waitForFinished(120000)) << "the child did not finish";
  const QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(SystemAppearanceLive, FollowsAPortalOnAPrivateBus) {
  if (qEnvironmentVariableIsSet(kInner)) return insidePrivateBus();
  const QString session = QStandardPaths::findExecutable("dbus-run-session");
  if (session.isEmpty()) GTEST_SKIP() << "needs dbus-run-session";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  runChild(session, {"--"}, "SystemAppearanceLive.FollowsAPortalOnAPrivateBus", env);
}

TEST(SystemAppearanceLive, NoSessionBusReadsLight) {
  if (qEnvironmentVariableIsSet(kInner)) return withoutSessionBus();
  QTemporaryDir runtime;
  ASSERT_TRUE(runtime.isValid());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.insert("XDG_RUNTIME_DIR", runtime.path());
  runChild(QStringLiteral("/usr/bin/env"), {}, "SystemAppearanceLive.NoSessionBusReadsLight", env);
}

}  // namespace
}  // namespace zx::theme

#include "system_appearance_live_test.moc"
