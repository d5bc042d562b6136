#include "panels/number_box.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

#include "panels/number_entry.h"
#include "theme/control_frame.h"
#include "theme/theme.h"

namespace zx::views {

// The frameless line edit inside the box; it reports focus changes to the box.
class NumberField final : public QLineEdit {
 public:
  NumberField(NumberBox* box) : QLineEdit(box), box_(box) {}
  // The box is going away; the focus leaving now must not reach it.
  void detach() { box_ = nullptr; }

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    if (box_) box_->setFocused(true);
  }
  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    if (!box_) return;
    // Another window or a popup taking the focus leaves it inside this window.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    box_->setFocused(false);
    box_->commitTyped();
  }

 private:
  NumberBox* box_;
};

namespace {

constexpr int kHeight = theme::Size::control;
constexpr int kInset = theme::Space::md;

}  // namespace

NumberBox::NumberBox(std::function<double()> read, std::function<void(double)> write, int width,
                     int decimals, QWidget* parent)
    : QWidget(parent),
      read_(std::move(read)),
      write_(std::move(write)),
      width_(width),
      decimals_(decimals),
      edit_(new NumberField(this)) {
  setFixedSize(width_, kHeight);
  setFocusProxy(edit_);
  edit_->setFrame(false);
  edit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  edit_->setFont(theme::font(theme::FontStyle::table));
  edit_->setGeometry(kInset, 1, width_ - 2 * kInset, kHeight - 2);
  connect(edit_, &QLineEdit::returnPressed, this, &NumberBox::commit);
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                        [this](QWidget*, QWidget* now) { focusMoved(now); });
  syncEditPalette();
  showValue();
}

NumberBox::~NumberBox() {
  // Deleting the field moves the focus: neither the watch nor the field may reach this box
  // any more. A box destroyed with the focus drops what was typed, as its variant does.
  disconnect(focusWatch_);
  edit_->detach();
}

QLineEdit* NumberBox::lineEdit() const {
  return edit_;
}

void NumberBox::commitFocused() {
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    if (auto* box = qobject_cast<NumberBox*>(w)) return box->commitTyped();
  }
}

void NumberBox::refresh() {
  if (!focused_) showValue();
}

void NumberBox::commit() {
  // Written even when equal: the owner decides what a repeated value means.
  if (const std::optional<double> value = parseNumber(edit_->text())) write_(*value);
  showValue();
  emit committed();
}

void NumberBox::commitTyped() {
  if (edit_->text() != numberText(read_(), decimals_)) return commit();
  showValue();
}

void NumberBox::showValue() {
  edit_->setText(numberText(read_(), decimals_));
  // setText leaves the cursor at the end, which scrolls a wide number to its last digits.
  if (!focused_) edit_->setCursorPosition(0);
}

void NumberBox::setFocused(bool focused) {
  if (focused_ == focused) return;
  focused_ = focused;
  update();
}

void NumberBox::focusMoved(QWidget* now) {
  // Only a loss the field let pass (to another window or a popup) leaves focused_ set.
  if (!focused_ || !now || now == edit_ || now->window() != window()) return;
  setFocused(false);
  commitTyped();
}

QSize NumberBox::sizeHint() const {
  return {width_, kHeight};
}

void NumberBox::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refresh();
}

bool NumberBox::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
    syncEditPalette();
  }
  return QWidget::event(event);
}

void NumberBox::syncEditPalette() {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPalette q = theme::qtPalette(palette);
  q.setColor(QPalette::Base, palette.surfaceRaised);
  q.setColor(QPalette::Text, palette.text);
  edit_->setPalette(q);
}

void NumberBox::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPainter painter(this);
  theme::paintControlFrame(painter, rect(), theme::Radius::control,
                           {palette.surfaceRaised, focused_ ? palette.accent : palette.border, {}});
}

}  // namespace zx::views
