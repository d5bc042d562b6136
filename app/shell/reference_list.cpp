#include "shell/reference_list.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "shell/group_header.h"
#include "shell/reference_rows.h"
#include "theme/palette_scope.h"
#include "theme/sidebar_row.h"
#include "theme/tokens.h"

namespace zx::views {
namespace {

constexpr int kBottomPadding = theme::Space::xl;
constexpr double kRowSymbolPx = 11;

theme::SidebarRowLook entryLook(const QModelIndex& index, const QStyle::State state) {
  theme::SidebarRowLook look;
  look.label = index.data(Qt::DisplayRole).toString();
  look.selected = index.data(ReferenceRows::SelectedRole).toBool();
  look.hovering = state & QStyle::State_MouseOver;
  look.focused = state & QStyle::State_HasFocus;
  look.leading = theme::Glyph::ofSymbol(index.data(ReferenceRows::SymbolRole).toString(),
                                        kRowSymbolPx, QFont::Medium);
  return look;
}

GroupHeaderLook headerLook(const QModelIndex& index) {
  return {index.data(Qt::DisplayRole).toString(), index.data(ReferenceRows::CountRole).toInt(),
          index.data(ReferenceRows::CollapsedRole).toBool(), false};
}

class ReferenceDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const theme::Palette& palette = theme::PaletteScope::of(option.widget);
    if (index.data(ReferenceRows::IsHeaderRole).toBool()) {
      GroupHeaderLook look = headerLook(index);
      look.focused = option.state & QStyle::State_HasFocus;
      paintGroupHeader(*painter, option.rect, look, palette);
    } else {
      theme::paintSidebarRow(*painter, option.rect, entryLook(index, option.state), palette);
    }
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    // Narrow, so rows take the viewport's width and never scroll sideways.
    return {1, index.data(ReferenceRows::IsHeaderRole).toBool() ? kGroupHeaderHeight
                                                                : theme::Size::sidebarRow};
  }

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override {
    if (event->type() != QEvent::ToolTip) return false;
    // Only a cut name needs its tooltip.
    if (!index.data(ReferenceRows::IsHeaderRole).toBool() &&
        theme::sidebarRowLabelIsCut(option.rect.width(), entryLook(index, {}))) {
      QToolTip::showText(event->globalPos(), index.data(Qt::DisplayRole).toString(), view);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
};

}  // namespace

ReferenceList::ReferenceList(ReferenceRows* rows, QWidget* parent)
    : QListView(parent), rows_(rows) {
  setModel(rows_);
  setItemDelegate(new ReferenceDelegate(this));
  setFrameShape(QFrame::NoFrame);
  setSelectionMode(QAbstractItemView::NoSelection);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_Hover);
  viewport()->setAutoFillBackground(false);
  setAccessibleName(QStringLiteral("Standard library"));

  // A fold or a choice rebuilds the rows: keep the keyboard's place and the scroll.
  connect(rows_, &QAbstractItemModel::modelAboutToBeReset, this, &ReferenceList::keepPlace);
  connect(rows_, &QAbstractItemModel::modelReset, this, &ReferenceList::restorePlace);
}

void ReferenceList::keepPlace() {
  const QModelIndex current = currentIndex();
  keptKey_ = current.isValid() ? current.data(Qt::DisplayRole).toString() : QString();
  keptHeader_ = current.isValid() && current.data(ReferenceRows::IsHeaderRole).toBool();
  keptScroll_ = verticalScrollBar()->value();
}

void ReferenceList::restorePlace() {
  doItemsLayout();
  verticalScrollBar()->setValue(keptScroll_);
  if (keptKey_.isEmpty()) return;
  const int row = keptHeader_ ? rows_->findHeader(keptKey_) : rows_->findEntry(keptKey_);
  if (row >= 0) {
    selectionModel()->setCurrentIndex(rows_->index(row), QItemSelectionModel::NoUpdate);
  }
}

ReferenceList::Pinned ReferenceList::pinned() const {
  const QModelIndex top = indexAt(QPoint(1, 0));
  if (!top.isValid()) return {};
  const int section = rows_->row(top.row()).section;
  const QRect own = visualRect(rows_->index(rows_->headerRow(section)));
  if (own.top() >= 0) return {};
  int y = 0;
  const int next = rows_->headerRow(section + 1);
  if (next >= 0) y = std::min(0, visualRect(rows_->index(next)).top() - kGroupHeaderHeight);
  return {section, QRect(0, y, viewport()->width(), kGroupHeaderHeight)};
}

