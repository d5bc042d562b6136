// The Journal tab: what the bot logged in the latest backtest, under a header that
// scrolls with the rows. Rows can be selected and their messages copied, one per line.
#pragma once

#include <QPointer>
#include <QWidget>

#include "model/workspace.h"
#include "panels/row_list_view.h"

class QVBoxLayout;

namespace zx::views {

class JournalModel;

class JournalList final : public QWidget {
  Q_OBJECT

 public:
  explicit JournalList(model::Workspace& workspace, QWidget* parent = nullptr);

  // Null while there is nothing to show.
  RowListView* listView() const { return list_; }
  JournalModel* model() const { return model_; }

 public slots:
  // Puts the selected rows' messages on the clipboard.
  void copy();

 private:
  void refresh();

  model::Workspace& workspace_;
  JournalModel* model_;
  QVBoxLayout* layout_;
  QPointer<QWidget> shown_;
  QPointer<RowListView> list_;
};

}  // namespace zx::views
