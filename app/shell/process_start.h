// The process entry and the steps that come before and around the application object:
// the check for a display, and the guard that turns Qt's "no platform plugin" abort into
// a one-line message. The application-wide settings are panels/application_setup.h.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace zx::views {

class ZentrixCodeApp;

// The process entry: the display check, the application object, the one window, the event
// loop and the end; returns the exit status. `started`, when given, runs once the window is
// shown (a test's stand-in for the user). A backtest still running when the loop ends is
// not waited for: everything else shuts down as usual, its result is dropped, and the
// process ends at once.
int runApplication(int argc, char** argv,
                   const std::function<void(ZentrixCodeApp&)>& started = nullptr);

// The message when no display can be reached at all: QT_QPA_PLATFORM, DISPLAY and
// WAYLAND_DISPLAY are all empty or unset. `env` reads one variable (qgetenv by default).
std::optional<QString> noDisplayMessage(
    const std::function<QByteArray(const char*)>& env = nullptr);

// While it lives, a failure to load any platform plugin prints "zentrixcode: cannot open
// a window: " with Qt's last platform warning to stderr and ends the process with status
// 1, instead of Qt's abort. Other messages go to the handler that was installed before.
class PlatformFailureGuard {
 public:
  PlatformFailureGuard();
  ~PlatformFailureGuard();
  PlatformFailureGuard(const PlatformFailureGuard&) = delete;
  PlatformFailureGuard& operator=(const PlatformFailureGuard&) = delete;
};

// "zentrixcode: cannot open a window: <reason>"
QString cannotOpenWindow(const QString& reason);

}  // namespace zx::views
