// The Problems tab: the latest check's findings, one row each; a click, or Return on
// the current row, hands that finding to the jump callback. "No problems" when empty.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "bridge/records.h"
#include "model/workspace.h"
#include "panels/row_list_view.h"

class QVBoxLayout;

namespace zx::views {

class ProblemsModel;

class ProblemsList final : public QWidget {
  Q_OBJECT

 public:
  ProblemsList(model::Workspace& workspace, std::function<void(const bridge::Diagnostic&)> onJumpTo,
               QWidget* parent = nullptr);

  // Null while the list is empty.
  RowListView* listView() const { return list_; }
  ProblemsModel* model() const { return model_; }

 private:
  void refresh();
  void jump(const QModelIndex& index);

  model::Workspace& workspace_;
  std::function<void(const bridge::Diagnostic&)> onJumpTo_;
  ProblemsModel* model_;
  QVBoxLayout* layout_;
  QPointer<QWidget> shown_;
  QPointer<RowListView> list_;
};

}  // namespace zx::views
