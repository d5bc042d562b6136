#include "theme/control_frame.h"

#include <QPainter>

#include "theme/palette.h"

namespace zx::theme {
namespace {

constexpr qreal kRingOpacity = 0.18;

}  // namespace

void paintControlFrame(QPainter& painter, const QRectF& bounds, qreal radius,
                       const ControlFrame& frame) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(frame.fill);
  painter.drawRoundedRect(bounds, radius, radius);
  painter.setBrush(Qt::NoBrush);
  // A stroke of width w inside the bounds runs along the rectangle inset by w / 2.
  const auto stroke = [&](const QColor& colour, qreal width) {
    if (!colour.isValid() || colour.alpha() == 0) return;
    const qreal inset = width / 2;
    painter.setPen(QPen(colour, width));
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius - inset,
                            radius - inset);
  };
  stroke(frame.border, 1);
  stroke(frame.ring, 3);
  painter.restore();
}

QColor controlBorder(const QColor& border, const QColor& accent, qreal hover, qreal focus) {
  return mixColor(mixColor(border, accent, hover), accent, focus);
}

QColor focusRing(const QColor& accent, qreal focus) {
  return withOpacity(accent, kRingOpacity * focus);
}

}  // namespace zx::theme
