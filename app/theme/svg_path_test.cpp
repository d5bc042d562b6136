#include "theme/svg_path.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <clocale>
#include <cmath>

#include "theme/icons.h"
#include "theme/symbols.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

QString number(qreal v) {
  const qreal r = std::round(v * 100) / 100;
  return QString::number(r == 0 ? 0 : r, 'g', 6);
}

// "M(3,17) L(9,11)": move and line elements, rounded to two decimals.
QString describe(const QPainterPath& path) {
  QStringList parts;
  for (int i = 0; i < path.elementCount(); ++i) {
    const QPainterPath::Element e = path.elementAt(i);
    const QString kind = e.isMoveTo() ? "M" : e.isLineTo() ? "L" : "C";
    parts << QString("%1(%2,%3)").arg(kind, number(e.x), number(e.y));
  }
  return parts.join(' ');
}

const QRectF kBox(0, 0, 24, 24);

struct PathCase {
  const char16_t* input;
  QRectF rect;
  const char* expected;
};

void checkReaderTable() {
  const PathCase cases[] = {
      {u"", kBox, ""},
      {u"M3 17l6-6 4 4 8-8", kBox, "M(3,17) L(9,11) L(13,15) L(21,7)"},
      {u"M0 0L24 24", QRectF(0, 0, 40, 20), "M(10,0) L(30,20)"},
      {u"3 4 5 6", kBox, "M(3,4) L(5,6)"},
      {u"M12 5v14M5 12h14", kBox, "M(12,5) L(12,19) M(5,12) L(19,12)"},
      {u"M0 0L1 2 3", kBox, "M(0,0) L(1,2)"},
      {u"M3,17L9,11", kBox, "M(3,17) L(9,11)"},
      {u"M2 2A5 5 0 0 1 2 2L3 3", kBox, "M(2,2) L(3,3)"},
      {u"M0 0Q1 1 2 2L3 3", kBox, "M(0,0) L(3,3)"},
      {u"M1e1 0", kBox, "M(10,0)"},
      {u"M1.5.5 2", kBox, "M(0,2)"},
      {u"M1 1e 5 5", kBox, "M(1,0) L(5,5)"},
      {u"M+5 1", kBox, "M(5,1)"},
      {u"M7-7", kBox, "M(7,-7)"},
      {u"M2e-1 0", kBox, "M(0.2,0)"},
      {u"M- 3 4", kBox, "M(0,3)"},
      {u"L1 2", QRectF(10, 10, 24, 24), "M(10,10) L(11,12)"},
      {u"M0 0h1e999", kBox, "M(0,0)"},  // Qt drops a line to the point it is at
      {u"M\u0663 4 5 6", kBox, "M(0,4) L(5,6)"},
      {u"M1 1L2 2ZL3 3", kBox, "M(1,1) L(2,2) L(1,1) M(1,1) L(3,3)"},
      {u"M0 0C1 2 3 4 5 6", kBox, "M(0,0) C(1,2) C(3,4) C(5,6)"},
      {u"m1 1 2 2l1 0", kBox, "M(1,1) L(3,3) L(4,3)"},
      {u"M0 0X5 5L1 1", kBox, "M(0,0) L(1,1)"},
      {u"M0 0A1e308 1 0 0 1 10 0L3 3", kBox, "M(0,0) L(3,3)"},
  };
  for (const PathCase& c : cases) {
    const QString input = QString::fromUtf16(c.input);
    SCOPED_TRACE(input.toStdString());
    EXPECT_EQ(describe(svgPath(input, c.rect)), QString::fromLatin1(c.expected));
  }
}

TEST(SvgPath, ReadsTheCommandLanguage) {
  checkReaderTable();
}

TEST(SvgPath, SameUnderAnyNumericLocale) {
  test::app();  // switches LC_NUMERIC to the environment's locale
  const char* saved = std::setlocale(LC_NUMERIC, nullptr);
  const std::string restore = saved ? saved : "C";
  for (const char* locale : {"C.UTF-8", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, locale)) continue;
    SCOPED_TRACE(locale);
    checkReaderTable();
  }
  std::setlocale(LC_NUMERIC, restore.c_str());
}

