#include "shell/menu_commands.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "shell/about_dialog.h"
#include "theme/focus_home.h"

namespace zx::views {

using Kind = model::SourceFile::Kind;

namespace {

// Calls the slot `name` on the focused widget when it has one; text widgets handle
// their own keys first, so a shortcut never runs twice.
void onFocused(const char* name) {
  QWidget* focused = QApplication::focusWidget();
  if (!focused) return;
  const QByteArray signature = QByteArray(name) + "()";
  if (focused->metaObject()->indexOfSlot(signature.constData()) < 0) return;
  QMetaObject::invokeMethod(focused, name);
}

// Once any command of `menu` has run, the keyboard is the editor's again. Connected after
// the commands themselves, so it runs after each, also after one that opened a dialog.
void returnFocusAfterCommands(QMenu* menu, QWidget* window) {
  for (QAction* action : menu->actions()) {
    if (action->menu()) {
      returnFocusAfterCommands(action->menu(), window);
    } else if (!action->isSeparator()) {
      QObject::connect(action, &QAction::triggered, menu,
                       [window] { theme::returnFocusHome(window); });
    }
  }
}

}  // namespace

MenuCommands::MenuCommands(MainWindow& window, model::Workspace& workspace, ViewState& state,
                           ShellSettings& settings, const bridge::EngineCalls& engine,
                           std::function<void()> runTest)
    : QObject(&window),
      window_(window),
      workspace_(workspace),
      state_(state),
      settings_(settings),
      engine_(engine),
      runTest_(std::move(runTest)) {
  makeFile();
  makeEdit();
  makeView();
  makeBuild();
  makeHelp();
  // The Edit menu's commands act on the focus and leave it where it is.
  for (QMenu* menu : {file_, view_, build_, help_}) returnFocusAfterCommands(menu, &window_);
  connect(&state_, &ViewState::showReferenceChanged, this, &MenuCommands::syncReference);
  connect(&state_, &ViewState::appearanceChanged, this, &MenuCommands::syncAppearance);
  connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
    if (f == model::Workspace::Field::session) syncSignIn();
  });
  connect(&window_, &MainWindow::fullScreenChanged, fullScreen_, &QAction::setChecked);
}

void MenuCommands::makeFile() {
  file_ = window_.menuBar()->addMenu(QStringLiteral("&File"));
  const auto newFile = [this](const char* title, Kind kind, const QKeySequence& keys) {
    QAction* a = file_->addAction(QString::fromUtf8(title), this,
                                  [this, kind] { workspace_.newFile(kind); });
    a->setShortcut(keys);
  };
  newFile("New Bot", Kind::bot, QKeySequence(Qt::CTRL | Qt::Key_N));
  newFile("New Indicator", Kind::indicator, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  newFile("New Library", Kind::library, QKeySequence());
  file_->addSeparator();
  file_->addAction(QStringLiteral("Open\u2026"), this, [this] { workspace_.openFromDisk(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  file_->addSeparator();
  file_
      ->addAction(QStringLiteral("Save"), this,
                  [this] {
                    if (const auto f = workspace_.selected()) workspace_.save(*f);
                  })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  file_
      ->addAction(QStringLiteral("Save As\u2026"), this,
                  [this] {
                    if (const auto f = workspace_.selected()) workspace_.saveAs(*f);
                  })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  file_->addSeparator();
  // QKeySequence::Quit is empty without a desktop theme, so the keys are spelled out.
  // Closing the window asks about unsaved work; closing the last window quits.
  file_->addAction(QStringLiteral("Quit"), &window_, &QWidget::close)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void MenuCommands::makeEdit() {
  edit_ = window_.menuBar()->addMenu(QStringLiteral("&Edit"));
  const auto add = [this](const char* title, const char* slot, const QKeySequence& keys) {
    edit_->addAction(QString::fromUtf8(title), this, [slot] { onFocused(slot); })
        ->setShortcut(keys);
  };
  add("Undo", "undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
  add("Redo", "redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  edit_->addSeparator();
  add("Cut", "cut", QKeySequence(Qt::CTRL | Qt::Key_X));
  add("Copy", "copy", QKeySequence(Qt::CTRL | Qt::Key_C));
  add("Paste", "paste", QKeySequence(Qt::CTRL | Qt::Key_V));
  add("Select All", "selectAll", QKeySequence(Qt::CTRL | Qt::Key_A));
}

void MenuCommands::addFindActions(const QList<QAction*>& actions) {
  if (actions.isEmpty()) return;
  edit_->addSeparator();
  edit_->addActions(actions);
}

void MenuCommands::makeView() {
  view_ = window_.menuBar()->addMenu(QStringLiteral("&View"));
  reference_ = view_->addAction(QString(), this,
                                [this] { state_.setShowReference(!state_.showReference()); });
  reference_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0));
  syncReference();
  view_->addSeparator();
  QMenu* appearance = view_->addMenu(QStringLiteral("Appearance"));
  appearances_ = new QActionGroup(this);
  appearances_->setExclusive(true);
  for (Appearance a : kAllAppearances) {
    QAction* item = appearance->addAction(menuLabel(a), this, [this, a] {
      settings_.setAppearance(a);
      state_.setAppearance(a);
    });
    item->setCheckable(true);
    item->setData(rawValue(a));
    appearances_->addAction(item);
  }
  syncAppearance();
  view_->addSeparator();
  fullScreen_ = view_->addAction(QStringLiteral("Full Screen"));
  fullScreen_->setCheckable(true);
  fullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
  connect(fullScreen_, &QAction::triggered, this, [this](bool on) { window_.setFullScreen(on); });
}

void MenuCommands::makeBuild() {
  build_ = window_.menuBar()->addMenu(QStringLiteral("&Build"));
  build_->addAction(QStringLiteral("Build Bundle\u2026"), this, [this] { workspace_.build(true); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
  build_->addAction(QStringLiteral("Show Last Build in File Manager"), this,
                    [this] { workspace_.revealLastBuild(); });
  build_->addAction(QStringLiteral("Run Backtest"), this, [this] { runTest_(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  build_->addSeparator();
  build_->addAction(QStringLiteral("Check Now"), this, [this] { workspace_.runCheck(true); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
  build_->addSeparator();
  signIn_ = build_->addAction(QString(), this, [this] {
    if (workspace_.session()) {
      workspace_.signOut();
    } else {
      workspace_.setWantsSignIn(true);
    }
  });
  syncSignIn();
}

void MenuCommands::makeHelp() {
  help_ = window_.menuBar()->addMenu(QStringLiteral("&Help"));
  help_->addAction(QStringLiteral("Kelo Reference"), this,
                   [this] { state_.setShowReference(true); });
  help_->addSeparator();
  about_ = help_->addAction(QStringLiteral("About Zentrix Code"), this,
                            [this] { AboutDialog::present(&window_, engine_); });
}

void MenuCommands::syncReference() {
  reference_->setText(state_.showReference() ? QStringLiteral("Hide Reference")
                                             : QStringLiteral("Show Reference"));
}

void MenuCommands::syncSignIn() {
  signIn_->setText(workspace_.session() ? QStringLiteral("Sign out of Zentrix")
                                        : QStringLiteral("Sign in to Zentrix\u2026"));
}

void MenuCommands::syncAppearance() {
  const QString current = rawValue(state_.appearance());
  for (QAction* item : appearances_->actions()) item->setChecked(item->data() == current);
}

}  // namespace zx::views
