#include "model/qt_dialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

// Runs `act` on the modal dialog of type T once it is showing.
template <class T>
void whenShown(std::function<void(T*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dialog) return whenShown<T>(act);
    act(dialog);
  });
}

Alert removeAlert() {
  Alert a;
  a.style = Alert::Style::warning;
  a.message = "Remove golden-cross.kelo?";
  a.informativeText = "This file has never been saved, so its contents will be lost.";
  a.buttons = {"Remove", "Cancel"};
  a.defaultIndex = 0;
  a.cancelIndex = 1;
  return a;
}

TEST(QtDialogs, TheBuildPanelAsConfigured) {
  testing::testApp();
  QTemporaryDir dir;
  FilePanel panel;
  panel.title = "Build golden-cross.kelo";
  panel.acceptLabel = "Build";
  panel.folder = dir.path();
  panel.fileName = "golden-cross.zxb";
  panel.filters = {"Kelo bundle (*.zxb)"};
  panel.defaultSuffix = "zxb";
  auto dialog = QtDialogs::makeFileDialog(panel, QFileDialog::AcceptSave, nullptr);
  EXPECT_EQ(dialog->windowTitle(), "Build golden-cross.kelo");
  EXPECT_EQ(dialog->labelText(QFileDialog::Accept), "Build");
  EXPECT_EQ(dialog->defaultSuffix(), "zxb");
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  EXPECT_EQ(dialog->nameFilters(), QStringList{"Kelo bundle (*.zxb)"});
  EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());

  // A folder that is gone starts at home, not in the working directory.
  panel.folder = dir.filePath("gone");
  dialog = QtDialogs::makeFileDialog(panel, QFileDialog::AcceptSave, nullptr);
  EXPECT_EQ(dialog->directory().absolutePath(), QDir::homePath());

  FilePanel open;
  open.title = "Open a Kelo file";
  open.multiple = true;
  dialog = QtDialogs::makeFileDialog(open, QFileDialog::AcceptOpen, nullptr);
  EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
  EXPECT_EQ(dialog->directory().absolutePath(), QDir::homePath());
}

TEST(QtDialogs, ASavePanelAddsTheSuffix) {
  testing::testApp();
  QTemporaryDir dir;
  FilePanel panel;
  panel.title = "Build golden-cross.kelo";
  panel.folder = dir.path();
  panel.fileName = "golden-cross.zxb";
  panel.defaultSuffix = "zxb";
  whenShown<QFileDialog>([](QFileDialog* d) {
    d->findChild<QLineEdit*>("fileNameEdit")->setText("mybundle");
    QMetaObject::invokeMethod(d, "accept");
  });
  QtDialogs dialogs;
  EXPECT_EQ(dialogs.saveFile(panel), QDir(dir.path()).filePath("mybundle.zxb"));

  whenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(dialogs.saveFile(panel), std::nullopt);
}

TEST(QtDialogs, AlertKeys) {
  testing::testApp();
  QtDialogs dialogs;
  const Alert alert = removeAlert();
  const struct {
    Qt::Key key;
    int answer;
  } rows[] = {{Qt::Key_Escape, 1}, {Qt::Key_Return, 0}, {Qt::Key_Escape, 1}};
  for (const auto& r : rows) {
    whenShown<QMessageBox>([key = r.key](QMessageBox* box) { QTest::keyClick(box, key); });
    EXPECT_EQ(dialogs.ask(alert), r.answer) << r.key;
  }
  // Closed from code: the cancel answer.
  whenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
  EXPECT_EQ(dialogs.ask(alert), 1);

  auto box = QtDialogs::makeMessageBox(alert, nullptr);
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_EQ(box->text(), "Remove golden-cross.kelo?");
  EXPECT_EQ(box->informativeText(), alert.informativeText);
  EXPECT_EQ(box->defaultButton()->text(), "Remove");
  EXPECT_EQ(box->escapeButton()->text(), "Cancel");
}

// What a text prompt shows when it opens.
struct PromptSeen {
  QString heading, detail, field, selected, accept, focus;
  int fieldWidth = 0;
  bool headingInside = false;
  friend bool operator==(const PromptSeen&, const PromptSeen&) = default;
};
void PrintTo(const PromptSeen& s, std::ostream* os) {
  *os << QStringList{s.heading, s.detail, s.field, s.selected, s.accept, s.focus}
             .join(" | ")
             .toStdString()
      << " | " << s.fieldWidth << " px" << (s.headingInside ? "" : " | heading not shown");
}

TEST(QtDialogs, RenamePrompt) {
  testing::testApp();
  QtDialogs dialogs;
  TextPrompt prompt;
  prompt.title = "Rename untitled-bot.kelo";
  prompt.label = "Give the file a new name.";
  prompt.text = "untitled-bot.kelo";
  prompt.acceptLabel = "Rename";
  const PromptSeen shown{"Rename untitled-bot.kelo",
                         "Give the file a new name.",
                         "untitled-bot.kelo",
                         "untitled-bot.kelo",
                         "Rename",
                         "field",
                         260,
                         true};
  const struct {
    const char* typed;  // replaces the selected name
    Qt::Key key;
    std::optional<QString> answer;
  } rows[] = {{"strategy", Qt::Key_Return, "strategy"},
              {"", Qt::Key_Return, "untitled-bot.kelo"},
              {"strategy", Qt::Key_Escape, std::nullopt}};
  for (const auto& r : rows) {
    PromptSeen seen;
    whenShown<TextPromptDialog>([&seen, &r](TextPromptDialog* d) {
      seen = {
          d->heading()->text(),      d->detail()->text(),
          d->field()->text(),        d->field()->selectedText(),
          d->acceptButton()->text(), d->focusWidget() == d->field() ? "field" : "elsewhere",
          d->field()->width(),       d->heading()->isVisible() && d->isAncestorOf(d->heading())};
      QTest::keyClicks(d->field(), r.typed);
      QTest::keyClick(d->field(), r.key);
    });
    EXPECT_EQ(dialogs.askText(prompt), r.answer) << r.typed << " " << r.key;
    EXPECT_EQ(seen, shown);
  }
  // The default button is the accept label's; without one, "OK".
  prompt.acceptLabel.clear();
  EXPECT_EQ(QtDialogs::makeTextPrompt(prompt, nullptr)->acceptButton()->text(), "OK");
  EXPECT_TRUE(QtDialogs::makeTextPrompt(prompt, nullptr)->acceptButton()->isDefault());
}

}  // namespace
}  // namespace zx::model
