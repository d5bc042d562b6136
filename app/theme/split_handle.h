// Dividers that resize panes: a vertical SplitHandle that edits a width held by the caller,
// and VerticalSplit, a top pane over a bottom pane whose height the divider edits. Both are
// a 1-px line in layout with an invisible 9-px grip over it that takes the pointer.
#pragma once

#include <QPointer>
#include <QWidget>

#include "theme/tokens.h"

namespace zx::theme {

class SplitGrip;

class SplitHandle : public QWidget {
  Q_OBJECT

 public:
  // `inverted`: dragging to the left increases the value (a pane right of the handle).
  SplitHandle(LengthRange range, bool inverted = false, QWidget* parent = nullptr);
  ~SplitHandle() override;

  double value() const { return value_; }
  // The caller's value, kept as given (even outside the range); never emits.
  void setValue(double value) { value_ = value; }
  LengthRange range() const { return range_; }
  bool inverted() const { return inverted_; }
  // The 9-px strip that takes the pointer: a sibling kept over the line.
  QWidget* grip() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // Emitted during a drag, only when the clamped value changes.
  void valueEdited(double value);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void drag(QPointF translation);

  LengthRange range_;
  bool inverted_;
  double value_ = 0;
  double start_ = 0;
  QPointer<SplitGrip> grip_;
};

// The sizes of a vertical split of height `height`: the bottom pane is at least
// `minBottom`, leaves `minTop` to the top whenever the height allows, and the top takes
// the rest less the 1-px divider (never below 0).
struct SplitSizes {
  double bottom;
  double top;
  bool operator==(const SplitSizes&) const = default;
};
SplitSizes splitLayout(double height, double bottomHeight, double minTop, double minBottom);

class VerticalSplit : public QWidget {
  Q_OBJECT

 public:
  // Takes ownership of `top` and `bottom`.
  VerticalSplit(QWidget* top, QWidget* bottom, double minTop, double minBottom,
                QWidget* parent = nullptr);
  ~VerticalSplit() override;

  QWidget* top() const { return top_; }
  QWidget* bottom() const { return bottom_; }
  // Replaces the bottom pane (the old one is deleted), for a view rebuilt while the split
  // stays.
  void setBottom(QWidget* bottom);
  QWidget* divider() const { return line_; }
  QWidget* grip() const;
  double bottomHeight() const { return bottomHeight_; }
  // The caller's value (no upper bound; the layout limits what is shown); never emits.
  void setBottomHeight(double height);
  double minTop() const { return minTop_; }
  double minBottom() const { return minBottom_; }
  // What the current height shows.
  SplitSizes shownSizes() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // Emitted during a drag, only when the value changes; dragging up makes the bottom taller.
  void bottomHeightEdited(double height);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutPanes();

  QWidget* top_;
  QWidget* bottom_;
  QWidget* line_;
  double minTop_;
  double minBottom_;
  double bottomHeight_;
  double dragStart_ = 0;
  QPointer<SplitGrip> grip_;
};

}  // namespace zx::theme
