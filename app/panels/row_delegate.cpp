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

// A cell's text on one line, whatever it holds: the text engine breaks a row at a line or
// paragraph separator even when told to draw one line. A quoted one, as a message names a
// stray character, shows by its code so the user can find it; any other as a space, as
// the text engine draws "\n".
QString oneLine(QString text) {
  const struct {
    QChar separator;
    QLatin1StringView code;
  } separators[] = {{QChar::LineSeparator, QLatin1StringView("'U+2028'")},
                    {QChar::ParagraphSeparator, QLatin1StringView("'U+2029'")}};
  for (const auto& s : separators) {
    if (!text.contains(s.separator)) continue;
    text.replace(u'\'' + QString(s.separator) + u'\'', s.code);
    text.replace(s.separator, u' ');
  }
  return text;
}

const QFont& fontOf(const RowColumn& column, bool header) {
  return header ? theme::font(theme::FontStyle::micro) : cellFont(column.font);
}

// The cells of model row `row` of `source`, whose columns are `columns`, laid out in `rect`.
QList<RowDelegate::Cell> cellsOf(const RowSource& source, const QList<RowColumn>& columns,
                                 const QRect& rect, int row) {
  const bool table = source.hasHeader();
  const bool header = table && row == 0;
  const int line = table ? row - 1 : row;
  QList<CellText> cells;
  cells.reserve(columns.size());
  for (int c = 0; c < columns.size(); ++c) {
    cells.append(header ? CellText{columns[c].title, Tone::muted} : source.cell(line, c));
    cells.last().text = oneLine(std::move(cells.last().text));
  }

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
        widths[c] = std::max<double>(
            column.width,
            std::ceil(QFontMetricsF(fontOf(column, header)).horizontalAdvance(cells[c].text)));
        break;
      case RowColumn::Width::share:
        ++shares;
        continue;
    }
    taken += widths[c];
  }
  const double share = shares ? std::max(0.0, (right - left - taken) / shares) : 0;

  QList<RowDelegate::Cell> out;
  out.reserve(columns.size());
  for (int c = 0; c < columns.size(); ++c) {
    const RowColumn& column = columns[c];
    if (c > 0) left += column.gapBefore;
    const double width = column.kind == RowColumn::Width::share ? share : widths[c];
    const QRectF frame(left, rect.top(), width, rect.height() - (table ? 1 : 0));
    left += width;
    const bool text = column.kind != RowColumn::Width::dot && width > 0;
    out.append({frame,
                text ? QFontMetricsF(fontOf(column, header))
                           .elidedText(cells[c].text, Qt::ElideRight, width)
                     : QString(),
                cells[c].tone});
  }
  return out;
}

}  // namespace

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const auto* source = dynamic_cast<const RowSource*>(index.model());
  const bool header = source && source->hasHeader() && index.row() == 0;
  return {option.rect.width(), header ? kHeaderRowHeight : kRowHeight};
}

QList<RowDelegate::Cell> RowDelegate::layoutCells(const QRect& rect, const QModelIndex& index) {
  const auto* source = dynamic_cast<const RowSource*>(index.model());
  if (!source) return {};
  return cellsOf(*source, source->rowColumns(), rect, index.row());
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  const auto* source = dynamic_cast<const RowSource*>(index.model());
  if (!source) return;
  const theme::Palette& palette = theme::PaletteScope::of(option.widget);
  const bool table = source->hasHeader();
  const bool header = table && index.row() == 0;
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
  const QList<Cell> cells = cellsOf(*source, columns, rect, index.row());
  for (int c = 0; c < columns.size(); ++c) {
    const RowColumn& column = columns[c];
    const QRectF& frame = cells[c].frame;
    if (column.kind == RowColumn::Width::dot) {
      if (header) continue;
      painter->setRenderHint(QPainter::Antialiasing, true);
      painter->setPen(Qt::NoPen);
      painter->setBrush(toneColour(cells[c].tone, palette));
      const double radius = frame.width() / 2;
      painter->drawEllipse(QPointF(frame.center().x(), rect.top() + rect.height() / 2.0), radius,
                           radius);
      painter->setRenderHint(QPainter::Antialiasing, false);
      continue;
    }
    if (cells[c].shown.isEmpty()) continue;
    painter->setFont(fontOf(column, header));
    painter->setPen(toneColour(cells[c].tone, palette));
    painter->drawText(frame, int(column.align | Qt::AlignVCenter) | Qt::TextSingleLine,
                      cells[c].shown);
  }

  if (table)
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), palette.gridline);
  painter->restore();
}

}  // namespace zx::views
