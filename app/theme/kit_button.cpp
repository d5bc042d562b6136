#include "theme/kit_button.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "theme/control_frame.h"
#include "theme/ease_tween.h"
#include "theme/focus_home.h"
#include "theme/fonts.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kPadding = Space::lg;
constexpr int kGap = Space::sm;
constexpr qreal kDisabledOpacity = 0.4;

}  // namespace

KitButton::KitButton(const QString& title, QWidget* parent)
    : KitButton(title, Glyph(), Tone::normal, parent) {}

KitButton::KitButton(const QString& title, const Glyph& glyph, Tone tone, QWidget* parent)
    : QPushButton(parent),
      glyph_(glyph),
      tone_(tone),
      hover_(new EaseTween(this, EaseTween::Follow::hover)),
      focus_(new EaseTween(this, EaseTween::Follow::focus)) {
  setAutoDefault(false);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  setTitle(title);
}

void KitButton::setTitle(const QString& title) {
  setText(title);
  setAccessibleName(title);
  updateGeometry();
  update();
}

void KitButton::setTone(Tone tone) {
  tone_ = tone;
  update();
}

bool KitButton::hovering() const {
  return hover_->on();
}

QSize KitButton::sizeHint() const {
  const qreal edge = glyphEdge(glyph_, kGlyphStyle);
  const qreal title = QFontMetricsF(theme::font(FontStyle::bodyStrong)).horizontalAdvance(text());
  int width = 2 * kPadding + int(std::ceil(edge)) + int(std::ceil(title));
  if (edge > 0 && !text().isEmpty()) width += kGap;
  return {width, Size::control};
}

QSize KitButton::minimumSizeHint() const {
  return sizeHint();
}

void KitButton::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  if (!isEnabled()) painter.setOpacity(kDisabledOpacity);

  ControlFrame frame;
  QColor foreground = Qt::white;
  switch (tone_) {
    case Tone::normal:
      frame.fill = p.surface;
      frame.border = controlBorder(p.border, p.accent, hover_->progress(), focus_->progress());
      foreground = p.textSecondary;
      break;
    case Tone::primary:
      frame.fill = p.accent;
      frame.border = withOpacity(p.accent, focus_->progress());
      break;
    case Tone::destructive:
      frame.fill = p.sell;
      frame.border = withOpacity(p.accent, focus_->progress());
      break;
  }
  frame.ring = focusRing(p.accent, focus_->progress());
  paintControlFrame(painter, rect(), Radius::control, frame);

  // The content is centred, so a button stretched by its layout keeps it in the middle.
  const QFont& f = theme::font(FontStyle::bodyStrong);
  const QFontMetricsF m(f);
  const qreal edge = glyphEdge(glyph_, kGlyphStyle);
  const qreal titleWidth = m.horizontalAdvance(text());
  const qreal content = edge + titleWidth + (edge > 0 && !text().isEmpty() ? kGap : 0);
  qreal x = std::max<qreal>(kPadding, std::round((width() - content) / 2));
  if (edge > 0) {
    paintGlyph(painter, glyph_, QRectF(x, 0, edge, height()), kGlyphStyle, foreground);
    x += edge + kGap;
  }
  painter.setFont(f);
  painter.setPen(foreground);
  const QString shown = m.elidedText(text(), Qt::ElideRight, width() - kPadding - x);
  painter.drawText(QPointF(x, centredBaseline(m, 0, height())), shown);
}

void KitButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint());
  // The action may close the window or delete the button.
  const QPointer<QWidget> window = this->window();
  QPushButton::mouseReleaseEvent(event);
  if (click) returnFocusHome(window);
}

}  // namespace zx::theme
