// Our line drawings for the named system symbols the views show.
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QStringList>
#include <QStringView>

#include "theme/line_drawing.h"

class QPainter;

namespace zx::theme {

// What a symbol drawn "with the system font of size f and weight w" becomes: a square of
// edge f + 3 and a stroke that grows with the weight.
struct SymbolMetrics {
  qreal edge;
  qreal stroke;
};
SymbolMetrics symbolMetrics(double fontPx, QFont::Weight weight);

// Null for a name we have no drawing for.
const LineDrawing* symbolDrawing(QStringView name);
QStringList symbolNames();

// Draws the symbol centred in `slot`. An unknown name draws nothing and returns false.
bool paintSymbol(QPainter& painter, QStringView name, const QRectF& slot, double fontPx,
                 QFont::Weight weight, const QColor& colour);

}  // namespace zx::theme
