// For the editor's widget tests: one QApplication for the whole test program, and a
// look at the pixels of an offscreen grab.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <utility>

namespace zx::editor::testing {

inline int runWidgetTests(int argc, char** argv) {
  // Test discovery runs the program without the tests' environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The pixel of `area` with the least light: the one a glyph covers most.
inline QColor darkest(const QImage& image, const QRect& area) {
  QColor best = Qt::white;
  int bestLight = 256 * 3;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int light = c.red() + c.green() + c.blue();
      if (light < bestLight) {
        bestLight = light;
        best = c;
      }
    }
  }
  return best;
}

// The pixel of `area` with the most light.
inline QColor lightest(const QImage& image, const QRect& area) {
  QColor best = Qt::black;
  int bestLight = -1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int light = c.red() + c.green() + c.blue();
      if (light > bestLight) {
        bestLight = light;
        best = c;
      }
    }
  }
  return best;
}

using Stretch = std::pair<int, int>;  // first and last pixel column

// The stretches of columns of `image` where `wanted` holds for some pixel of rows y0..y1.
template <class Wanted>
QList<Stretch> stretches(const QImage& image, int y0, int y1, Wanted wanted) {
  QList<Stretch> out;
  for (int x = 0; x < image.width(); ++x) {
    bool hit = false;
    for (int y = y0; y <= y1 && !hit; ++y) hit = wanted(image.pixelColor(x, y));
    if (!hit) continue;
    if (!out.isEmpty() && out.last().second == x - 1) {
      out.last().second = x;
    } else {
      out.append({x, x});
    }
  }
  return out;
}

// Positions `start`..`end` of `document` selected, filled with `fill`, as a text view hands
// its selection to the layout.
inline QAbstractTextDocumentLayout::Selection selection(QTextDocument* document, int start, int end,
                                                        const QColor& fill) {
  QAbstractTextDocumentLayout::Selection s;
  s.cursor = QTextCursor(document);
  s.cursor.setPosition(start);
  s.cursor.setPosition(end, QTextCursor::KeepAnchor);
  s.format.setBackground(fill);
  return s;
}

// What `layout` paints of document `area` over `background`, clipped to it or with no clip.
inline QImage painted(QAbstractTextDocumentLayout* layout, const QRect& area, bool clipped,
                      QAbstractTextDocumentLayout::PaintContext context, const QColor& background) {
  QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(background);
  QPainter painter(&image);
  painter.translate(-area.topLeft());
  if (clipped) {
    context.clip = area;
    painter.setClipRect(area);
  }
  layout->draw(&painter, context);
  return image;
}

inline int distance(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
         std::abs(a.blue() - b.blue());
}

inline int countOf(const QImage& image, const QRect& area, const QColor& colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.pixelColor(x, y).rgb() == colour.rgb()) ++n;
    }
  }
  return n;
}

}  // namespace zx::editor::testing
