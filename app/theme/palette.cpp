#include "theme/palette.h"

namespace zx::theme {
namespace {

QColor rgb(QRgb value) {
  return QColor::fromRgb(qRed(value), qGreen(value), qBlue(value));
}

}  // namespace

const Palette& lightPalette() {
  static const Palette palette{
      .windowBackground = rgb(0xFFFFFF),
      .panel = rgb(0xFFFFFF),
      .surface = rgb(0xFFFFFF),
      .surfaceSunken = rgb(0xFBFBFD),
      .surfaceRaised = rgb(0xF5F5F7),
      .border = rgb(0xD4D4D9),
      .borderSoft = rgb(0xDEDEE3),
      .gridline = rgb(0xF0F0F2),
      .text = rgb(0x0A0A0A),
      .textSecondary = rgb(0x1D1D1F),
      .textTertiary = rgb(0x424245),
      .muted = rgb(0x86868B),
      .accent = rgb(0x0071E3),
      .selection = rgb(0xEEF4FF),
      .rowHover = rgb(0xF5F5F7),
      .buy = rgb(0x1A7F37),
      .sell = rgb(0xD0342C),
      .warning = rgb(0x8A5A00),
      .syntax = {.keyword = rgb(0xA24ACA),
                 .builtin = rgb(0x0071E3),
                 .text = rgb(0x1A7F37),
                 .number = rgb(0xB4530A),
                 .colour = rgb(0x8A63D2),
                 .comment = rgb(0x86868B),
                 .punctuation = rgb(0x6E6E73)},
  };
  return palette;
}

const Palette& darkPalette() {
  static const Palette palette{
      .windowBackground = rgb(0x04060E),
      .panel = rgb(0x0D1230),
      .surface = rgb(0x121838),
      .surfaceSunken = rgb(0x0C1128),
      .surfaceRaised = rgb(0x1C2450),
      .border = rgb(0x222A52),
      .borderSoft = rgb(0x1A2146),
      .gridline = rgb(0x1A2146),
      .text = rgb(0xF5F5F7),
      .textSecondary = rgb(0xEEF1FF),
      .textTertiary = rgb(0xC7CCEC),
      .muted = rgb(0x8B93B8),
      .accent = rgb(0x3D7BFF),
      .selection = rgb(0x1B2C60),
      .rowHover = rgb(0x18204A),
      .buy = rgb(0x30D158),
      .sell = rgb(0xFF453A),
      .warning = rgb(0xFFD479),
      .syntax = {.keyword = rgb(0xD08AE8),
                 .builtin = rgb(0x5FB0FF),
                 .text = rgb(0x7EE787),
                 .number = rgb(0xFFAB70),
                 .colour = rgb(0xC792EA),
                 .comment = rgb(0x7D85A8),
                 .punctuation = rgb(0x9AA1C4)},
  };
  return palette;
}

Palette paletteFor(ColorScheme scheme) {
  return scheme == ColorScheme::dark ? darkPalette() : lightPalette();
}

QPalette qtPalette(const Palette& p) {
  QPalette q;
  const auto all = [&q](QPalette::ColorRole role, const QColor& c) { q.setColor(role, c); };
  all(QPalette::Window, p.windowBackground);
  all(QPalette::WindowText, p.text);
  all(QPalette::Text, p.text);
  all(QPalette::HighlightedText, p.text);
  all(QPalette::ToolTipText, p.text);
  all(QPalette::Base, p.surface);
  all(QPalette::Button, p.surface);
  all(QPalette::AlternateBase, p.surfaceSunken);
  all(QPalette::PlaceholderText, p.muted);
  all(QPalette::ButtonText, p.textSecondary);
  all(QPalette::BrightText, p.sell);
  all(QPalette::Light, p.surfaceRaised);
  all(QPalette::Midlight, p.surfaceRaised);
  all(QPalette::ToolTipBase, p.surfaceRaised);
  all(QPalette::Mid, p.borderSoft);
  all(QPalette::Dark, p.border);
  all(QPalette::Shadow, p.border);
  all(QPalette::Highlight, p.selection);
  all(QPalette::Link, p.accent);
  all(QPalette::LinkVisited, p.accent);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    q.setColor(QPalette::Disabled, role, p.muted);
  }
  return q;
}

}  // namespace zx::theme

namespace zx::theme {

QColor mixColor(const QColor& from, const QColor& to, double t) {
  if (t <= 0) return from;
  if (t >= 1) return to;
  const auto lerp = [t](double a, double b) { return a + (b - a) * t; };
  QColor c;
  c.setRgbF(float(lerp(from.redF(), to.redF())), float(lerp(from.greenF(), to.greenF())),
            float(lerp(from.blueF(), to.blueF())), float(lerp(from.alphaF(), to.alphaF())));
  return c;
}

QColor withOpacity(const QColor& colour, double opacity) {
  QColor c = colour;
  c.setAlphaF(float(colour.alphaF() * opacity));
  return c;
}

}  // namespace zx::theme
