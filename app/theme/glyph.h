// "A kit icon, or a named symbol with its font size and weight": what buttons, rows and
// empty states show before their text.
#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <optional>

#include "theme/icons.h"

class QPainter;

namespace zx::theme {

struct Glyph {
  std::optional<Icon> icon;  // wins over the symbol when both are given
  QString symbol;
  double symbolPx = 0;  // 0: the size and weight the component draws symbols at
  QFont::Weight symbolWeight = QFont::Normal;

  Glyph() = default;
  Glyph(Icon i) : icon(i) {}
  static Glyph ofSymbol(const QString& name, double fontPx = 0,
                        QFont::Weight weight = QFont::Normal) {
    Glyph g;
    g.symbol = name;
    g.symbolPx = fontPx;
    g.symbolWeight = weight;
    return g;
  }

  bool isEmpty() const { return !icon && symbol.isEmpty(); }
  bool operator==(const Glyph&) const = default;
};

// How a component draws each kind of glyph.
struct GlyphStyle {
  qreal iconPx;
  qreal iconWeight;
  double symbolPx;  // used when the glyph gives no size of its own
  QFont::Weight symbolWeight;
};

// Draws `glyph` centred in `slot`; nothing for an empty glyph or an unknown symbol.
void paintGlyph(QPainter& painter, const Glyph& glyph, const QRectF& slot, const GlyphStyle& style,
                const QColor& colour);
// The edge of the square the glyph occupies (0 when empty).
qreal glyphEdge(const Glyph& glyph, const GlyphStyle& style);

}  // namespace zx::theme
