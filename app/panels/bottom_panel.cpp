#include "panels/bottom_panel.h"

#include <QPainter>
#include <QVBoxLayout>

#include "panels/journal_list.h"
#include "panels/number_box.h"
#include "panels/problems_list.h"
#include "panels/tester_panel.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

using Field = model::Workspace::Field;

QString labelWithCount(const char* name, qsizetype n) {
  const QString bare = QString::fromLatin1(name);
  return n == 0 ? bare : bare + QStringLiteral("  ") + QString::number(n);
}

}  // namespace

BottomPanel::BottomPanel(model::Workspace& workspace,
                         std::function<void(const bridge::Diagnostic&)> onJumpTo, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      onJumpTo_(std::move(onJumpTo)),
      tabs_(new theme::UnderlineTabs({{int(BottomTab::problems), QStringLiteral("Problems")},
                                      {int(BottomTab::tester), QStringLiteral("Tester")},
                                      {int(BottomTab::journal), QStringLiteral("Journal")}},
                                     this)),
      run_(new theme::KitButton(QStringLiteral("Run"),
                                theme::Glyph::ofSymbol(QStringLiteral("play.fill")),
                                theme::KitButton::Tone::primary)),
      layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->addWidget(tabs_);
  // One Run button for the panel's life, shown on the Tester tab only: replacing it could
  // delete it inside its own click.
  tabs_->setTrailing(run_);
  connect(run_, &QPushButton::clicked, this, [this] {
    // A number still being typed counts.
    NumberBox::commitFocused();
    workspace_.runBacktest();
  });
  connect(tabs_, &theme::UnderlineTabs::selectionEdited, this, [this](int tag) {
    setTab(BottomTab(tag));
    emit tabChanged(tab_);
  });
  connect(&workspace_, &model::Workspace::changed, this, &BottomPanel::onChanged);
  tabs_->setSelection(int(tab_));
  refreshLabels();
  refreshRun();
  showView();
}

void BottomPanel::setTab(BottomTab tab) {
  if (tab == tab_ && view_) return;
  tab_ = tab;
  tabs_->setSelection(int(tab_));
  refreshRun();
  showView();
}

QString BottomPanel::problemsLabel() const {
  return labelWithCount("Problems", workspace_.diagnostics().size());
}

QString BottomPanel::journalLabel() const {
  const auto& report = workspace_.report();
  return labelWithCount("Journal", report ? report->journal.size() : 0);
}

void BottomPanel::onChanged(Field field) {
  switch (field) {
    case Field::diagnostics:
    case Field::report:
      refreshLabels();
      refreshRun();
      break;
    case Field::isTesting:
      refreshRun();
      break;
    default:
      break;
  }
}

void BottomPanel::refreshLabels() {
  tabs_->setTabLabel(int(BottomTab::problems), problemsLabel());
  tabs_->setTabLabel(int(BottomTab::journal), journalLabel());
}

void BottomPanel::refreshRun() {
  const bool testing = workspace_.isTesting();
  run_->setTitle(testing ? QStringLiteral("Running") : QStringLiteral("Run"));
  run_->setEnabled(workspace_.errorCount() == 0 && !testing);
  run_->setVisible(tab_ == BottomTab::tester);
}

void BottomPanel::showView() {
  if (view_) {
    view_->hide();
    view_->deleteLater();
  }
  switch (tab_) {
    case BottomTab::problems:
      view_ = new ProblemsList(workspace_, onJumpTo_, this);
      break;
    case BottomTab::tester:
      view_ = new TesterPanel(workspace_, this);
      break;
    case BottomTab::journal:
      view_ = new JournalList(workspace_, this);
      break;
  }
  layout_->addWidget(view_, 1);
}

void BottomPanel::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), theme::PaletteScope::of(this).panel);
}

}  // namespace zx::views
