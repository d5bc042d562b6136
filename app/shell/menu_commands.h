// The menu bar: File, Edit, View, Build and Help with every command and its shortcut.
// No item is ever disabled; each asks the workspace, which decides what to do. Titles
// that change ("Hide Reference", the sign-in item) follow their state at once, so
// shortcuts and screen readers always see the current one.
#pragma once

#include <QList>
#include <QObject>
#include <functional>

#include "bridge/engine_calls.h"
#include "model/workspace.h"
#include "shell/main_window.h"
#include "shell/shell_settings.h"
#include "shell/view_state.h"

class QAction;
class QActionGroup;
class QMenu;

namespace zx::views {

class MenuCommands final : public QObject {
  Q_OBJECT

 public:
  // `runTest` is the window's test action (commit the typed numbers, show the tester,
  // run); the top bar's "Run test" shares it. Every argument must outlive the menus.
  MenuCommands(MainWindow& window, model::Workspace& workspace, ViewState& state,
               ShellSettings& settings, const bridge::EngineCalls& engine,
               std::function<void()> runTest);

  // Appends the editor's find commands to the Edit menu, after a divider.
  void addFindActions(const QList<QAction*>& actions);

  QMenu* fileMenu() const { return file_; }
  QMenu* editMenu() const { return edit_; }
  QMenu* viewMenu() const { return view_; }
  QMenu* buildMenu() const { return build_; }
  QMenu* helpMenu() const { return help_; }
  QAction* referenceAction() const { return reference_; }
  QAction* signInAction() const { return signIn_; }
  QAction* fullScreenAction() const { return fullScreen_; }
  QAction* aboutAction() const { return about_; }

 private:
  void makeFile();
  void makeEdit();
  void makeView();
  void makeBuild();
  void makeHelp();
  void syncReference();
  void syncSignIn();
  void syncAppearance();

  MainWindow& window_;
  model::Workspace& workspace_;
  ViewState& state_;
  ShellSettings& settings_;
  const bridge::EngineCalls& engine_;
  std::function<void()> runTest_;
  QMenu* file_ = nullptr;
  QMenu* edit_ = nullptr;
  QMenu* view_ = nullptr;
  QMenu* build_ = nullptr;
  QMenu* help_ = nullptr;
  QAction* reference_ = nullptr;
  QAction* signIn_ = nullptr;
  QAction* fullScreen_ = nullptr;
  QAction* about_ = nullptr;
  QActionGroup* appearances_ = nullptr;
};

}  // namespace zx::views
