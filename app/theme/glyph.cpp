#include "theme/glyph.h"

#include "theme/symbols.h"

namespace zx::theme {
namespace {

double symbolPx(const Glyph& g, const GlyphStyle& s) {
  return g.symbolPx > 0 ? g.symbolPx : s.symbolPx;
}
QFont::Weight symbolWeight(const Glyph& g, const GlyphStyle& s) {
  return g.symbolPx > 0 ? g.symbolWeight : s.symbolWeight;
}

}  // namespace

void paintGlyph(QPainter& painter, const Glyph& glyph, const QRectF& slot, const GlyphStyle& style,
                const QColor& colour) {
  if (glyph.icon) {
    const QRectF square(slot.center() - QPointF(style.iconPx / 2, style.iconPx / 2),
                        QSizeF(style.iconPx, style.iconPx));
    paintIcon(painter, *glyph.icon, square, style.iconWeight, colour);
  } else if (!glyph.symbol.isEmpty()) {
    paintSymbol(painter, glyph.symbol, slot, symbolPx(glyph, style), symbolWeight(glyph, style),
                colour);
  }
}

qreal glyphEdge(const Glyph& glyph, const GlyphStyle& style) {
  if (glyph.icon) return style.iconPx;
  if (glyph.symbol.isEmpty() || !symbolDrawing(glyph.symbol)) return 0;
  return symbolMetrics(symbolPx(glyph, style), symbolWeight(glyph, style)).edge;
}

}  // namespace zx::theme
