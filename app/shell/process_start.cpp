#include "shell/process_start.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "panels/application_setup.h"
#include "shell/zentrix_code_app.h"

namespace zx::views {

namespace {

QtMessageHandler previousHandler = nullptr;
QString lastPlatformWarning;

void platformFailureHandler(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
  const bool platform = context.category && QByteArray(context.category).startsWith("qt.qpa");
  if (type == QtFatalMsg && message.contains(QLatin1String("platform plugin"))) {
    // Qt's own text ends in advice to reinstall, which is wrong here: the display is.
    const QString reason = lastPlatformWarning.isEmpty()
                               ? QStringLiteral("no Qt platform plugin could be initialized")
                               : lastPlatformWarning;
    std::fprintf(stderr, "%s\n", cannotOpenWindow(reason).toLocal8Bit().constData());
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (type == QtWarningMsg || type == QtCriticalMsg) lastPlatformWarning = message;
  // Platform messages are held back: a warning becomes the reason if the start fails, and
  // the rest would only say the same at more length.
  if (platform) return;
  if (previousHandler) {
    previousHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n",
                 qFormatLogMessage(type, context, message).toLocal8Bit().constData());
  }
}

}  // namespace

std::optional<QString> noDisplayMessage(const std::function<QByteArray(const char*)>& env) {
  const auto read = [&](const char* name) { return env ? env(name) : qgetenv(name); };
  if (!read("QT_QPA_PLATFORM").isEmpty() || !read("DISPLAY").isEmpty() ||
      !read("WAYLAND_DISPLAY").isEmpty()) {
    return std::nullopt;
  }
  return cannotOpenWindow(
      QStringLiteral("no display is set (DISPLAY and WAYLAND_DISPLAY are empty). Start it from a "
                     "desktop session."));
}

QString cannotOpenWindow(const QString& reason) {
  return QStringLiteral("zentrixcode: cannot open a window: ") + reason;
}

PlatformFailureGuard::PlatformFailureGuard() {
  lastPlatformWarning.clear();
  previousHandler = qInstallMessageHandler(platformFailureHandler);
}

PlatformFailureGuard::~PlatformFailureGuard() {
  qInstallMessageHandler(previousHandler);
  previousHandler = nullptr;
  lastPlatformWarning.clear();
}

int runApplication(int argc, char** argv, const std::function<void(ZentrixCodeApp&)>& started) {
  if (const std::optional<QString> problem = noDisplayMessage()) {
    std::fprintf(stderr, "%s\n", problem->toLocal8Bit().constData());
    return 1;
  }
  std::optional<QApplication> application;
  {
    PlatformFailureGuard guard;
    application.emplace(argc, argv);
  }
  prepareApplication();
  std::unique_ptr<ZentrixCodeApp> app = ZentrixCodeApp::production();
  app->show();
  if (started) started(*app);
  const int status = application->exec();

  // The engine cannot be interrupted, and waiting for a long run would keep a process
  // without a window alive. Its result is dropped; the settings and the rest still end as
  // usual, and only the static destructors, which would pull the engine from under the
  // run, are skipped.
  const bool abandoned = app->workspace().abandonBacktest();
  app.reset();
  application.reset();
  if (abandoned) {
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}

}  // namespace zx::views
