#include "shell/editor_pane.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>

#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/sample_colours.h"
#include "shell/editor_palette.h"
#include "shell/shell_test_support.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using model::SourceFile;
using model::Workspace;
using model::testing::settle;
using model::testing::waitFor;
using F = Workspace::Field;

// A workspace over fakes and a shown pane on it, inside a palette host.
struct PaneRig : testing::Rig {
  std::unique_ptr<QWidget> host;
  EditorPane* pane = nullptr;

  EditorPane& open() {
    start();
    host = std::make_unique<QWidget>();
    theme::PaletteScope::set(host.get(), theme::lightPalette());
    pane = new EditorPane(w(), engine, host.get());
    pane->resize(720, 480);
    host->resize(720, 480);
    host->show();
    settle();
    return *pane;
  }
  editor::KeloTextView* view() const { return pane->editor()->textView(); }
  // Adds a saved document and selects it as the project panel would.
  void openFile(const QString& name, const QString& text) {
    SourceFile file = SourceFile::make(name, text, std::nullopt, text);
    QList<SourceFile> files = w().files();
    files.append(file);
    w().setFiles(files);
    w().select(file);
    settle();
  }
  // The engine's calls from position `from` on, by name.
  QStringList callsSince(qsizetype from) const { return engine.names().mid(from); }
};

QString colourAt(QWidget* widget, int x, int y) {
  return widget->grab().toImage().pixelColor(x, y).name().toUpper();
}

TEST(EditorPalette, TakesEachColourFromThePaletteFieldOfItsName) {
  EXPECT_TRUE(fromPalette(theme::lightPalette()) == editor::lightSampleColours());
  EXPECT_TRUE(fromPalette(theme::darkPalette()) == editor::darkSampleColours());
  const editor::EditorColours dark = fromPalette(theme::darkPalette());
  EXPECT_EQ(dark.textLiteral, theme::darkPalette().syntax.text);
  EXPECT_EQ(dark.colour, theme::darkPalette().syntax.colour);
}

TEST(EditorPane, HeaderShowsNameKindAndLineCount) {
  PaneRig rig;
  EditorPane& pane = rig.open();

  rig.w().setSelectedFileID(std::nullopt);
  EXPECT_EQ(pane.header()->title(), "No file");
  EXPECT_TRUE(pane.kindPill()->isHidden());
  EXPECT_EQ(pane.lineCountLabel()->text(), "1 line");
  EXPECT_TRUE(pane.emptyState()->isVisible());
  EXPECT_FALSE(pane.editor()->isVisible());
  EXPECT_EQ(pane.emptyState()->title(), "No file open");
  EXPECT_EQ(pane.emptyState()->detail(), "Make a new bot or indicator from the Project panel.");

  struct Row {
    QString name, text, kind, lines;
  };
  const Row rows[] = {
      {"x.kelolib", QString::fromUtf16(u"indicator\u2026"), "Library", "1 line"},
      {"a.kelo", "indicatorX", "Indicator", "1 line"},
      {"b.kelo", "// c\nindicator x", "Indicator", "2 lines"},
      {"c.kelo", "a indicator", "Bot", "1 line"},
      {"d.kelo", "a\n", "Bot", "2 lines"},
      {"e.kelo", "", "Bot", "1 line"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name.toStdString());
    rig.openFile(r.name, r.text);
    EXPECT_EQ(pane.header()->title(), r.name);
    EXPECT_TRUE(pane.kindPill()->isVisible());
    EXPECT_EQ(pane.kindPill()->text(), r.kind);
    EXPECT_EQ(pane.lineCountLabel()->text(), r.lines);
    EXPECT_TRUE(pane.editor()->isVisible());
    EXPECT_FALSE(pane.emptyState()->isVisible());
    EXPECT_EQ(pane.editor()->text(), r.text);
  }
  EXPECT_EQ(EditorPane::lineCountText("a\nb\nc\n"), "4 lines");
}

TEST(EditorPane, TypingStoresTheTextAndAsksForOneDelayedCheck) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  const QString sample = SourceFile::sampleText();
  ASSERT_EQ(pane.editor()->text(), sample);

  qsizetype before = rig.engine.calls().size();
  QTest::keyClick(rig.view(), Qt::Key_X);
  EXPECT_EQ(rig.w().selected()->text, "x" + sample);
  EXPECT_TRUE(rig.callsSince(before).isEmpty());  // not yet: the check waits
  ASSERT_TRUE(waitFor(rig.w(), F::lastCheckMilliseconds));
  settle(300);
  auto calls = rig.engine.calls().mid(before);
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0].what, "check golden-cross.kelo");
  EXPECT_EQ(calls[0].source, "x" + sample);

  // Two characters within the delay: still one check, of the newer text. Queued work is
  // delivered between them but no timer fires, so a check started at once would be seen.
  before = rig.engine.calls().size();
  QTest::keyClick(rig.view(), Qt::Key_Y);
  QCoreApplication::sendPostedEvents();
  QTest::keyClick(rig.view(), Qt::Key_Z);
  ASSERT_TRUE(waitFor(rig.w(), F::lastCheckMilliseconds));
  settle(300);
  calls = rig.engine.calls().mid(before);
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0].source, "xyz" + sample);

  // A click moves the caret: the workspace hears of it, the file and the engine do not.
  before = rig.engine.calls().size();
  QTextCursor at(rig.view()->document()->findBlockByNumber(2));
  at.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
  const QPoint inLine3 = rig.view()->cursorRect(at).center() + QPoint(1, 0);
  QTest::mouseClick(rig.view()->viewport(), Qt::LeftButton, {}, inLine3);
  EXPECT_EQ(rig.w().cursorLine(), 3);
  EXPECT_EQ(rig.w().cursorColumn(), pane.editor()->caret().column);
  EXPECT_GT(rig.w().cursorColumn(), 1);
  settle(300);
  EXPECT_EQ(rig.w().selected()->text, "xyz" + sample);
  EXPECT_TRUE(rig.callsSince(before).isEmpty());
}

