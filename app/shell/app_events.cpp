#include "shell/app_events.h"

namespace zx::views {

void AppEvents::postJumpToLine(int line, int column) {
  emit jumpToLine(line, column);
}

}  // namespace zx::views
