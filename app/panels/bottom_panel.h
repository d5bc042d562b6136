// The panel under the code editor: Problems, Tester and Journal tabs with live counts,
// and on the Tester tab a Run button. The selected tab belongs to the application; the
// panel shows it and reports clicks. Only the selected tab's view exists.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "bridge/records.h"
#include "model/workspace.h"

class QVBoxLayout;

namespace zx::theme {
class KitButton;
class UnderlineTabs;
}  // namespace zx::theme

namespace zx::views {

enum class BottomTab { problems, tester, journal };

class BottomPanel final : public QWidget {
  Q_OBJECT

 public:
  BottomPanel(model::Workspace& workspace, std::function<void(const bridge::Diagnostic&)> onJumpTo,
              QWidget* parent = nullptr);

  BottomTab tab() const { return tab_; }
  // Shows `tab`; emits nothing.
  void setTab(BottomTab tab);

  theme::UnderlineTabs* tabs() const { return tabs_; }
  theme::KitButton* runButton() const { return run_; }
  // The selected tab's view.
  QWidget* view() const { return view_; }

  // "Problems  3" and "Journal  12" (two spaces), or the bare names when there is nothing.
  QString problemsLabel() const;
  QString journalLabel() const;

 signals:
  // A click on a tab.
  void tabChanged(zx::views::BottomTab tab);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void onChanged(model::Workspace::Field field);
  void refreshLabels();
  void refreshRun();
  void showView();

  model::Workspace& workspace_;
  std::function<void(const bridge::Diagnostic&)> onJumpTo_;
  BottomTab tab_ = BottomTab::problems;
  theme::UnderlineTabs* tabs_;
  theme::KitButton* run_;
  QVBoxLayout* layout_;
  QPointer<QWidget> view_;
};

}  // namespace zx::views
