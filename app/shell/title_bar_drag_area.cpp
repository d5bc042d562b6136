#include "shell/title_bar_drag_area.h"

#include <QMouseEvent>
#include <QWindow>

namespace zx::views {

TitleBarDragArea::TitleBarDragArea(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
}

void TitleBarDragArea::toggleMaximized(QWidget* window) {
  if (window->isMaximized()) {
    window->showNormal();
  } else {
    window->showMaximized();
  }
}

void TitleBarDragArea::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // False where the platform cannot move windows for us (offscreen, no window manager);
  // then the press simply does nothing.
  if (QWindow* handle = window()->windowHandle()) handle->startSystemMove();
  event->accept();
}

void TitleBarDragArea::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  toggleMaximized(window());
  event->accept();
}

}  // namespace zx::views
