#include "shell/reference_detail.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include "theme/fonts.h"
#include "theme/kit_label.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::views {
namespace {

QLabel* wrappingLabel(const QFont& font, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);  // engine texts are shown verbatim
  label->setWordWrap(true);
  label->setFont(font);
  // Its width comes from the pane: an unbreakable word must not widen the whole column.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Minimum);
  return label;
}

void setForeground(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  label->setPalette(palette);
}

}  // namespace

ReferenceDetail::ReferenceDetail(QWidget* parent) : QWidget(parent) {
  name_ = new theme::KitLabel(QString(), theme::FontStyle::title, &theme::Palette::text, this);
  type_ = wrappingLabel(theme::font(theme::FontStyle::code), this);
  type_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  type_->setCursor(Qt::IBeamCursor);
  summary_ = wrappingLabel(theme::font(theme::FontStyle::table), this);

  auto* column = new QVBoxLayout(this);
  const int pad = theme::Space::xl;
  column->setContentsMargins(pad, pad, pad, pad);
  column->setSpacing(theme::Space::md);
  column->addWidget(name_);
  column->addWidget(type_);
  column->addWidget(summary_);
  applyColours();
}

void ReferenceDetail::setEntry(const bridge::Completion& entry) {
  name_->setText(entry.name);
  type_->setText(entry.type);
  type_->setAccessibleName(entry.type);
  summary_->setText(entry.summary);
  summary_->setVisible(!entry.summary.isEmpty());
}

void ReferenceDetail::applyColours() {
  const theme::Palette& p = theme::PaletteScope::of(this);
  setForeground(type_, p.accent);
  setForeground(summary_, p.textTertiary);
}

bool ReferenceDetail::event(QEvent* event) {
  if (event->type() == theme::PaletteScope::changedEvent() ||
      event->type() == QEvent::ParentChange) {
    applyColours();
  }
  return QWidget::event(event);
}

void ReferenceDetail::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).panel);
}

}  // namespace zx::views
