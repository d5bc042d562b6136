// The colours and fonts the panels' pure rules name, taken from the kit.
#pragma once

#include <QColor>
#include <QFont>

#include "panels/row_source.h"
#include "panels/tester_format.h"
#include "theme/theme.h"

namespace zx::views {

// The palette role of `tone`.
theme::PaletteColor toneRole(Tone tone);
inline QColor toneColour(Tone tone, const theme::Palette& palette) {
  return toneRole(tone).resolve(palette, &theme::Palette::text);
}

const QFont& cellFont(CellFont font);

}  // namespace zx::views
