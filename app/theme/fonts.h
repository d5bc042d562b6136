// The ten text styles of the kit, sized in logical pixels.
#pragma once

#include <QFont>

class QFontMetricsF;

namespace zx::theme {

enum class FontStyle {
  display,      // 20, bold
  title,        // 15, semibold
  emphasis,     // 13, semibold
  body,         // 12.5, regular
  bodyStrong,   // 12.5, semibold
  table,        // 12, regular
  tableStrong,  // 12, semibold
  caption,      // 11, regular
  micro,        // 10, semibold
  code,         // 12.5, regular, fixed pitch
};

// Built once, on first use; needs the QApplication to exist.
const QFont& font(FontStyle style);

// The system UI font at `px` logical pixels and `weight`.
QFont uiFont(double px, QFont::Weight weight);

// Sets `font`'s size to `px` logical pixels (point sizes scale with the logical DPI).
void setPixelSize(QFont& font, double px);

// The baseline of one line of text in `metrics` centred in the band `height` high from
// `top`; the offset into the band is rounded to a whole pixel, so the text stays sharp.
qreal centredBaseline(const QFontMetricsF& metrics, qreal top, qreal height);

}  // namespace zx::theme
