// The whole window on a workspace over fakes: the layout and its stored widths, the
// status bar and title, the tab kept with the menus, the grown bottom panel, the
// reference pane made and deleted, the sign-in sheet, the jump and the appearance.
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTimer>
#include <QVariantAnimation>
#include <QWindow>

#include "client/blocking_secret_store.h"
#include "client/zentrix_api.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "model/qt_dialogs.h"
#include "panels/bottom_panel.h"
#include "panels/number_box.h"
#include "panels/problems_list.h"
#include "panels/row_list_view.h"
#include "panels/sign_in_sheet.h"
#include "panels/tester_panel.h"
#include "panels/tester_results.h"
#include "panels/tester_settings.h"
#include "shell/editor_pane.h"
#include "shell/inputs_panel.h"
#include "shell/reference_pane.h"
#include "shell/shell_test_support.h"
#include "shell/sidebar.h"
#include "shell/top_bar.h"
#include "shell/zentrix_code_app.h"
#include "theme/fake_system_appearance.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using Field = model::Workspace::Field;
using testing::hex;
using theme::ColorScheme;

struct AppRig : testing::ShellRig {
  theme::FakeSystemAppearance desktop;
  std::unique_ptr<ZentrixCodeApp> app;

  // `settle`: let the first check and the session restore run.
  ZentrixCodeApp& launch(bool settle = true) {
    app = std::make_unique<ZentrixCodeApp>(
        ZentrixCodeApp::Services{engine, client, dialogs, viewer, desktop, *store});
    app->show();
    app->window().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&app->window()));
    if (settle) {
      EXPECT_TRUE(testing::waitUntil([&] { return root().sidebar()->inputsPanel() != nullptr; }));
    }
    return *app;
  }
  RootView& root() { return app->root(); }
  QString status(const char* label) {
    theme::StatusItem* item = root().statusItem(QString::fromUtf8(label));
    return item && item->isVisible() ? item->value() : QStringLiteral("(hidden)");
  }
  void keys(const char* sequence) {
    QTest::keySequence(&app->window(), QKeySequence(QString::fromUtf8(sequence)));
  }
  // Waits until the bottom panel's growth for a report, if any, has ended.
  bool growthEnded() {
    return testing::waitUntil([&] {
      for (auto* a : root().findChildren<QVariantAnimation*>(Qt::FindDirectChildrenOnly)) {
        if (a->state() == QAbstractAnimation::Running) return false;
      }
      return true;
    });
  }
  QColor pixel(QWidget* w, QPoint at) {
    const QPoint p = w->mapTo(&app->window(), at);
    return app->window().grab().toImage().pixelColor(p);
  }
};

bridge::BacktestReport report() {
  bridge::BacktestReport r;
  r.ok = true;
  r.startingBalance = 10000;
  r.endingBalance = 10100;
  r.netProfit = 100;
  r.equity = {10000, 10100};
  return r;
}

TEST(AppShell, Launch) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch(false);
  // Before the first check publishes.
  EXPECT_EQ(rig.status("Kelo"), "1.0.0");
  EXPECT_EQ(rig.status("Ln"), "1");
  EXPECT_EQ(rig.status("Col"), "1");
  EXPECT_EQ(rig.status("Checked"), "0 ms");
  EXPECT_EQ(rig.status("Kind"), "Bot");
  EXPECT_EQ(app.window().size(), QSize(1360, 880));
  EXPECT_EQ(app.window().windowHandle()->title(), "golden-cross.kelo");
  EXPECT_EQ(rig.root().bottomPanel()->tab(), BottomTab::problems);
  EXPECT_TRUE(rig.root().referencePane());
  EXPECT_EQ(rig.root().topBar()->height(), 60);
  EXPECT_EQ(rig.root().statusBar()->height(), 24);
  EXPECT_EQ(rig.root().sidebarColumn()->width(), 240);
  EXPECT_EQ(rig.root().referencePane()->width(), 300);
  EXPECT_EQ(rig.root().editorSplit()->shownSizes().bottom, 170);
  app.window().resize(800, 500);
  EXPECT_EQ(app.window().size(), QSize(1020, 660));
  EXPECT_EQ(rig.desktop.starts(), 1) << "Match System follows the desktop";
  // The editor's find commands close the Edit menu, after a divider.
  QStringList edit;
  for (const QAction* a : app.menus().editMenu()->actions()) edit << a->text();
  EXPECT_EQ(edit.mid(6, 3), QStringList({"Select All", "", "Find\u2026"}));
}

