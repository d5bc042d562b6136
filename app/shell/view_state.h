// The window-wide view state the menus, the root view, the top bar and the bottom panel
// share: whether the reference pane shows, the bottom panel's tab and the appearance.
// Setters emit only on a real change, so two views kept in step cannot ping-pong.
#pragma once

#include <QObject>

#include "panels/bottom_panel.h"
#include "shell/appearance.h"

namespace zx::views {

class ViewState final : public QObject {
  Q_OBJECT

 public:
  explicit ViewState(Appearance appearance = Appearance::system, QObject* parent = nullptr)
      : QObject(parent), appearance_(appearance) {}

  bool showReference() const { return showReference_; }
  void setShowReference(bool show);

  BottomTab bottomTab() const { return bottomTab_; }
  void setBottomTab(BottomTab tab);

  Appearance appearance() const { return appearance_; }
  void setAppearance(Appearance appearance);

 signals:
  void showReferenceChanged(bool show);
  void bottomTabChanged(zx::views::BottomTab tab);
  void appearanceChanged(zx::views::Appearance appearance);

 private:
  bool showReference_ = true;
  BottomTab bottomTab_ = BottomTab::problems;
  Appearance appearance_;
};

}  // namespace zx::views
