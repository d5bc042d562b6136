// The window's appearance setting: follow the desktop, or force light or dark.
#pragma once

#include <QString>
#include <QVariant>
#include <array>
#include <optional>

#include "theme/palette.h"

namespace zx::views {

enum class Appearance { system, light, dark };

// In the order the menu lists them.
inline constexpr std::array<Appearance, 3> kAllAppearances{Appearance::system, Appearance::light,
                                                           Appearance::dark};

// The stored text: "system", "light", "dark".
QString rawValue(Appearance appearance);
// The menu's label: "Match System", "Light", "Dark".
QString menuLabel(Appearance appearance);
// Exactly one of the three stored texts; anything else (another case, blanks, another
// type) is none.
std::optional<Appearance> appearanceFromRaw(const QVariant& value);
// What a stored value means: unreadable values read as `system`.
Appearance storedAppearance(const QVariant& value);

// The scheme the window uses: the forced one, or the desktop's under `system`.
theme::ColorScheme effectiveScheme(Appearance appearance, theme::ColorScheme desktop);

}  // namespace zx::views
