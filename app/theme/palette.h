// The application's two colour sets and the stock-widget palette derived from them.
#pragma once

#include <QColor>
#include <QPalette>

namespace zx::theme {

enum class ColorScheme { light, dark };

// Colours the code editor gives its token kinds.
struct Syntax {
  QColor keyword, builtin, text, number, colour, comment, punctuation;
  // Memberwise in declaration order, stopping at the first difference.
  bool operator==(const Syntax&) const = default;
};

struct Palette {
  QColor windowBackground, panel, surface, surfaceSunken, surfaceRaised, border, borderSoft,
      gridline, text, textSecondary, textTertiary, muted, accent, selection, rowHover, buy, sell,
      warning;
  Syntax syntax;
  // The editor compares palettes on every update to skip recolouring, so this stops at the
  // first differing colour.
  bool operator==(const Palette&) const = default;
};

const Palette& lightPalette();
const Palette& darkPalette();
// Dark only for the dark scheme; every other scheme reads light.
Palette paletteFor(ColorScheme scheme);

// The roles stock Qt widgets (menus, the field's line edit, scroll bars, message boxes)
// draw with, taken from the palette.
QPalette qtPalette(const Palette& palette);

}  // namespace zx::theme

namespace zx::theme {

// A colour given either as a palette role, which follows light and dark, or as a fixed colour.
class PaletteColor {
 public:
  PaletteColor() = default;
  PaletteColor(QColor Palette::*role) : role_(role) {}
  PaletteColor(const QColor& fixed) : fixed_(fixed) {}

  bool isNone() const { return role_ == nullptr && !fixed_.isValid(); }
  // The colour in `palette`, or `fallback` when none was given.
  QColor resolve(const Palette& palette, QColor Palette::*fallback) const {
    if (role_) return palette.*role_;
    if (fixed_.isValid()) return fixed_;
    return fallback ? palette.*fallback : QColor();
  }
  bool operator==(const PaletteColor&) const = default;

 private:
  QColor Palette::*role_ = nullptr;
  QColor fixed_;
};

// Channel by channel from `from` (t = 0) to `to` (t = 1), alpha included.
QColor mixColor(const QColor& from, const QColor& to, double t);
// `colour` with its alpha multiplied by `opacity`.
QColor withOpacity(const QColor& colour, double opacity);

}  // namespace zx::theme
