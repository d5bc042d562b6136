#include "theme/underline_tabs.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

#include "theme/fonts.h"
#include "theme/hairline.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kPadding = Space::lg;
constexpr int kUnderline = 2;
constexpr int kMinSpacer = Space::lg;
constexpr int kTrailingMargin = Space::xl;

const QFont& tabFont(bool active) {
  return font(active ? FontStyle::tableStrong : FontStyle::table);
}

}  // namespace

TabButton::TabButton(int tag, const QString& label, QWidget* parent)
    : QAbstractButton(parent), tag_(tag) {
  setAccessibleRole(this, QAccessible::PageTab);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  setCheckable(true);
  setLabel(label);
}

void TabButton::setLabel(const QString& label) {
  setText(label);
  setAccessibleName(label);
  updateGeometry();
  update();
}

void TabButton::setActive(bool active) {
  if (active_ == active) return;
  active_ = active;
  setChecked(active);  // accessibility reads the checked tab as the selected one
  QAccessible::State changed;
  changed.selected = true;
  QAccessibleStateChangeEvent event(this, changed);
  QAccessible::updateAccessibility(&event);
  updateGeometry();  // the active face is bolder, so wider
  update();
}

QSize TabButton::sizeHint() const {
  const qreal advance = QFontMetricsF(tabFont(active_)).horizontalAdvance(text());
  return {int(std::ceil(advance)) + 2 * kPadding, Size::tabBar};
}

QSize TabButton::minimumSizeHint() const {
  return sizeHint();
}

void TabButton::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  const QFont& f = tabFont(active_);
  const QFontMetricsF m(f);
  painter.setFont(f);
  painter.setPen(active_ ? p.text : hovering_ ? p.textSecondary : p.muted);
  const qreal x = std::round((width() - m.horizontalAdvance(text())) / 2);
  painter.drawText(QPointF(x, centredBaseline(m, 0, height())), text());
  if (active_) painter.fillRect(QRect(0, height() - kUnderline, width(), kUnderline), p.accent);
  if (hasFocus()) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(withOpacity(p.accent, 0.6), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(2.5, 6.5, -2.5, -6.5), Radius::tag,
                            Radius::tag);
  }
}

void TabButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  hovering_ = true;
  update();
}

void TabButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  hovering_ = false;
  update();
}

UnderlineTabs::UnderlineTabs(const QList<Tab>& tabs, QWidget* parent) : QWidget(parent) {
  setAccessibleRole(this, QAccessible::PageTabList);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(Size::tabBar);
  row_ = new QHBoxLayout(this);
  row_->setContentsMargins(0, 0, 0, 0);
  row_->setSpacing(0);
  for (const Tab& tab : tabs) {
    auto* button = new TabButton(tab.tag, tab.label, this);
    connect(button, &QAbstractButton::clicked, this, [this, tag = tab.tag] {
      setSelection(tag);
      emit selectionEdited(tag);
    });
    buttons_ << button;
    row_->addWidget(button);
  }
  row_->addSpacing(kMinSpacer);
  row_->addStretch(1);
  line_ = new Hairline(Qt::Horizontal, true, this);
}

void UnderlineTabs::setSelection(int tag) {
  selection_ = tag;
  for (TabButton* button : buttons_) button->setActive(button->tag() == tag);
}

void UnderlineTabs::setTabLabel(int tag, const QString& label) {
  if (TabButton* button = tabButton(tag)) button->setLabel(label);
}

void UnderlineTabs::setTrailing(QWidget* widget) {
  if (trailing_ == widget) return;
  if (trailing_) {
    row_->removeWidget(trailing_);
    delete trailing_;
    delete row_->takeAt(row_->count() - 1);  // its margin
  }
  trailing_ = widget;
  if (widget) {
    row_->addWidget(widget, 0, Qt::AlignVCenter);
    row_->addSpacing(kTrailingMargin);
  }
  line_->raise();
}

TabButton* UnderlineTabs::tabButton(int tag) const {
  for (TabButton* button : buttons_) {
    if (button->tag() == tag) return button;
  }
  return nullptr;
}

QSize UnderlineTabs::sizeHint() const {
  return {QWidget::sizeHint().width(), Size::tabBar};
}

void UnderlineTabs::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).panel);
}

void UnderlineTabs::resizeEvent(QResizeEvent*) {
  // Over the tabs, so it covers the underline's lowest row.
  line_->setGeometry(0, height() - 1, width(), 1);
  line_->raise();
}

}  // namespace zx::theme
