// Paints one row of the panels' lists (problems, journal, trades) from the model's
// RowSource: its cells in their columns, the hover and selection backgrounds, and for
// tables the header look and a gridline under every row.
#pragma once

#include <QStyledItemDelegate>

namespace zx::views {

class RowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace zx::views
