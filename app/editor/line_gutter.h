// The line-number column at the text view's left edge. It sits in the view's left
// viewport margin, so horizontal scrolling never moves it, and paints the numbers of
// the visible rows only.
#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace zx::editor {

class KeloTextView;

class LineGutter : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 52;
  static constexpr int kNumberRight = 40;  // numbers end here
  static constexpr qreal kNumberPixels = 10;

  explicit LineGutter(KeloTextView* view);

  struct Colours {
    QColor fill;
    QColor separator;
    QColor number;
    QColor current;
  };
  void setColours(const Colours& colours);
  // Follows the code font: the same family at 10 px, medium weight.
  void setCodeFont(const QFont& codeFont);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  KeloTextView* view_;
  Colours colours_;
  QFont font_;
};

}  // namespace zx::editor
