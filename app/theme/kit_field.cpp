#include "theme/kit_field.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include "theme/control_frame.h"
#include "theme/ease_tween.h"
#include "theme/fonts.h"
#include "theme/icons.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kPadding = Space::md;
constexpr int kGap = Space::sm;
constexpr int kSearchPx = 12;
constexpr int kClearPx = 10;
constexpr int kEditX = kPadding + kSearchPx + kGap;  // 26

// The close icon that empties the field; never takes focus, so a click leaves it where it was.
class ClearButton : public QAbstractButton {
 public:
  explicit ClearButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Clear"));
    setCursor(Qt::ArrowCursor);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    paintIcon(painter, Icon::close, QRectF(rect()), 2, PaletteScope::of(this).muted);
  }
};

}  // namespace

KitField::KitField(const QString& placeholder, QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      clear_(new ClearButton(this)),
      focus_(new EaseTween(this, EaseTween::Follow::focus, edit_)) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(Size::control);
  setFocusProxy(edit_);
  setCursor(Qt::IBeamCursor);
  edit_->setFrame(false);
  edit_->setFont(theme::font(FontStyle::table));
  edit_->setPlaceholderText(placeholder);
  edit_->setAttribute(Qt::WA_MacShowFocusRect, false);
  syncEditPalette();
  setAccessibleName(placeholder);
  edit_->setAccessibleName(placeholder);
  clear_->hide();
  connect(edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
    syncClearButton();
    emit textEdited(text);
  });
  connect(edit_, &QLineEdit::textChanged, this, [this] { syncClearButton(); });
  connect(clear_, &QAbstractButton::clicked, this, &KitField::clearByUser);
}

QString KitField::text() const {
  return edit_->text();
}

void KitField::setText(const QString& text) {
  if (text == edit_->text()) return;
  edit_->setText(text);
  syncClearButton();
}

QString KitField::placeholder() const {
  return edit_->placeholderText();
}

void KitField::setPlaceholder(const QString& placeholder) {
  edit_->setPlaceholderText(placeholder);
  setAccessibleName(placeholder);
  edit_->setAccessibleName(placeholder);
}

QSize KitField::sizeHint() const {
  return {200, Size::control};
}

QSize KitField::minimumSizeHint() const {
  return {kEditX + 40 + kGap + kClearPx + kPadding, Size::control};
}

void KitField::clearByUser() {
  edit_->clear();  // undoable, like any edit
  syncClearButton();
  emit textEdited(QString());
}

void KitField::syncClearButton() {
  const bool shown = !edit_->text().isEmpty();
  if (clear_->isVisible() != shown) {
    clear_->setVisible(shown);
    layoutChildren();
  }
}

void KitField::layoutChildren() {
  const int right = width() - kPadding;
  clear_->setGeometry(right - kClearPx, (height() - kClearPx) / 2, kClearPx, kClearPx);
  const int editRight = clear_->isVisible() ? right - kClearPx - kGap : right;
  edit_->setGeometry(kEditX, 0, std::max(editRight - kEditX, 0), height());
}

void KitField::resizeEvent(QResizeEvent*) {
  layoutChildren();
}

void KitField::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  const qreal focus = focus_->progress();
  paintControlFrame(
      painter, rect(), Radius::control,
      {p.surfaceRaised, controlBorder(p.border, p.accent, 0, focus), focusRing(p.accent, focus)});
  const QRectF search(kPadding, (height() - kSearchPx) / 2.0, kSearchPx, kSearchPx);
  paintIcon(painter, Icon::search, search, 1.8, p.muted);
}

// The line edit draws its text with Qt's palette: keep it on the kit's colours, over a
// transparent base, whatever scope the field sits in.
void KitField::syncEditPalette() {
  const Palette& p = PaletteScope::of(this);
  QPalette q = edit_->palette();
  q.setColor(QPalette::Base, Qt::transparent);
  q.setColor(QPalette::Text, p.text);
  q.setColor(QPalette::PlaceholderText, p.muted);
  q.setColor(QPalette::Highlight, p.selection);
  q.setColor(QPalette::HighlightedText, p.text);
  edit_->setPalette(q);
}

bool KitField::event(QEvent* event) {
  if (event->type() == PaletteScope::changedEvent() || event->type() == QEvent::ParentChange ||
      event->type() == QEvent::Polish) {
    syncEditPalette();
  }
  return QWidget::event(event);
}

void KitField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    if (!edit_->text().isEmpty()) {
      clearByUser();
      event->accept();
      return;
    }
  }
  event->ignore();  // an empty field passes Escape on: a dialog still closes
}

void KitField::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) edit_->setFocus(Qt::MouseFocusReason);
  QWidget::mousePressEvent(event);
}

}  // namespace zx::theme
