// The selectable list row: leading glyph, one-line label, an optional trailing dot, a
// highlight when selected or under the pointer.
#pragma once

#include <QWidget>

#include "theme/glyph.h"
#include "theme/palette.h"

namespace zx::theme {

// Everything a row shows, so a list delegate can paint rows without a widget each.
struct SidebarRowLook {
  QString label;
  bool selected = false;
  bool hovering = false;
  bool focused = false;  // keyboard focus: an accent outline
  Glyph leading;
  bool trailingDot = false;  // 5 x 5 accent dot (unsaved file)
};

// Symbols without a size of their own are drawn as the system font at 12 px, medium.
inline constexpr GlyphStyle kSidebarRowGlyphStyle{14, 1.7, 12, QFont::Medium};

// Paints one row into `rect` (its full width, the 8-px outer margins included).
void paintSidebarRow(QPainter& painter, const QRect& rect, const SidebarRowLook& look,
                     const Palette& palette);
// Whether the label is cut with "…" at this row width.
bool sidebarRowLabelIsCut(int rowWidth, const SidebarRowLook& look);
// Where the label begins, from the row's left edge.
inline constexpr int kSidebarRowLabelX = 39;

class SidebarRow : public QWidget {
  Q_OBJECT

 public:
  SidebarRow(const QString& label, const Glyph& leading, QWidget* parent = nullptr);

  QString label() const { return look_.label; }
  // Also the accessible name.
  void setLabel(const QString& label);
  bool selected() const { return look_.selected; }
  void setSelected(bool selected);
  void setTrailingDot(bool shown);
  bool hovering() const { return look_.hovering; }
  SidebarRowLook look() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // A left click released anywhere in the row (margins included), or Space / Return with
  // keyboard focus.
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void syncToolTip();

  SidebarRowLook look_;
  bool pressed_ = false;
};

}  // namespace zx::theme
