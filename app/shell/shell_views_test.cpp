// The top bar, the project sidebar and the inputs panel on a workspace over fakes: what
// they show, what a click or a key does, and what stays put across checks.
#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>

#include "shell/inputs_panel.h"
#include "shell/shell_test_support.h"
#include "shell/sidebar.h"
#include "shell/top_bar.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using Field = model::Workspace::Field;
using Kind = model::SourceFile::Kind;
using testing::ShellRig;

QStringList actionTexts(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions())
    out << (a->isSeparator() ? QStringLiteral("—") : a->text());
  return out;
}

void setFiles(model::Workspace& w, const QList<std::pair<QString, QString>>& named) {
  QList<model::SourceFile> files;
  for (const auto& [name, text] : named)
    files << model::SourceFile::make(name, text, std::nullopt, text);
  w.setFiles(files);
  w.setSelectedFileID(files.isEmpty() ? std::nullopt : std::optional(files.first().id));
}

// Captions and row labels of the sidebar, in order: "BOTS", "a.kelo", ...
QStringList listed(const Sidebar& s) {
  QStringList out;
  for (QWidget* w : s.entries()) {
    if (auto* c = dynamic_cast<theme::SectionLabel*>(w)) out << c->shownText();
    if (auto* r = dynamic_cast<theme::SidebarRow*>(w)) out << r->label();
  }
  return out;
}

struct TopBarRig : ShellRig {
  ViewState state;
  QWidget window;
  TopBar* bar = nullptr;
  int builds = 0, tests = 0;

  TopBarRig() {
    start();
    window.resize(1360, 200);
    bar = new TopBar(
        w(), state, [this] { ++builds; }, [this] { ++tests; }, &window);
    bar->setGeometry(0, 0, 1360, 60);
    window.show();
  }
};

TEST(TopBar, ButtonsFollowTheWorkspace) {
  TopBarRig rig;
  model::Workspace& w = rig.w();
  EXPECT_TRUE(rig.bar->fileName()->isVisible());
  EXPECT_EQ(rig.bar->fileName()->text(), "golden-cross.kelo");
  EXPECT_EQ(rig.bar->pill()->text(), "Ready");
  EXPECT_FALSE(rig.bar->unsavedDot()->isVisible());

  // The dot follows text != savedText.
  w.setSelectedText(w.selected()->text + QStringLiteral("x"));
  EXPECT_TRUE(rig.bar->unsavedDot()->isVisible());
  w.setSelectedText(w.selected()->savedText);
  EXPECT_FALSE(rig.bar->unsavedDot()->isVisible());

  const struct {
    QList<const char*> severities;
    bool testing;
    const char* pill;
    bool build, run;
    const char* runTitle;
  } rows[] = {
      {{}, false, "Ready", true, true, "Run test"},
      {{"warning"}, false, "1 warning", true, true, "Run test"},
      {{"error", "warning"}, false, "1 error", false, false, "Run test"},
      {{}, true, "Ready", true, false, "Running"},
      {{"error"}, true, "1 error", false, false, "Running"},
  };
  for (const auto& row : rows) {
    QList<bridge::Diagnostic> ds;
    for (const char* s : row.severities) ds << bridge::Diagnostic{s, "KELO3001", "m", 1, 1, 1, 2};
    w.setDiagnostics(ds);
    w.setIsTesting(row.testing);
    EXPECT_EQ(rig.bar->pill()->text(), row.pill);
    EXPECT_EQ(rig.bar->buildButton()->isEnabled(), row.build) << row.pill;
    EXPECT_EQ(rig.bar->runTestButton()->isEnabled(), row.run) << row.pill;
    EXPECT_EQ(rig.bar->runTestButton()->title(), row.runTitle);
  }
  w.setIsTesting(false);
  w.setDiagnostics({});

  // No file: only the buttons.
  w.setSelectedFileID(std::nullopt);
  EXPECT_FALSE(rig.bar->fileName()->isVisible());
  EXPECT_FALSE(rig.bar->pill()->isVisible());
  EXPECT_TRUE(rig.bar->buildButton()->isEnabled());
  QTest::mouseClick(rig.bar->buildButton(), Qt::LeftButton);
  QTest::mouseClick(rig.bar->runTestButton(), Qt::LeftButton);
  EXPECT_EQ(rig.builds, 1);
  EXPECT_EQ(rig.tests, 1);
}

