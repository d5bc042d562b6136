#include "shell/root_view.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QRegularExpression>
#include <QShortcut>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <limits>

#include "editor/kelo_editor.h"
#include "panels/bottom_panel.h"
#include "panels/number_box.h"
#include "shell/editor_pane.h"
#include "shell/file_looks.h"
#include "shell/reference_pane.h"
#include "shell/sidebar.h"
#include "shell/top_bar.h"
#include "theme/theme.h"

namespace zx::views {

using theme::PaletteScope;

namespace {

constexpr double kEditorMinHeight = 200;
constexpr double kPanelMinHeight = 140;

int pixels(double width) {
  return int(std::lround(width));
}

// The status line has one line: the breaks of a message (a build's list of problems) read
// as the separator the line's own messages use, never as nothing.
QString oneLine(const QString& message) {
  static const QRegularExpression breaks(
      QStringLiteral("\\s*[\\n\\r\\v\\f\\x{85}\\x{2028}\\x{2029}]+\\s*"));
  return message.split(breaks, Qt::SkipEmptyParts).join(QStringLiteral(" \u00B7 "));
}

int clampedInt(qint64 v) {
  return int(
      std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

RootView::RootView(model::Workspace& workspace, ViewState& state, ShellSettings& settings,
                   AppEvents& events, const bridge::EngineCalls& engine, model::Dialogs& dialogs,
                   MainWindow& window, QWidget* parent)
    : QWidget(parent),
      workspace_(workspace),
      state_(state),
      settings_(settings),
      events_(events),
      engine_(engine),
      window_(window) {
  FileLooks::of(workspace_);  // before any view connects, so every view reads fresh looks
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  topBar_ = new TopBar(
      workspace_, state_, [this] { build(); }, [this] { runTest(); }, this);
  column->addWidget(topBar_);

  row_ = new QHBoxLayout();
  row_->setContentsMargins(0, 0, 0, 0);
  row_->setSpacing(0);
  column->addLayout(row_, 1);

  sidebarColumn_ = new QWidget(this);
  auto* sidebarLayout = new QVBoxLayout(sidebarColumn_);
  sidebarLayout->setContentsMargins(0, 0, 0, 0);
  sidebar_ = new Sidebar(workspace_, dialogs, sidebarColumn_);
  sidebarLayout->addWidget(sidebar_);
  sidebarColumn_->setFixedWidth(pixels(settings_.sidebarWidth()));
  row_->addWidget(sidebarColumn_);

  sidebarHandle_ = new theme::SplitHandle(theme::Size::sidebarRange, false, this);
  sidebarHandle_->setValue(settings_.sidebarWidth());
  // The handle keeps the value in its range; the width itself takes no bounds of its own.
  connect(sidebarHandle_, &theme::SplitHandle::valueEdited, this, [this](double width) {
    settings_.setSidebarWidth(width);
    sidebarColumn_->setFixedWidth(pixels(width));
  });
  row_->addWidget(sidebarHandle_);

  editorPane_ = new EditorPane(workspace_, engine_);
  bottomPanel_ = new BottomPanel(workspace_, [this](const bridge::Diagnostic& d) {
    events_.postJumpToLine(clampedInt(d.line), clampedInt(d.column));
  });
  split_ =
      new theme::VerticalSplit(editorPane_, bottomPanel_, kEditorMinHeight, kPanelMinHeight, this);
  split_->setBottomHeight(bottomHeight_);
  row_->addWidget(split_, 1);

  grow_ = new QVariantAnimation(this);
  grow_->setDuration(kGrowMs);
  grow_->setEasingCurve(theme::EaseTween::easeOut());  // as the kit's own transitions
  connect(grow_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& v) { setBottomHeight(v.toDouble()); });
  connect(split_, &theme::VerticalSplit::bottomHeightEdited, this, [this](double height) {
    grow_->stop();
    bottomHeight_ = height;
  });

  column->addWidget(makeStatusBar());

  // The tab lives in the view state; each side passes on only real changes.
  bottomPanel_->setTab(state_.bottomTab());
  connect(&state_, &ViewState::bottomTabChanged, bottomPanel_, [this](BottomTab tab) {
    if (bottomPanel_->tab() != tab) bottomPanel_->setTab(tab);
  });
  connect(bottomPanel_, &BottomPanel::tabChanged, this, [this](BottomTab tab) {
    if (state_.bottomTab() != tab) state_.setBottomTab(tab);
  });

  connect(&events_, &AppEvents::jumpToLine, this,
          [this](int line, int column) { editorPane_->editor()->jumpTo(line, column); });
  connect(&state_, &ViewState::showReferenceChanged, this, &RootView::showReference);
  showReference(state_.showReference());

  theme::setFocusHome(&window_, editorPane_->editor());
  // Ctrl+Tab reaches the next region wherever the focus is, also from the editor, where
  // Tab types. Qt matches the desktop's Ctrl+Shift+Backtab to Ctrl+Shift+Tab.
  const auto regionKeys = [this](const QKeySequence& keys, bool next) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this, next] { focusRegion(next); });
  };
  regionKeys(QKeySequence(Qt::CTRL | Qt::Key_Tab), true);
  regionKeys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), false);

  connect(&workspace_, &model::Workspace::changed, this, &RootView::onChanged);
  wasTesting_ = workspace_.isTesting();
  refreshTitle();
  refreshStatus();
  refreshMessage();
}

