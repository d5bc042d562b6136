#include "theme/stat_figure.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include "theme/fonts.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"
#include "theme/tabular_text.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kPad = Space::lg;
constexpr int kGap = Space::xs;

QFont valueFont(int px) {
  return uiFont(px, QFont::Bold);
}

// The caption wrapped into at most two lines; when a third would start, the second is cut.
QStringList captionLines(const QString& text, qreal width) {
  if (text.isEmpty() || width <= 0) return {};
  QString prepared = text;
  prepared.replace(u'\n', QChar::LineSeparator);
  const QFont& f = theme::font(FontStyle::caption);
  QTextLayout layout(prepared, f);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (lines.size() == 1) {
      // The second line takes the rest of the text, cut to fit when it would wrap again.
      const QString rest = prepared.mid(line.textStart());
      const bool more = line.textStart() + line.textLength() < prepared.size();
      QString shown = rest;
      shown.replace(QChar::LineSeparator, u' ');
      shown = more ? QFontMetricsF(f).elidedText(shown.trimmed(), Qt::ElideRight, width)
                   : shown.trimmed();
      lines << shown;
      break;
    }
    lines << prepared.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines;
}

int captionHeight(int lines) {
  const QFontMetricsF m(theme::font(FontStyle::caption));
  return int(std::ceil(std::max(lines, 1) * m.lineSpacing() - m.leading()));
}

int valueLineHeight() {
  return int(std::ceil(QFontMetricsF(valueFont(StatFigure::kValuePx)).height()));
}

// `value` in `font`, cut with "…" when it is wider than `room`.
QString fitValue(const QString& value, const QFont& font, qreal room) {
  if (tabularWidth(font, value) <= room) return value;
  return QFontMetricsF(font).elidedText(value, Qt::ElideRight, room);
}

}  // namespace

StatFigure::StatFigure(const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), label_(label), value_(value) {
  setAccessibleRole(this, QAccessible::StaticText);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  syncAccessibility();
}

void StatFigure::setLabel(const QString& label) {
  label_ = label;
  syncAccessibility();
  updateGeometry();
  update();
}

void StatFigure::setValue(const QString& value) {
  if (value == value_) return;
  value_ = value;
  syncAccessibility();
  update();
}

void StatFigure::setTone(const PaletteColor& tone) {
  tone_ = tone;
  update();
}

void StatFigure::syncAccessibility() {
  setAccessibleName(label_);
  setAccessibleDescription(value_);
}

int StatFigure::valuePixelSize() const {
  const qreal room = width() - 2 * kPad;
  for (int px = kValuePx; px > kSmallestValuePx; --px) {
    if (tabularWidth(valueFont(px), value_) <= room) return px;
  }
  return kSmallestValuePx;
}

QString StatFigure::shownValue() const {
  return fitValue(value_, valueFont(valuePixelSize()), width() - 2 * kPad);
}

QStringList StatFigure::shownLabelLines() const {
  return captionLines(label_, width() - 2 * kPad);
}

int StatFigure::heightForWidth(int width) const {
  const int lines = int(captionLines(label_, width - 2 * kPad).size());
  return kPad + captionHeight(lines) + kGap + valueLineHeight() + kPad;
}

QSize StatFigure::sizeHint() const {
  const int width = 2 * kPad + int(std::ceil(tabularWidth(valueFont(kValuePx), value_)));
  return {width, heightForWidth(std::max(width, this->width()))};
}

QSize StatFigure::minimumSizeHint() const {
  return {2 * kPad, heightForWidth(this->width())};
}

void StatFigure::resizeEvent(QResizeEvent*) {
  updateGeometry();
}

void StatFigure::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  const QFont& captionFont = theme::font(FontStyle::caption);
  const QFontMetricsF cm(captionFont);
  painter.setFont(captionFont);
  painter.setPen(p.muted);
  const QStringList lines = shownLabelLines();
  qreal y = kPad;
  for (const QString& line : lines) {
    painter.drawText(QPointF(kPad, y + cm.ascent()), line);
    y += cm.lineSpacing();
  }
  const qreal valueTop = kPad + captionHeight(int(lines.size())) + kGap;
  const int px = valuePixelSize();
  const QFont vf = valueFont(px);
  const QFontMetricsF vm(vf);
  const qreal baseline = centredBaseline(vm, valueTop, valueLineHeight());
  painter.setPen(tone_.resolve(p, &Palette::text));
  const QString shown = fitValue(value_, vf, width() - 2 * kPad);  // at the size chosen above
  if (shown == value_) {
    drawTabular(painter, QPointF(kPad, baseline), vf, shown);
  } else {
    painter.setFont(vf);
    painter.drawText(QPointF(kPad, baseline), shown);
  }
}

}  // namespace zx::theme
