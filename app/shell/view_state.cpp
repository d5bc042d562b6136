#include "shell/view_state.h"

namespace zx::views {

void ViewState::setShowReference(bool show) {
  if (show == showReference_) return;
  showReference_ = show;
  emit showReferenceChanged(show);
}

void ViewState::setBottomTab(BottomTab tab) {
  if (tab == bottomTab_) return;
  bottomTab_ = tab;
  emit bottomTabChanged(tab);
}

void ViewState::setAppearance(Appearance appearance) {
  if (appearance == appearance_) return;
  appearance_ = appearance;
  emit appearanceChanged(appearance);
}

}  // namespace zx::views
