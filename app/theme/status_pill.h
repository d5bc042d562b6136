// A capsule tag whose colours follow a tone.
#pragma once

#include <QWidget>

#include "theme/palette.h"

namespace zx::theme {

class StatusPill : public QWidget {
 public:
  enum class Tone { neutral, accent, good, bad, warn };

  StatusPill(const QString& text, Tone tone, QWidget* parent = nullptr);

  QString text() const { return text_; }
  // Shown as given; also the accessible name.
  void setText(const QString& text);
  Tone tone() const { return tone_; }
  void setTone(Tone tone);

  static QColor foreground(Tone tone, const Palette& palette);
  // Washes are the tone with alpha, over whatever lies behind.
  static QColor background(Tone tone, const Palette& palette);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  Tone tone_;
};

}  // namespace zx::theme
