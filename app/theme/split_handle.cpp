#include "theme/split_handle.h"

#include <QPainter>
#include <QResizeEvent>
#include <cmath>

#include "theme/hairline.h"
#include "theme/palette_scope.h"
#include "theme/split_grip.h"

namespace zx::theme {

SplitHandle::SplitHandle(LengthRange range, bool inverted, QWidget* parent)
    : QWidget(parent), range_(range), inverted_(inverted) {
  setFixedWidth(1);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  grip_ = new SplitGrip(this, Qt::Horizontal,
                        {[this] { start_ = value_; }, [this](QPointF t) { drag(t); }, nullptr});
}

SplitHandle::~SplitHandle() {
  delete grip_.data();
}

QWidget* SplitHandle::grip() const {
  return grip_;
}

QSize SplitHandle::sizeHint() const {
  return {1, 1};
}

QSize SplitHandle::minimumSizeHint() const {
  return {1, 0};
}

void SplitHandle::drag(QPointF t) {
  const double next = range_.clamp(inverted_ ? start_ - t.x() : start_ + t.x());
  if (next == value_) return;
  value_ = next;
  emit valueEdited(next);
}

void SplitHandle::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).border);
}

SplitSizes splitLayout(double height, double bottomHeight, double minTop, double minBottom) {
  const double bottom =
      std::min(std::max(bottomHeight, minBottom), std::max(height - minTop, minBottom));
  return {bottom, std::max(height - bottom - 1, 0.0)};
}

VerticalSplit::VerticalSplit(QWidget* top, QWidget* bottom, double minTop, double minBottom,
                             QWidget* parent)
    : QWidget(parent),
      top_(top),
      bottom_(bottom),
      line_(new Hairline(Qt::Horizontal, false, this)),
      minTop_(minTop),
      minBottom_(minBottom),
      bottomHeight_(minBottom) {
  top_->setParent(this);
  bottom_->setParent(this);
  line_->raise();
  grip_ = new SplitGrip(line_, Qt::Vertical,
                        {// The height shown, which a stored value above the bounds exceeds.
                         [this] { dragStart_ = shownSizes().bottom; },
                         [this](QPointF t) {
                           const double next = std::max(dragStart_ - t.y(), minBottom_);
                           if (next == bottomHeight_) return;
                           setBottomHeight(next);
                           emit bottomHeightEdited(next);
                         },
                         nullptr});
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

namespace {

void replacePane(QWidget*& slot, QWidget* next, QWidget* split) {
  if (!next || next == slot) return;
  delete slot;
  slot = next;
  slot->setParent(split);
  slot->show();
}

}  // namespace

void VerticalSplit::setBottom(QWidget* bottom) {
  replacePane(bottom_, bottom, this);
  line_->raise();
  grip_->raise();
  layoutPanes();
}

VerticalSplit::~VerticalSplit() {
  delete grip_.data();
}

QWidget* VerticalSplit::grip() const {
  return grip_;
}

void VerticalSplit::setBottomHeight(double height) {
  bottomHeight_ = height;
  layoutPanes();
}

SplitSizes VerticalSplit::shownSizes() const {
  return splitLayout(height(), bottomHeight_, minTop_, minBottom_);
}

QSize VerticalSplit::sizeHint() const {
  return {std::max(top_->sizeHint().width(), bottom_->sizeHint().width()),
          int(std::ceil(minTop_ + 1 + std::max(bottomHeight_, minBottom_)))};
}

QSize VerticalSplit::minimumSizeHint() const {
  return {0, 0};
}

void VerticalSplit::resizeEvent(QResizeEvent*) {
  layoutPanes();
}

void VerticalSplit::layoutPanes() {
  const SplitSizes s = shownSizes();
  const int bottom = int(std::lround(s.bottom));
  const int top = int(std::lround(s.top));
  // When the height cannot hold the bottom pane, everything stacks from the top and the
  // parent clips; no pane gets a negative height.
  top_->setGeometry(0, 0, width(), top);
  line_->setGeometry(0, top, width(), 1);
  bottom_->setGeometry(0, top + 1, width(), bottom);
}

}  // namespace zx::theme
