#include "theme/icon_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTextDocument>

#include "theme/control_frame.h"
#include "theme/ease_tween.h"
#include "theme/focus_home.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {

IconButton::IconButton(const Glyph& glyph, const QString& help, QWidget* parent)
    : QAbstractButton(parent),
      glyph_(glyph),
      hover_(new EaseTween(this, EaseTween::Follow::hover)),
      focus_(new EaseTween(this, EaseTween::Follow::focus)) {
  setFocusPolicy(Qt::TabFocus);
  setFixedSize(Size::control, Size::control);
  setHelp(help);
}

void IconButton::setHelp(const QString& help) {
  help_ = help;
  setToolTip(help.isEmpty() ? QString() : Qt::convertFromPlainText(help));
  setAccessibleName(help);
}

void IconButton::setActive(bool active) {
  if (active_ == active) return;
  active_ = active;
  update();
}

bool IconButton::hovering() const {
  return hover_->on();
}

QSize IconButton::sizeHint() const {
  return {Size::control, Size::control};
}

void IconButton::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  const qreal hover = hover_->progress();
  ControlFrame frame;
  frame.fill = active_ ? p.selection : mixColor(p.surface, p.surfaceRaised, hover);
  frame.border = active_ ? p.accent : controlBorder(p.border, p.accent, hover, focus_->progress());
  frame.ring = focusRing(p.accent, focus_->progress());
  paintControlFrame(painter, rect(), Radius::control, frame);
  paintGlyph(painter, glyph_, rect(), kGlyphStyle, active_ ? p.accent : p.textSecondary);
}

void IconButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint());
  // The action may close the window or delete the button.
  const QPointer<QWidget> window = this->window();
  QAbstractButton::mouseReleaseEvent(event);
  if (click) returnFocusHome(window);
}

}  // namespace zx::theme
