// The look of a reference section's header: chevron, title in capitals, entry count, on
// the sunken surface so a header pinned at the top hides the rows under it.
#pragma once

#include <QRect>
#include <QString>

#include "theme/palette.h"

class QPainter;

namespace zx::views {

struct GroupHeaderLook {
  QString title;
  int count = 0;
  bool collapsed = false;
  bool focused = false;  // keyboard focus: an accent outline
};

inline constexpr int kGroupHeaderHeight = 24;

void paintGroupHeader(QPainter& painter, const QRect& rect, const GroupHeaderLook& look,
                      const theme::Palette& palette);

}  // namespace zx::views
