// The kit's one motion: a 0.12 s ease-out between two states, as a progress from 0 to 1.
// Colours are mixed from the progress at paint time, so a switch between light and dark
// mid-way needs nothing special, and an interrupted tween turns back from what is shown.
#pragma once

#include <QEasingCurve>
#include <QObject>

class QVariantAnimation;
class QWidget;

namespace zx::theme {

class EaseTween : public QObject {
 public:
  static constexpr int kDurationMs = 120;
  // Cubic Bezier (0, 0, 0.58, 1).
  static QEasingCurve easeOut();

  // What a tween turns on and off with by itself.
  enum class Follow {
    nothing,
    hover,  // the pointer over the target while it is enabled; disabling drops it at once
    focus,  // keyboard focus in `source`, the target unless given
  };

  // Repaints `target` on every step; owned by it.
  explicit EaseTween(QWidget* target, Follow follow = Follow::nothing, QWidget* source = nullptr);

  double progress() const { return progress_; }
  bool on() const { return on_; }
  // Eases towards 1 (on) or 0 (off) from the progress shown now.
  void setOn(bool on);
  // Goes to the end state at once.
  void jump(bool on);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* target_;
  QVariantAnimation* animation_;
  Follow follow_;
  double progress_ = 0;
  bool on_ = false;
};

}  // namespace zx::theme
