#include "shell/editor_palette.h"

namespace zx::views {

editor::EditorColours fromPalette(const theme::Palette& p) {
  return {
      .panel = p.panel,
      .surfaceSunken = p.surfaceSunken,
      .muted = p.muted,
      .accent = p.accent,
      .borderSoft = p.borderSoft,
      .rowHover = p.rowHover,
      .selection = p.selection,
      .text = p.text,
      .sell = p.sell,
      .warning = p.warning,
      .keyword = p.syntax.keyword,
      .builtin = p.syntax.builtin,
      .textLiteral = p.syntax.text,
      .number = p.syntax.number,
      .colour = p.syntax.colour,
      .punctuation = p.syntax.punctuation,
  };
}

}  // namespace zx::views
