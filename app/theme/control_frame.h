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

}  // namespace zx::theme
