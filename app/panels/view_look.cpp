#include "panels/view_look.h"

namespace zx::views {

theme::PaletteColor toneRole(Tone tone) {
  using P = theme::Palette;
  switch (tone) {
    case Tone::text:
      return &P::text;
    case Tone::textSecondary:
      return &P::textSecondary;
    case Tone::muted:
      return &P::muted;
    case Tone::accent:
      return &P::accent;
    case Tone::buy:
      return &P::buy;
    case Tone::sell:
      return &P::sell;
    case Tone::warning:
      return &P::warning;
  }
  return &P::text;
}

const QFont& cellFont(CellFont font) {
  using theme::FontStyle;
  switch (font) {
    case CellFont::table:
      return theme::font(FontStyle::table);
    case CellFont::tableStrong:
      return theme::font(FontStyle::tableStrong);
    case CellFont::caption:
      return theme::font(FontStyle::caption);
    case CellFont::micro:
      return theme::font(FontStyle::micro);
    case CellFont::code:
      return theme::font(FontStyle::code);
  }
  return theme::font(FontStyle::table);
}

}  // namespace zx::views
