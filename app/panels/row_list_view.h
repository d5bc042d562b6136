// The list view under the panels' rows: the shared row delegate, hover from the pointer,
// the panel's background, no frame, Return or Enter reported for the current row, and
// optionally Copy (Ctrl+C and a context menu) for the selected rows.
#pragma once

#include <QListView>

namespace zx::views {

class RowListView : public QListView {
  Q_OBJECT

 public:
  explicit RowListView(QWidget* parent = nullptr);

  // Offers Copy; it wins over a window-wide Copy shortcut while the list has the focus.
  void setCopyable(bool copyable) { copyable_ = copyable; }
  // Empty space above the first row and below the last.
  void setVerticalMargins(int margin) { setViewportMargins(0, margin, 0, margin); }
  // Tab or Shift+Tab into the list makes the first row current, when none is, marks it
  // and scrolls it into view, so the user sees where the keyboard went.
  void setMarksCurrentOnTab(bool marks) { marksOnTab_ = marks; }
  // Whether the current row is marked: only after the keyboard moved it, while focused.
  bool marksCurrent() const { return keyboardCurrent_ && hasFocus(); }

 signals:
  void copyRequested();
  // Return or Enter on the current row.
  void rowEntered(const QModelIndex& index);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void syncPalette();

  bool copyable_ = false;
  bool keyboardCurrent_ = false;
  bool marksOnTab_ = false;
};

}  // namespace zx::views
