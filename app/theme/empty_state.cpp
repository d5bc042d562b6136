#include "theme/empty_state.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include "theme/fonts.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kPad = Space::xl;
constexpr int kSlotHeight = 16;
constexpr int kRowGap = Space::xs;

// The detail wrapped at `width`: every line, never cut.
QList<QPair<QString, qreal>> wrapDetail(const QString& text, qreal width) {
  QList<QPair<QString, qreal>> lines;
  if (text.isEmpty()) return lines;
  QString prepared = text;
  prepared.replace(u'\n', QChar::LineSeparator);
  QTextLayout layout(prepared, theme::font(FontStyle::caption));
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  qreal y = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(std::max<qreal>(width, 1));
    lines.append({prepared.mid(line.textStart(), line.textLength()), y});
    y += line.height();
  }
  layout.endLayout();
  return lines;
}

int titleRowHeight() {
  return std::max(kSlotHeight,
                  int(std::ceil(QFontMetricsF(theme::font(FontStyle::body)).height())));
}

}  // namespace

EmptyState::EmptyState(const Glyph& glyph, const QString& title, const QString& detail,
                       int glyphWidth, QWidget* parent)
    : QWidget(parent), glyph_(glyph), title_(title), detail_(detail), glyphWidth_(glyphWidth) {
  setAccessibleRole(this, QAccessible::StaticText);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(title_);
  setAccessibleDescription(detail_);
}

QRectF EmptyState::glyphRect() const {
  const qreal top = kPad + (titleRowHeight() - kSlotHeight) / 2.0 + (glyph_.icon ? 0 : 1);
  return {qreal(kPad), top, qreal(glyphWidth_), qreal(kSlotHeight)};
}

int EmptyState::heightForWidth(int width) const {
  const auto lines = wrapDetail(detail_, width - textX() - kPad);
  const qreal detailHeight =
      lines.isEmpty() ? 0
                      : lines.size() * QFontMetricsF(theme::font(FontStyle::caption)).lineSpacing();
  return kPad + titleRowHeight() + kRowGap + int(std::ceil(detailHeight)) + kPad;
}

QSize EmptyState::sizeHint() const {
  const QFontMetricsF tm(theme::font(FontStyle::body));
  const int width = textX() + int(std::ceil(tm.horizontalAdvance(title_))) + kPad;
  return {width, heightForWidth(std::max(width, this->width()))};
}

QSize EmptyState::minimumSizeHint() const {
  return {textX() + kPad, heightForWidth(width())};
}

void EmptyState::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  paintGlyph(painter, glyph_, glyphRect(), kGlyphStyle, p.muted);

  const QFont& tf = theme::font(FontStyle::body);
  const QFontMetricsF tm(tf);
  const int x = textX();
  painter.setFont(tf);
  painter.setPen(p.textSecondary);
  const qreal rowHeight = titleRowHeight();
  const QString title = tm.elidedText(title_, Qt::ElideRight, width() - x - kPad);
  painter.drawText(QPointF(x, centredBaseline(tm, kPad, rowHeight)), title);

  const QFont& df = theme::font(FontStyle::caption);
  const QFontMetricsF dm(df);
  painter.setFont(df);
  painter.setPen(p.muted);
  const qreal top = kPad + rowHeight + kRowGap;
  for (const auto& [line, y] : wrapDetail(detail_, width() - x - kPad)) {
    painter.drawText(QPointF(x, top + y + dm.ascent()), line);
  }
}

}  // namespace zx::theme
