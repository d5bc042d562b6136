#include "theme/symbols.h"

#include <QPainter>
#include <array>

namespace zx::theme {
namespace {

struct SymbolEntry {
  QStringView name;
  LineDrawing drawing;
};

// Flags of arcs are written apart, so either reading of arc flags gives the same path.
const std::array<SymbolEntry, 17>& symbolTable() {
  // clang-format off
  static const std::array<SymbolEntry, 17> table{{
    {u"checkmark", {{u"M5 12.5l4.5 4.5L19 7"}, {}, {}, {}}},
    {u"play.fill", {{u"M7 4.5v15l12.5-7.5z"}, {}, {u"M7 4.5v15l12.5-7.5z"}, {}}},
    {u"hammer", {{u"M4 20l8.5-8.5", u"M9.5 8.5L14 4l6 6-4.5 4.5z"}, {}, {}, {}}},
    {u"sidebar.right", {{u"M5 4h14a2 2 0 0 1 2 2v12a2 2 0 0 1-2 2H5a2 2 0 0 1-2-2V6a2 2 0 0 1 2-2z",
                         u"M15 4v16", u"M17.5 8h1M17.5 11h1"}, {}, {}, {}}},
    {u"person.crop.circle", {{u"M6.3 18.7a7 7 0 0 1 11.4 0"}, {{12, 12, 9.5}, {12, 9.5, 3.2}}, {}, {}}},
    {u"cpu", {{u"M7 7h10v10H7z", u"M10 10h4v4h-4z",
               u"M10 4v3M14 4v3M10 17v3M14 17v3M4 10h3M4 14h3M17 10h3M17 14h3"}, {}, {}, {}}},
    {u"chart.xyaxis.line", {{u"M4 4v16h16", u"M7.5 15.5l3.5-4.5 3 3 5-6.5"}, {}, {}, {}}},
    {u"books.vertical", {{u"M4 5h4v15H4z", u"M9 5h4v15H9z", u"M14.3 6.2l3.9-1 3.8 14.5-3.9 1z"}, {}, {}, {}}},
    {u"text.alignleft", {{u"M4 6h16M4 10h10M4 14h16M4 18h10"}, {}, {}, {}}},
    {u"building.columns", {{u"M3.5 9L12 4l8.5 5z", u"M6 11.5v6M10 11.5v6M14 11.5v6M18 11.5v6",
                            u"M3.5 20h17"}, {}, {}, {}}},
    {u"exclamationmark.triangle.fill", {{u"M12 3.5L2.5 20h19z"}, {},
                                        {u"M12 3.5L2.5 20h19zM11 9h2v5.5h-2zM11 16h2v2h-2z"}, {}}},
    {u"doc.text", {{u"M6 3h8l4 4v14H6z", u"M14 3v4h4", u"M9 12h6M9 15h6M9 18h4"}, {}, {}, {}}},
    {u"square.grid.2x2", {{u"M4 4h7v7H4zM13 4h7v7h-7zM4 13h7v7H4zM13 13h7v7h-7z"}, {}, {}, {}}},
    {u"arrow.turn.down.right", {{u"M6 4v7a3 3 0 0 0 3 3h10", u"M15 10l4 4-4 4"}, {}, {}, {}}},
    {u"function", {{u"M16 4.5a2.5 2.5 0 0 0-3 1.8L11 17.7a2.5 2.5 0 0 1-3 1.8", u"M8.5 10h7"}, {}, {}, {}}},
    {u"smallcircle.filled.circle", {{}, {{12, 12, 9}}, {}, {{12, 12, 3.5}}}},
    {u"chevron.right", {{u"M9 6l6 6-6 6"}, {}, {}, {}}},
  }};
  // clang-format on
  return table;
}

}  // namespace

SymbolMetrics symbolMetrics(double fontPx, QFont::Weight weight) {
  qreal stroke = 1.5;
  if (weight >= QFont::Bold) {
    stroke = 2.1;
  } else if (weight >= QFont::DemiBold) {
    stroke = 1.9;
  } else if (weight >= QFont::Medium) {
    stroke = 1.7;
  }
  return {fontPx + 3, stroke};
}

const LineDrawing* symbolDrawing(QStringView name) {
  for (const SymbolEntry& entry : symbolTable()) {
    if (entry.name == name) return &entry.drawing;
  }
  return nullptr;
}

QStringList symbolNames() {
  QStringList names;
  for (const SymbolEntry& entry : symbolTable()) names << entry.name.toString();
  return names;
}

bool paintSymbol(QPainter& painter, QStringView name, const QRectF& slot, double fontPx,
                 QFont::Weight weight, const QColor& colour) {
  const LineDrawing* drawing = symbolDrawing(name);
  if (!drawing) return false;
  const SymbolMetrics m = symbolMetrics(fontPx, weight);
  const QRectF square(slot.center() - QPointF(m.edge / 2, m.edge / 2), QSizeF(m.edge, m.edge));
  paintDrawing(painter, *drawing, square, m.stroke, colour);
  return true;
}

}  // namespace zx::theme
