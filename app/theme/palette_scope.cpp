#include "theme/palette_scope.h"

#include <QApplication>
#include <QToolTip>
#include <QWidget>
#include <memory>
#include <unordered_map>

namespace zx::theme {
namespace {

// Keyed by QObject so the entry can be dropped from `destroyed`, when the widget part is gone.
// The palettes sit behind pointers so a reference handed out by of() stays valid.
using HostMap = std::unordered_map<const QObject*, std::unique_ptr<Palette>>;

HostMap& hosts() {
  static HostMap map;
  return map;
}

const Palette* hostPalette(const QWidget* w) {
  const HostMap& map = hosts();
  if (map.empty()) return nullptr;
  const auto it = map.find(static_cast<const QObject*>(w));
  return it == map.end() ? nullptr : it->second.get();
}

// Every widget below `w` whose nearest host is the scope's host, parents before children.
void notifyScope(QWidget* w, const QPalette& derived, QEvent::Type type) {
  for (QObject* child : w->children()) {
    if (!child->isWidgetType()) continue;
    auto* cw = static_cast<QWidget*>(child);
    if (hostPalette(cw)) continue;  // a sub-host keeps its own palette
    if (cw->isWindow()) cw->setPalette(derived);
    QEvent event(type);
    QCoreApplication::sendEvent(cw, &event);
    cw->update();
    notifyScope(cw, derived, type);
  }
}

}  // namespace

QEvent::Type PaletteScope::changedEvent() {
  static const auto type = QEvent::Type(QEvent::registerEventType());
  return type;
}

bool PaletteScope::isHost(const QWidget* widget) {
  return widget && hostPalette(widget);
}

const Palette& PaletteScope::of(const QWidget* widget) {
  for (const QWidget* w = widget; w; w = w->parentWidget()) {
    if (const Palette* p = hostPalette(w)) return *p;
  }
  return lightPalette();
}

void PaletteScope::set(QWidget* host, const Palette& palette) {
  if (!host) return;
  HostMap& map = hosts();
  const auto it = map.find(static_cast<const QObject*>(host));
  const bool wasHost = it != map.end();
  const bool sameAsShown = of(host) == palette;
  if (wasHost && sameAsShown) return;
  if (wasHost) {
    *it->second = palette;
  } else {
    map.emplace(host, std::make_unique<Palette>(palette));
    QObject::connect(host, &QObject::destroyed, [](QObject* gone) { hosts().erase(gone); });
  }
  const QPalette derived = qtPalette(palette);
  host->setPalette(derived);
  if (sameAsShown) return;  // it now carries the palette it already showed
  notifyScope(host, derived, changedEvent());
  QEvent event(changedEvent());
  QCoreApplication::sendEvent(host, &event);
  host->update();
}

void PaletteScope::setForApplication(QWidget* root, const Palette& palette) {
  const QPalette derived = qtPalette(palette);
  QApplication::setPalette(derived);
  QToolTip::setPalette(derived);
  set(root, palette);
}

}  // namespace zx::theme
