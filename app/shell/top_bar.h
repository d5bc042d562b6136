// The 60-px bar across the top of the window: the selected file's name, its unsaved dot
// and the check's status pill, then "Build", "Run test" and the reference toggle. Its
// empty parts move the window.
#pragma once

#include <functional>

#include "model/workspace.h"
#include "shell/title_bar_drag_area.h"
#include "shell/view_state.h"
#include "theme/status_pill.h"

namespace zx::theme {
class IconButton;
class KitButton;
class KitLabel;
}  // namespace zx::theme

namespace zx::views {

// The pill for a check: errors hide warnings; "Ready" with neither.
struct PillLook {
  QString text;
  theme::StatusPill::Tone tone;
  bool operator==(const PillLook&) const = default;
};
PillLook pillLook(qint64 errors, qint64 warnings);

class UnsavedDot;

class TopBar final : public TitleBarDragArea {
  Q_OBJECT

 public:
  TopBar(model::Workspace& workspace, ViewState& state, std::function<void()> onBuild,
         std::function<void()> onTest, QWidget* parent = nullptr);

  theme::KitLabel* fileName() const { return name_; }
  theme::StatusPill* pill() const { return pill_; }
  QWidget* unsavedDot() const;
  theme::KitButton* buildButton() const { return build_; }
  theme::KitButton* runTestButton() const { return run_; }
  theme::IconButton* referenceButton() const { return reference_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void refresh();

  model::Workspace& workspace_;
  ViewState& state_;
  QWidget* fileGroup_;
  theme::KitLabel* name_;
  UnsavedDot* dot_;
  theme::StatusPill* pill_;
  theme::KitButton* build_;
  theme::KitButton* run_;
  theme::IconButton* reference_;
};

}  // namespace zx::views