TEST(SvgPath, ClosingReturnsToTheStart) {
  const QPainterPath path = svgPath(u"M1 1L2 2Z", kBox);
  EXPECT_EQ(path.currentPosition(), QPointF(1, 1));
  EXPECT_EQ(path.elementAt(path.elementCount() - 1).x, 1);
}

TEST(SvgPath, ArcsAreTwentyFourSegmentsOnTheShorterSide) {
  const QPainterPath half = svgPath(u"M0 0A5 5 0 0 1 10 0", kBox);
  ASSERT_EQ(half.elementCount(), 25);
  EXPECT_TRUE(half.elementAt(0).isMoveTo());
  EXPECT_NEAR(half.elementAt(12).x, 5, 1e-9);
  EXPECT_NEAR(half.elementAt(12).y, -5, 1e-9);
  EXPECT_NEAR(half.elementAt(24).x, 10, 1e-9);
  EXPECT_NEAR(half.elementAt(24).y, 0, 1e-9);

  const QPainterPath other = svgPath(u"M0 0A5 5 0 0 0 10 0", kBox);
  EXPECT_NEAR(other.elementAt(12).y, 5, 1e-9);
  // Any sweep but 0 counts as set; a radius below half the chord gives the half circle.
  EXPECT_EQ(describe(svgPath(u"M0 0A5 5 0 0 2 10 0", kBox)), describe(half));
  EXPECT_EQ(describe(svgPath(u"M0 0A1 1 0 0 1 10 0", kBox)), describe(half));
  EXPECT_EQ(describe(svgPath(u"M0 0A0 1 0 0 1 10 0", kBox)), describe(half));
  // The corner of a rounded rectangle bulges outwards.
  const QPainterPath corner = svgPath(u"M19 4a2 2 0 0 1 2 2", kBox);
  EXPECT_NEAR(corner.elementAt(12).x, 20.41, 0.01);
  EXPECT_NEAR(corner.elementAt(12).y, 4.59, 0.01);
}

TEST(SvgPath, ArcFlagsNeedNoSeparator) {
  // The pencil of drawTools: its arc is drawn from (19,12) to (16,9).
  const QString pencil = iconDrawing(Icon::drawTools).strokes[0].toString();
  const QPainterPath path = svgPath(pencil, kBox);
  ASSERT_GE(path.elementCount(), 2 + 24);
  EXPECT_EQ(describe(path).left(QString("M(12,19) L(19,12)").size()), "M(12,19) L(19,12)");
  EXPECT_NEAR(path.elementAt(2 + 23).x, 16, 1e-9);
  EXPECT_NEAR(path.elementAt(2 + 23).y, 9, 1e-9);
  // Read literally, "00-3-3" is two numbers and the arc draws nothing.
  const QPainterPath literal = svgPath(pencil, kBox, 24, ArcFlagReading::literal);
  EXPECT_EQ(describe(literal), "M(12,19) L(19,12) L(12,19) L(11,23) L(12,19)");
}

TEST(Icons, SearchIconCircleScalesWithSize) {
  test::app();
  struct Row {
    qreal size;
    QPointF centre;
    qreal diameter;
  };
  for (const Row& row : {Row{24, {11, 11}, 14}, Row{12, {5.5, 5.5}, 7}}) {
    SCOPED_TRACE(row.size);
    // Drawn at 4x so the circle's edges can be found along its middle row.
    const int scale = 4;
    QImage image(int(row.size * scale), int(row.size * scale), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      painter.scale(scale, scale);
      paintIcon(painter, Icon::search, QRectF(0, 0, row.size, row.size), 0.25, Qt::black);
    }
    const int y = int(row.centre.y() * scale);
    int left = -1, right = -1;
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) > 100) {
        if (left < 0) left = x;
        right = x;
      }
    }
    // The handle runs from (17,17) outwards, clear of the circle's middle row.
    EXPECT_NEAR((left + right + 1) / 2.0 / scale, row.centre.x(), 0.3);
    EXPECT_NEAR((right - left + 1) / double(scale), row.diameter, 0.5);
  }
}

