// A small indeterminate progress wheel, animated only while it is visible.
#pragma once

#include <QTimer>
#include <QWidget>

namespace zx::views {

class Spinner final : public QWidget {
 public:
  explicit Spinner(int size = 16, QWidget* parent = nullptr);

  bool animating() const { return timer_.isActive(); }
  QSize sizeHint() const override { return {size_, size_}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int size_;
  int step_ = 0;
  QTimer timer_;
};

}  // namespace zx::views
