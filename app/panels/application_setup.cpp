#include "panels/application_setup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStyleFactory>
#include <clocale>

namespace zx::views {

void prepareApplication() {
  QCoreApplication::setOrganizationName(QStringLiteral("wexo"));
  QCoreApplication::setApplicationName(QStringLiteral("zentrixcode"));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("Zentrix Code"));
  QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.wexo.zentrix.code"));
  // Number texts never depend on the locale here, but libraries' printf-style ones do.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

}  // namespace zx::views
