#include "shell/process_start.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

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

}  // namespace zx::views
