#include "theme/sidebar_row.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextDocument>

#include "theme/fonts.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kMargin = Space::md;   // outside the highlight, still clickable
constexpr int kPadding = Space::md;  // inside the highlight
constexpr int kGlyphColumn = 15;
constexpr int kGlyphX = kMargin + kPadding;
constexpr int kDot = 5;
constexpr int kMinGap = Space::xs;

const QFont& labelFont(bool selected) {
  return font(selected ? FontStyle::tableStrong : FontStyle::table);
}

qreal labelRoom(int rowWidth, const SidebarRowLook& look) {
  qreal room = rowWidth - kSidebarRowLabelX - kPadding - kMargin - kMinGap;
  if (look.trailingDot) room -= kDot;
  return std::max<qreal>(room, 0);
}

}  // namespace

bool sidebarRowLabelIsCut(int rowWidth, const SidebarRowLook& look) {
  return QFontMetricsF(labelFont(look.selected)).horizontalAdvance(look.label) >
         labelRoom(rowWidth, look);
}

void paintSidebarRow(QPainter& painter, const QRect& rect, const SidebarRowLook& look,
                     const Palette& p) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF highlight(rect.x() + kMargin, rect.y(), rect.width() - 2 * kMargin, rect.height());
  QColor fill;
  if (look.selected) {
    fill = p.selection;
  } else if (look.hovering) {
    fill = p.rowHover;
  }
  if (fill.isValid()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(highlight, Radius::row, Radius::row);
  }
  if (look.focused) {
    painter.setPen(QPen(p.accent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(highlight.adjusted(0.5, 0.5, -0.5, -0.5), Radius::row - 0.5,
                            Radius::row - 0.5);
  }
  const QRectF slot(rect.x() + kGlyphX, rect.y(), kGlyphColumn, rect.height());
  paintGlyph(painter, look.leading, slot, kSidebarRowGlyphStyle,
             look.selected ? p.accent : p.muted);

  const QFont& f = labelFont(look.selected);
  const QFontMetricsF m(f);
  painter.setFont(f);
  painter.setPen(look.selected ? p.text : p.textTertiary);
  const QString shown = m.elidedText(look.label, Qt::ElideRight, labelRoom(rect.width(), look));
  painter.drawText(
      QPointF(rect.x() + kSidebarRowLabelX, centredBaseline(m, rect.y(), rect.height())), shown);

  if (look.trailingDot) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(p.accent);
    const qreal right = rect.x() + rect.width() - kMargin - kPadding;
    painter.drawEllipse(QRectF(right - kDot, rect.y() + (rect.height() - kDot) / 2.0, kDot, kDot));
  }
  painter.restore();
}

SidebarRow::SidebarRow(const QString& label, const Glyph& leading, QWidget* parent)
    : QWidget(parent) {
  look_.leading = leading;
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(Size::sidebarRow);
  setFocusPolicy(Qt::TabFocus);
  setAttribute(Qt::WA_Hover);
  setLabel(label);
}

void SidebarRow::setLabel(const QString& label) {
  look_.label = label;
  setAccessibleName(label);
  syncToolTip();
  update();
}

void SidebarRow::setSelected(bool selected) {
  if (look_.selected == selected) return;
  look_.selected = selected;
  syncToolTip();  // the bold face is wider
  update();
}

void SidebarRow::setTrailingDot(bool shown) {
  if (look_.trailingDot == shown) return;
  look_.trailingDot = shown;
  syncToolTip();
  update();
}

SidebarRowLook SidebarRow::look() const {
  SidebarRowLook look = look_;
  look.focused = hasFocus();
  return look;
}

void SidebarRow::syncToolTip() {
  setToolTip(sidebarRowLabelIsCut(width(), look_) ? Qt::convertFromPlainText(look_.label)
                                                  : QString());
}

QSize SidebarRow::sizeHint() const {
  const qreal label = QFontMetricsF(labelFont(look_.selected)).horizontalAdvance(look_.label);
  const int width = kSidebarRowLabelX + int(std::ceil(label)) + kMinGap +
                    (look_.trailingDot ? kDot : 0) + kPadding + kMargin;
  return {width, Size::sidebarRow};
}

QSize SidebarRow::minimumSizeHint() const {
  return {kSidebarRowLabelX + kPadding + kMargin, Size::sidebarRow};
}

void SidebarRow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintSidebarRow(painter, rect(), look(), PaletteScope::of(this));
}

void SidebarRow::enterEvent(QEnterEvent*) {
  look_.hovering = true;
  update();
}

void SidebarRow::leaveEvent(QEvent*) {
  look_.hovering = false;
  update();
}

void SidebarRow::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    pressed_ = true;
    event->accept();
    return;
  }
  event->ignore();  // the right button is the owner's context menu
}

void SidebarRow::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  const bool wasPressed = pressed_;
  pressed_ = false;
  if (wasPressed && rect().contains(event->position().toPoint())) emit clicked();
}

void SidebarRow::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
       event->key() == Qt::Key_Enter)) {
    emit clicked();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SidebarRow::resizeEvent(QResizeEvent*) {
  syncToolTip();
}

void SidebarRow::focusInEvent(QFocusEvent*) {
  update();
}

void SidebarRow::focusOutEvent(QFocusEvent*) {
  update();
}

}  // namespace zx::theme