TEST(EditorPane, SelectingAnotherFileReplacesTheTextWithoutWritingIt) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  const QString sample = SourceFile::sampleText();
  QTextCursor end(rig.view()->document());
  end.movePosition(QTextCursor::End);
  rig.view()->setTextCursor(end);
  EXPECT_EQ(rig.w().cursorLine(), 34);

  QSignalSpy edits(pane.editor(), &editor::KeloEditor::textEdited);
  const qsizetype before = rig.engine.calls().size();
  rig.openFile("short.kelo", "ab\ncd");
  EXPECT_EQ(pane.editor()->text(), "ab\ncd");
  EXPECT_EQ(rig.view()->textCursor().position(), 5);  // clamped to the new length
  EXPECT_EQ(rig.w().cursorLine(), 2);
  EXPECT_EQ(rig.w().cursorColumn(), 3);
  EXPECT_EQ(rig.view()->document()->availableUndoSteps(), 0);
  settle(300);
  EXPECT_EQ(edits.count(), 0);
  EXPECT_EQ(rig.w().files()[0].text, sample);
  EXPECT_EQ(rig.w().files()[1].text, "ab\ncd");
  EXPECT_EQ(rig.callsSince(before), (QStringList{"check short.kelo", "inputs short.kelo"}));

  // Back to the sample: the caret stays where it was, now inside the longer text.
  rig.w().select(rig.w().files()[0]);
  settle();
  EXPECT_EQ(pane.editor()->text(), sample);
  EXPECT_EQ(rig.view()->textCursor().position(), 5);
  EXPECT_EQ(edits.count(), 0);
}

TEST(EditorPane, UndoNeverCrossesIntoADocumentWithTheSameText) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  rig.openFile("one.kelo", "same");
  rig.view()->moveCursor(QTextCursor::End);
  QTest::keyClick(rig.view(), Qt::Key_X);
  QTest::keyClick(rig.view(), Qt::Key_Backspace);
  ASSERT_EQ(rig.w().selected()->text, "same");
  ASSERT_GT(rig.view()->document()->availableUndoSteps(), 0);

  rig.openFile("two.kelo", "same");
  EXPECT_EQ(rig.view()->document()->availableUndoSteps(), 0);
  QTest::keyClick(rig.view(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(rig.w().selected()->text, "same");
  EXPECT_EQ(pane.editor()->text(), "same");
}

TEST(EditorPane, UnderlinesFollowTheWorkspaceDiagnostics) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  rig.openFile("u.kelo", "ab\ncdef");
  rig.w().setDiagnostics({{"error", "KELO3004", "'c' is not defined", 2, 1, 2, 4}});
  const auto underlines = pane.editor()->underlines();
  ASSERT_EQ(underlines.size(), 1);
  EXPECT_EQ(underlines[0].start, 3);
  EXPECT_EQ(underlines[0].end, 6);
  EXPECT_EQ(underlines[0].colour, theme::lightPalette().sell);
}

TEST(EditorPane, FollowsAPaletteChangeAtOnce) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  QWidget* editor = pane.editor();
  EXPECT_EQ(colourAt(editor, 10, 100), "#FBFBFD");
  EXPECT_EQ(colourAt(editor, 51, 100), "#DEDEE3");
  EXPECT_EQ(colourAt(&pane, pane.width() / 2, 5), "#FFFFFF");

  theme::PaletteScope::set(rig.host.get(), theme::darkPalette());
  EXPECT_EQ(colourAt(editor, 10, 100), "#0C1128");
  EXPECT_EQ(colourAt(editor, 51, 100), "#1A2146");
  EXPECT_EQ(colourAt(editor, 400, 140), "#0D1230");  // the text's background, line 7
  EXPECT_EQ(colourAt(&pane, pane.width() / 2, 5), "#0D1230");
  // The code font is the theme's.
  EXPECT_EQ(rig.view()->document()->defaultFont().family(),
            theme::font(theme::FontStyle::code).family());
}

TEST(EditorPane, LineEndingsRoundTripThroughOpenAndSave) {
  PaneRig rig;
  EditorPane& pane = rig.open();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("crlf.kelo");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("a\r\nb\r\n");
  }
  rig.dialogs.openAnswers << QStringList{path};
  rig.w().openFromDisk();
  settle();
  ASSERT_TRUE(rig.w().selected().has_value());
  EXPECT_EQ(rig.w().selected()->text, "a\nb\n");
  EXPECT_FALSE(rig.w().selected()->hasUnsavedChanges());
  EXPECT_EQ(pane.lineCountLabel()->text(), "3 lines");
  EXPECT_EQ(pane.editor()->text(), "a\nb\n");

  rig.view()->setTextCursor(QTextCursor(rig.view()->document()));
  QTest::keyClick(rig.view(), Qt::Key_X);
  EXPECT_TRUE(rig.w().selected()->hasUnsavedChanges());
  rig.w().save(*rig.w().selected());
  settle();
  EXPECT_FALSE(rig.w().selected()->hasUnsavedChanges());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(), "xa\r\nb\r\n");
}

}  // namespace
}  // namespace zx::views