TEST(AppShell, TitleStatusAndMessage) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  QWindow* handle = app.window().windowHandle();

  w.setSelectedText(w.selected()->text + QStringLiteral("x"));
  EXPECT_EQ(handle->title(), "golden-cross.kelo*");
  w.setSelectedText(w.selected()->savedText);
  EXPECT_EQ(handle->title(), "golden-cross.kelo");
  QList<model::SourceFile> files = w.files();
  files[0].name = QStringLiteral("a[*]b.kelo");
  w.setFiles(files);
  EXPECT_EQ(handle->title(), "a[*]b.kelo");

  // Build messages: red for a failure, green for success, one line cut in the middle.
  theme::KitLabel* message = rig.root().buildMessage();
  EXPECT_FALSE(message->isVisible());
  const struct {
    bool failed;
    QString text;
    const char* colour;
  } rows[] = {{true, "Could not build", "sell"},
              {false, "Built a.zxb", "buy"},
              {false, QString(150, 'a') + QString(150, 'z'), "buy"}};
  for (const auto& row : rows) {
    w.setBuildFailed(row.failed);
    w.setBuildMessage(row.text);
    QTest::qWait(1);
    EXPECT_TRUE(message->isVisible());
    // The text's most saturated pixel is nearer its own colour than the other.
    const theme::Palette& p = theme::PaletteScope::of(message);
    const QImage shot = message->grab().toImage();
    QColor ink = shot.pixelColor(0, 0);
    for (int x = 0; x < shot.width(); ++x)
      for (int y = 0; y < shot.height(); ++y)
        if (shot.pixelColor(x, y).hsvSaturation() > ink.hsvSaturation())
          ink = shot.pixelColor(x, y);
    const auto distance = [&](const QColor& c) {
      return std::abs(c.red() - ink.red()) + std::abs(c.green() - ink.green()) +
             std::abs(c.blue() - ink.blue());
    };
    const bool sell = distance(p.sell) < distance(p.buy);
    EXPECT_EQ(sell ? "sell" : "buy", std::string(row.colour));
  }
  EXPECT_TRUE(message->isCut()) << "one line, cut";
  EXPECT_TRUE(message->shownText().startsWith("aaa"));
  EXPECT_TRUE(message->shownText().endsWith("zzz"));
  EXPECT_TRUE(message->shownText().contains(QChar(0x2026)));
  const QString shown = message->shownText();
  app.window().resize(1500, 880);
  QTest::qWait(1);
  EXPECT_GT(message->shownText().size(), shown.size()) << "cut again for the new width";

  // Nothing selected: the window's own title, no kind, the editor's empty state.
  w.closeFile(w.files()[0]);
  EXPECT_EQ(handle->title(), "Zentrix Code");
  EXPECT_FALSE(app.window().isWindowModified());
  EXPECT_EQ(rig.status("Kind"), "(hidden)");
  EXPECT_EQ(rig.status("Ln"), "1");
  EXPECT_TRUE(rig.root().editorPane()->emptyState()->isVisible());
}

// A message's line breaks (a failed build lists one problem a line) read as " · ".
TEST(AppShell, StatusMessageOnOneLine) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  theme::KitLabel* message = rig.root().buildMessage();
  const struct {
    QString message;
    QString shown;
  } rows[] = {
      {"errs.kelo:6:1 error KELO3036: The default 0 is outside min 1 and max 10\n"
       "errs.kelo:7:1 error KELO3036: The default 14 is outside min 1 and max 10",
       "errs.kelo:6:1 error KELO3036: The default 0 is outside min 1 and max 10 \u00B7 "
       "errs.kelo:7:1 error KELO3036: The default 14 is outside min 1 and max 10"},
      {"a\r\nb\rc", "a \u00B7 b \u00B7 c"},
      {"\n a \n\n\t b\t\n", "a \u00B7 b"},
      {"a\u2028b\u2029c\u0085d\ve\ff", "a \u00B7 b \u00B7 c \u00B7 d \u00B7 e \u00B7 f"},
      {"Built a.zxb \u00B7 4346 bytes \u00B7 5 inputs",
       "Built a.zxb \u00B7 4346 bytes \u00B7 5 inputs"},
      {" spaces stay  ", " spaces stay  "},
  };
  for (const auto& row : rows) {
    w.setBuildFailed(true);
    w.setBuildMessage(row.message);
    EXPECT_EQ(message->text(), row.shown);
    EXPECT_EQ(message->accessibleName(), row.shown);
  }
  // Shown whole when it fits, cut in the middle when it does not: no words glued either way.
  w.setBuildMessage(QStringLiteral("max 10\nerrs.kelo:7:1"));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  EXPECT_EQ(message->shownText(), u"max 10 \u00B7 errs.kelo:7:1"_qs);
}

TEST(AppShell, RunBacktestKeepsTheTabInStep) {
  AppRig rig;
  rig.engine.fake.backtestReply = report();
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  rig.root().editorPane()->editor()->textView()->setFocus();

  // Tab first, then the run.
  QStringList order;
  QObject::connect(&app.viewState(), &ViewState::bottomTabChanged, [&] { order << "tab"; });
  QObject::connect(&w, &model::Workspace::changed, [&](Field f) {
    if (f == Field::isTesting && w.isTesting()) order << "testing";
  });
  rig.engine.gateBacktests = true;
  rig.keys("Ctrl+R");
  rig.keys("Ctrl+R");
  EXPECT_EQ(order, QStringList({"tab", "testing"}));
  EXPECT_EQ(rig.root().bottomPanel()->tab(), BottomTab::tester);
  rig.engine.openGate();
  ASSERT_TRUE(testing::waitUntil([&] { return !w.isTesting(); }));
  EXPECT_EQ(rig.engine.names().count("backtest golden-cross.kelo"), 1);

  // A click on a tab reaches the view state; the menus' tab reaches the panel.
  rig.root().bottomPanel()->tabs()->tabButton(int(BottomTab::journal))->click();
  EXPECT_EQ(app.viewState().bottomTab(), BottomTab::journal);
  app.viewState().setBottomTab(BottomTab::problems);
  EXPECT_EQ(rig.root().bottomPanel()->tab(), BottomTab::problems);

  // Without a selection: the tester shows, nothing runs.
  rig.engine.gateBacktests = false;
  w.setSelectedFileID(std::nullopt);
  rig.keys("Ctrl+R");
  model::testing::settle();
  EXPECT_EQ(rig.root().bottomPanel()->tab(), BottomTab::tester);
  EXPECT_EQ(rig.engine.names().count("backtest golden-cross.kelo"), 1);

  // A typed balance counts, though the box still has the focus.
  w.select(w.files()[0]);
  ASSERT_TRUE(testing::waitUntil([&] {
    auto* tester = qobject_cast<TesterPanel*>(rig.root().bottomPanel()->view());
    return tester && tester->settings()->balanceBox();
  }));
  NumberBox* balance =
      qobject_cast<TesterPanel*>(rig.root().bottomPanel()->view())->settings()->balanceBox();
  balance->lineEdit()->setFocus();
  balance->lineEdit()->selectAll();
  QTest::keyClicks(balance->lineEdit(), QStringLiteral("50000"));
  rig.keys("Ctrl+R");
  ASSERT_TRUE(testing::waitUntil(
      [&] { return rig.engine.fake.lastBacktest().has_value() && !w.isTesting(); }));
  EXPECT_EQ(rig.engine.fake.lastBacktest()->balance, 50000);
}