TEST(Icons, IconViewDrawsInItsPaletteRole) {
  test::app();
  IconView view(Icon::plus, 14, 2);
  EXPECT_EQ(view.sizeHint(), QSize(14, 14));
  view.resize(14, 14);
  EXPECT_EQ(test::hex(test::pixelAt(view, 7, 7)), "#1D1D1F");  // textSecondary by default
  view.setForeground(&Palette::accent);
  EXPECT_EQ(test::hex(test::pixelAt(view, 7, 7)), "#0071E3");
  view.setForeground(QColor(Qt::red));
  EXPECT_EQ(test::hex(test::pixelAt(view, 7, 7)), "#FF0000");
}

TEST(Symbols, EveryNameTheViewsUseResolves) {
  test::app();
  const QStringList names = {"doc.text",
                             "square.grid.2x2",
                             "arrow.turn.down.right",
                             "function",
                             "smallcircle.filled.circle",
                             "chevron.right",
                             "play.fill",
                             "checkmark",
                             "text.alignleft",
                             "person.crop.circle",
                             "exclamationmark.triangle.fill",
                             "building.columns",
                             "cpu",
                             "chart.xyaxis.line",
                             "books.vertical",
                             "hammer",
                             "sidebar.right"};
  EXPECT_EQ(symbolNames().size(), names.size());
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const LineDrawing* drawing = symbolDrawing(name);
    ASSERT_NE(drawing, nullptr);
    // Written so that either reading of arc flags gives the same path.
    for (QStringView s : drawing->strokes) {
      EXPECT_EQ(describe(svgPath(s, kBox)),
                describe(svgPath(s, kBox, 24, ArcFlagReading::literal)));
    }
    for (QStringView s : drawing->fills) {
      EXPECT_EQ(describe(svgPath(s, kBox)),
                describe(svgPath(s, kBox, 24, ArcFlagReading::literal)));
    }
    // Ink inside its square at 24 px, and none outside it.
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      EXPECT_TRUE(paintSymbol(painter, name, QRectF(8, 8, 24, 24), 21, QFont::Medium, Qt::black));
    }
    int inside = 0, outside = 0;
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 40; ++x) {
        if (qAlpha(image.pixel(x, y)) == 0) continue;
        (x >= 8 && x < 32 && y >= 8 && y < 32 ? inside : outside)++;
      }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
  }
  QImage image(24, 24, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  EXPECT_FALSE(
      paintSymbol(painter, u"no.such.symbol", QRectF(0, 0, 24, 24), 11, QFont::Normal, Qt::black));
  painter.end();
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 24; ++x) ASSERT_EQ(qAlpha(image.pixel(x, y)), 0);
  }
}

TEST(Symbols, FontSizeAndWeightGiveSquareAndStroke) {
  struct Row {
    double px;
    QFont::Weight weight;
    qreal edge, stroke;
  };
  const Row rows[] = {
      {11, QFont::DemiBold, 14, 1.9}, {12, QFont::Medium, 15, 1.7},   {8, QFont::Bold, 11, 2.1},
      {13, QFont::Medium, 16, 1.7},   {14, QFont::DemiBold, 17, 1.9}, {11, QFont::Normal, 14, 1.5},
  };
  for (const Row& row : rows) {
    const SymbolMetrics m = symbolMetrics(row.px, row.weight);
    EXPECT_EQ(m.edge, row.edge) << row.px;
    EXPECT_EQ(m.stroke, row.stroke) << row.px;
  }
}

TEST(Icons, EveryIconLeavesInkInItsSquare) {
  test::app();
  for (Icon icon : kAllIcons) {
    SCOPED_TRACE(iconName(icon).toStdString());
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      paintIcon(painter, icon, QRectF(0, 0, 24, 24), 1.5, Qt::black);
    }
    int ink = 0;
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 24; ++x) ink += qAlpha(image.pixel(x, y)) > 0;
    }
    EXPECT_GT(ink, 10);
  }
}

}  // namespace
}  // namespace zx::theme
