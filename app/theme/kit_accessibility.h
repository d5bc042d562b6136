// Accessibility roles for the kit's painted widgets, which Qt would report as plain
// clients: a painted text is static text, a tab strip a page-tab list of page tabs.
#pragma once

#include <QAccessible>

class QWidget;

namespace zx::theme {

// Makes `widget` report `role`. Call it first in the constructor, before anything asks
// for the widget's accessible interface. A page tab must be a QAbstractButton: it reports
// its checked state as selected and presses on the press action.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

}  // namespace zx::theme