TEST(AppShell, BottomPanelGrowsForAReport) {
  const struct {
    int drag;  // up from 170
    bool withReport;
    double expected;
  } rows[] = {{80, true, 400}, {230, true, 400}, {350, true, 520}, {80, false, 250}};
  for (const auto& row : rows) {
    AppRig rig;
    ZentrixCodeApp& app = rig.launch();
    model::Workspace& w = app.workspace();
    testing::dragBy(rig.root().editorSplit()->grip(), QPoint(0, -row.drag));
    EXPECT_EQ(rig.root().bottomHeight(), 170 + row.drag);
    w.setIsTesting(true);
    w.setReport(row.withReport ? std::optional(report()) : std::nullopt);
    w.setIsTesting(false);
    ASSERT_TRUE(rig.growthEnded());
    EXPECT_EQ(rig.root().bottomHeight(), row.expected) << row.drag;
    EXPECT_EQ(rig.root().editorSplit()->shownSizes().bottom, row.expected);
  }

  // A drag during the growth stops it.
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  app.workspace().setIsTesting(true);
  app.workspace().setReport(report());
  app.workspace().setIsTesting(false);
  ASSERT_TRUE(testing::waitUntil([&] { return rig.root().bottomHeight() > 170; }));
  testing::dragBy(rig.root().editorSplit()->grip(), QPoint(0, 10));
  const double dragged = rig.root().bottomHeight();
  QTest::qWait(300);
  EXPECT_LT(dragged, 400);
  EXPECT_EQ(rig.root().bottomHeight(), dragged);
}

TEST(AppShell, ColumnsAndTheirStoredWidths) {
  AppRig rig;
  rig.store->setValue(QStringLiteral("sidebarWidth"), 500);
  ZentrixCodeApp& app = rig.launch();
  RootView& root = rig.root();
  EXPECT_EQ(root.sidebarColumn()->width(), 500) << "a stored width outside the range stands";

  // Hiding the reference pane deletes it with its handle; the editor takes the room.
  const int editor = root.editorSplit()->width();
  const int pane = root.referencePane()->width();
  QPointer<ReferencePane> shown = root.referencePane();
  QPointer<theme::SplitHandle> handle = root.referenceHandle();
  app.menus().referenceAction()->trigger();
  EXPECT_TRUE(shown.isNull());
  EXPECT_TRUE(handle.isNull());
  QTest::qWait(1);
  EXPECT_EQ(root.editorSplit()->width(), editor + pane + 1);
  rig.store->setValue(QStringLiteral("referenceWidth"), 350);
  app.menus().referenceAction()->trigger();
  ASSERT_TRUE(root.referencePane());
  EXPECT_NE(root.referencePane(), shown.data());
  EXPECT_EQ(root.referencePane()->width(), 350);

  // A drag writes the width while it lasts, clamped by the handle.
  rig.store->setValue(QStringLiteral("sidebarWidth"), 240);
  root.sidebarHandle()->setValue(240);
  root.sidebarColumn()->setFixedWidth(240);
  QWidget* grip = root.sidebarHandle()->grip();
  const QPoint start = grip->mapToGlobal(grip->rect().center());
  QTest::mousePress(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start));
  QTest::mouseMove(grip, grip->mapFromGlobal(start + QPoint(25, 0)));
  QTest::mouseMove(grip, grip->mapFromGlobal(start + QPoint(50, 0)));
  EXPECT_EQ(rig.store->value(QStringLiteral("sidebarWidth")).toDouble(), 290);
  EXPECT_EQ(root.sidebarColumn()->width(), 290);
  QTest::mouseMove(grip, grip->mapFromGlobal(start + QPoint(400, 0)));
  QTest::mouseRelease(grip, Qt::LeftButton, {}, grip->mapFromGlobal(start + QPoint(400, 0)));
  EXPECT_EQ(rig.store->value(QStringLiteral("sidebarWidth")).toDouble(), 360);
}

TEST(AppShell, SignInSheetFollowsTheFlag) {
  AppRig rig;
  rig.store->setValue(QStringLiteral("appearance"), QStringLiteral("dark"));
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  w.setWantsSignIn(true);
  w.setWantsSignIn(true);
  ASSERT_TRUE(
      testing::waitUntil([&] { return !app.window().findChildren<SignInSheet*>().isEmpty(); }));
  testing::settle();
  QList<SignInSheet*> sheets = app.window().findChildren<SignInSheet*>();
  ASSERT_EQ(sheets.size(), 1);
  SignInSheet* sheet = sheets.first();
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  EXPECT_EQ(hex(sheet->grab().toImage().pixelColor(sheet->width() - 3, sheet->height() / 2)),
            "#0D1230");
  sheet->close();
  EXPECT_TRUE(testing::waitUntil([&] { return !w.wantsSignIn(); }));
}

