// The main window and its menus on a workspace over fakes: the menu bar's items and
// shortcuts, the About window, the frame it keeps, and the question on close.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

#include "model/file_size_limit.h"
#include "shell/about_dialog.h"
#include "shell/menu_commands.h"
#include "shell/shell_test_support.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using testing::ShellRig;

QString itemText(const QAction* a) {
  if (a->isSeparator()) return QStringLiteral("—");
  QString text = a->text();
  if (a->menu()) {
    QStringList inner;
    for (const QAction* i : a->menu()->actions()) inner << i->text() + (i->isChecked() ? "*" : "");
    text += " (" + inner.join(", ") + ")";
  }
  if (!a->shortcut().isEmpty()) text += " " + a->shortcut().toString();
  return text;
}

QStringList items(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions()) {
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    out << itemText(a);
  }
  return out;
}

struct WindowRig : ShellRig {
  ViewState state;
  std::unique_ptr<MainWindow> window;
  MenuCommands* menus = nullptr;
  QLineEdit* field = nullptr;  // stands in for a focused text widget
  int runTests = 0;

  explicit WindowRig(bool show = true) {
    start();
    state.setAppearance(settings->appearance());
    window = std::make_unique<MainWindow>(*settings, w(), dialogs);
    menus = new MenuCommands(*window, w(), state, *settings, engine, [this] { ++runTests; });
    field = new QLineEdit(window.get());
    window->setCentralWidget(field);
    if (show) {
      window->show();
      window->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
      field->setFocus();
    }
  }

  void keys(const char* sequence) {
    QTest::keySequence(window.get(), QKeySequence(QString::fromUtf8(sequence)));
  }
};

TEST(MenuCommands, Structure) {
  WindowRig rig;
  QStringList titles;
  for (const QAction* a : rig.window->menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, QStringList({"&File", "&Edit", "&View", "&Build", "&Help"}));
  EXPECT_EQ(items(rig.menus->fileMenu()),
            QStringList({"New Bot Ctrl+N", "New Indicator Ctrl+Shift+N", "New Library", "—",
                         "Open\u2026 Ctrl+O", "—", "Save Ctrl+S", "Save As\u2026 Ctrl+Shift+S", "—",
                         "Quit Ctrl+Q"}));
  EXPECT_EQ(items(rig.menus->editMenu()),
            QStringList({"Undo Ctrl+Z", "Redo Ctrl+Shift+Z", "—", "Cut Ctrl+X", "Copy Ctrl+C",
                         "Paste Ctrl+V", "Select All Ctrl+A"}));
  EXPECT_EQ(items(rig.menus->viewMenu()),
            QStringList({"Hide Reference Ctrl+Alt+0", "—",
                         "Appearance (Match System*, Light, Dark)", "—", "Full Screen F11"}));
  EXPECT_EQ(items(rig.menus->buildMenu()),
            QStringList({"Build Bundle\u2026 Ctrl+B", "Show Last Build in File Manager",
                         "Run Backtest Ctrl+R", "—", "Check Now Ctrl+Shift+K", "—",
                         "Sign in to Zentrix\u2026"}));
  EXPECT_EQ(items(rig.menus->helpMenu()),
            QStringList({"Kelo Reference", "—", "About Zentrix Code"}));

  // The editor's find commands go after a divider.
  QAction find(QStringLiteral("Find\u2026"));
  rig.menus->addFindActions({&find});
  EXPECT_EQ(items(rig.menus->editMenu()).mid(7), QStringList({"—", "Find\u2026"}));
}

