// The keyboard focus around dialogs in the whole window: a number left typed in the tester
// strip while a dialog comes and goes, and where the keyboard is after the sign-in sheet.
// A real modal window takes the focus while a fake question is open, as a file panel or an
// alert does; giving the main window the focus back afterwards plays the window manager.
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <functional>

#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "panels/bottom_panel.h"
#include "panels/number_box.h"
#include "panels/sign_in_sheet.h"
#include "panels/tester_panel.h"
#include "panels/tester_settings.h"
#include "shell/editor_pane.h"
#include "shell/menu_commands.h"
#include "shell/shell_test_support.h"
#include "shell/zentrix_code_app.h"
#include "theme/fake_system_appearance.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using model::testing::Publications;

struct AppRig : testing::ShellRig {
  theme::FakeSystemAppearance desktop;
  std::unique_ptr<ZentrixCodeApp> app;

  ZentrixCodeApp& launch() {
    app = std::make_unique<ZentrixCodeApp>(
        ZentrixCodeApp::Services{engine, client, dialogs, viewer, desktop, *store});
    app->show();
    giveWindowTheFocus();
    return *app;
  }
  void giveWindowTheFocus() {
    app->window().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&app->window()));
  }
  void keys(const char* sequence) {
    QTest::keySequence(&app->window(), QKeySequence(QString::fromUtf8(sequence)));
  }
  NumberBox* box(bool balance) {
    app->viewState().setBottomTab(BottomTab::tester);
    TesterSettings* strip = nullptr;
    EXPECT_TRUE(testing::waitUntil([&] {
      auto* tester = qobject_cast<TesterPanel*>(app->root().bottomPanel()->view());
      strip = tester ? tester->settings() : nullptr;
      return strip && strip->balanceBox();
    }));
    return balance ? strip->balanceBox() : strip->barsBox();
  }
  // Clicks into the box and types over its text, leaving the focus there.
  NumberBox* typeInto(bool balance, const char* text) {
    NumberBox* b = box(balance);
    QTest::mouseClick(b->lineEdit(), Qt::LeftButton);
    EXPECT_TRUE(b->lineEdit()->hasFocus());
    b->lineEdit()->selectAll();
    QTest::keyClicks(b->lineEdit(), QString::fromUtf8(text));
    return b;
  }
  QWidget* editor() { return app->root().editorPane()->editor()->textView(); }
  bool accentBorder(NumberBox* b) {
    const QColor edge = testing::grab(b).pixelColor(0, b->height() / 2);
    const theme::Palette& p = theme::PaletteScope::of(b);
    EXPECT_TRUE(testing::near(edge, p.accent, 20) || testing::near(edge, p.border, 20));
    return testing::near(edge, p.accent, 20);
  }
};

// Shows a modal dialog over `parent` until it has taken the focus, then closes it by
// Escape, as a user leaving a file panel or an alert does.
void modalWindowOver(QWidget* parent) {
  QDialog dialog(parent);
  new QLineEdit(&dialog);
  QTimer::singleShot(0, &dialog, [&] {
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog, 30000));
    if (!dialog.isActiveWindow()) return dialog.reject();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  dialog.exec();
}