TEST(AppShell, JumpFromAProblem) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  rig.engine.fake.checkReply.ok = false;
  rig.engine.fake.checkReply.diagnostics = {
      bridge::Diagnostic{"error", "KELO2001", "expected ')'", 9, 3, 9, 4}};
  w.runCheck(true);
  ASSERT_TRUE(testing::waitUntil([&] { return !w.diagnostics().isEmpty(); }));
  QSignalSpy jumps(&app.events(), &AppEvents::jumpToLine);
  auto* problems = qobject_cast<ProblemsList*>(rig.root().bottomPanel()->view());
  ASSERT_TRUE(problems && problems->listView());
  QTest::qWait(1);
  RowListView* list = problems->listView();
  const QRect row = list->visualRect(list->model()->index(0, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  ASSERT_EQ(jumps.size(), 1);
  EXPECT_EQ(jumps[0], QVariantList({9, 3}));
  EXPECT_EQ(w.cursorLine(), 9);
  EXPECT_EQ(w.cursorColumn(), 3);
  EXPECT_EQ(rig.status("Ln"), "9");
  EXPECT_EQ(rig.status("Col"), "3");
}

// The rename through the real prompt, answered from a timer as a user would.
TEST(AppShell, RenameThroughTheRealPrompt) {
  AppRig rig;
  model::QtDialogs real;
  rig.app = std::make_unique<ZentrixCodeApp>(
      ZentrixCodeApp::Services{rig.engine, rig.client, real, rig.viewer, rig.desktop, *rig.store});
  real.setMainWindow(&rig.app->window());
  rig.app->show();
  model::Workspace& w = rig.app->workspace();
  const struct {
    const char* typed;  // nullptr: Escape
    const char* name;
  } rows[] = {{"  strategy  ", "strategy.kelo"}, {nullptr, "strategy.kelo"}, {"", "strategy.kelo"}};
  for (const auto& row : rows) {
    const QString before = w.files()[0].name;
    QString title, label, shown, accept, selected;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* prompt = qobject_cast<model::TextPromptDialog*>(QApplication::activeModalWidget());
      if (!prompt) return;
      poll.stop();
      title = prompt->heading()->text();
      label = prompt->detail()->text();
      shown = prompt->textValue();
      accept = prompt->acceptButton()->text();
      QLineEdit* edit = prompt->field();
      selected = edit->selectedText();
      if (!row.typed) {
        QTest::keyClick(edit, Qt::Key_Escape);
      } else {
        if (*row.typed) QTest::keyClicks(edit, QString::fromUtf8(row.typed));
        QTest::keyClick(edit, Qt::Key_Return);
      }
    });
    poll.start();
    std::unique_ptr<QMenu> menu(rig.root().sidebar()->makeContextMenu(w.files()[0].id));
    menu->actions()[6]->trigger();
    EXPECT_EQ(title, "Rename " + before);
    EXPECT_EQ(label, "Give the file a new name.");
    EXPECT_EQ(shown, before);
    EXPECT_EQ(selected, before) << "the whole name is selected";
    EXPECT_EQ(accept, "Rename");
    EXPECT_EQ(w.files()[0].name, row.name);
  }
  rig.app.reset();  // before the dialogs it uses
}

// The regions Tab passes through, each once: "top", "sidebar", "editor", "bottom", "reference".
QStringList tabRegions(RootView& root) {
  QStringList out;
  for (QWidget* w : root.tabOrder()) {
    QString region = root.topBar()->isAncestorOf(w)        ? "top"
                     : root.sidebar()->isAncestorOf(w)     ? "sidebar"
                     : root.editorPane()->isAncestorOf(w)  ? "editor"
                     : root.bottomPanel()->isAncestorOf(w) ? "bottom"
                                                           : "reference";
    if (out.isEmpty() || out.last() != region) out << region;
  }
  return out;
}

TEST(AppShell, TabOrder) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  RootView& root = rig.root();
  const QStringList expected{"top", "sidebar", "editor", "bottom", "reference"};
  EXPECT_EQ(tabRegions(root), expected);
  // Views made later keep their place: new rows, another tab's content, the pane again.
  app.workspace().newFile(model::SourceFile::Kind::bot);
  app.viewState().setBottomTab(BottomTab::tester);
  app.viewState().setShowReference(false);
  app.viewState().setShowReference(true);
  QTest::qWait(1);
  EXPECT_EQ(tabRegions(root), expected);

  // From the "+" button, Tab reaches the selected row, the inputs list, then the editor;
  // Shift+Tab goes back.
  root.sidebar()->newFileButton()->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  auto* row = qobject_cast<theme::SidebarRow*>(QApplication::focusWidget());
  ASSERT_TRUE(row);
  EXPECT_EQ(row->label(), "untitled-bot.kelo");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(),
            static_cast<QWidget*>(root.sidebar()->inputsPanel()->scrollArea()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(root.editorPane()->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), row);
}