void ReferenceList::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), theme::PaletteScope::of(this).surfaceSunken);
  }
  QListView::paintEvent(event);
  const Pinned pin = pinned();
  if (pin.section < 0) return;
  QPainter painter(viewport());
  paintGroupHeader(painter, pin.rect, headerLook(rows_->index(rows_->headerRow(pin.section))),
                   theme::PaletteScope::of(this));
}

void ReferenceList::scrollContentsBy(int dx, int dy) {
  QListView::scrollContentsBy(dx, dy);
  // The pinned header stays put while the rows move: a blit would smear it.
  viewport()->update();
}

void ReferenceList::scrollTo(const QModelIndex& index, ScrollHint hint) {
  QListView::scrollTo(index, hint);
  if (!index.isValid() || hint != EnsureVisible) return;
  // A row the keyboard reaches must not end up under the pinned header.
  const Pinned pin = pinned();
  const QRect r = visualRect(index);
  if (pin.section < 0 || r.top() >= pin.rect.bottom() + 1 || r.bottom() < pin.rect.top()) return;
  if (index.row() == rows_->headerRow(pin.section)) return;
  verticalScrollBar()->setValue(verticalScrollBar()->value() - (pin.rect.bottom() + 1 - r.top()));
}

void ReferenceList::updateGeometries() {
  // The room below the last row is part of the content, so that the range the list sets
  // and the scroll bar it shows or hides from that range count it already: widening the
  // range afterwards shows a bar the list has just hidden, which narrows the viewport and
  // lays out again, without end. An emptied list would keep the height of its former rows.
  const int rows = model()->rowCount();
  const int content =
      rows > 0 ? rectForIndex(model()->index(rows - 1, 0)).bottom() + 1 + kBottomPadding : 0;
  resizeContents(contentsSize().width(), content);
  QListView::updateGeometries();
}

void ReferenceList::mousePressEvent(QMouseEvent* event) {
  pinnedPressed_ = false;
  pressedRow_ = -1;
  if (event->button() != Qt::LeftButton) return QListView::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  const Pinned pin = pinned();
  if (pin.section >= 0 && pin.rect.contains(at)) {
    pinnedPressed_ = true;
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  QListView::mousePressEvent(event);
  const QModelIndex index = indexAt(at);
  pressedRow_ = index.isValid() ? index.row() : -1;
}

void ReferenceList::mouseDoubleClickEvent(QMouseEvent* event) {
  // Each click of a double click counts, as a second tap would.
  mousePressEvent(event);
}

void ReferenceList::mouseMoveEvent(QMouseEvent* event) {
  if (pinnedPressed_) return event->accept();
  QListView::mouseMoveEvent(event);
}

void ReferenceList::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (pinnedPressed_) {
    pinnedPressed_ = false;
    const Pinned pin = pinned();
    if (pin.section >= 0 && pin.rect.contains(at)) {
      const int header = rows_->headerRow(pin.section);
      selectionModel()->setCurrentIndex(rows_->index(header), QItemSelectionModel::NoUpdate);
      activate(header);
      // The folded header comes back into view at the top.
      const int again = rows_->headerRow(pin.section);
      if (again >= 0) QListView::scrollTo(rows_->index(again), PositionAtTop);
    }
    return event->accept();
  }
  QListView::mouseReleaseEvent(event);
  const int pressed = std::exchange(pressedRow_, -1);
  const QModelIndex index = indexAt(at);
  if (event->button() == Qt::LeftButton && index.isValid() && index.row() == pressed) {
    activate(pressed);
  }
}

void ReferenceList::keyPressEvent(QKeyEvent* event) {
  const bool activates = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                         event->key() == Qt::Key_Enter;
  if (activates && event->modifiers() == Qt::NoModifier && currentIndex().isValid()) {
    activate(currentIndex().row());
    return event->accept();
  }
  QListView::keyPressEvent(event);
}

bool ReferenceList::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const Pinned pin = pinned();
    if (pin.section >= 0 && pin.rect.contains(static_cast<QHelpEvent*>(event)->pos())) {
      QToolTip::hideText();
      return true;
    }
  }
  return QListView::viewportEvent(event);
}

void ReferenceList::activate(int row) {
  if (row < 0 || row >= rows_->size()) return;
  const ReferenceRows::Row& r = rows_->row(row);
  if (r.header) {
    emit toggleRequested(r.title);
  } else {
    emit entryChosen(r.entry);
  }
}

}  // namespace zx::views