QWidget* RootView::makeStatusBar() {
  statusBar_ = new theme::StatusBar(this);
  // The engine is part of this process: its version cannot change while it runs.
  kelo_ = statusBar_->addItem(QStringLiteral("Kelo"), engine_.version());
  line_ = statusBar_->addItem(QStringLiteral("Ln"), QString());
  column_ = statusBar_->addItem(QStringLiteral("Col"), QString());
  checked_ = statusBar_->addItem(QStringLiteral("Checked"), QString());
  kind_ = statusBar_->addItem(QStringLiteral("Kind"), QString());
  statusBar_->addStretch(1);
  message_ = new theme::KitLabel(QString(), theme::FontStyle::caption, &theme::Palette::buy);
  message_->setObjectName(QStringLiteral("buildMessage"));
  message_->setElideMode(Qt::ElideMiddle);
  message_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  message_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  message_->setMinimumWidth(0);
  statusBar_->addWidget(message_);
  return statusBar_;
}

ReferencePane* RootView::referencePane() const {
  return referencePane_;
}

theme::SplitHandle* RootView::referenceHandle() const {
  return referenceHandle_;
}

theme::StatusItem* RootView::statusItem(const QString& label) const {
  for (theme::StatusItem* item : {kelo_, line_, column_, checked_, kind_}) {
    if (item->label() == label) return item;
  }
  return nullptr;
}

void RootView::runTest() {
  NumberBox::commitFocused();
  state_.setBottomTab(BottomTab::tester);
  workspace_.runBacktest();
}

void RootView::build() {
  workspace_.build(true);
}

void RootView::showReference(bool shown) {
  if (shown == !referencePane_.isNull()) return;
  if (!shown) {
    // Deleted, not hidden: the pane's search and selection start afresh next time.
    delete referencePane_.data();
    delete referenceHandle_.data();
    return;
  }
  referenceHandle_ = new theme::SplitHandle(theme::Size::referenceRange, true, this);
  referenceHandle_->setValue(settings_.referenceWidth());
  referencePane_ = new ReferencePane(engine_, this);
  referencePane_->setFixedWidth(pixels(settings_.referenceWidth()));
  connect(referenceHandle_, &theme::SplitHandle::valueEdited, this, [this](double width) {
    settings_.setReferenceWidth(width);
    if (referencePane_) referencePane_->setFixedWidth(pixels(width));
  });
  row_->addWidget(referenceHandle_);
  row_->addWidget(referencePane_);
  referenceHandle_->show();
  referencePane_->show();
}

void RootView::setBottomHeight(double height) {
  bottomHeight_ = height;
  split_->setBottomHeight(height);
}

void RootView::onChanged(model::Workspace::Field field) {
  using F = model::Workspace::Field;
  switch (field) {
    case F::selectedFileID:
      followSelection();
      [[fallthrough]];
    case F::files:
      refreshTitle();
      refreshStatus();
      break;
    case F::cursorLine:
    case F::cursorColumn:
    case F::lastCheckMilliseconds:
      refreshStatus();
      break;
    case F::buildMessage:
    case F::buildFailed:
      refreshMessage();
      break;
    case F::isTesting:
      testingChanged();
      break;
    default:
      break;
  }
}