// Ctrl+Tab puts the keyboard on the first stop of the next region, Ctrl+Shift+Tab on the
// first stop of the one before, from anywhere inside a region, round and round; the
// editor types nothing for either.
TEST(AppShell, CtrlTabWalksTheRegions) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  RootView& root = rig.root();
  model::Workspace& w = app.workspace();
  QWidget* editor = root.editorPane()->editor()->textView();
  const QString text = w.selected()->text;
  // The region of the focus, and whether the focus is that region's first Tab stop.
  const auto where = [&]() -> QString {
    QWidget* f = QApplication::focusWidget();
    for (const auto& [region, name] : {std::pair<QWidget*, QString>{root.topBar(), "top"},
                                       {root.sidebar(), "sidebar"},
                                       {root.editorPane(), "editor"},
                                       {root.bottomPanel(), "bottom"},
                                       {root.referencePane(), "reference"}}) {
      if (!region || !f || !region->isAncestorOf(f)) continue;
      for (QWidget* stop : root.tabOrder()) {
        if (region->isAncestorOf(stop)) return stop == f ? name : name + " (not its first stop)";
      }
    }
    return f ? QString::fromUtf8(f->metaObject()->className()) : "nothing";
  };
  const auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
    QTest::keyClick(QApplication::focusWidget(), key, mods);
    return where();
  };
  const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
  const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;

  editor->setFocus(Qt::MouseFocusReason);
  QStringList forward;
  for (int i = 0; i < 6; ++i) forward << press(Qt::Key_Tab, ctrl);
  EXPECT_EQ(forward, QStringList({"bottom", "reference", "top", "sidebar", "editor", "bottom"}));
  EXPECT_EQ(QApplication::focusWidget(),
            static_cast<QWidget*>(root.bottomPanel()->tabs()->tabButtons()[0]));

  editor->setFocus(Qt::MouseFocusReason);
  QStringList back;
  for (int i = 0; i < 6; ++i) back << press(Qt::Key_Tab, ctrlShift);
  EXPECT_EQ(back, QStringList({"sidebar", "top", "reference", "bottom", "editor", "sidebar"}));
  // The key as the desktop sends it with Shift held.
  EXPECT_EQ(press(Qt::Key_Backtab, ctrlShift), "top");
  EXPECT_EQ(w.selected()->text, text) << "the editor typed no tab";

  // From inside a region: the top bar's second button, the search field, a file row.
  const struct {
    const char* what;
    QWidget* from;
    Qt::KeyboardModifiers mods;
    const char* to;
  } rows[] = {
      {"Run test", root.topBar()->runTestButton(), ctrl, "sidebar"},
      {"Run test, back", root.topBar()->runTestButton(), ctrlShift, "reference"},
      {"the search", root.referencePane()->searchField(), ctrl, "top"},
      {"a file row", root.sidebar()->rows()[0], ctrl, "editor"},
      {"a file row, back", root.sidebar()->rows()[0], ctrlShift, "top"},
  };
  for (const auto& row : rows) {
    row.from->setFocus(Qt::MouseFocusReason);
    QWidget* f = QApplication::focusWidget();
    ASSERT_TRUE(f == row.from || row.from->isAncestorOf(f)) << row.what;
    EXPECT_EQ(press(Qt::Key_Tab, row.mods), row.to) << row.what;
  }

  // Without the reference pane the walk skips it.
  app.viewState().setShowReference(false);
  editor->setFocus(Qt::MouseFocusReason);
  forward.clear();
  for (int i = 0; i < 4; ++i) forward << press(Qt::Key_Tab, ctrl);
  EXPECT_EQ(forward, QStringList({"bottom", "top", "sidebar", "editor"}));
}

// The engine's inputs reply for a script with or without inputs.
bridge::InputSchema inputsReply(bool withInputs) {
  bridge::InputSchema s = withInputs ? testing::sampleSchema() : bridge::InputSchema{};
  s.ok = true;
  return s;
}

// The arrows walk the file rows and the rows keep the keyboard, whether the inputs panel
// comes, goes or stays as the check of the newly selected script ends.
TEST(AppShell, ArrowsKeepTheFocusOnTheFileRows) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  Sidebar& sidebar = *rig.root().sidebar();
  w.newFile(model::SourceFile::Kind::bot);  // the second row, under the sample
  const struct {
    bool fromInputs, toInputs;
    Qt::Key key;
  } rows[] = {
      {true, false, Qt::Key_Up},  {false, true, Qt::Key_Up},    {true, true, Qt::Key_Up},
      {false, false, Qt::Key_Up}, {true, false, Qt::Key_Down},  {false, true, Qt::Key_Down},
      {true, true, Qt::Key_Down}, {false, false, Qt::Key_Down},
  };
  for (const auto& row : rows) {
    const std::string what = std::string(row.fromInputs ? "with" : "without") + " to " +
                             (row.toInputs ? "with" : "without") +
                             (row.key == Qt::Key_Up ? ", Up" : ", Down");
    const int from = row.key == Qt::Key_Up ? 1 : 0;
    const int to = 1 - from;
    // No check is running while the engine's answer changes.
    testing::settle();
    rig.engine.fake.inputsReply = inputsReply(row.fromInputs);
    w.select(w.files()[from]);
    testing::settle();
    ASSERT_EQ(sidebar.inputsPanel() != nullptr, row.fromInputs) << what;
    sidebar.rows()[from]->setFocus(Qt::BacktabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), sidebar.rows()[from]) << what;

    rig.engine.fake.inputsReply = inputsReply(row.toInputs);
    QTest::keyClick(QApplication::focusWidget(), row.key);
    testing::settle();
    EXPECT_EQ(sidebar.inputsPanel() != nullptr, row.toInputs) << what;
    EXPECT_EQ(w.selectedFileID(), w.files()[to].id) << what;
    EXPECT_EQ(QApplication::focusWidget(), sidebar.rows()[to]) << what;
    // And the next arrow walks on from there.
    rig.engine.fake.inputsReply = inputsReply(row.fromInputs);
    QTest::keyClick(QApplication::focusWidget(), row.key == Qt::Key_Up ? Qt::Key_Down : Qt::Key_Up);
    testing::settle();
    EXPECT_EQ(w.selectedFileID(), w.files()[from].id) << what;
    EXPECT_EQ(QApplication::focusWidget(), sidebar.rows()[from]) << what;
  }

  // The inputs list going away with the focus: the editor takes it, not the top bar.
  rig.engine.fake.inputsReply = inputsReply(true);
  w.runCheck(true);
  testing::settle();
  ASSERT_TRUE(sidebar.inputsPanel());
  sidebar.inputsPanel()->scrollArea()->setFocus(Qt::TabFocusReason);
  w.setSchema(inputsReply(false));
  EXPECT_EQ(QApplication::focusWidget(), rig.root().editorPane()->editor()->textView());
}