TEST(MenuCommands, ShortcutsWithATextFieldFocused) {
  WindowRig rig;
  model::Workspace& w = rig.w();

  // Save and Save As without a selection ask nothing and report nothing.
  w.setSelectedFileID(std::nullopt);
  rig.keys("Ctrl+S");
  rig.keys("Ctrl+Shift+S");
  EXPECT_TRUE(rig.dialogs.kinds.isEmpty());
  EXPECT_FALSE(w.buildMessage().has_value());
  w.select(w.files()[0]);

  rig.keys("Ctrl+R");
  rig.keys("Ctrl+R");
  EXPECT_EQ(rig.runTests, 2) << "each press runs the window's test action";

  const QStringList titles[] = {{"Show Reference"}, {"Hide Reference"}};
  for (const QStringList& expected : titles) {
    rig.keys("Ctrl+Alt+0");
    EXPECT_EQ(rig.menus->referenceAction()->text(), expected.first());
  }
  rig.menus->helpMenu()->actions()[0]->trigger();
  EXPECT_TRUE(rig.state.showReference()) << "Kelo Reference never hides the pane";
  rig.state.setShowReference(false);
  rig.menus->helpMenu()->actions()[0]->trigger();
  EXPECT_TRUE(rig.state.showReference());

  model::testing::settle();
  const qsizetype before = rig.engine.names().count("check golden-cross.kelo");
  rig.keys("Ctrl+Shift+K");
  ASSERT_TRUE(testing::waitUntil(
      [&] { return rig.engine.names().count("check golden-cross.kelo") == before + 1; }));
  model::testing::settle(200);
  EXPECT_EQ(rig.engine.names().count("check golden-cross.kelo"), before + 1);

  rig.keys("Ctrl+N");
  rig.keys("Ctrl+Shift+N");
  QStringList names;
  for (const auto& f : w.files()) names << f.name;
  EXPECT_EQ(names,
            QStringList({"golden-cross.kelo", "untitled-bot.kelo", "untitled-indicator.kelo"}));

  // Edit items act on the focused widget; its own keys come first.
  rig.field->setFocus();
  QTest::keyClicks(rig.field, QStringLiteral("abc"));
  rig.menus->editMenu()->actions()[6]->trigger();
  EXPECT_EQ(rig.field->selectedText(), "abc");
  rig.field->deselect();
  rig.keys("Ctrl+Z");
  EXPECT_EQ(rig.field->text(), "") << "the field's own undo, once";
}

TEST(MenuCommands, SignInItemFollowsTheSession) {
  ShellRig base;
  base.client.signedIn = true;
  base.client.stored = client::Session{"4711", "Ann", "Broker", "Server", "USD", 100, 10000};
  WindowRig rig;  // its own rig; copy the session in
  rig.w().setSession(base.client.stored);
  EXPECT_EQ(rig.menus->signInAction()->text(), "Sign out of Zentrix");
  rig.menus->signInAction()->trigger();
  EXPECT_TRUE(rig.client.calls.contains("signOut"));
  EXPECT_EQ(rig.menus->signInAction()->text(), "Sign in to Zentrix\u2026");
  rig.menus->signInAction()->trigger();
  EXPECT_TRUE(rig.w().wantsSignIn());
}

TEST(MenuCommands, AppearancePickerWritesAtOnce) {
  WindowRig rig;
  rig.store->setValue(QStringLiteral("appearance"), QStringLiteral("Dark"));
  const struct {
    int item;
    const char* stored;
    Appearance state;
  } rows[] = {{2, "dark", Appearance::dark},
              {1, "light", Appearance::light},
              {0, "system", Appearance::system}};
  QMenu* picker = rig.menus->viewMenu()->actions()[2]->menu();
  for (const auto& row : rows) {
    picker->actions()[row.item]->trigger();
    EXPECT_EQ(rig.store->value(QStringLiteral("appearance")).toString(), row.stored);
    EXPECT_EQ(rig.state.appearance(), row.state);
    int checked = 0;
    for (QAction* a : picker->actions()) checked += a->isChecked();
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(picker->actions()[row.item]->isChecked());
  }
}

