#include "panels/problems_list.h"

#include <QVBoxLayout>

#include "panels/problems_model.h"
#include "panels/row_list_view.h"
#include "theme/theme.h"

namespace zx::views {

ProblemsList::ProblemsList(model::Workspace& workspace,
                           std::function<void(const bridge::Diagnostic&)> onJumpTo, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      onJumpTo_(std::move(onJumpTo)),
      model_(new ProblemsModel(this)),
      layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
    if (f == model::Workspace::Field::diagnostics) refresh();
  });
  refresh();
}

void ProblemsList::refresh() {
  model_->setDiagnostics(workspace_.diagnostics());
  const bool empty = model_->rowCount() == 0;
  if (shown_ && empty == !list_) return;  // the same view, refreshed in place
  if (shown_) {
    shown_->hide();
    shown_->deleteLater();
  }
  if (empty) {
    list_ = nullptr;
    shown_ = new theme::EmptyState(theme::Glyph::ofSymbol(QStringLiteral("checkmark")),
                                   QStringLiteral("No problems"),
                                   QStringLiteral("The file compiles. Build it to a bundle, or "
                                                  "run a backtest."),
                                   16, this);
  } else {
    list_ = new RowListView(this);
    list_->setModel(model_);
    list_->setVerticalMargins(6);
    list_->setAccessibleName(QStringLiteral("Problems"));
    list_->setMarksCurrentOnTab(true);
    // `clicked`, not `activated`: a double-click would jump twice.
    connect(list_, &QListView::clicked, this, &ProblemsList::jump);
    connect(list_, &RowListView::rowEntered, this, &ProblemsList::jump);
    shown_ = list_;
  }
  layout_->addWidget(shown_);
}

void ProblemsList::jump(const QModelIndex& index) {
  if (!index.isValid() || index.row() >= model_->diagnostics().size() || !onJumpTo_) return;
  const bridge::Diagnostic diagnostic = model_->diagnostics()[index.row()];
  onJumpTo_(diagnostic);
}

}  // namespace zx::views