TEST(TopBar, ReferenceToggleLongNameAndDoubleClick) {
  TopBarRig rig;
  EXPECT_TRUE(rig.bar->referenceButton()->active());
  for (bool expected : {false, true, false}) {
    QTest::mouseClick(rig.bar->referenceButton(), Qt::LeftButton);
    EXPECT_EQ(rig.state.showReference(), expected);
    EXPECT_EQ(rig.bar->referenceButton()->active(), expected);
  }
  EXPECT_EQ(rig.bar->referenceButton()->accessibleName(), "Kelo reference");

  QList<model::SourceFile> files = rig.w().files();
  files[0].name = QString(296, QLatin1Char('n')) + QStringLiteral(".kelo");
  rig.w().setFiles(files);
  QTest::qWait(1);
  EXPECT_EQ(rig.bar->height(), 60);
  const QRect button = rig.bar->referenceButton()->geometry();
  EXPECT_EQ(button.right() + 1, rig.bar->width() - 16);
  EXPECT_GE(rig.bar->fileName()->mapTo(rig.bar, QPoint()).x(), 88);
  EXPECT_TRUE(rig.bar->fileName()->isCut());

  // A double click on empty bar space toggles maximised; on a button it does not.
  EXPECT_FALSE(rig.window.isMaximized());
  QTest::mouseDClick(rig.bar, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_TRUE(rig.window.isMaximized());
  QTest::mouseDClick(rig.bar, Qt::LeftButton, {}, QPoint(40, 30));
  EXPECT_FALSE(rig.window.isMaximized());
  EXPECT_EQ(rig.bar->focusPolicy(), Qt::NoFocus);
}

struct SidebarRig : ShellRig {
  QWidget window;
  Sidebar* sidebar = nullptr;

  SidebarRig() {
    start();
    window.resize(260, 700);
    sidebar = new Sidebar(w(), dialogs, &window);
    sidebar->setGeometry(0, 0, 260, 700);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST(Sidebar, GroupsByKind) {
  SidebarRig rig;
  model::Workspace& w = rig.w();
  EXPECT_EQ(listed(*rig.sidebar), QStringList({"BOTS", "golden-cross.kelo"}));
  setFiles(w, {{"a.kelo", "bot x"},
               {"b.kelo", "indicatorX"},
               {"c.kelolib", "indicator y"},
               {"d.kelo", " indicator x"},
               {"e.kelo", "// c\nindicator x"},
               {"f.kelo", "x\nindicator"}});
  EXPECT_EQ(listed(*rig.sidebar), QStringList({"BOTS", "a.kelo", "d.kelo", "f.kelo", "INDICATORS",
                                               "b.kelo", "e.kelo", "LIBRARIES", "c.kelolib"}));
  QStringList symbols;
  for (theme::SidebarRow* row : rig.sidebar->rows()) symbols << row->look().leading.symbol;
  EXPECT_EQ(symbols, QStringList({"cpu", "cpu", "cpu", "chart.xyaxis.line", "chart.xyaxis.line",
                                  "books.vertical"}));

  setFiles(w, {{"only.kelolib", ""}});
  EXPECT_EQ(listed(*rig.sidebar), QStringList({"LIBRARIES", "only.kelolib"}));
  setFiles(w, {});
  EXPECT_EQ(listed(*rig.sidebar), QStringList());
}

TEST(Sidebar, RowsStayAcrossEditsAndFollowKeys) {
  SidebarRig rig;
  model::Workspace& w = rig.w();
  setFiles(w, {{"a.kelo", "bot a"}, {"b.kelo", "bot b"}, {"c.kelo", "indicator c"}});
  const QList<theme::SidebarRow*> rows = rig.sidebar->rows();
  ASSERT_EQ(rows.size(), 3);
  rows[0]->setFocus();
  w.setSelectedText(QStringLiteral("bot a2"));
  EXPECT_EQ(rig.sidebar->rows(), rows) << "an edit keeps the rows";
  EXPECT_TRUE(rows[0]->look().trailingDot);
  EXPECT_FALSE(rows[1]->look().trailingDot);

  // Keys move the selection through the list in shown order.
  const struct {
    Qt::Key key;
    const char* selected;
  } keys[] = {{Qt::Key_Down, "b.kelo"}, {Qt::Key_Down, "c.kelo"}, {Qt::Key_Down, "c.kelo"},
              {Qt::Key_Home, "a.kelo"}, {Qt::Key_End, "c.kelo"},  {Qt::Key_Up, "b.kelo"}};
  for (const auto& k : keys) {
    ASSERT_TRUE(QApplication::focusWidget());
    ASSERT_STREQ(QApplication::focusWidget()->metaObject()->className(), "zx::theme::SidebarRow");
    QTest::keyClick(QApplication::focusWidget(), k.key);
    EXPECT_EQ(w.selected()->name, QString::fromUtf8(k.selected));
    EXPECT_EQ(static_cast<theme::SidebarRow*>(QApplication::focusWidget())->label(), k.selected);
  }
  // One tab stop: the selected row.
  int stops = 0;
  for (auto* row : rig.sidebar->rows()) stops += row->focusPolicy() == Qt::TabFocus;
  EXPECT_EQ(stops, 1);
  // A click selects.
  QTest::mouseClick(rig.sidebar->rows()[0], Qt::LeftButton);
  EXPECT_EQ(w.selected()->name, "a.kelo");

  // The menus open from the keys: Shift+F10 or the Menu key on a row, Space on the "+".
  const struct {
    QWidget* target;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    const char* first;
  } menus[] = {{rig.sidebar->rows()[0], Qt::Key_F10, Qt::ShiftModifier, "Open"},
               {rig.sidebar->rows()[0], Qt::Key_Menu, Qt::NoModifier, "Open"},
               {rig.sidebar->newFileButton(), Qt::Key_Space, Qt::NoModifier, "New bot"}};
  for (const auto& m : menus) {
    m.target->setFocus();
    QTest::keyClick(m.target, m.key, m.mods);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu) << m.first;
    EXPECT_EQ(menu->actions().value(0)->text(), m.first);
    menu->close();
  }
}

TEST(Sidebar, NewFileMenu) {
  SidebarRig rig;
  EXPECT_EQ(actionTexts(rig.sidebar->newFileMenu()),
            QStringList({"New bot", "New indicator", "New library"}));
  EXPECT_EQ(rig.sidebar->newFileButton()->objectName(), "newFileButton");
  EXPECT_EQ(rig.sidebar->newFileButton()->accessibleName(), "New file");
  EXPECT_EQ(rig.sidebar->newFileButton()->size(), QSize(20, 20));
  rig.w().newFile(Kind::indicator);
  rig.sidebar->newFileMenu()->actions()[0]->trigger();
  EXPECT_EQ(listed(*rig.sidebar), QStringList({"BOTS", "golden-cross.kelo", "untitled-bot.kelo",
                                               "INDICATORS", "untitled-indicator.kelo"}));
  theme::SidebarRow* made = rig.sidebar->rows()[1];
  EXPECT_TRUE(made->selected());
  EXPECT_TRUE(made->look().trailingDot);
}

TEST(Sidebar, ContextMenu) {
  SidebarRig rig;
  model::Workspace& w = rig.w();
  w.newFile(Kind::bot);
  QList<model::SourceFile> files = w.files();
  files[1].name = QStringLiteral("b.kelo");
  w.setFiles(files);
  w.select(w.files()[0]);
  const QUuid b = w.files()[1].id;
  std::unique_ptr<QMenu> menu(rig.sidebar->makeContextMenu(b));
  EXPECT_EQ(actionTexts(menu.get()),
            QStringList({"Open", "—", "Save", "Save As\u2026", "Build\u2026", "—", "Rename\u2026",
                         "Show in File Manager", "—", "Remove"}));
  for (QAction* a : menu->actions()) EXPECT_TRUE(a->isEnabled());

  // "Build…" on an unselected row selects it, then builds it.
  rig.dialogs.saveAnswers << QStringLiteral("/out/b.zxb");
  menu->actions()[4]->trigger();
  EXPECT_EQ(w.selected()->name, "b.kelo");
  EXPECT_TRUE(rig.engine.names().contains("build b.kelo /out/b.zxb"))
      << rig.engine.names().join(", ").toStdString();

  // Entries look the document up when they run: a rename after the menu was made counts.
  files = w.files();
  files[1].name = QStringLiteral("c.kelo");
  w.setFiles(files);
  menu->actions()[7]->trigger();
  EXPECT_EQ(w.buildMessage().value_or(QString()), "c.kelo has not been saved to disk yet");
  EXPECT_TRUE(w.buildFailed());
}

TEST(Sidebar, RenamePrompt) {
  SidebarRig rig;
  model::Workspace& w = rig.w();
  const QUuid id = w.files()[0].id;
  const struct {
    std::optional<QString> answer;
    const char* name;
  } rows[] = {{QStringLiteral("  strategy  "), "strategy.kelo"},
              {std::nullopt, "strategy.kelo"},
              {QStringLiteral("strategy.kelo"), "strategy.kelo"},
              {QStringLiteral("golden-cross.kelo"), "golden-cross.kelo"}};
  for (const auto& row : rows) {
    const QString before = w.files()[0].name;
    rig.dialogs.textAnswers << row.answer;
    std::unique_ptr<QMenu> menu(rig.sidebar->makeContextMenu(id));
    menu->actions()[6]->trigger();
    const model::TextPrompt& prompt = rig.dialogs.lastPrompt();
    EXPECT_EQ(prompt.title, "Rename " + before);
    EXPECT_EQ(prompt.label, "Give the file a new name.");
    EXPECT_EQ(prompt.text, before);
    EXPECT_EQ(prompt.acceptLabel, "Rename");
    EXPECT_EQ(w.files()[0].name, row.name);
  }
  EXPECT_TRUE(rig.dialogs.unexpected.isEmpty());
}

TEST(Sidebar, InputsPanelComesAndGoesKeepingItsHeight) {
  SidebarRig rig;
  model::Workspace& w = rig.w();
  ASSERT_TRUE(testing::waitUntil([&] { return rig.sidebar->inputsPanel() != nullptr; }));
  EXPECT_EQ(rig.sidebar->inputsSplit()->bottomHeight(), 240);
  EXPECT_EQ(rig.sidebar->inputsPanel()->height(), 240);
  QWidget* files =
      rig.sidebar->rows()[0]->window() == &rig.window ? rig.sidebar->rows()[0] : nullptr;
  ASSERT_TRUE(files);

  // A drag of the divider 60 px up.
  testing::dragBy(rig.sidebar->inputsSplit()->grip(), QPoint(0, -60));
  EXPECT_EQ(rig.sidebar->inputsHeight(), 300);

  const struct {
    std::optional<bridge::InputSchema> schema;
    bool panel;
  } rows[] = {
      {std::nullopt, false},
      {bridge::InputSchema{true, testing::sampleSchema().groups, {}}, false},
      {testing::sampleSchema(), true},
  };
  for (const auto& row : rows) {
    w.setSchema(row.schema);
    EXPECT_EQ(rig.sidebar->inputsPanel() != nullptr, row.panel);
    EXPECT_EQ(rig.sidebar->rows()[0], files) << "the same rows move between layouts";
    EXPECT_TRUE(files->isVisible());
  }
  QTest::qWait(1);
  EXPECT_EQ(rig.sidebar->inputsPanel()->height(), 300);
}

QStringList panelLines(const InputsPanel& panel) {
  QStringList out;
  for (QWidget* w : panel.entries()) {
    if (auto* c = dynamic_cast<theme::SectionLabel*>(w)) out << c->shownText();
    if (auto* r = dynamic_cast<InputRow*>(w)) {
      out << QStringList({r->nameText(), r->rangeText(), r->typeText(), r->toolTip()}).join('|');
    }
  }
  return out;
}

TEST(InputsPanel, SampleRows) {
  testing::testApp();
  InputsPanel panel;
  panel.setSchema(testing::sampleSchema());
  EXPECT_EQ(panel.header()->title(), "Inputs");
  EXPECT_EQ(panel.countText(), "5");
  EXPECT_EQ(
      panelLines(panel),
      QStringList({"SIGNAL", "Fast EMA|2\u2013200|int|fast", "Slow EMA|5\u2013400|int|slow", "RISK",
                   "volume|0.01\u201310|lots|volume", "Stop loss (pips)|5\u2013500|int|stopPips",
                   "Take profit (pips)|5\u2013900|int|takePips"}));
}

TEST(InputsPanel, RowRules) {
  testing::testApp();
  const auto input = [](const char* name, const char* group, std::optional<double> min,
                        std::optional<double> max, const char* label = "", const char* hint = "") {
    bridge::InputSpec s;
    s.name = name;
    s.type = "int";
    s.group = group;
    s.label = label;
    s.hint = hint;
    s.min = min;
    s.max = max;
    return s;
  };
  const bridge::InputGroup g{"g", "G", false}, unused{"u", "Unused", false};
  const struct {
    bridge::InputSchema schema;
    QStringList lines;
  } rows[] = {
      {{true, {}, {input("a", "", 1, 2)}}, {"a|1\u20132|int|a"}},
      {{true,
        {g, unused},
        {input("a", "", 1, std::nullopt), input("b", "g", std::nullopt, 3, "B", "hb")}},
       {"G", "B||int|hb", "OTHER", "a||int|a"}},
      {{true, {g}, {input("c", "elsewhere", 0, 1)}}, {}},
  };
  for (const auto& row : rows) {
    InputsPanel panel;
    panel.setSchema(row.schema);
    EXPECT_EQ(panelLines(panel), row.lines);
  }

  // Rows are kept by position: another schema of the same shape changes only their texts.
  {
    InputsPanel panel;
    panel.setSchema({true, {g}, {input("a", "g", 1, 2), input("b", "g", 3, 4)}});
    const QList<QWidget*> before = panel.entries();
    panel.setSchema({true, {unused}, {input("b", "u", 5, 6), input("a", "u", 0.5, 5)}});
    EXPECT_EQ(panel.entries(), before);
    EXPECT_EQ(panelLines(panel), QStringList({"UNUSED", "b|5\u20136|int|b", "a|0.5\u20135|int|a"}));
    panel.setSchema({true, {}, {input("c", "", 1, 2)}});
    EXPECT_EQ(panelLines(panel), QStringList({"c|1\u20132|int|c"}));
    EXPECT_EQ(panel.entries().size(), 1);
  }

  // An equal schema keeps the rows and the scroll position.
  InputsPanel panel;
  panel.resize(240, 120);
  bridge::InputSchema many{true, {}, {}};
  for (int i = 0; i < 30; ++i) many.inputs << input(QByteArray::number(i).constData(), "", 0, i);
  panel.setSchema(many);
  panel.show();
  QTest::qWait(1);
  panel.scrollArea()->verticalScrollBar()->setValue(100);
  const QList<QWidget*> before = panel.entries();
  panel.setSchema(many);
  EXPECT_EQ(panel.entries(), before);
  EXPECT_EQ(panel.scrollArea()->verticalScrollBar()->value(), 100);
}

}  // namespace
}  // namespace zx::views
