// Zentrix Code: the window on the Kelo engine and the Zentrix platform.
#include <QApplication>
#include <cstdio>
#include <optional>

#include "panels/application_setup.h"
#include "shell/process_start.h"
#include "shell/zentrix_code_app.h"

int main(int argc, char** argv) {
  if (const std::optional<QString> problem = zx::views::noDisplayMessage()) {
    std::fprintf(stderr, "%s\n", problem->toLocal8Bit().constData());
    return 1;
  }
  std::optional<QApplication> application;
  {
    zx::views::PlatformFailureGuard guard;
    application.emplace(argc, argv);
  }
  zx::views::prepareApplication();
  const std::unique_ptr<zx::views::ZentrixCodeApp> app = zx::views::ZentrixCodeApp::production();
  app->show();
  return application->exec();
}
