#include "theme/panel_header.h"

#include <QHBoxLayout>
#include <QPainter>

#include "theme/hairline.h"
#include "theme/kit_label.h"
#include "theme/palette_scope.h"
#include "theme/tokens.h"

namespace zx::theme {
namespace {

constexpr int kMinGap = Space::xs;

}  // namespace

PanelHeader::PanelHeader(const QString& title, QWidget* parent) : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setFixedHeight(Size::panelHeader);
  title_ = new KitLabel(title, FontStyle::emphasis, &Palette::textSecondary);
  title_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  setAccessibleName(title);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(Space::xl, 0, Space::xl, 0);
  row->setSpacing(0);
  row->addWidget(title_, 1);
  row->addSpacing(kMinGap);
  trailing_ = new QHBoxLayout;
  trailing_->setSpacing(Space::sm);
  row->addLayout(trailing_);
  // Over the strip's last row, which a parent's own painting would lie under.
  line_ = new Hairline(Qt::Horizontal, true, this);
}

QString PanelHeader::title() const {
  return title_->text();
}

void PanelHeader::setTitle(const QString& title) {
  title_->setText(title);
  setAccessibleName(title);
}

void PanelHeader::addTrailing(QWidget* widget) {
  trailing_->addWidget(widget, 0, Qt::AlignVCenter);
  line_->raise();
}

void PanelHeader::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).panel);
}

void PanelHeader::resizeEvent(QResizeEvent*) {
  line_->setGeometry(0, height() - 1, width(), 1);
  line_->raise();
}

}  // namespace zx::theme
