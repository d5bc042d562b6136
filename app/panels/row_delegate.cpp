#include "panels/row_delegate.h"

#include <QFontMetricsF>
#include <QPainter>

#include "panels/row_list_view.h"
#include "panels/view_look.h"

namespace zx::views {

namespace {

constexpr int kPadding = theme::Space::xl;

// The keyboard's current row looks like the pointer's.
bool marksCurrent(const QStyleOptionViewItem& option, const QModelIndex& index) {
  const auto* view = qobject_cast<const RowListView*>(option.widget);
  return view && view->marksCurrent() && view->currentIndex() == index;
}

}  // namespace

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const auto* source = dynamic_cast<const RowSource*>(index.model());
  const bool header = source && source->hasHeader() && index.row() == 0;
  return {option.rect.width(), header ? kHeaderRowHeight : kRowHeight};
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  const auto* source = dynamic_cast<const RowSource*>(index.model());
  if (!source) return;
  const theme::Palette& palette = theme::PaletteScope::of(option.widget);
  const bool table = source->hasHeader();
  const bool header = table && index.row() == 0;
  const int line = table ? index.row() - 1 : index.row();
  const QRect rect = option.rect;

  painter->save();
  if (header) {
    painter->fillRect(rect, palette.surfaceSunken);
  } else if (option.state & QStyle::State_Selected) {
    painter->fillRect(rect, palette.selection);
  } else if ((option.state & QStyle::State_MouseOver) || marksCurrent(option, index)) {
    painter->fillRect(rect, palette.rowHover);
  }

  const QList<RowColumn> columns = source->rowColumns();
  QList<CellText> cells;
  cells.reserve(columns.size());
  for (int c = 0; c < columns.size(); ++c) {
    cells.append(header ? CellText{columns[c].title, Tone::muted} : source->cell(line, c));
  }
  const auto fontOf = [&](const RowColumn& column) -> const QFont& {
    return header ? theme::font(theme::FontStyle::micro) : cellFont(column.font);
  };

  // Fixed, dot and natural columns first; shared ones split what is left.
  double left = rect.left() + kPadding;
  const double right = rect.right() + 1 - kPadding;
  double taken = 0;
  int shares = 0;
  QList<double> widths(columns.size(), 0);
  for (int c = 0; c < columns.size(); ++c) {
    const RowColumn& column = columns[c];
    if (c > 0) taken += column.gapBefore;
    switch (column.kind) {
      case RowColumn::Width::fixed:
      case RowColumn::Width::dot:
        widths[c] = column.width;
        break;
      case RowColumn::Width::natural:
        widths[c] = std::ceil(QFontMetricsF(fontOf(column)).horizontalAdvance(cells[c].text));
        break;
      case RowColumn::Width::share:
        ++shares;
        continue;
    }
    taken += widths[c];
  }
  const double share = shares ? std::max(0.0, (right - left - taken) / shares) : 0;

  for (int c = 0; c < columns.size(); ++c) {
    const RowColumn& column = columns[c];
    if (c > 0) left += column.gapBefore;
    const double width = column.kind == RowColumn::Width::share ? share : widths[c];
    const QRectF cellRect(left, rect.top(), width, rect.height() - (table ? 1 : 0));
    left += width;
    if (column.kind == RowColumn::Width::dot) {
      if (header) continue;
      painter->setRenderHint(QPainter::Antialiasing, true);
      painter->setPen(Qt::NoPen);
      painter->setBrush(toneColour(cells[c].tone, palette));
      const QPointF centre(cellRect.left() + width / 2, rect.top() + rect.height() / 2.0);
      painter->drawEllipse(centre, width / 2, width / 2);
      painter->setRenderHint(QPainter::Antialiasing, false);
      continue;
    }
    if (width <= 0 || cells[c].text.isEmpty()) continue;
    const QFont& font = fontOf(column);
    const QFontMetricsF metrics(font);
    painter->setFont(font);
    painter->setPen(toneColour(cells[c].tone, palette));
    const QString shown = metrics.elidedText(cells[c].text, Qt::ElideRight, width);
    painter->drawText(cellRect, int(column.align | Qt::AlignVCenter) | Qt::TextSingleLine, shown);
  }

  if (table)
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), palette.gridline);
  painter->restore();
}

}  // namespace zx::views
