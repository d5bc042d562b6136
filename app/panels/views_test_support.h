// Shared by the views' tests: one offscreen application on a desktop-sized screen, a
// workspace over fakes, a palette-hosting window to show a view in, and helpers to wait,
// drag, find widgets and check pixels.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "model/workspace_test_support.h"
#include "panels/application_setup.h"
#include "theme/theme.h"

namespace zx::views::testing {

namespace {

// One application per test process, on an offscreen screen as large as a desktop's, so
// the default window fits, and set up as `main` sets it up.
inline QApplication& testApp() {
  static QApplication* app = [] {
    const QString config = QDir::temp().filePath(
        QStringLiteral("zx-shell-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile f(config);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(
          "{\"screens\":[{\"name\":\"zx\",\"x\":0,\"y\":0,\"width\":1920,\"height\":1080,"
          "\"logicalDpi\":96,\"logicalBpi\":96,\"dpr\":1}]}");
      f.close();
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    // No desktop portal or keyring: the dead address answers at once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zx-no-bus");
    static int argc = 1;
    static char name[] = "zx_views_test";
    static char* argv[] = {name, nullptr};
    auto* made = new QApplication(argc, argv);
    prepareApplication();
    return made;
  }();
  return *app;
}

// Lets queued work and deferred deletes run.
inline void settle(int ms = 30) {
  model::testing::settle(ms);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Waits for `done`, turning the event loop; false after a generous time.
template <class F>
bool waitUntil(F done) {
  return QTest::qWaitFor(done, 30000);
}

// A workspace over fakes, on the views' application.
struct Rig : model::testing::Rig {
  Rig() { testApp(); }
};

// A top-level window carrying `palette`, showing one view that fills it.
class Window {
 public:
  explicit Window(QSize size = {1000, 560}, const theme::Palette& palette = theme::lightPalette())
      : window_((testApp(), std::make_unique<QWidget>())), layout_(new QVBoxLayout(window_.get())) {
    layout_->setContentsMargins(0, 0, 0, 0);
    theme::PaletteScope::set(window_.get(), palette);
    window_->resize(size);
  }

  template <class W>
  W* show(W* view) {
    layout_->addWidget(view);
    window_->show();
    window_->activateWindow();
    settle();
    return view;
  }
  QWidget* widget() const { return window_.get(); }
  const theme::Palette& palette() const { return theme::PaletteScope::of(window_.get()); }

 private:
  std::unique_ptr<QWidget> window_;
  QVBoxLayout* layout_;
};

// Drags `grip` by `delta` in steps, in global coordinates: a grip moves with its line.
inline void dragBy(QWidget* grip, QPoint delta, int steps = 3) {
  const QPoint start = grip->mapToGlobal(grip->rect().center());
  QTest::mousePress(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start));
  for (int i = 1; i <= steps; ++i) {
    QTest::mouseMove(grip, grip->mapFromGlobal(start + delta * i / steps));
  }
  QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start + delta));
}

// Descendants of type T. Kit widgets without Q_OBJECT defeat findChildren, which would
// take any QWidget for them.
template <class T>
QList<T*> descendants(const QObject* root) {
  QList<T*> out;
  for (QObject* o : root->findChildren<QObject*>()) {
    if (auto* t = dynamic_cast<T*>(o)) out << t;
  }
  return out;
}
template <class T>
T* descendant(const QObject* root) {
  const QList<T*> all = descendants<T>(root);
  return all.isEmpty() ? nullptr : all.first();
}

inline QImage grab(QWidget* w) {
  return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QString hex(const QColor& c) {
  return c.name(QColor::HexRgb).toUpper();
}

inline bool near(const QColor& a, const QColor& b, int tolerance = 12) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Whether some pixel of `area` (the whole image when empty) is close to `colour`.
inline bool anyNear(const QImage& image, const QColor& colour, QRect area = {},
                    int tolerance = 12) {
  if (area.isEmpty()) area = image.rect();
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (near(image.pixelColor(x, y), colour, tolerance)) return true;
    }
  }
  return false;
}

// How many pixels of `area` differ from `background` by more than the tolerance.
inline int differing(const QImage& image, const QColor& background, QRect area, int tolerance = 6) {
  area = area.intersected(image.rect());
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!near(image.pixelColor(x, y), background, tolerance)) ++n;
    }
  }
  return n;
}

}  // namespace

}  // namespace zx::views::testing
