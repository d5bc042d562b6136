// The rounded frame shared by the kit's controls: fill, a 1-px border and a 3-px focus ring,
// each inside the bounds, in that order.
#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace zx::theme {

struct ControlFrame {
  QColor fill;
  QColor border;  // invalid or transparent: none
  QColor ring;    // invalid or transparent: none
};

void paintControlFrame(QPainter& painter, const QRectF& bounds, qreal radius,
                       const ControlFrame& frame);

// A plain control's border as the pointer (`hover`) and keyboard focus (`focus`) ease in,
// each from 0 to 1: leaning to the accent with either, the accent itself at full focus.
QColor controlBorder(const QColor& border, const QColor& accent, qreal hover, qreal focus);
// The focus ring as focus eases in: the accent, faint.
QColor focusRing(const QColor& accent, qreal focus);

}  // namespace zx::theme
