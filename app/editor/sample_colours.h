// The light and dark colour sets of the application's palettes, for the editor's tests,
// offscreen grabs and benchmarks, which run without the theme.
#pragma once

#include "editor/editor_colours.h"

namespace zx::editor {

inline EditorColours lightSampleColours() {
  const auto c = [](const char* hex) { return QColor(QLatin1String(hex)); };
  return {c("#FFFFFF"), c("#FBFBFD"), c("#86868B"), c("#0071E3"), c("#DEDEE3"), c("#F5F5F7"),
          c("#EEF4FF"), c("#0A0A0A"), c("#D0342C"), c("#8A5A00"), c("#A24ACA"), c("#0071E3"),
          c("#1A7F37"), c("#B4530A"), c("#8A63D2"), c("#6E6E73")};
}

inline EditorColours darkSampleColours() {
  const auto c = [](const char* hex) { return QColor(QLatin1String(hex)); };
  return {c("#0D1230"), c("#0C1128"), c("#8B93B8"), c("#3D7BFF"), c("#1A2146"), c("#18204A"),
          c("#1B2C60"), c("#F5F5F7"), c("#FF453A"), c("#FFD479"), c("#D08AE8"), c("#5FB0FF"),
          c("#7EE787"), c("#FFAB70"), c("#C792EA"), c("#9AA1C4")};
}

}  // namespace zx::editor