TEST(MenuCommands, AboutWindow) {
  WindowRig rig;
  rig.engine.fake.versionReply = QString();
  rig.menus->aboutAction()->trigger();
  auto* about = rig.window->findChild<AboutDialog*>();
  ASSERT_TRUE(about);
  EXPECT_TRUE(about->isVisible());
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->windowTitle(), "About Zentrix Code");
  EXPECT_EQ(about->nameLabel()->text(), "Zentrix Code");
  EXPECT_EQ(about->versionLabel()->text(), "Version 1.0.0 (Kelo )");
  EXPECT_EQ(about->creditsLabel()->text(),
            "The development environment for Kelo, the Zentrix trading language.");
  EXPECT_EQ(about->creditsLabel()->font().pointSizeF(), 8.25);
  EXPECT_EQ(about->nameLabel()->font(), theme::font(theme::FontStyle::title));

  about->close();
  rig.engine.fake.versionReply = QStringLiteral("1.0.1");
  rig.menus->aboutAction()->trigger();
  EXPECT_EQ(rig.window->findChildren<AboutDialog*>().size(), 1) << "the same window again";
  EXPECT_TRUE(about->isVisible());
  EXPECT_EQ(about->versionLabel()->text(), "Version 1.0.0 (Kelo 1.0.1)");
}

TEST(MainWindow, SizeTitleAndFullScreen) {
  WindowRig rig;
  EXPECT_EQ(rig.window->size(), QSize(1360, 880));
  rig.window->resize(800, 500);
  EXPECT_EQ(rig.window->size(), QSize(1020, 660));
  EXPECT_EQ(rig.window->windowHandle()->title(), "Zentrix Code");

  const struct {
    const char* title;
    bool edited;
    const char* shown;
  } rows[] = {{"golden-cross.kelo", false, "golden-cross.kelo"},
              {"golden-cross.kelo", true, "golden-cross.kelo*"},
              {"a[*]b.kelo", false, "a[*]b.kelo"},
              {"a[*]b.kelo", true, "a[*]b.kelo*"}};
  for (const auto& row : rows) {
    rig.window->setTitleAndEdited(QString::fromUtf8(row.title), row.edited);
    EXPECT_EQ(rig.window->windowHandle()->title(), row.shown);
  }

  rig.keys("F11");
  EXPECT_TRUE(rig.window->isFullScreen());
  EXPECT_TRUE(rig.menus->fullScreenAction()->isChecked());
  rig.keys("F11");
  EXPECT_FALSE(rig.window->isFullScreen());
  EXPECT_FALSE(rig.menus->fullScreenAction()->isChecked());
}

TEST(MainWindow, Frame) {
  ShellRig rig;
  rig.start();
  {
    MainWindow window(*rig.settings, rig.w(), rig.dialogs);
    window.show();
    window.resize(1200, 700);
    QTest::qWait(1);
    EXPECT_TRUE(window.close());
  }
  EXPECT_FALSE(rig.settings->frame().isEmpty());
  {
    MainWindow again(*rig.settings, rig.w(), rig.dialogs);
    EXPECT_EQ(again.size(), QSize(1200, 700));
  }
  rig.settings->setFrame(QByteArray("garbage"));
  MainWindow fresh(*rig.settings, rig.w(), rig.dialogs);
  EXPECT_EQ(fresh.size(), QSize(1360, 880));

  const struct {
    QRect available, frame;
  } rows[] = {{{0, 0, 1920, 1080}, {280, 100, 1360, 880}},
              {{0, 0, 1280, 720}, {0, 0, 1280, 720}},
              {{0, 32, 1280, 688}, {0, 32, 1280, 688}},
              {{0, 0, 800, 600}, {-110, -30, 1020, 660}}};
  for (const auto& row : rows) EXPECT_EQ(MainWindow::defaultFrame(row.available), row.frame);
}

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

