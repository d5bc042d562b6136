// A line drawing over a 24-unit view box: stroked paths and circles, plus the filled
// shapes the substitute symbols add.
#pragma once

#include <QColor>
#include <QRectF>
#include <QStringView>
#include <vector>

#include "theme/svg_path.h"

class QPainter;

namespace zx::theme {

struct DrawingCircle {
  qreal cx, cy, r;
};

struct LineDrawing {
  std::vector<QStringView> strokes;
  std::vector<DrawingCircle> circles;
  std::vector<QStringView> fills;   // filled odd-even before the strokes, so holes stay open
  std::vector<DrawingCircle> dots;  // filled circles
};

// Draws `drawing` in the view-box square centred in `square`, lines `weight` wide.
void paintDrawing(QPainter& painter, const LineDrawing& drawing, const QRectF& square, qreal weight,
                  const QColor& colour);

}  // namespace zx::theme
