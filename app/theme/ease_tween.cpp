#include "theme/ease_tween.h"

#include <QEvent>
#include <QVariantAnimation>
#include <QWidget>

namespace zx::theme {

QEasingCurve EaseTween::easeOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

EaseTween::EaseTween(QWidget* target, Follow follow, QWidget* source)
    : QObject(target), target_(target), animation_(new QVariantAnimation(this)), follow_(follow) {
  animation_->setDuration(kDurationMs);
  animation_->setEasingCurve(easeOut());
  connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    progress_ = v.toDouble();
    target_->update();
  });
  if (follow_ != Follow::nothing) (source ? source : target)->installEventFilter(this);
}

bool EaseTween::eventFilter(QObject* watched, QEvent* event) {
  const auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Enter:
      // Qt sends enter events to disabled widgets too.
      if (follow_ == Follow::hover && widget->isEnabled()) setOn(true);
      break;
    case QEvent::Leave:
      if (follow_ == Follow::hover) setOn(false);
      break;
    case QEvent::EnabledChange:
      if (follow_ != Follow::hover) break;
      if (!widget->isEnabled()) {
        jump(false);
      } else if (widget->underMouse()) {
        setOn(true);
      }
      break;
    case QEvent::FocusIn:
      if (follow_ == Follow::focus) setOn(true);
      break;
    case QEvent::FocusOut:
      if (follow_ == Follow::focus) setOn(false);
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void EaseTween::setOn(bool on) {
  if (on == on_) return;
  on_ = on;
  animation_->stop();
  animation_->setStartValue(progress_);
  animation_->setEndValue(on ? 1.0 : 0.0);
  animation_->start();
}

void EaseTween::jump(bool on) {
  animation_->stop();
  on_ = on;
  progress_ = on ? 1.0 : 0.0;
  target_->update();
}

}  // namespace zx::theme
