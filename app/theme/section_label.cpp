#include "theme/section_label.h"

#include <QFontMetricsF>
#include <QPainter>

#include "theme/fonts.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"

namespace zx::theme {
namespace {

constexpr int kLeading = 16, kTrailing = 16, kTop = 16, kBottom = 4;

}  // namespace

QFont sectionLabelFont() {
  QFont f = theme::font(FontStyle::micro);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
  return f;
}

SectionLabel::SectionLabel(const QString& text, QWidget* parent) : QWidget(parent) {
  setAccessibleRole(this, QAccessible::StaticText);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setText(text);
}

void SectionLabel::setText(const QString& text) {
  text_ = text;
  setAccessibleName(shownText());
  updateGeometry();
  update();
}

QSize SectionLabel::sizeHint() const {
  const QFontMetricsF m(sectionLabelFont());
  return {kLeading + int(std::ceil(m.horizontalAdvance(shownText()))) + kTrailing,
          kTop + int(std::ceil(m.height())) + kBottom};
}

QSize SectionLabel::minimumSizeHint() const {
  return {kLeading + kTrailing, sizeHint().height()};
}

void SectionLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFont f = sectionLabelFont();
  const QFontMetricsF m(f);
  painter.setFont(f);
  painter.setPen(PaletteScope::of(this).muted);
  const QString shown = m.elidedText(shownText(), Qt::ElideRight, width() - kLeading - kTrailing);
  painter.drawText(QPointF(kLeading, kTop + m.ascent()), shown);
}

}  // namespace zx::theme
