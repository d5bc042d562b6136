// Which palette a widget draws with: the one of its nearest host up the parent chain.
#pragma once

#include <QEvent>

#include "theme/palette.h"

class QWidget;

namespace zx::theme {

struct PaletteScope {
  // Makes `host` carry `palette` for its subtree. An equal palette changes nothing; a
  // different one sets the derived QPalette on the host (and on windows in its scope, which
  // Qt does not propagate to), then sends changedEvent() to and repaints every widget whose
  // nearest host is `host`, the host last.
  static void set(QWidget* host, const Palette& palette);
  // As set(), and also the application and tooltip palettes, so menus, message boxes and
  // pop-ups follow.
  static void setForApplication(QWidget* root, const Palette& palette);
  // The palette of the nearest host from `widget` upwards (crossing from a dialog to its
  // window); the light palette when there is none.
  static const Palette& of(const QWidget* widget);
  // Whether `widget` itself carries a palette.
  static bool isHost(const QWidget* widget);
  // Sent to each widget in scope when its palette changes.
  static QEvent::Type changedEvent();
};

}  // namespace zx::theme
