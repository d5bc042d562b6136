#include "theme/fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <array>
#include <cmath>

namespace zx::theme {
namespace {

double logicalDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
  return dpi > 0 ? dpi : 96.0;
}

struct StyleSpec {
  double px;
  QFont::Weight weight;
};

constexpr std::array<StyleSpec, 10> kStyles{{
    {20, QFont::Bold},
    {15, QFont::DemiBold},
    {13, QFont::DemiBold},
    {12.5, QFont::Normal},
    {12.5, QFont::DemiBold},
    {12, QFont::Normal},
    {12, QFont::DemiBold},
    {11, QFont::Normal},
    {10, QFont::DemiBold},
    {12.5, QFont::Normal},
}};

std::array<QFont, 10> buildStyles() {
  std::array<QFont, 10> fonts;
  for (size_t i = 0; i < kStyles.size(); ++i) {
    fonts[i] = uiFont(kStyles[i].px, kStyles[i].weight);
  }
  QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setPixelSize(code, kStyles[size_t(FontStyle::code)].px);
  code.setWeight(kStyles[size_t(FontStyle::code)].weight);
  code.setFixedPitch(true);
  fonts[size_t(FontStyle::code)] = code;
  return fonts;
}

}  // namespace

void setPixelSize(QFont& font, double px) {
  font.setPointSizeF(px * 72.0 / logicalDpi());
}

qreal centredBaseline(const QFontMetricsF& metrics, qreal top, qreal height) {
  return top + std::round((height - metrics.height()) / 2 + metrics.ascent());
}

QFont uiFont(double px, QFont::Weight weight) {
  QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  setPixelSize(f, px);
  f.setWeight(weight);
  return f;
}

const QFont& font(FontStyle style) {
  static const std::array<QFont, 10> fonts = buildStyles();
  return fonts[size_t(style)];
}

}  // namespace zx::theme
