#include "shell/zentrix_code_app.h"

#include "bridge/kelo_calls.h"
#include "client/zentrix_api.h"
#include "editor/kelo_editor.h"
#include "model/desktop_file_viewer.h"
#include "model/qt_dialogs.h"
#include "panels/sign_in_sheet.h"
#include "shell/editor_pane.h"
#include "theme/palette_scope.h"

namespace zx::views {

struct ZentrixCodeApp::Owned {
  model::QtDialogs dialogs;
  model::DesktopFileViewer viewer;
  theme::SystemAppearance appearance;
  std::unique_ptr<QSettings> settings = openSettingsFile(settingsFilePath());
};

ZentrixCodeApp::ZentrixCodeApp(Services services) : ZentrixCodeApp(services, nullptr) {}

ZentrixCodeApp::ZentrixCodeApp(Services services, std::unique_ptr<Owned> owned)
    : owned_(std::move(owned)), services_(services), settings_(services.settings) {
  workspace_ = std::make_unique<model::Workspace>(services_.engine, services_.client,
                                                  services_.dialogs, services_.viewer);
  state_ = std::make_unique<ViewState>(settings_.appearance());
  window_ = std::make_unique<MainWindow>(settings_, *workspace_, services_.dialogs);
  root_ = new RootView(*workspace_, *state_, settings_, events_, services_.engine,
                       services_.dialogs, *window_);
  window_->setCentralWidget(root_);
  menus_ = new MenuCommands(*window_, *workspace_, *state_, settings_, services_.engine,
                            [this] { root_->runTest(); });
  menus_->addFindActions(root_->editorPane()->editor()->findActions());
  presentSignInWhenWanted(window_.get(), *workspace_, services_.client);

  connect(state_.get(), &ViewState::appearanceChanged, this, &ZentrixCodeApp::applyAppearance);
  connect(&services_.appearance, &theme::SystemAppearance::schemeChanged, this,
          &ZentrixCodeApp::applyAppearance);
  applyAppearance();
}

ZentrixCodeApp::~ZentrixCodeApp() {
  // The window's views hold the workspace; they go first.
  window_.reset();
}

std::unique_ptr<ZentrixCodeApp> ZentrixCodeApp::production() {
  // The client reads its address from the environment on first use, after the application
  // object exists and before anything may call it.
  client::PlatformClient& client = client::ZentrixAPI::shared();
  auto owned = std::make_unique<Owned>();
  Services services{bridge::Kelo::engine(), client,          owned->dialogs, owned->viewer,
                    owned->appearance,      *owned->settings};
  std::unique_ptr<ZentrixCodeApp> app(new ZentrixCodeApp(services, std::move(owned)));
  app->owned_->dialogs.setMainWindow(app->window_.get());
  return app;
}

void ZentrixCodeApp::show() {
  window_->show();
}

void ZentrixCodeApp::applyAppearance() {
  const Appearance appearance = state_->appearance();
  if (appearance == Appearance::system && !followingDesktop_) {
    // Only now: a silent portal may hold the first answer back for a moment.
    followingDesktop_ = true;
    services_.appearance.start(250);
  }
  const theme::ColorScheme scheme = effectiveScheme(appearance, services_.appearance.scheme());
  theme::PaletteScope::setForApplication(window_.get(), theme::paletteFor(scheme));
}

}  // namespace zx::views
