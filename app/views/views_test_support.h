// Shared by the panels' tests: a palette-hosting window to show a view in, grabs, and
// pixel checks at known places.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "model/workspace_test_support.h"
#include "theme/theme.h"

namespace zx::views::testing {

namespace {

// Lets queued work and deferred deletes run.
inline void settle(int ms = 30) {
  model::testing::settle(ms);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A top-level window carrying `palette`, showing one view that fills it.
class Window {
 public:
  explicit Window(QSize size = {1000, 560}, const theme::Palette& palette = theme::lightPalette())
      : window_((model::testing::testApp(), std::make_unique<QWidget>())),
        layout_(new QVBoxLayout(window_.get())) {
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
