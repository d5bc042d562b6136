// The executable started as users start it: without a display it says so in one line and
// fails; with one (here offscreen) it keeps running, which shows it found libkelo. And the
// application's entry with a scripted user: a quit during a long backtest ends the process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
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

TEST(AppProcess, QuitDuringALongBacktestEndsTheProcess) {
  enum class Settings { none, regular, fifo, folder };
  const struct {
    const char* name;
    Settings settings;  // what is at the settings file's place before the start
  } rows[] = {
      {"no settings yet", Settings::none},
      {"settings in a regular file", Settings::regular},
      {"a FIFO in place of the settings file", Settings::fifo},
      {"a folder in place of the settings file", Settings::folder},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir home;
    QDir(home.path()).mkpath(QStringLiteral("wexo"));
    const QString file = home.filePath(QStringLiteral("wexo/zentrixcode.conf"));
    switch (row.settings) {
      case Settings::none:
        break;
      case Settings::regular: {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nappearance=dark\n");
        break;
      }
      case Settings::fifo:
        ASSERT_EQ(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        break;
      case Settings::folder:
        ASSERT_TRUE(QDir().mkpath(file));
        break;
    }
    QProcessEnvironment env = baseEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + home.filePath(QStringLiteral("no-bus")));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(ZX_QUIT_DRIVER), {});
    // A guard against a process left running, not a speed limit: the run alone would
    // take an hour.
    const bool ended = process.waitForFinished(120000);
    if (!ended) {
      process.kill();
      process.waitForFinished();
    }
    ASSERT_TRUE(ended);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_EQ(out, "running\nquit\n") << err.toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();

    const QFileInfo after(file);
    switch (row.settings) {
      case Settings::none:
      case Settings::regular: {
        ASSERT_TRUE(after.isFile());
        const QSettings settings(file, QSettings::IniFormat);
        EXPECT_FALSE(settings.value(QStringLiteral("ZentrixCodeMain")).toByteArray().isEmpty())
            << "the frame is written before the process ends";
        if (row.settings == Settings::regular) {
          EXPECT_EQ(settings.value(QStringLiteral("appearance")).toString(), "dark");
        }
        break;
      }
      case Settings::fifo:
        EXPECT_TRUE(after.exists());
        EXPECT_FALSE(after.isFile()) << "left as it was";
        break;
      case Settings::folder:
        EXPECT_TRUE(after.isDir()) << "left as it was";
        break;
    }
  }
}

}  // namespace
