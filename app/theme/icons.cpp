#include "theme/icons.h"

#include <QPainter>

#include "theme/palette_scope.h"

namespace zx::theme {
namespace {

struct IconEntry {
  Icon icon;
  const char* name;
  LineDrawing drawing;
};

const std::array<IconEntry, 15>& iconTable() {
  // clang-format off
  static const std::array<IconEntry, 15> table{{
    {Icon::indicators, "indicators", {{u"M3 17l6-6 4 4 8-8", u"M17 7h4v4"}, {}, {}, {}}},
    {Icon::drawTools,  "drawTools",  {{u"M12 19l7-7a2.1 2.1 0 00-3-3l-7 7-1 4z", u"M4 20h6"}, {}, {}, {}}},
    {Icon::trash,      "trash",      {{u"M4 7h16", u"M9 7V4.5a1 1 0 011-1h4a1 1 0 011 1V7",
                                       u"M5.5 7l1 12.5A1.5 1.5 0 008 21h8a1.5 1.5 0 001.5-1.5L18.5 7"}, {}, {}, {}}},
    {Icon::pending,    "pending",    {{u"M12 7v5l3 2"}, {{12, 12, 9}}, {}, {}}},
    {Icon::alert,      "alert",      {{u"M18 8a6 6 0 10-12 0c0 7-3 9-3 9h18s-3-2-3-9", u"M13.7 21a2 2 0 01-3.4 0"}, {}, {}, {}}},
    {Icon::settings,   "settings",   {{u"M12 21a9 9 0 110-18c4.97 0 9 3.58 9 8 0 2.21-1.79 4-4 4h-1.5a1.5 1.5 0 00-1.06 2.56A1.5 1.5 0 0112 21z"},
                                      {{7.5, 12, 1.1}, {10, 8, 1.1}, {15, 8.5, 1.1}}, {}, {}}},
    {Icon::back,       "back",       {{u"M15 18l-6-6 6-6"}, {}, {}, {}}},
    {Icon::plus,       "plus",       {{u"M12 5v14M5 12h14"}, {}, {}, {}}},
    {Icon::chart,      "chart",      {{u"M3 3v18h18", u"M7 14l3-4 3 3 5-6"}, {}, {}, {}}},
    {Icon::trade,      "trade",      {{u"M7 10l-4 4 4 4M3 14h13M17 4l4 4-4 4M21 8H8"}, {}, {}, {}}},
    {Icon::history,    "history",    {{u"M3 12a9 9 0 1 0 3-6.7L3 8", u"M3 3v5h5M12 7v5l3 2"}, {}, {}, {}}},
    {Icon::account,    "account",    {{u"M4.5 20.5a7.5 7.5 0 0 1 15 0"}, {{12, 8, 4}}, {}, {}}},
    {Icon::search,     "search",     {{u"M21 21l-4-4"}, {{11, 11, 7}}, {}, {}}},
    {Icon::close,      "close",      {{u"M6 6l12 12M18 6L6 18"}, {}, {}, {}}},
    {Icon::panel,      "panel",      {{u"M3 4h18v16H3z", u"M15 4v16"}, {}, {}, {}}},
  }};
  // clang-format on
  return table;
}

}  // namespace

QString iconName(Icon icon) {
  return QString::fromLatin1(iconTable()[size_t(icon)].name);
}

const LineDrawing& iconDrawing(Icon icon) {
  return iconTable()[size_t(icon)].drawing;
}

void paintIcon(QPainter& painter, Icon icon, const QRectF& square, qreal weight,
               const QColor& colour) {
  paintDrawing(painter, iconDrawing(icon), square, weight, colour);
}

IconView::IconView(Icon icon, qreal size, qreal weight, QWidget* parent)
    : QWidget(parent), icon_(icon), size_(size), weight_(weight) {
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IconView::setIcon(Icon icon) {
  if (icon_ == icon) return;
  icon_ = icon;
  update();
}

void IconView::setForeground(const PaletteColor& colour) {
  foreground_ = colour;
  update();
}

QSize IconView::sizeHint() const {
  return {qCeil(size_), qCeil(size_)};
}

void IconView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRectF square(QRectF(rect()).center() - QPointF(size_ / 2, size_ / 2),
                      QSizeF(size_, size_));
  paintIcon(painter, icon_, square, weight_,
            foreground_.resolve(PaletteScope::of(this), &Palette::textSecondary));
}

}  // namespace zx::theme
