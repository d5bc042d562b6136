// Where keyboard focus goes back to in a window: its main text, the editor. A click on a
// kit button or a menu command returns the focus there, so Space and Return never land on
// a button the user did not choose by Tab. Tab and clicks into fields still move it.
#pragma once

class QWidget;

namespace zx::theme {

// `home` takes the focus back in `window`; null forgets it.
void setFocusHome(QWidget* window, QWidget* home);
// Gives the focus to the home of `widget`'s window, when it has one that is shown and
// enabled and no dialog or menu is up. Returns whether it did.
bool returnFocusHome(const QWidget* widget);

}  // namespace zx::theme