TEST(MainWindow, QuestionOnClose) {
  enum Answer { saveAll, discard, cancel };
  const struct {
    const char* name;
    int edited;                 // documents with an edit: the sample, then a new bot
    bool crlfFile;              // open an untouched CRLF file as well
    QList<int> answers;         // to the question
    QList<const char*> panels;  // answers to save panels: a file name in the folder, or ""
    bool closes;
    int questions;
    QStringList written;
    rlim_t fileLimit;  // the largest file the process may write while closing; 0: any
  } rows[] = {
      {"nothing unsaved", 0, false, {}, {}, true, 0, {}, 0},
      {"untouched CRLF file", 0, true, {}, {}, true, 0, {}, 0},
      {"cancel", 1, false, {cancel}, {}, false, 1, {}, 0},
      {"discard", 2, false, {discard}, {}, true, 1, {}, 0},
      {"save all, panel cancelled", 2, false, {saveAll}, {""}, false, 1, {}, 0},
      {"save all",
       2,
       false,
       {saveAll},
       {"one.kelo", "two.kelo"},
       true,
       1,
       {"one.kelo", "two.kelo"},
       0},
      {"save all, missing folder", 1, false, {saveAll}, {"missing/one.kelo"}, false, 1, {}, 0},
      // The CRLF file is the one edited: it is selected once opened.
      {"save all, file too large", 1, true, {saveAll}, {}, false, 1, {}, 4},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WindowRig rig;
    model::Workspace& w = rig.w();
    const QString folder = rig.dir.path();
    if (row.crlfFile) {
      const QString path = QDir(folder).filePath(QStringLiteral("crlf.kelo"));
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("bot \"x\" {\r\n}\r\n");
      f.close();
      rig.dialogs.openAnswers << QStringList{path};
      w.openFromDisk();
    }
    if (row.edited >= 1) w.setSelectedText(w.selected()->text + QStringLiteral(" "));
    if (row.edited >= 2) w.newFile(model::SourceFile::Kind::bot);
    for (int a : row.answers) rig.dialogs.askAnswers << a;
    for (const char* p : row.panels) {
      rig.dialogs.saveAnswers << (*p ? std::optional(QDir(folder).filePath(p)) : std::nullopt);
    }
    std::optional<model::testing::FileSizeLimit> limit;
    if (row.fileLimit) limit.emplace(row.fileLimit);
    const bool closed = rig.window->close();
    limit.reset();
    EXPECT_EQ(closed, row.closes);
    EXPECT_EQ(rig.dialogs.kinds.count(model::FakeDialogs::Kind::ask), row.questions);
    EXPECT_EQ(rig.dialogs.kinds.count(model::FakeDialogs::Kind::saveFile), row.panels.size())
        << "no second panel after a cancelled one";
    EXPECT_TRUE(rig.dialogs.unexpected.isEmpty());
    QStringList written = QDir(folder).entryList({"*.kelo"}, QDir::Files, QDir::Name);
    written.removeAll(QStringLiteral("crlf.kelo"));
    EXPECT_EQ(written, row.written);
    if (row.written.size() == 2) {
      EXPECT_EQ(contents(QDir(folder).filePath("one.kelo")), w.files()[0].text.toUtf8());
      EXPECT_EQ(contents(QDir(folder).filePath("two.kelo")), w.files()[1].text.toUtf8());
    }
    if (QString(row.name).contains("missing")) {
      EXPECT_TRUE(w.buildMessage().value_or("").startsWith("Could not save: "))
          << w.buildMessage().value_or("").toStdString();
    }
    if (row.crlfFile) {
      const QString crlf = QDir(folder).filePath(QStringLiteral("crlf.kelo"));
      EXPECT_EQ(contents(crlf), "bot \"x\" {\r\n}\r\n");
      EXPECT_EQ(w.file(w.selectedFileID().value())->hasUnsavedChanges(), row.edited >= 1);
    }
    if (row.fileLimit) {
      EXPECT_EQ(w.buildMessage(), "Could not save: File too large (" +
                                      QDir(folder).filePath(QStringLiteral("crlf.kelo")) + ")");
    }
    EXPECT_EQ(rig.settings->frame().isEmpty(), !row.closes) << "the frame is kept on a close";
  }
}

TEST(MainWindow, QuitAsksOnce) {
  WindowRig rig;
  rig.w().setSelectedText(QStringLiteral("edited"));
  rig.dialogs.askAnswers << 1;  // Discard
  rig.keys("Ctrl+Q");
  EXPECT_EQ(rig.dialogs.kinds.count(model::FakeDialogs::Kind::ask), 1);
  EXPECT_FALSE(rig.window->isVisible());
}

}  // namespace
}  // namespace zx::views
