// A strip whose empty parts stand in for the window's title bar: a press there moves the
// window (where the platform allows it) and a double click toggles maximised. Clicks
// that a child control takes never reach it. It never takes the keyboard focus.
#pragma once

#include <QWidget>

namespace zx::views {

class TitleBarDragArea : public QWidget {
  Q_OBJECT

 public:
  explicit TitleBarDragArea(QWidget* parent = nullptr);

  // Maximised to normal and back, as a title bar's double click does.
  static void toggleMaximized(QWidget* window);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace zx::views
