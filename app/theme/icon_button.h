// The kit's square icon-only button with a help text and an active (toggled-on) look.
#pragma once

#include <QAbstractButton>

#include "theme/glyph.h"

namespace zx::theme {

class EaseTween;

class IconButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Symbols without a size of their own are drawn as the system font at 14 px, semibold.
  static constexpr GlyphStyle kGlyphStyle{14, 2, 14, QFont::DemiBold};

  IconButton(const Glyph& glyph, const QString& help, QWidget* parent = nullptr);

  Glyph glyph() const { return glyph_; }
  QString help() const { return help_; }
  // The tooltip, verbatim, and the accessible name.
  void setHelp(const QString& help);
  bool active() const { return active_; }
  // The caller's state; never changed by a click.
  void setActive(bool active);
  bool hovering() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  // A click gives the focus back to the window's home; Space on a focused button keeps it.
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  Glyph glyph_;
  QString help_;
  bool active_ = false;
  EaseTween* hover_;
  EaseTween* focus_;
};

}  // namespace zx::theme
