// The project sidebar: the "Project" header with its "+" menu, the open documents grouped
// as bots, indicators and libraries, each row with a context menu, and under them, while
// the selected script declares inputs, the inputs panel in a split.
#pragma once

#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include "model/dialogs.h"
#include "model/workspace.h"

class QAbstractButton;
class QMenu;
class QScrollArea;
class QVBoxLayout;

namespace zx::theme {
class SidebarRow;
class VerticalSplit;
}  // namespace zx::theme

namespace zx::views {

class InputsPanel;

class Sidebar final : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kInputsHeight = 240;

  // The rename prompt goes through `dialogs`; both must outlive the sidebar.
  Sidebar(model::Workspace& workspace, model::Dialogs& dialogs, QWidget* parent = nullptr);

  QAbstractButton* newFileButton() const { return plus_; }
  QMenu* newFileMenu() const { return newMenu_; }
  // The rows, top to bottom.
  QList<theme::SidebarRow*> rows() const;
  // Captions and rows, top to bottom.
  QList<QWidget*> entries() const { return listed_; }
  // A fresh context menu for the document `id`, owned by the caller.
  QMenu* makeContextMenu(const QUuid& id, QWidget* parent = nullptr);

  // The panel and its split exist only while the selected script has inputs.
  InputsPanel* inputsPanel() const;
  theme::VerticalSplit* inputsSplit() const;
  double inputsHeight() const { return inputsHeight_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  struct Row {
    QUuid id;
    QString name;
    model::SourceFile::Kind kind;
    theme::SidebarRow* widget = nullptr;
  };

  QWidget* makeFiles();
  void onChanged(model::Workspace::Field field);
  void refreshRows();
  // Makes the widgets of rows_; the row of `focused` takes the focus back.
  void rebuildRows(const QUuid& focused);
  void refreshInputs();
  void selectRow(qsizetype index);
  void showContextMenu(const QUuid& id, const QPoint& global);
  void rename(const QUuid& id);

  model::Workspace& workspace_;
  model::Dialogs& dialogs_;
  QVBoxLayout* layout_;
  QWidget* files_;
  QAbstractButton* plus_;
  QMenu* newMenu_;
  QScrollArea* scroll_;
  QWidget* content_;
  QVBoxLayout* list_;
  QList<QWidget*> listed_;  // captions and rows, in order
  QList<Row> rows_;
  InputsPanel* inputs_;
  QPointer<theme::VerticalSplit> split_;
  double inputsHeight_ = kInputsHeight;
  bool swapping_ = false;  // the files widget is moving in or out of the split
};

}  // namespace zx::views