// The file row that holds the keyboard is in view after the inputs panel comes or goes
// under a long list and changes its height.
TEST(AppShell, TheFocusedFileRowStaysInView) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  Sidebar& sidebar = *rig.root().sidebar();
  for (int i = 0; i < 19; ++i) w.newFile(model::SourceFile::Kind::bot);
  w.newFile(model::SourceFile::Kind::library);  // the last row, under 20 bots
  const auto inView = [](QWidget* row) {
    QWidget* area = row;
    while (area && !qobject_cast<QScrollArea*>(area)) area = area->parentWidget();
    QWidget* viewport = static_cast<QScrollArea*>(area)->viewport();
    return viewport->rect().contains(QRect(row->mapTo(viewport, QPoint()), row->size()));
  };
  const struct {
    const char* what;
    int from, to;
    Qt::Key key;
    bool fromInputs, toInputs;
  } rows[] = {
      {"Up from the library onto a bot: the panel comes", 20, 19, Qt::Key_Up, false, true},
      {"Down from a bot onto the library: the panel goes", 19, 20, Qt::Key_Down, true, false},
  };
  for (const auto& row : rows) {
    testing::settle();
    rig.engine.fake.inputsReply = inputsReply(row.fromInputs);
    w.select(w.files()[row.from]);
    testing::settle();
    ASSERT_EQ(sidebar.inputsPanel() != nullptr, row.fromInputs) << row.what;
    sidebar.rows()[row.from]->setFocus(Qt::TabFocusReason);

    rig.engine.fake.inputsReply = inputsReply(row.toInputs);
    QTest::keyClick(QApplication::focusWidget(), row.key);
    ASSERT_TRUE(testing::waitUntil([&] {
      return (sidebar.inputsPanel() != nullptr) == row.toInputs;
    })) << row.what;
    testing::settle();
    EXPECT_EQ(w.selectedFileID(), w.files()[row.to].id) << row.what;
    EXPECT_EQ(QApplication::focusWidget(), sidebar.rows()[row.to]) << row.what;
    EXPECT_TRUE(inView(sidebar.rows()[row.to])) << row.what;
  }
}

// With the keyboard on a file row, a click on another row moves it there, as in any list,
// and the arrows go on from the clicked row; from the editor, the editor keeps it.
TEST(AppShell, AClickOnAFileRowMovesTheKeyboardAlongTheRows) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  model::Workspace& w = app.workspace();
  Sidebar& sidebar = *rig.root().sidebar();
  QWidget* editor = rig.root().editorPane()->editor()->textView();
  w.newFile(model::SourceFile::Kind::bot);
  w.newFile(model::SourceFile::Kind::bot);
  for (const bool fromRow : {true, false}) {
    const char* what = fromRow ? "from a row" : "from the editor";
    w.select(w.files()[0]);
    testing::settle();
    if (fromRow) {
      sidebar.rows()[0]->setFocus(Qt::TabFocusReason);
    } else {
      editor->setFocus(Qt::MouseFocusReason);
    }
    QTest::mouseClick(sidebar.rows()[2], Qt::LeftButton);
    testing::settle();
    EXPECT_EQ(w.selectedFileID(), w.files()[2].id) << what;
    EXPECT_EQ(QApplication::focusWidget(), fromRow ? sidebar.rows()[2] : editor) << what;
    if (!fromRow) continue;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(w.selectedFileID(), w.files()[1].id) << what;
    EXPECT_EQ(QApplication::focusWidget(), sidebar.rows()[1]) << what;
  }
}

// A view hidden while it holds the keyboard hands it to the editor, not to the next Tab
// stop of the window; a number typed in it is committed on the way.
TEST(AppShell, HidingTheViewThatHoldsTheKeyboardHandsItToTheEditor) {
  const struct {
    const char* what;
    bool signedIn;
    std::function<void(RootView&, TesterSettings&)> hide;
  } rows[] = {
      {"a click on the Problems tab", false,
       [](RootView& root, TesterSettings&) {
         QTest::mouseClick(root.bottomPanel()->tabs()->tabButtons()[0], Qt::LeftButton);
       }},
      {"Sign out from the account menu", true,
       [](RootView&, TesterSettings& strip) {
         QMenu* menu = strip.accountButton()->menu();
         // The menu runs its own loop until it is answered.
         QTimer::singleShot(0, menu, [menu] {
           if (!QTest::qWaitFor([menu] { return menu->isVisible(); }, 30000)) return;
           QTest::mouseClick(menu, Qt::LeftButton, {},
                             menu->actionGeometry(menu->actions().last()).center());
         });
         QTest::mouseClick(strip.accountButton(), Qt::LeftButton);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    AppRig rig;
    ZentrixCodeApp& app = rig.launch();
    model::Workspace& w = app.workspace();
    if (row.signedIn) w.setSession(client::Session{"5001", "Ann", "Acme", "Acme-Live", "EUR"});
    app.viewState().setBottomTab(BottomTab::tester);
    TesterSettings* strip = nullptr;
    ASSERT_TRUE(testing::waitUntil([&] {
      auto* tester = qobject_cast<TesterPanel*>(rig.root().bottomPanel()->view());
      strip = tester ? tester->settings() : nullptr;
      return strip && strip->balanceBox() && strip->balanceBox()->isVisible() &&
             (strip->accountButton() != nullptr) == row.signedIn;
    }));
    QLineEdit* balance = strip->balanceBox()->lineEdit();
    QTest::mouseClick(balance, Qt::LeftButton);
    ASSERT_TRUE(balance->hasFocus());
    balance->selectAll();
    QTest::keyClicks(balance, QStringLiteral("777"));

    row.hide(rig.root(), *strip);
    // The window manager gives the window back its focus once a menu has closed.
    app.window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&app.window()));
    testing::settle();
    EXPECT_EQ(QApplication::focusWidget(), rig.root().editorPane()->editor()->textView());
    EXPECT_EQ(w.testBalance(), 777);
    EXPECT_EQ(w.session().has_value(), false);
  }
}

