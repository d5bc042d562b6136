// The content of the window: the top bar; the sidebar, the editor over the bottom panel
// and, while shown, the reference pane, with dividers between them; the status bar. It
// keeps the bottom panel's height and the two stored column widths, and connects the top
// bar's build and test actions and the problem rows' jump.
#pragma once

#include <QPointer>
#include <QWidget>

#include "bridge/engine_calls.h"
#include "model/dialogs.h"
#include "model/workspace.h"
#include "shell/app_events.h"
#include "shell/main_window.h"
#include "shell/shell_settings.h"
#include "shell/view_state.h"

class QHBoxLayout;
class QVariantAnimation;

namespace zx::theme {
class KitLabel;
class SplitHandle;
class StatusBar;
class StatusItem;
class VerticalSplit;
}  // namespace zx::theme

namespace zx::views {

class BottomPanel;
class EditorPane;
class ReferencePane;
class Sidebar;
class TopBar;

class RootView final : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kBottomHeight = 170;
  // A run that ends with a report grows a lower panel to this height.
  static constexpr double kReportHeight = 400;
  static constexpr int kGrowMs = 180;

  // Every argument must outlive the view; it sets the window's title as the selection
  // changes.
  RootView(model::Workspace& workspace, ViewState& state, ShellSettings& settings,
           AppEvents& events, const bridge::EngineCalls& engine, model::Dialogs& dialogs,
           MainWindow& window, QWidget* parent = nullptr);

  // The top bar's and the menu's test action: commit a typed number, show the tester,
  // then run.
  void runTest();
  // The top bar's build action: always asks where.
  void build();

  TopBar* topBar() const { return topBar_; }
  Sidebar* sidebar() const { return sidebar_; }
  QWidget* sidebarColumn() const { return sidebarColumn_; }
  theme::SplitHandle* sidebarHandle() const { return sidebarHandle_; }
  theme::VerticalSplit* editorSplit() const { return split_; }
  EditorPane* editorPane() const { return editorPane_; }
  BottomPanel* bottomPanel() const { return bottomPanel_; }
  // Null while the pane is hidden.
  ReferencePane* referencePane() const;
  theme::SplitHandle* referenceHandle() const;
  theme::StatusBar* statusBar() const { return statusBar_; }
  // "Kelo", "Ln", "Col", "Checked", "Kind".
  theme::StatusItem* statusItem(const QString& label) const;
  theme::KitLabel* buildMessage() const { return message_; }
  double bottomHeight() const { return bottomHeight_; }

  // The widgets Tab visits, in order: the top bar, the sidebar, the editor, the bottom
  // panel, the reference pane; within each, Qt's own order. Views made later (a new row,
  // another tab's content, the pane shown again) keep their place.
  QList<QWidget*> tabOrder() const;
  // Ctrl+Tab and Ctrl+Shift+Tab: the first Tab stop of the next or previous region that
  // has one, wrapping around.
  void focusRegion(bool next);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  // The top bar, the sidebar, the editor, the bottom panel, the reference pane (null
  // while hidden).
  QList<QWidget*> regions() const;
  QWidget* makeStatusBar();
  void onChanged(model::Workspace::Field field);
  void showReference(bool shown);
  void setBottomHeight(double height);
  void followSelection();
  void testingChanged();
  void refreshTitle();
  void refreshStatus();
  void refreshMessage();

  model::Workspace& workspace_;
  ViewState& state_;
  ShellSettings& settings_;
  AppEvents& events_;
  const bridge::EngineCalls& engine_;
  MainWindow& window_;

  TopBar* topBar_;
  QHBoxLayout* row_;
  QWidget* sidebarColumn_;
  Sidebar* sidebar_;
  theme::SplitHandle* sidebarHandle_;
  theme::VerticalSplit* split_;
  EditorPane* editorPane_;
  BottomPanel* bottomPanel_;
  QPointer<theme::SplitHandle> referenceHandle_;
  QPointer<ReferencePane> referencePane_;
  theme::StatusBar* statusBar_;
  theme::StatusItem* kelo_;
  theme::StatusItem* line_;
  theme::StatusItem* column_;
  theme::StatusItem* checked_;
  theme::StatusItem* kind_;
  theme::KitLabel* message_;

  double bottomHeight_ = kBottomHeight;
  QVariantAnimation* grow_;
  bool wasTesting_ = false;
  bool shownBefore_ = false;
};

}  // namespace zx::views
