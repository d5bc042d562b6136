#include "panels/journal_list.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QVBoxLayout>

#include "panels/journal_model.h"
#include "panels/row_list_view.h"
#include "theme/theme.h"

namespace zx::views {

JournalList::JournalList(model::Workspace& workspace, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      model_(new JournalModel(this)),
      layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
    if (f == model::Workspace::Field::report) refresh();
  });
  refresh();
}

void JournalList::refresh() {
  const auto& report = workspace_.report();
  model_->setLines(report ? report->journal : QList<bridge::JournalLine>());
  const bool empty = model_->lineCount() == 0;
  if (shown_ && empty == !list_) return;
  if (shown_) {
    shown_->hide();
    shown_->deleteLater();
  }
  if (empty) {
    list_ = nullptr;
    shown_ = new theme::EmptyState(
        theme::Glyph::ofSymbol(QStringLiteral("text.alignleft")),
        QStringLiteral("Nothing logged yet"),
        QStringLiteral("Run a backtest. Whatever your bot writes with log.info appears here."), 16,
        this);
  } else {
    list_ = new RowListView(this);
    list_->setModel(model_);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setCopyable(true);
    list_->setAccessibleName(QStringLiteral("Journal"));
    connect(list_, &RowListView::copyRequested, this, &JournalList::copy);
    shown_ = list_;
  }
  layout_->addWidget(shown_);
}

void JournalList::copy() {
  if (!list_) return;
  const QString text = model_->messages(list_->selectionModel()->selectedIndexes());
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

}  // namespace zx::views
