#include "theme/status_bar.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>

#include "theme/fonts.h"
#include "theme/kit_accessibility.h"
#include "theme/palette_scope.h"
#include "theme/tabular_text.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kLabelGap = 4;

// The gridline along the bar's top, a child so it lies over the items.
class TopLine : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), PaletteScope::of(this).gridline);
  }
};

}  // namespace

StatusItem::StatusItem(const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), label_(label), value_(value) {
  setAccessibleRole(this, QAccessible::StaticText);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  syncAccessibility();
}

void StatusItem::setLabel(const QString& label) {
  label_ = label;
  syncAccessibility();
  updateGeometry();
  update();
}

void StatusItem::setValue(const QString& value) {
  if (value == value_) return;
  value_ = value;
  syncAccessibility();
  updateGeometry();
  update();
}

void StatusItem::setTone(const PaletteColor& tone) {
  tone_ = tone;
  update();
}

void StatusItem::syncAccessibility() {
  setAccessibleName(label_);
  setAccessibleDescription(value_);
}

QSize StatusItem::sizeHint() const {
  const QFont& f = theme::font(FontStyle::caption);
  const QFontMetricsF m(f);
  const qreal width = m.horizontalAdvance(label_) + kLabelGap + tabularWidth(f, value_);
  return {int(std::ceil(width)), int(std::ceil(m.height()))};
}

QSize StatusItem::minimumSizeHint() const {
  return sizeHint();
}

void StatusItem::paintEvent(QPaintEvent*) {
  const Palette& p = PaletteScope::of(this);
  QPainter painter(this);
  const QFont& f = theme::font(FontStyle::caption);
  const QFontMetricsF m(f);
  const qreal baseline = centredBaseline(m, 0, height());
  painter.setFont(f);
  painter.setPen(p.muted);
  painter.drawText(QPointF(0, baseline), label_);
  painter.setPen(tone_.resolve(p, &Palette::textSecondary));
  drawTabular(painter, QPointF(m.horizontalAdvance(label_) + kLabelGap, baseline), f, value_);
}

StatusBar::StatusBar(QWidget* parent) : QWidget(parent) {
  setFixedHeight(Size::statusBar);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFont(theme::font(FontStyle::caption));
  row_ = new QHBoxLayout(this);
  row_->setContentsMargins(Space::xl, 0, Space::xl, 0);
  row_->setSpacing(Space::xl);
  topLine_ = new TopLine(this);
  topLine_->setAttribute(Qt::WA_TransparentForMouseEvents);
}

StatusItem* StatusBar::addItem(const QString& label, const QString& value) {
  auto* item = new StatusItem(label, value);
  addItem(item);
  return item;
}

void StatusBar::addItem(StatusItem* item) {
  addWidget(item);
}

void StatusBar::addWidget(QWidget* widget, int stretch) {
  row_->addWidget(widget, stretch, Qt::AlignVCenter);
  topLine_->raise();
}

void StatusBar::addStretch(int stretch) {
  row_->addStretch(stretch);
}

void StatusBar::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).surfaceSunken);
}

void StatusBar::resizeEvent(QResizeEvent*) {
  topLine_->setGeometry(0, 0, width(), 1);
  topLine_->raise();
}

}  // namespace zx::theme