void RootView::followSelection() {
  // Walking the file rows by keys keeps the focus on them; otherwise it follows the
  // document into the editor.
  QWidget* focused = QApplication::focusWidget();
  if (focused && sidebar_->isAncestorOf(focused)) return;
  theme::returnFocusHome(this);
}

void RootView::testingChanged() {
  const bool testing = workspace_.isTesting();
  if (testing == wasTesting_) return;
  wasTesting_ = testing;
  if (testing || !workspace_.report() || bottomHeight_ >= kReportHeight) return;
  grow_->stop();
  grow_->setStartValue(bottomHeight_);
  grow_->setEndValue(kReportHeight);
  grow_->start();
}

void RootView::refreshTitle() {
  window_.showSelected(FileLooks::of(workspace_).selected());
}

void RootView::refreshStatus() {
  line_->setValue(QString::number(workspace_.cursorLine()));
  column_->setValue(QString::number(workspace_.cursorColumn()));
  checked_->setValue(QString::number(workspace_.lastCheckMilliseconds()) + QStringLiteral(" ms"));
  const std::optional<FileLook> file = FileLooks::of(workspace_).selected();
  kind_->setVisible(file.has_value());
  if (file) kind_->setValue(model::SourceFile::kindLabel(file->kind));
}

void RootView::refreshMessage() {
  const std::optional<QString>& message = workspace_.buildMessage();
  message_->setVisible(message.has_value());
  if (!message) return;
  message_->setText(oneLine(*message));
  message_->setColour(workspace_.buildFailed() ? &theme::Palette::sell : &theme::Palette::buy);
}

QList<QWidget*> RootView::regions() const {
  return {topBar_, sidebar_, editorPane_, bottomPanel_, referencePane_.data()};
}

QList<QWidget*> RootView::tabOrder() const {
  QList<QWidget*> chain;
  QWidget* start = window();
  for (QWidget* w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain()) {
    if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isEnabled() &&
        w->isVisibleTo(start)) {
      chain << w;
    }
  }
  QList<QWidget*> order;
  for (QWidget* region : regions()) {
    if (!region) continue;
    for (QWidget* w : chain) {
      if (region->isAncestorOf(w)) order << w;
    }
  }
  return order;
}

bool RootView::focusNextPrevChild(bool next) {
  QWidget* focused = QApplication::focusWidget();
  // Qt asks for the next stop also when it hides the widget that holds the focus (a tab's
  // view switched away, a strip rebuilt): the editor takes it back, not a button the user
  // never chose.
  if (focused && !focused->isVisible() && theme::returnFocusHome(this)) return true;
  const QList<QWidget*> order = tabOrder();
  if (order.isEmpty()) return QWidget::focusNextPrevChild(next);
  qsizetype at = order.indexOf(focused);
  // Focus inside a tab stop (a field's own editor) counts as the stop.
  for (qsizetype i = 0; at < 0 && focused && i < order.size(); ++i) {
    if (order[i]->isAncestorOf(focused)) at = i;
  }
  const qsizetype n = order.size();
  const qsizetype to = at < 0 ? (next ? 0 : n - 1) : (at + (next ? 1 : n - 1)) % n;
  order[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

void RootView::focusRegion(bool next) {
  const QList<QWidget*> all = regions();
  const QList<QWidget*> order = tabOrder();
  QWidget* focused = QApplication::focusWidget();
  qsizetype at = -1;
  for (qsizetype i = 0; i < all.size(); ++i) {
    if (all[i] && all[i]->isAncestorOf(focused)) at = i;
  }
  // Outside every region, the walk starts before the first or after the last.
  const qsizetype n = all.size();
  if (at < 0) at = next ? n - 1 : 0;
  for (qsizetype step = 1; step <= n; ++step) {
    QWidget* region = all[(at + (next ? step : n - step)) % n];
    if (!region) continue;  // the hidden reference pane
    for (QWidget* stop : order) {
      if (!region->isAncestorOf(stop)) continue;
      stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void RootView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The editor holds the keyboard from the start, not the first button in Tab order.
  if (shownBefore_) return;
  shownBefore_ = true;
  editorPane_->editor()->setFocus(Qt::OtherFocusReason);
}

void RootView::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect(), PaletteScope::of(this).windowBackground);
}

}  // namespace zx::views
