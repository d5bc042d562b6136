// The steps of the process entry that come before and around the application object:
// the check for a display, the guard that turns Qt's "no platform plugin" abort into a
// one-line message, and the application-wide settings.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace zx::views {

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

// The names, the version and the desktop file; the "C" numeric locale (the application
// object adopts the environment's); the Fusion style, so every stock widget follows the
// application palette. Needs the application object.
void prepareApplication();

// "zentrixcode: cannot open a window: <reason>"
QString cannotOpenWindow(const QString& reason);

}  // namespace zx::views
