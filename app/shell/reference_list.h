// The scrolling list of the reference pane: section headers and entry rows painted with
// the kit's looks, and the header of the section at the top pinned over the rows that
// scroll under it. Clicks, Space and Return fold a header or choose an entry.
#pragma once

#include <QListView>

#include "bridge/records.h"

namespace zx::views {

class ReferenceRows;

class ReferenceList final : public QListView {
  Q_OBJECT

 public:
  explicit ReferenceList(ReferenceRows* rows, QWidget* parent = nullptr);

  // Where the pinned header is drawn and the section it belongs to; no section (-1) while
  // the section's own header is in view.
  struct Pinned {
    int section = -1;
    QRect rect;
  };
  Pinned pinned() const;
  // Also keeps a row the keyboard reaches out from under the pinned header.
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 signals:
  void toggleRequested(const QString& title);
  void entryChosen(const zx::bridge::Completion& entry);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void updateGeometries() override;
  bool viewportEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void activate(int row);
  void keepPlace();
  void restorePlace();

  ReferenceRows* rows_;
  bool pinnedPressed_ = false;
  int pressedRow_ = -1;
  QString keptKey_;
  bool keptHeader_ = false;
  int keptScroll_ = 0;
};

}  // namespace zx::views
