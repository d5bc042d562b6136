// The standard-library reference at the right of the window: a search field, the entries
// in folding sections, and the details of the chosen entry.
//
// Everything it holds dies with it; the shell creates it when the pane is shown and
// deletes it when it is hidden, so each showing starts afresh. It loads the list from the
// engine the first time it is shown (and again after an empty reply).
#pragma once

#include <QWidget>

#include "bridge/engine_calls.h"
#include "shell/reference_state.h"

namespace zx::theme {
class Hairline;
class KitField;
class KitLabel;
class PanelHeader;
}  // namespace zx::theme

namespace zx::views {

class ReferenceDetail;
class ReferenceList;
class ReferenceRows;

class ReferencePane : public QWidget {
  Q_OBJECT

 public:
  // `engine` must outlive the pane.
  explicit ReferencePane(const bridge::EngineCalls& engine, QWidget* parent = nullptr);

  const ReferenceState& state() const { return state_; }

  theme::PanelHeader* header() const { return header_; }
  theme::KitLabel* countLabel() const { return count_; }
  theme::KitField* searchField() const { return search_; }
  ReferenceList* list() const { return list_; }
  ReferenceRows* rows() const { return rows_; }
  ReferenceDetail* detail() const { return detail_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void search(const QString& query);
  void toggle(const QString& title);
  void choose(const bridge::Completion& entry);
  void refresh();

  const bridge::EngineCalls& engine_;
  ReferenceState state_;
  theme::PanelHeader* header_;
  theme::KitLabel* count_;
  theme::KitField* search_;
  ReferenceRows* rows_;
  ReferenceList* list_;
  theme::Hairline* detailLine_;
  ReferenceDetail* detail_;
};

}  // namespace zx::views