// A number typed but not committed when a dialog opens: the dialog's close hands the
// keyboard to the editor, which is the box losing it, so the box commits; the run, the
// box and the tab shown again all say what was typed.
TEST(DialogFocus, ANumberLeftTypedBeforeADialogCommitsWhenItCloses) {
  enum class Dialog { open, saveAs, build, quitCancelled };
  const struct {
    const char* what;
    Dialog dialog;
    const char* keys;
    bool balance;
  } rows[] = {
      {"Open", Dialog::open, "Ctrl+O", true},
      {"Save As", Dialog::saveAs, "Ctrl+Shift+S", true},
      {"Build", Dialog::build, "Ctrl+B", true},
      {"the quit question's Cancel", Dialog::quitCancelled, "Ctrl+Q", true},
      {"Open, in Bars", Dialog::open, "Ctrl+O", false},
      {"Build, in Bars", Dialog::build, "Ctrl+B", false},
      {"the quit question's Cancel, in Bars", Dialog::quitCancelled, "Ctrl+Q", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    AppRig rig;
    ZentrixCodeApp& app = rig.launch();
    model::Workspace& w = app.workspace();
    switch (row.dialog) {
      case Dialog::open:
        rig.dialogs.openAnswers = {{}};
        break;
      case Dialog::saveAs:
      case Dialog::build:
        rig.dialogs.saveAnswers = {std::nullopt};
        break;
      case Dialog::quitCancelled:
        w.setSelectedText(w.selected()->text + QStringLiteral("x"));
        rig.dialogs.askAnswers = {2};  // "Cancel"
        break;
    }
    NumberBox* box = rig.typeInto(row.balance, "777");
    ASSERT_TRUE(rig.accentBorder(box));
    rig.dialogs.whileOpen = [&] { modalWindowOver(&app.window()); };
    rig.keys(row.keys);
    ASSERT_EQ(rig.dialogs.requests.size(), 1);
    EXPECT_TRUE(rig.dialogs.unexpected.isEmpty());
    ASSERT_TRUE(app.window().isVisible());
    rig.giveWindowTheFocus();

    EXPECT_EQ(QApplication::focusWidget(), rig.editor());
    EXPECT_FALSE(box->focused());
    EXPECT_FALSE(rig.accentBorder(box));
    EXPECT_EQ(box->lineEdit()->text(), "777");
    EXPECT_EQ(row.balance ? w.testBalance() : double(w.testBars()), 777);

    rig.keys("Ctrl+R");
    ASSERT_TRUE(testing::waitUntil(
        [&] { return rig.engine.fake.lastBacktest().has_value() && !w.isTesting(); }));
    // Signed out, the bar count stays in the workspace: the engine makes its own bars.
    EXPECT_EQ(rig.engine.fake.lastBacktest()->balance, row.balance ? 777 : 10000);
    EXPECT_EQ(w.testBars(), row.balance ? 5000 : 777);

    app.viewState().setBottomTab(BottomTab::problems);
    EXPECT_EQ(rig.box(row.balance)->lineEdit()->text(), "777") << "after a tab switch";
  }
}

// The focus that leaves for another window or a popup and comes back to the box has not
// left it: nothing is written, the border stays, and the text typed is still there to run.
TEST(DialogFocus, FocusThatComesBackToTheBoxCommitsNothing) {
  const struct {
    const char* what;
    std::function<void(AppRig&, NumberBox*)> away;
  } rows[] = {
      {"a dialog closed without a command",
       [](AppRig& rig, NumberBox*) { modalWindowOver(&rig.app->window()); }},
      {"the field's own context menu",
       [](AppRig&, NumberBox* box) {
         std::unique_ptr<QMenu> menu(box->lineEdit()->createStandardContextMenu());
         menu->popup(box->mapToGlobal(QPoint(4, 4)));
         ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
         ASSERT_EQ(QApplication::activePopupWidget(), menu.get());
         QTest::keyClick(menu.get(), Qt::Key_Escape);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    AppRig rig;
    ZentrixCodeApp& app = rig.launch();
    model::Workspace& w = app.workspace();
    NumberBox* box = rig.typeInto(true, "777");
    Publications published(w);
    row.away(rig, box);
    rig.giveWindowTheFocus();
    EXPECT_TRUE(box->lineEdit()->hasFocus());
    EXPECT_TRUE(box->focused());
    EXPECT_TRUE(rig.accentBorder(box));
    EXPECT_EQ(box->lineEdit()->text(), "777");
    EXPECT_EQ(published.take().count("testBalance"), 0);

    rig.keys("Ctrl+R");
    ASSERT_TRUE(testing::waitUntil(
        [&] { return rig.engine.fake.lastBacktest().has_value() && !w.isTesting(); }));
    EXPECT_EQ(rig.engine.fake.lastBacktest()->balance, 777);
  }
}

// The sign-in sheet, opened while the Balance box has the keyboard, leaves it to the editor
// when it closes, as every other dialog does; a number typed there is committed on the way.
TEST(DialogFocus, TheSignInSheetGivesTheKeyboardToTheEditor) {
  enum class Open { testerButton, buildMenu };
  enum class Close { cancel, closeButton };
  const struct {
    const char* what;
    Open open;
    Close close;
  } rows[] = {
      {"the strip's Sign in, then Cancel", Open::testerButton, Close::cancel},
      {"the strip's Sign in, then the close button", Open::testerButton, Close::closeButton},
      {"the Build menu, then Cancel", Open::buildMenu, Close::cancel},
      {"the Build menu, then the close button", Open::buildMenu, Close::closeButton},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    AppRig rig;
    ZentrixCodeApp& app = rig.launch();
    model::Workspace& w = app.workspace();
    NumberBox* box = rig.typeInto(true, "777");
    if (row.open == Open::testerButton) {
      // A click on the button leaves the keyboard where it was: it takes none.
      auto* strip = qobject_cast<TesterPanel*>(app.root().bottomPanel()->view())->settings();
      QTest::mouseClick(strip->signInButton(), Qt::LeftButton);
    } else {
      app.menus().signInAction()->trigger();
    }
    SignInSheet* sheet = nullptr;
    ASSERT_TRUE(testing::waitUntil([&] {
      const QList<SignInSheet*> open = app.window().findChildren<SignInSheet*>();
      sheet = open.isEmpty() ? nullptr : open.first();
      return sheet && sheet->isActiveWindow();
    }));
    if (row.close == Close::cancel) {
      QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
    } else {
      sheet->close();
    }
    ASSERT_TRUE(testing::waitUntil([&] { return !w.wantsSignIn(); }));
    rig.giveWindowTheFocus();
    EXPECT_EQ(QApplication::focusWidget(), rig.editor());
    EXPECT_FALSE(box->focused());
    EXPECT_FALSE(rig.accentBorder(box));
    EXPECT_EQ(w.testBalance(), 777);
  }
}

}  // namespace
}  // namespace zx::views
