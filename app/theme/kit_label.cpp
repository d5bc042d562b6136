#include "theme/kit_label.h"

#include <QFontMetricsF>
#include <QPainter>

#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"
#include "theme/tabular_text.h"

namespace zx::theme {

KitLabel::KitLabel(const QString& text, FontStyle style, const PaletteColor& colour,
                   QWidget* parent)
    : QWidget(parent), font_(theme::font(style)), colour_(colour) {
  setAccessibleRole(this, QAccessible::StaticText);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setText(text);
}

void KitLabel::setText(const QString& text) {
  if (text == text_ && !text.isEmpty()) return;
  text_ = text;
  setAccessibleName(text);
  updateGeometry();
  update();
}

void KitLabel::setFont(FontStyle style) {
  setFont(theme::font(style));
}

void KitLabel::setFont(const QFont& font) {
  font_ = font;
  updateGeometry();
  update();
}

void KitLabel::setColour(const PaletteColor& colour) {
  colour_ = colour;
  update();
}

void KitLabel::setElideMode(Qt::TextElideMode mode) {
  elide_ = mode;
  update();
}

void KitLabel::setAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void KitLabel::setTabularDigits(bool on) {
  tabular_ = on;
  updateGeometry();
  update();
}

void KitLabel::setOpacity(qreal opacity) {
  opacity_ = opacity;
  update();
}

qreal KitLabel::textWidth() const {
  return tabular_ ? tabularWidth(font_, text_) : QFontMetricsF(font_).horizontalAdvance(text_);
}

QString KitLabel::shownText() const {
  if (textWidth() <= width()) return text_;
  return QFontMetricsF(font_).elidedText(text_, elide_, width());
}

QSize KitLabel::sizeHint() const {
  return {int(std::ceil(textWidth())), int(std::ceil(QFontMetricsF(font_).height()))};
}

QSize KitLabel::minimumSizeHint() const {
  return {0, int(std::ceil(QFontMetricsF(font_).height()))};
}

void KitLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setOpacity(opacity_);
  painter.setPen(colour_.resolve(PaletteScope::of(this), &Palette::text));
  painter.setFont(font_);
  const QString shown = shownText();
  const QFontMetricsF m(font_);
  const qreal width = tabular_ && shown == text_ ? textWidth() : m.horizontalAdvance(shown);
  qreal x = 0;
  if (alignment_ & Qt::AlignRight) {
    x = this->width() - width;
  } else if (alignment_ & Qt::AlignHCenter) {
    x = (this->width() - width) / 2;
  }
  const qreal baseline = centredBaseline(m, 0, height());
  if (tabular_ && shown == text_) {
    drawTabular(painter, QPointF(x, baseline), font_, shown);
  } else {
    painter.drawText(QPointF(x, baseline), shown);
  }
}

}  // namespace zx::theme
