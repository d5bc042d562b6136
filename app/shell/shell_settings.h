// The shell's remembered settings: the appearance, the two column widths and the
// window's frame, kept in the application's QSettings.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

#include "shell/appearance.h"

namespace zx::views {

// Where QSettings keeps the application's settings by default: the user's configuration
// folder, then "<organisation>/<application>.conf". Needs the application's names set.
QString settingsFilePath();

// The settings kept in the file at `path`, read and written only while it is a regular
// file or not there yet. Anything else in its place (a FIFO, whose reading would block the
// start for ever; a folder; a device) is left alone, and the settings start from their
// defaults and live in memory only.
std::unique_ptr<QSettings> openSettingsFile(const QString& path);

class ShellSettings {
 public:
  static constexpr double kSidebarWidth = 240;
  static constexpr double kReferenceWidth = 300;
  // The largest width a widget can take.
  static constexpr double kMaxWidth = 16777215;

  static QString appearanceKey() { return QStringLiteral("appearance"); }
  static QString sidebarWidthKey() { return QStringLiteral("sidebarWidth"); }
  static QString referenceWidthKey() { return QStringLiteral("referenceWidth"); }
  static QString frameKey() { return QStringLiteral("ZentrixCodeMain"); }

  // `settings` must outlive this object.
  explicit ShellSettings(QSettings& settings) : settings_(settings) {}

  // Unreadable values read as `system` and stay stored until the next pick.
  Appearance appearance() const;
  // Whether the stored value is one of the three names (or absent).
  bool appearanceReadable() const;
  void setAppearance(Appearance appearance);

  double sidebarWidth() const;
  void setSidebarWidth(double width);
  double referenceWidth() const;
  void setReferenceWidth(double width);

  // saveGeometry() bytes; empty when none is stored.
  QByteArray frame() const;
  void setFrame(const QByteArray& frame);

  // A stored width: `fallback` when absent, not a number, not finite, or outside
  // 0..kMaxWidth; any other value as stored.
  static double width(const QVariant& stored, double fallback);

 private:
  QSettings& settings_;
};

}  // namespace zx::views
