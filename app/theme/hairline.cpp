#include "theme/hairline.h"

#include <QPainter>

#include "theme/palette_scope.h"

namespace zx::theme {

Hairline::Hairline(Qt::Orientation orientation, bool soft, QWidget* parent)
    : QWidget(parent), soft_(soft) {
  if (orientation == Qt::Horizontal) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(1);
  } else {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setFixedWidth(1);
  }
  // A separator is drawn over neighbours and never takes the pointer.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize Hairline::sizeHint() const {
  return {1, 1};
}

QSize Hairline::minimumSizeHint() const {
  return {1, 1};
}

void Hairline::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  painter.fillRect(rect(), soft_ ? p.borderSoft : p.border);
}

}  // namespace zx::theme
