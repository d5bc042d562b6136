#include "panels/row_list_view.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>

#include "panels/row_delegate.h"
#include "panels/view_look.h"

namespace zx::views {

RowListView::RowListView(QWidget* parent) : QListView(parent) {
  setItemDelegate(new RowDelegate(this));
  setFrameShape(QFrame::NoFrame);
  setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_Hover);
  setVerticalScrollMode(ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionMode(NoSelection);
  setEditTriggers(NoEditTriggers);
  setUniformItemSizes(false);
  setAutoFillBackground(true);
  syncPalette();
}

void RowListView::keyPressEvent(QKeyEvent* event) {
  if (copyable_ && event->matches(QKeySequence::Copy)) {
    emit copyRequested();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      currentIndex().isValid()) {
    emit rowEntered(currentIndex());
    return;
  }
  const QModelIndex before = currentIndex();
  QListView::keyPressEvent(event);
  if (currentIndex() != before) {
    keyboardCurrent_ = true;
    viewport()->update();
  }
}

void RowListView::focusInEvent(QFocusEvent* event) {
  QListView::focusInEvent(event);
  if (event->reason() == Qt::MouseFocusReason) keyboardCurrent_ = false;
  const bool byTab =
      event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  if (!marksOnTab_ || !byTab || !model()) return;
  if (!currentIndex().isValid()) {
    // The first row the keys can reach: a table's header is not one.
    const QModelIndex first = moveCursor(MoveHome, Qt::NoModifier);
    if (!first.isValid()) return;
    setCurrentIndex(first);
  }
  // The wheel may have left the row the keyboard now marks out of view; Qt's own focus-in
  // makes a row current without scrolling.
  scrollTo(currentIndex());
  keyboardCurrent_ = true;
  viewport()->update();
}

void RowListView::mousePressEvent(QMouseEvent* event) {
  keyboardCurrent_ = false;
  QListView::mousePressEvent(event);
}

bool RowListView::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
    syncPalette();
  } else if (copyable_ && event->type() == QEvent::ShortcutOverride &&
             static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    event->accept();
    return true;
  }
  return QListView::event(event);
}

void RowListView::contextMenuEvent(QContextMenuEvent* event) {
  if (!copyable_) return QListView::contextMenuEvent(event);
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("Copy"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(!selectionModel()->selectedIndexes().isEmpty());
  if (menu.exec(event->globalPos()) == copy) emit copyRequested();
}

void RowListView::syncPalette() {
  // The viewport and the margins around it show the panel; scroll bars follow the palette.
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPalette q = theme::qtPalette(palette);
  q.setColor(QPalette::Base, palette.panel);
  q.setColor(QPalette::Window, palette.panel);
  setPalette(q);
}

}  // namespace zx::views
