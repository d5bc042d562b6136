// The invisible 9-px strip over a split line that takes the pointer. A widget gets the
// mouse only inside its own rectangle and layouts have no negative spacing, so the grip is
// a sibling of the 1-px line, follows it and stays on top of later siblings.
#pragma once

#include <QPointF>
#include <QWidget>
#include <functional>

namespace zx::theme {

class SplitGrip : public QWidget {
 public:
  static constexpr int kWidth = 9;

  struct Drag {
    std::function<void()> started;                   // the pointer moved 1 px from the press
    std::function<void(QPointF translation)> moved;  // global, from the press
    std::function<void()> ended;
  };

  // Follows `line` (a vertical line for Qt::Horizontal dragging, i.e. a column divider).
  SplitGrip(QWidget* line, Qt::Orientation dragAxis, Drag drag);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void follow();
  void adoptParent();

  QWidget* line_;
  Qt::Orientation axis_;
  Drag drag_;
  QWidget* watchedParent_ = nullptr;
  QPointF pressGlobal_;
  bool pressed_ = false;
  bool dragging_ = false;
};

}  // namespace zx::theme
