#include "theme/split_grip.h"

#include <QEvent>
#include <QMouseEvent>
#include <cmath>

namespace zx::theme {

SplitGrip::SplitGrip(QWidget* line, Qt::Orientation dragAxis, Drag drag)
    : QWidget(line->parentWidget()), line_(line), axis_(dragAxis), drag_(std::move(drag)) {
  setCursor(dragAxis == Qt::Horizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
  setAttribute(Qt::WA_NoSystemBackground);
  line_->installEventFilter(this);
  adoptParent();
  follow();
}

void SplitGrip::adoptParent() {
  if (watchedParent_) watchedParent_->removeEventFilter(this);
  watchedParent_ = line_->parentWidget();
  if (parentWidget() != watchedParent_) setParent(watchedParent_);
  if (watchedParent_) watchedParent_->installEventFilter(this);
}

void SplitGrip::follow() {
  const QRect g = line_->geometry();
  const int overhang = (kWidth - 1) / 2;  // 4 px over each neighbour
  if (axis_ == Qt::Horizontal) {
    setGeometry(g.x() - overhang, g.y(), kWidth, g.height());
  } else {
    setGeometry(g.x(), g.y() - overhang, g.width(), kWidth);
  }
  if (!parentWidget() || line_->isHidden()) {
    hide();
  } else {
    show();
    raise();
  }
}

bool SplitGrip::eventFilter(QObject* watched, QEvent* event) {
  if (watched == line_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
        follow();
        break;
      case QEvent::ParentChange:
        adoptParent();
        follow();
        break;
      default:
        break;
    }
  } else if (watched == watchedParent_ && event->type() == QEvent::ChildAdded) {
    // A sibling created later would cover the grip.
    raise();
  }
  return false;
}

void SplitGrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = true;
  dragging_ = false;
  pressGlobal_ = event->globalPosition();
}

void SplitGrip::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
  // Global positions: the line, and so the grip, moves while it is dragged.
  const QPointF t = event->globalPosition() - pressGlobal_;
  if (!dragging_) {
    if (std::hypot(t.x(), t.y()) < 1) return;
    dragging_ = true;
    if (drag_.started) drag_.started();
  }
  if (drag_.moved) drag_.moved(t);
}

void SplitGrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const bool wasDragging = dragging_;
  pressed_ = false;
  dragging_ = false;
  if (wasDragging && drag_.ended) drag_.ended();
}

}  // namespace zx::theme
