// The 1-px separator line, horizontal or vertical, in border or borderSoft.
#pragma once

#include <QWidget>

namespace zx::theme {

class Hairline : public QWidget {
 public:
  explicit Hairline(QWidget* parent = nullptr) : Hairline(Qt::Horizontal, false, parent) {}
  Hairline(Qt::Orientation orientation, bool soft, QWidget* parent = nullptr);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool soft_;
};

}  // namespace zx::theme
