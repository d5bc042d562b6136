#include "theme/status_pill.h"

#include <QFontMetricsF>
#include <QPainter>

#include "theme/fonts.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"

namespace zx::theme {
namespace {

constexpr int kPadX = 8, kPadY = 4;

}  // namespace

StatusPill::StatusPill(const QString& text, Tone tone, QWidget* parent)
    : QWidget(parent), tone_(tone) {
  setAccessibleRole(this, QAccessible::StaticText);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setText(text);
}

void StatusPill::setText(const QString& text) {
  text_ = text;
  setAccessibleName(text);
  updateGeometry();
  update();
}

void StatusPill::setTone(Tone tone) {
  tone_ = tone;
  update();
}

QColor StatusPill::foreground(Tone tone, const Palette& p) {
  switch (tone) {
    case Tone::neutral:
      return p.textTertiary;
    case Tone::accent:
      return p.accent;
    case Tone::good:
      return p.buy;
    case Tone::bad:
      return p.sell;
    case Tone::warn:
      return p.warning;
  }
  return p.textTertiary;
}

QColor StatusPill::background(Tone tone, const Palette& p) {
  switch (tone) {
    case Tone::neutral:
      return p.surfaceRaised;
    case Tone::accent:
      return p.selection;
    case Tone::good:
      return withOpacity(p.buy, 0.14);
    case Tone::bad:
      return withOpacity(p.sell, 0.14);
    case Tone::warn:
      return withOpacity(p.warning, 0.18);
  }
  return p.surfaceRaised;
}

QSize StatusPill::sizeHint() const {
  const QFontMetricsF m(theme::font(FontStyle::micro));
  return {int(std::ceil(m.horizontalAdvance(text_))) + 2 * kPadX,
          int(std::ceil(m.height())) + 2 * kPadY};
}

QSize StatusPill::minimumSizeHint() const {
  return sizeHint();
}

void StatusPill::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect();
  painter.setPen(Qt::NoPen);
  painter.setBrush(background(tone_, p));
  painter.drawRoundedRect(r, r.height() / 2, r.height() / 2);
  const QFont f = theme::font(FontStyle::micro);
  const QFontMetricsF m(f);
  painter.setFont(f);
  painter.setPen(foreground(tone_, p));
  const QString shown = m.elidedText(text_, Qt::ElideRight, r.width() - 2 * kPadX);
  painter.drawText(QPointF(kPadX, centredBaseline(m, 0, r.height())), shown);
}

}  // namespace zx::theme
