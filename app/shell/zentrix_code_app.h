// The application: the one workspace, the window-wide view state and the one window with
// its menus, built from the services it runs on. `main` passes the real ones through
// production(); tests pass fakes.
#pragma once

#include <QObject>
#include <QSettings>
#include <memory>

#include "bridge/engine_calls.h"
#include "client/platform_client.h"
#include "model/dialogs.h"
#include "model/file_viewer.h"
#include "model/workspace.h"
#include "shell/app_events.h"
#include "shell/main_window.h"
#include "shell/menu_commands.h"
#include "shell/root_view.h"
#include "shell/shell_settings.h"
#include "shell/view_state.h"
#include "theme/system_appearance.h"

namespace zx::views {

class ZentrixCodeApp final : public QObject {
  Q_OBJECT

 public:
  // Every service must outlive the application object.
  struct Services {
    const bridge::EngineCalls& engine;
    client::PlatformClient& client;
    model::Dialogs& dialogs;
    model::FileViewer& viewer;
    theme::SystemAppearance& appearance;
    QSettings& settings;
  };

  explicit ZentrixCodeApp(Services services);
  ~ZentrixCodeApp() override;

  // The application on libkelo, the platform client, Qt's dialogs, the desktop's file
  // manager and appearance, and the settings of "wexo"/"zentrixcode". Needs the
  // application object, its names set.
  static std::unique_ptr<ZentrixCodeApp> production();

  void show();

  model::Workspace& workspace() { return *workspace_; }
  ViewState& viewState() { return *state_; }
  AppEvents& events() { return events_; }
  MainWindow& window() { return *window_; }
  RootView& root() { return *root_; }
  MenuCommands& menus() { return *menus_; }

 private:
  struct Owned;
  ZentrixCodeApp(Services services, std::unique_ptr<Owned> owned);
  void applyAppearance();

  std::unique_ptr<Owned> owned_;  // production's services; destroyed last
  Services services_;
  ShellSettings settings_;
  AppEvents events_;
  std::unique_ptr<model::Workspace> workspace_;
  std::unique_ptr<ViewState> state_;
  std::unique_ptr<MainWindow> window_;
  RootView* root_ = nullptr;
  MenuCommands* menus_ = nullptr;
  bool followingDesktop_ = false;
};

}  // namespace zx::views