// Where the keyboard is after each action: the editor, unless the user moved it there by
// Tab or keys. Space then types into the editor and presses no button.
TEST(AppShell, KeyboardFocusLivesInTheEditor) {
  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  RootView& root = rig.root();
  model::Workspace& w = app.workspace();
  QWidget* editor = root.editorPane()->editor()->textView();
  const auto where = [&]() -> QString {
    QWidget* f = QApplication::focusWidget();
    if (!f) return "nothing";
    if (f == editor) return "editor";
    for (const auto& [region, name] : {std::pair<QWidget*, const char*>{root.topBar(), "top bar"},
                                       {root.sidebar(), "sidebar"},
                                       {root.bottomPanel(), "bottom panel"},
                                       {root.referencePane(), "reference"}}) {
      if (region && region->isAncestorOf(f)) return name;
    }
    return f->metaObject()->className();
  };
  const auto intoSearch = [&] {
    app.viewState().setShowReference(true);
    root.referencePane()->searchField()->setFocus(Qt::MouseFocusReason);
  };
  const auto click = [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); };
  // The View menu opened and its first item chosen with the mouse, as a user does.
  const auto viewMenuFirstItem = [&] {
    QMenuBar* bar = app.window().menuBar();
    QMenu* view = app.menus().viewMenu();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(view->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->isVisible(); }, 30000));
    QTest::mouseClick(view, Qt::LeftButton, {}, view->actionGeometry(view->actions()[0]).center());
  };
  const auto row = [&](int i) { return root.sidebar()->rows().at(i); };

  EXPECT_EQ(where(), "editor") << "at launch";
  w.newFile(model::SourceFile::Kind::bot);  // a second document to select
  const struct {
    const char* what;
    std::function<void()> before, act;
    const char* focus;
  } rows[] = {
      {"Hide Reference from the View menu, typing in its search", intoSearch, viewMenuFirstItem,
       "editor"},
      {"Show Reference by its keys, from a tab of the bottom panel",
       [&] { root.bottomPanel()->tabs()->tabButtons()[0]->setFocus(Qt::TabFocusReason); },
       [&] { rig.keys("Ctrl+Alt+0"); }, "editor"},
      {"Dark from the Appearance menu", intoSearch,
       [&] { app.menus().viewMenu()->actions()[2]->menu()->actions()[2]->trigger(); }, "editor"},
      {"a click on Run test", intoSearch, [&] { click(root.topBar()->runTestButton()); }, "editor"},
      {"a click on the reference toggle", intoSearch,
       [&] { click(root.topBar()->referenceButton()); }, "editor"},
      {"a click on another file's row", intoSearch, [&] { click(row(0)); }, "editor"},
      {"New Bot by its keys, from a file row", [&] { row(0)->setFocus(Qt::TabFocusReason); },
       [&] { rig.keys("Ctrl+N"); }, "editor"},
      {"Check Now by its keys, typing in the search", intoSearch, [&] { rig.keys("Ctrl+Shift+K"); },
       "editor"},
      {"walking the file rows by keys", [&] { row(0)->setFocus(Qt::TabFocusReason); },
       [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); }, "sidebar"},
      {"Tab from the new-file button", [&] { root.sidebar()->newFileButton()->setFocus(); },
       [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }, "sidebar"},
      {"a click into the search", [&] { editor->setFocus(Qt::MouseFocusReason); },
       [&] { intoSearch(); }, "reference"},
  };
  for (const auto& r : rows) {
    r.before();
    r.act();
    EXPECT_EQ(where(), r.focus) << r.what;
    if (where() != "editor") continue;
    // Space types, whatever button held the focus before.
    const QString before = w.selected()->text;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(w.selected()->text.size(), before.size() + 1) << r.what;
  }
  EXPECT_TRUE(rig.dialogs.requests.isEmpty()) << "no panel opened";
}

