#include "theme/line_drawing.h"

#include <QPainter>
#include <QPainterPath>

namespace zx::theme {
namespace {

constexpr qreal kViewBox = 24;

QRectF circleRect(const DrawingCircle& c, const QPointF& origin, qreal scale) {
  const QPointF centre = origin + QPointF(c.cx, c.cy) * scale;
  const qreal r = c.r * scale;
  return {centre.x() - r, centre.y() - r, 2 * r, 2 * r};
}

}  // namespace

void paintDrawing(QPainter& painter, const LineDrawing& drawing, const QRectF& square, qreal weight,
                  const QColor& colour) {
  const qreal scale = std::min(square.width(), square.height()) / kViewBox;
  const QPointF origin(square.x() + (square.width() - kViewBox * scale) / 2,
                       square.y() + (square.height() - kViewBox * scale) / 2);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  if (!drawing.fills.empty() || !drawing.dots.empty()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (QStringView fill : drawing.fills) {
      QPainterPath path = svgPath(fill, square, kViewBox);
      path.setFillRule(Qt::OddEvenFill);
      painter.drawPath(path);
    }
    for (const DrawingCircle& dot : drawing.dots) {
      painter.drawEllipse(circleRect(dot, origin, scale));
    }
  }
  QPen pen(colour, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  pen.setMiterLimit(10);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  for (QStringView stroke : drawing.strokes) {
    painter.drawPath(svgPath(stroke, square, kViewBox));
  }
  for (const DrawingCircle& circle : drawing.circles) {
    painter.drawEllipse(circleRect(circle, origin, scale));
  }
  painter.restore();
}

}  // namespace zx::theme
