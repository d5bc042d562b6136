#include "theme/focus_home.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace zx::theme {
namespace {

constexpr char kName[] = "zxFocusHome";

// Kept as a child of the window, so it goes with it, and weak, so a home that goes first
// is forgotten.
class Home final : public QObject {
 public:
  Home(QWidget* window, QWidget* home) : QObject(window), home(home) { setObjectName(kName); }
  QPointer<QWidget> home;
};

Home* homeOf(const QWidget* window) {
  return static_cast<Home*>(
      window->findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly));
}

}  // namespace

void setFocusHome(QWidget* window, QWidget* home) {
  if (Home* h = homeOf(window)) {
    h->home = home;
  } else if (home) {
    new Home(window, home);
  }
}

bool returnFocusHome(const QWidget* widget) {
  if (!widget) return false;
  const Home* h = homeOf(widget->window());
  QWidget* home = h ? h->home.data() : nullptr;
  if (!home || !home->isVisible() || !home->isEnabled()) return false;
  if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return false;
  home->setFocus(Qt::OtherFocusReason);
  return true;
}

}  // namespace zx::theme
