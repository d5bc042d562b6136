// A small reader for the command letters of SVG path data, scaled into a rectangle.
#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QStringView>

namespace zx::theme {

// How a single "0" or "1" in an arc's flag positions is read.
enum class ArcFlagReading {
  svg,     // one character is one number and needs no separator ("00-3" is 0, 0, -3)
  literal  // the ordinary number rule ("00" is one number)
};

// The path for `commands` over a square view box of edge `viewBox`, scaled to fit `rect`
// and centred in it. Supports M L H V C A Z (upper case absolute, lower case relative);
// arcs are flattened to 24 segments; anything unreadable is skipped, never an error.
QPainterPath svgPath(QStringView commands, const QRectF& rect, qreal viewBox = 24);
QPainterPath svgPath(QStringView commands, const QRectF& rect, qreal viewBox, ArcFlagReading flags);

}  // namespace zx::theme
