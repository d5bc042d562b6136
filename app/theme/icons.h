// The kit's fifteen line icons.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

#include "theme/line_drawing.h"
#include "theme/palette.h"

class QPainter;

namespace zx::theme {

enum class Icon {
  indicators,
  drawTools,
  trash,
  pending,
  alert,
  settings,
  back,
  plus,
  chart,
  trade,
  history,
  account,
  search,
  close,
  panel,
};

inline constexpr std::array<Icon, 15> kAllIcons{
    Icon::indicators, Icon::drawTools, Icon::trash,  Icon::pending, Icon::alert,
    Icon::settings,   Icon::back,      Icon::plus,   Icon::chart,   Icon::trade,
    Icon::history,    Icon::account,   Icon::search, Icon::close,   Icon::panel};

// The icon's name as written in code ("drawTools").
QString iconName(Icon icon);
const LineDrawing& iconDrawing(Icon icon);

// Draws `icon` in `square` with lines `weight` wide; the weight does not scale with size.
void paintIcon(QPainter& painter, Icon icon, const QRectF& square, qreal weight,
               const QColor& colour);

// A widget showing one icon at a fixed size, in a palette role or a fixed colour.
class IconView : public QWidget {
 public:
  IconView(Icon icon, qreal size, qreal weight, QWidget* parent = nullptr);

  Icon icon() const { return icon_; }
  void setIcon(Icon icon);
  // Default: the palette's textSecondary.
  void setForeground(const PaletteColor& colour);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Icon icon_;
  qreal size_;
  qreal weight_;
  PaletteColor foreground_;
};

}  // namespace zx::theme
