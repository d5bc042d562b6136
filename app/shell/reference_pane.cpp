#include "shell/reference_pane.h"

#include <QPainter>
#include <QVBoxLayout>

#include "shell/reference_detail.h"
#include "shell/reference_list.h"
#include "shell/reference_rows.h"
#include "theme/theme.h"

namespace zx::views {

ReferencePane::ReferencePane(const bridge::EngineCalls& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
  header_ = new theme::PanelHeader(QStringLiteral("Reference"));
  count_ =
      new theme::KitLabel(QStringLiteral("0"), theme::FontStyle::caption, &theme::Palette::muted);
  count_->setTabularDigits(true);
  header_->addTrailing(count_);

  search_ = new theme::KitField(QStringLiteral("Search the standard library"));
  auto* searchBox = new QWidget;
  auto* searchRow = new QVBoxLayout(searchBox);
  searchRow->setContentsMargins(theme::Space::xl, theme::Space::lg, theme::Space::xl,
                                theme::Space::lg);
  searchRow->addWidget(search_);

  rows_ = new ReferenceRows(this);
  list_ = new ReferenceList(rows_);
  detailLine_ = new theme::Hairline;
  detail_ = new ReferenceDetail;
  detailLine_->hide();
  detail_->hide();

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(header_);
  column->addWidget(searchBox);
  column->addWidget(list_, 1);
  column->addWidget(detailLine_);
  column->addWidget(detail_);
  setTabOrder(search_, list_);

  connect(search_, &theme::KitField::textEdited, this, &ReferencePane::search);
  connect(list_, &ReferenceList::toggleRequested, this, &ReferencePane::toggle);
  connect(list_, &ReferenceList::entryChosen, this, &ReferencePane::choose);
  refresh();
}

void ReferencePane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (state_.load(engine_)) refresh();
}

void ReferencePane::search(const QString& query) {
  state_.setQuery(query);
  refresh();
  list_->scrollToTop();
}

void ReferencePane::toggle(const QString& title) {
  state_.toggle(title);
  refresh();
}

void ReferencePane::choose(const bridge::Completion& entry) {
  state_.select(entry);
  refresh();
}

void ReferencePane::refresh() {
  count_->setText(QString::number(state_.matches().size()));
  rows_->show(state_);
  const bool chosen = state_.selection().has_value();
  if (chosen) detail_->setEntry(*state_.selection());
  detailLine_->setVisible(chosen);
  detail_->setVisible(chosen);
}

void ReferencePane::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).surfaceSunken);
}

}  // namespace zx::views
