// The editor column: a header with the selected file's name, kind and line count, and
// under it the code editor bound to that file, or an empty state when none is selected.
//
// The pane is the only writer of the selected file's text and of the caret position
// into the workspace. It keeps one editor for its whole life.
#pragma once

#include <QUuid>
#include <QWidget>
#include <optional>

#include "bridge/engine_calls.h"

class QStackedLayout;

namespace zx::model {
class Workspace;
}

namespace zx::editor {
class KeloEditor;
}

namespace zx::theme {
class EmptyState;
class KitLabel;
class PanelHeader;
class StatusPill;
}  // namespace zx::theme

namespace zx::views {

class EditorPane : public QWidget {
  Q_OBJECT

 public:
  // `workspace` and `engine` must outlive the pane.
  EditorPane(model::Workspace& workspace, const bridge::EngineCalls& engine,
             QWidget* parent = nullptr);

  // For the shell: find actions for the Edit menu, and the jump to a problem.
  editor::KeloEditor* editor() const { return editor_; }

  theme::PanelHeader* header() const { return header_; }
  theme::StatusPill* kindPill() const { return kindPill_; }
  theme::KitLabel* lineCountLabel() const { return lineCount_; }
  theme::EmptyState* emptyState() const { return emptyState_; }

  // "1 line" for exactly one, else "N lines": the "\n" count plus one.
  static QString lineCountText(const QString& text);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void showSelection();
  void applyLook();

  model::Workspace& workspace_;
  theme::PanelHeader* header_;
  theme::StatusPill* kindPill_;
  theme::KitLabel* lineCount_;
  QStackedLayout* stack_;
  editor::KeloEditor* editor_;
  theme::EmptyState* emptyState_;
  std::optional<QUuid> shownFile_;
};

}  // namespace zx::views
