#include "theme/ease_tween.h"

#include <QVariantAnimation>
#include <QWidget>

namespace zx::theme {

QEasingCurve EaseTween::easeOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

EaseTween::EaseTween(QWidget* target)
    : QObject(target), target_(target), animation_(new QVariantAnimation(this)) {
  animation_->setDuration(kDurationMs);
  animation_->setEasingCurve(easeOut());
  connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    progress_ = v.toDouble();
    target_->update();
  });
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
