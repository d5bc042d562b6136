// The kit's text button: an optional leading glyph, a title, three tones.
#pragma once

#include <QPushButton>

#include "theme/glyph.h"

namespace zx::theme {

class EaseTween;

class KitButton : public QPushButton {
  Q_OBJECT

 public:
  enum class Tone { normal, primary, destructive };

  // Symbols without a size of their own are drawn as the system font at 11 px, semibold.
  static constexpr GlyphStyle kGlyphStyle{13, 1.9, 11, QFont::DemiBold};

  explicit KitButton(const QString& title, QWidget* parent = nullptr);
  KitButton(const QString& title, const Glyph& glyph, Tone tone = Tone::normal,
            QWidget* parent = nullptr);

  QString title() const { return text(); }
  // Also the accessible name.
  void setTitle(const QString& title);
  Glyph glyph() const { return glyph_; }
  Tone tone() const { return tone_; }
  void setTone(Tone tone);

  // Whether the pointer counts as over the button (never while disabled).
  bool hovering() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // A click gives the focus back to the window's home; Space on a focused button keeps it.
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Glyph glyph_;
  Tone tone_ = Tone::normal;
  EaseTween* hover_;
  EaseTween* focus_;
};

}  // namespace zx::theme
