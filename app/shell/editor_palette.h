// The editor's colours taken from the theme's palette.
#pragma once

#include "editor/editor_colours.h"
#include "theme/palette.h"

namespace zx::views {

// Each colour from the palette field of the same name (the token colours from `syntax`).
editor::EditorColours fromPalette(const theme::Palette& palette);

}  // namespace zx::views
