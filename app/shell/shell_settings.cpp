#include "shell/shell_settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>

namespace zx::views {

QString settingsFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
         QCoreApplication::organizationName() + u'/' + QCoreApplication::applicationName() +
         QStringLiteral(".conf");
}

std::unique_ptr<QSettings> openSettingsFile(const QString& path) {
  const QFileInfo file(path);
  // Links are followed: a link to a regular file is one.
  if (file.exists() && !file.isFile()) {
    // Without a file name QSettings reads nothing and writes nowhere.
    return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
  }
  return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

Appearance ShellSettings::appearance() const {
  return storedAppearance(settings_.value(appearanceKey()));
}

bool ShellSettings::appearanceReadable() const {
  const QVariant stored = settings_.value(appearanceKey());
  return !stored.isValid() || appearanceFromRaw(stored).has_value();
}

void ShellSettings::setAppearance(Appearance appearance) {
  settings_.setValue(appearanceKey(), rawValue(appearance));
  settings_.sync();
}

double ShellSettings::sidebarWidth() const {
  return width(settings_.value(sidebarWidthKey()), kSidebarWidth);
}

void ShellSettings::setSidebarWidth(double width) {
  settings_.setValue(sidebarWidthKey(), width);
}

double ShellSettings::referenceWidth() const {
  return width(settings_.value(referenceWidthKey()), kReferenceWidth);
}

void ShellSettings::setReferenceWidth(double width) {
  settings_.setValue(referenceWidthKey(), width);
}

QByteArray ShellSettings::frame() const {
  return settings_.value(frameKey()).toByteArray();
}

void ShellSettings::setFrame(const QByteArray& frame) {
  settings_.setValue(frameKey(), frame);
  settings_.sync();
}

double ShellSettings::width(const QVariant& stored, double fallback) {
  if (!stored.isValid()) return fallback;
  bool ok = false;
  const double value = stored.toDouble(&ok);
  // QSettings reads "nan" and "inf" as numbers; a NaN width would reach the layout.
  if (!ok || !std::isfinite(value) || value < 0 || value > kMaxWidth) return fallback;
  return value;
}

}  // namespace zx::views