// What a screen reader finds in the window: painted texts as static text, the bottom
// panel's tabs as page tabs of a page-tab list, a statistic's caption and value.
TEST(AppShell, AccessibleRoles) {
  AppRig rig;
  rig.engine.fake.backtestReply = report();
  ZentrixCodeApp& app = rig.launch();
  RootView& root = rig.root();
  rig.keys("Ctrl+R");
  ASSERT_TRUE(testing::waitUntil([&] { return !app.workspace().isTesting(); }));
  auto* tester = qobject_cast<TesterPanel*>(root.bottomPanel()->view());
  ASSERT_TRUE(tester && tester->results());
  theme::UnderlineTabs* tabs = root.bottomPanel()->tabs();
  const struct {
    const char* what;
    QWidget* widget;
    QAccessible::Role role;
    QString name, description;
    QWidget* parent;
  } rows[] = {
      {"the file name", root.topBar()->fileName(), QAccessible::StaticText, "golden-cross.kelo", "",
       nullptr},
      {"the kind pill", root.editorPane()->kindPill(), QAccessible::StaticText, "Bot", "", nullptr},
      {"a status item", root.statusItem("Ln"), QAccessible::StaticText, "Ln", "1", nullptr},
      {"the tab strip", tabs, QAccessible::PageTabList, "", "", nullptr},
      {"the Problems tab", tabs->tabButtons()[0], QAccessible::PageTab, "Problems", "", tabs},
      {"the Tester tab", tabs->tabButtons()[1], QAccessible::PageTab, "Tester", "", tabs},
      {"the net profit", tester->results()->figures()[0], QAccessible::StaticText, "Net profit USD",
       "100.00", nullptr},
  };
  for (const auto& r : rows) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(r.widget);
    ASSERT_TRUE(i) << r.what;
    EXPECT_EQ(i->role(), r.role) << r.what;
    EXPECT_EQ(i->text(QAccessible::Name), r.name) << r.what;
    EXPECT_EQ(i->text(QAccessible::Description), r.description) << r.what;
    if (r.parent) {
      EXPECT_EQ(i->parent(), QAccessible::queryAccessibleInterface(r.parent)) << r.what;
    }
  }
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(tabs->tabButtons()[1])->state().selected);
}

TEST(AppShell, Appearance) {
  const struct {
    const char* stored;
    ColorScheme desktop;
    const char* background;  // the status bar's left padding
  } rows[] = {{"system", ColorScheme::dark, "#0C1128"},
              {"light", ColorScheme::dark, "#FBFBFD"},
              {"dark", ColorScheme::light, "#0C1128"}};
  for (const auto& row : rows) {
    AppRig rig;
    rig.desktop.setScheme(row.desktop);
    rig.store->setValue(QStringLiteral("appearance"), QString::fromUtf8(row.stored));
    rig.launch();
    EXPECT_EQ(hex(rig.pixel(rig.root().statusBar(), QPoint(4, 12))), row.background) << row.stored;
  }

  AppRig rig;
  ZentrixCodeApp& app = rig.launch();
  QWidget* bar = rig.root().topBar();
  EXPECT_EQ(hex(rig.pixel(bar, QPoint(20, 30))), "#FFFFFF");
  rig.desktop.setScheme(ColorScheme::dark);
  EXPECT_EQ(hex(rig.pixel(bar, QPoint(20, 30))), "#0D1230") << "Match System follows at once";
  rig.desktop.setScheme(ColorScheme::light);
  QMenu* picker = app.menus().viewMenu()->actions()[2]->menu();
  picker->actions()[2]->trigger();
  EXPECT_EQ(rig.store->value(QStringLiteral("appearance")).toString(), "dark");
  EXPECT_EQ(hex(QApplication::palette().color(QPalette::Window)), "#04060E");
  EXPECT_EQ(hex(rig.pixel(bar, QPoint(20, 30))), "#0D1230");
  picker->actions()[0]->trigger();
  EXPECT_EQ(hex(rig.pixel(bar, QPoint(20, 30))), "#FFFFFF");
}

TEST(AppShell, AKeyringThatDoesNotAnswerHoldsNothingBack) {
  using namespace std::chrono_literals;
  const QByteArray stored =
      R"({"token":"T","session":{"login":"5001","name":"Ann","brokerName":"Acme",)"
      R"("serverName":"Acme-Live","currency":"USD","leverage":100,"balance":1000}})";
  client::BlockingSecretStore keyring(stored);
  // Nothing listens there: a request made after all would fail and say so.
  client::ZentrixAPI api(keyring, QUrl(QStringLiteral("http://127.0.0.1:1")));
  api.setKeyringTimeout(300ms);
  AppRig rig;
  rig.app = std::make_unique<ZentrixCodeApp>(
      ZentrixCodeApp::Services{rig.engine, api, rig.dialogs, rig.viewer, rig.desktop, *rig.store});
  ZentrixCodeApp& app = *rig.app;
  app.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.window()));
  ASSERT_TRUE(testing::waitUntil([&] { return keyring.waiting() == 1; }));
  EXPECT_FALSE(app.window().grab().isNull());
  EXPECT_EQ(app.window().windowHandle()->title(), "golden-cross.kelo");
  EXPECT_EQ(keyring.answered(), 0) << "the window is up while the keyring is silent";

  // A read begun now ends with its time-out, after the application's own.
  bool probed = false;
  api.restoreStored(nullptr, [&](std::optional<client::Session>) { probed = true; });
  ASSERT_TRUE(testing::waitUntil([&] { return probed; }));
  model::Workspace& w = app.workspace();
  EXPECT_EQ(w.session(), std::nullopt);
  EXPECT_FALSE(api.isSignedIn());

  // The answer that comes too late is dropped: signed out it stays, and nothing is asked
  // of the server.
  keyring.release();
  ASSERT_TRUE(testing::waitUntil([&] { return keyring.answered() == 2; }));
  testing::settle(200);
  EXPECT_EQ(w.session(), std::nullopt);
  EXPECT_FALSE(api.isSignedIn());
  EXPECT_FALSE(w.loadingSymbols());
  EXPECT_EQ(w.buildMessage(), std::nullopt);
  rig.app.reset();
}

}  // namespace
}  // namespace zx::views
