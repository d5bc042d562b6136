// The executable started as users start it: without a display it says so in one line and
// fails; with one (here offscreen) it keeps running, which shows it found libkelo.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

namespace {

QProcessEnvironment baseEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    env.remove(QString::fromLatin1(name));
  }
  env.insert(QStringLiteral("ZENTRIX_API_BASE"), QStringLiteral("http://127.0.0.1:1"));
  return env;
}

TEST(AppProcess, WithoutADisplayItSaysSoAndFails) {
  const struct {
    const char* name;
    const char* display;  // empty: unset
  } rows[] = {{"no display variables", ""}, {"a display nobody serves", ":4711"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir home;
    QProcessEnvironment env = baseEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    if (*row.display) env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(row.display));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZX_EXECUTABLE), {});
    // A guard against a hang, not a speed limit.
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << err.toStdString();
    EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("zentrixcode: cannot open a window")))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("Reinstalling"))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
  }
}

TEST(AppProcess, OffscreenItKeepsRunning) {
  QTemporaryDir home;
  QProcessEnvironment env = baseEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
             QStringLiteral("unix:path=") + home.filePath(QStringLiteral("no-bus")));
  QProcess process;
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(ZX_EXECUTABLE), {});
  ASSERT_TRUE(process.waitForStarted());
  EXPECT_FALSE(process.waitForFinished(2000))
      << process.exitCode() << " " << process.readAllStandardError().toStdString();
  EXPECT_EQ(process.state(), QProcess::Running);
  process.kill();
  process.waitForFinished();
}

}  // namespace
