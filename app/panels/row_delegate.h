// Paints one row of the panels' lists (problems, journal, trades) from the model's
// RowSource: its cells in their columns, the hover and selection backgrounds, and for
// tables the header look and a gridline under every row.
#pragma once

#include <QStyledItemDelegate>

#include "panels/row_source.h"

namespace zx::views {

class RowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  // One cell as painted: its frame in the row, its text elided to fit the frame (none for
  // a dot), and its colour.
  struct Cell {
    QRectF frame;
    QString shown;
    Tone tone = Tone::textSecondary;
  };
  // The cells of the row `index` laid out in `rect`; empty for a model that is no
  // RowSource.
  static QList<Cell> layoutCells(const QRect& rect, const QModelIndex& index);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zx::views
