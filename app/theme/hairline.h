// The 1-px separator line, horizontal or vertical, in border or borderSoft.
#pragma once

#include <QWidget>

namespace zx::theme {

class Hairline : public QWidget {
 public:
  explicit Hairline(QWidget* parent = nullptr) : Hairline(Qt::Horizontal, false, parent) {}
  Hairline(Qt::Orientation orientation, bool soft, QWidget* parent = nullptr);

  Qt::Orientation orientation() const { return orientation_; }
  bool soft() const { return soft_; }
  void setSoft(bool soft);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Qt::Orientation orientation_;
  bool soft_;
};

}  // namespace zx::theme
