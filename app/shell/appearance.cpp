#include "shell/appearance.h"

namespace zx::views {

QString rawValue(Appearance appearance) {
  switch (appearance) {
    case Appearance::light:
      return QStringLiteral("light");
    case Appearance::dark:
      return QStringLiteral("dark");
    case Appearance::system:
      break;
  }
  return QStringLiteral("system");
}

QString menuLabel(Appearance appearance) {
  switch (appearance) {
    case Appearance::light:
      return QStringLiteral("Light");
    case Appearance::dark:
      return QStringLiteral("Dark");
    case Appearance::system:
      break;
  }
  return QStringLiteral("Match System");
}

std::optional<Appearance> appearanceFromRaw(const QVariant& value) {
  // A number stored by hand is not a name, even where QVariant would convert it.
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  const QString text = value.toString();
  for (Appearance a : kAllAppearances) {
    if (text == rawValue(a)) return a;
  }
  return std::nullopt;
}

Appearance storedAppearance(const QVariant& value) {
  return appearanceFromRaw(value).value_or(Appearance::system);
}

theme::ColorScheme effectiveScheme(Appearance appearance, theme::ColorScheme desktop) {
  switch (appearance) {
    case Appearance::light:
      return theme::ColorScheme::light;
    case Appearance::dark:
      return theme::ColorScheme::dark;
    case Appearance::system:
      break;
  }
  return desktop;
}

}  // namespace zx::views
