// Test support: the one QApplication every widget test shares, a wait for the kit's
// tweens, and pixel helpers.
#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QString>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "theme/ease_tween.h"

namespace zx::theme::test {

inline QApplication& app() {
  static int argc = 1;
  static char name[] = "zx_theme_test";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// The colour at logical point (x, y) of `image`, whatever its device pixel ratio.
inline QColor pixelAt(const QImage& image, double x, double y) {
  const double dpr = image.devicePixelRatio();
  return image.pixelColor(int(x * dpr), int(y * dpr));
}

inline QColor pixelAt(QWidget& widget, double x, double y) {
  return pixelAt(widget.grab().toImage(), x, y);
}

// Turns the event loop until every hover and focus tween under `root` rests where it is
// heading; false after a generous time.
inline bool tweensAtRest(const QObject* root) {
  return QTest::qWaitFor(
      [root] {
        for (QObject* o : root->findChildren<QObject*>()) {
          const auto* tween = dynamic_cast<const EaseTween*>(o);
          if (tween && std::abs(tween->progress() - (tween->on() ? 1.0 : 0.0)) > 1e-9) return false;
        }
        return true;
      },
      30000);
}

inline QString hex(const QColor& c) {
  return c.name(QColor::HexRgb).toUpper();
}

// The first column of `area`, from the left, holding a pixel other than `background` (as
// hex() names it); -1 when the whole area is background.
inline int firstInkX(const QImage& shot, const QRect& area, const QString& background) {
  for (int x = area.left(); x <= area.right(); ++x) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
      if (hex(pixelAt(shot, x, y)) != background) return x;
    }
  }
  return -1;
}

// Blended colours may differ by rounding: within `tolerance` on every channel.
inline bool near(const QColor& a, const QColor& b, int tolerance = 2) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace zx::theme::test

QT_BEGIN_NAMESPACE
// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE
