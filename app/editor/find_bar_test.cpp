#include "editor/find_bar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "bench/golden_cross_sample.h"
#include "bridge/fake_engine.h"
#include "editor/editor_test_app.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace zx::editor {
namespace {

TEST(FindMatches, PlainTextWithCaseAndWordRules) {
  struct Row {
    QString text, needle;
    SearchOptions options;
    QList<int> expected;
  };
  const Row rows[] = {
      {u"Ab ab aB"_qs, u"ab"_qs, {}, {0, 3, 6}},
      {u"Ab ab aB"_qs, u"ab"_qs, {true, false}, {3}},
      {u"aaaa"_qs, u"aa"_qs, {}, {0, 2}},
      {u"pips stopPips (pips) pips_x"_qs, u"pips"_qs, {false, true}, {0, 15}},
      {u"x😀pips😀 épips"_qs, u"pips"_qs, {false, true}, {3}},
      {u"a.b a . b"_qs, u"."_qs, {false, true}, {6}},
      {u"abc"_qs, QString(), {}, {}},
      {QString(), u"a"_qs, {}, {}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(findMatches(r.text, r.needle, r.options), r.expected)
        << r.text.toStdString() << " / " << r.needle.toStdString();
  }
}

struct Find : ::testing::Test {
  bridge::FakeEngine engine;
  KeloEditor editor{engine};
  QString sample = QString::fromUtf8(kelo_bench::kGoldenCross);

  void SetUp() override {
    sample.chop(1);  // the sample's final line feed
    ASSERT_EQ(sample.size(), 948);
    editor.resize(700, 500);
    editor.setColours(lightSampleColours());
    editor.setText(sample);
    editor.show();
    QApplication::setActiveWindow(&editor);
    editor.textView()->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  }
  FindBar* bar() const { return editor.findBar(); }
  KeloTextView* view() const { return editor.textView(); }
  void search(const QString& needle, bool matchCase = false, bool wholeWords = false) {
    QTextCursor start(view()->document());
    view()->setTextCursor(start);
    bar()->openFind();
    bar()->findField()->clear();
    bar()->matchCaseButton()->setChecked(matchCase);
    bar()->wholeWordsButton()->setChecked(wholeWords);
    bar()->findField()->setText(needle);
  }
  std::tuple<QString, int, int, int> state() const {
    const QTextCursor c = view()->textCursor();
    return {bar()->countText(), editor.caret().line, editor.caret().column,
            c.selectionEnd() - c.selectionStart()};
  }
  using State = std::tuple<QString, int, int, int>;
};

TEST_F(Find, CountsAndSelectsFromTheCaret) {
  struct Row {
    QString needle;
    bool matchCase, wholeWords;
    State expected;
  };
  const Row rows[] = {
      {u"pips"_qs, false, false, {u"1 of 6"_qs, 14, 16, 4}},
      {u"pips"_qs, false, true, {u"1 of 2"_qs, 14, 49, 4}},
      {u"EMA"_qs, true, false, {u"1 of 3"_qs, 4, 33, 3}},
      {u"ema"_qs, false, false, {u"1 of 5"_qs, 4, 33, 3}},
      {u"Symbol"_qs, true, false, {u"No matches"_qs, 1, 1, 0}},
  };
  for (const Row& r : rows) {
    search(r.needle, r.matchCase, r.wholeWords);
    EXPECT_EQ(state(), r.expected) << r.needle.toStdString();
  }
  bar()->findField()->clear();
  EXPECT_EQ(bar()->countText(), QString());
  // Toggling Whole Words searches again from the same place.
  search(u"pips"_qs);
  bar()->wholeWordsButton()->click();
  EXPECT_EQ(state(), (State{u"1 of 2"_qs, 14, 49, 4}));
  QTest::keyClick(bar()->findField(), Qt::Key_Return);
  EXPECT_EQ(state(), (State{u"2 of 2"_qs, 15, 51, 4}));
}

TEST_F(Find, NextAndPreviousWrap) {
  search(u"pips"_qs);
  for (int i = 0; i < 4; ++i) editor.findActions()[1]->trigger();
  QTest::keyClick(bar()->findField(), Qt::Key_Return);
  EXPECT_EQ(state(), (State{u"6 of 6"_qs, 32, 26, 4}));
  editor.findActions()[1]->trigger();
  EXPECT_EQ(state(), (State{u"1 of 6"_qs, 14, 16, 4}));
  QTest::keyClick(bar()->findField(), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(std::get<0>(state()), u"6 of 6"_qs);
  editor.findActions()[2]->trigger();
  EXPECT_EQ(std::get<0>(state()), u"5 of 6"_qs);
  // Moving the caret off a match leaves the count without a current one.
  QTextCursor start(view()->document());
  view()->setTextCursor(start);
  EXPECT_EQ(bar()->countText(), u"6 matches"_qs);
}

TEST_F(Find, ReplaceAllIsOneEdit) {
  QSignalSpy edited(&editor, &KeloEditor::textEdited);
  search(u"pips"_qs, false, true);
  bar()->openReplace();
  ASSERT_TRUE(bar()->replaceShown());
  bar()->replaceField()->setText(u"points"_qs);
  bar()->replaceAll();
  EXPECT_EQ(editor.text().count(u"points"_qs), 2);
  EXPECT_EQ(findMatches(editor.text(), u"pips"_qs, {}).size(), 4);
  EXPECT_EQ(edited.count(), 1);
  EXPECT_EQ(bar()->countText(), u"No matches"_qs);
  view()->undo();
  EXPECT_EQ(editor.text(), sample);

  // Replace changes the match under the caret and moves to the next one.
  search(u"pips"_qs, false, true);
  bar()->replace();
  EXPECT_EQ(editor.caret(), (CaretPlace{15, 51}));
  EXPECT_EQ(editor.text().count(u"(points)"_qs), 1);
}

TEST_F(Find, KeyboardOpensAndEscapeCloses) {
  // A one-line selection fills the field on Ctrl+F.
  QTextCursor word(view()->document());
  word.setPosition(int(sample.indexOf(u"steady"_qs)));
  word.setPosition(int(sample.indexOf(u"steady"_qs)) + 6, QTextCursor::KeepAnchor);
  view()->setTextCursor(word);
  QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_TRUE(bar()->isOpen());
  EXPECT_TRUE(bar()->findField()->hasFocus());
  EXPECT_EQ(bar()->findField()->text(), u"steady"_qs);
  EXPECT_EQ(bar()->findField()->selectedText(), u"steady"_qs);
  EXPECT_EQ(bar()->countText(), u"1 of 2"_qs);
  EXPECT_FALSE(view()->rowLayout()->findMatches().isEmpty());

  QTest::keyClick(bar()->findField(), Qt::Key_Escape);
  EXPECT_FALSE(bar()->isOpen());
  EXPECT_TRUE(view()->rowLayout()->findMatches().isEmpty());
  EXPECT_TRUE(view()->hasFocus());
  EXPECT_EQ(view()->textCursor().selectedText(), u"steady"_qs);

  struct Row {
    QKeySequence keys;
    QString count;
  };
  for (const Row& r : {Row{QKeySequence(Qt::Key_F3), u"2 of 2"_qs},
                       Row{QKeySequence(Qt::CTRL | Qt::Key_G), u"1 of 2"_qs},
                       Row{QKeySequence(Qt::SHIFT | Qt::Key_F3), u"2 of 2"_qs},
                       Row{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), u"1 of 2"_qs}}) {
    QTest::keySequence(view(), r.keys);
    EXPECT_EQ(bar()->countText(), r.count) << r.keys.toString().toStdString();
  }

  // Ctrl+E takes the selection as the search; Ctrl+H opens both rows.
  word.setPosition(int(sample.indexOf(u"quick"_qs)));
  word.setPosition(int(sample.indexOf(u"quick"_qs)) + 5, QTextCursor::KeepAnchor);
  view()->setTextCursor(word);
  QTest::keyClick(view(), Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(bar()->findField()->text(), u"quick"_qs);
  QTest::keyClick(view(), Qt::Key_H, Qt::ControlModifier);
  EXPECT_TRUE(bar()->isOpen());
  EXPECT_TRUE(bar()->replaceShown());
  EXPECT_TRUE(bar()->replaceField()->hasFocus());
  QTest::keyClick(bar()->replaceField(), Qt::Key_Escape);
  EXPECT_FALSE(bar()->isOpen());
  // Escape from the text closes the bar too, and does nothing once it is closed.
  QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
  view()->setFocus();
  QTest::keyClick(view(), Qt::Key_Escape);
  EXPECT_FALSE(bar()->isOpen());
  EXPECT_FALSE(editor.actions().last()->isEnabled());

  QStringList titles;
  for (const QAction* a : editor.findActions()) {
    titles << a->text();
    EXPECT_EQ(a->shortcutContext(), Qt::WidgetWithChildrenShortcut);
  }
  EXPECT_EQ(titles, (QStringList{u"Find…"_qs, u"Find Next"_qs, u"Find Previous"_qs,
                                 u"Use Selection for Find"_qs, u"Replace…"_qs}));
}

// What a tint of `fill` over `base` gives, as the text view composes it.
QColor over(const QColor& base, const QColor& fill) {
  QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
  pixel.fill(base);
  QPainter(&pixel).fillRect(0, 0, 1, 1, fill);
  return pixel.pixelColor(0, 0);
}

TEST_F(Find, TheCurrentMatchStandsOutWhileTheFieldHasTheFocus) {
  for (const EditorColours& colours : {lightSampleColours(), darkSampleColours()}) {
    editor.setColours(colours);
    search(u"pips"_qs);
    ASSERT_TRUE(bar()->findField()->hasFocus());
    ASSERT_EQ(bar()->countText(), u"1 of 6"_qs);
    const QTextCursor current = view()->textCursor();
    const auto matches = view()->rowLayout()->findMatches();
    ASSERT_EQ(matches.size(), 6);
    const Utf16Range other = matches[3];
    ASSERT_NE(view()->document()->findBlock(other.start).blockNumber(),
              current.block().blockNumber());

    // A pixel of each match above its glyphs.
    const QImage shot = view()->viewport()->grab().toImage();
    const auto pixelOf = [&](int start, int end) {
      QTextCursor c(view()->document());
      c.setPosition(start);
      const int left = view()->cursorRect(c).left();
      c.setPosition(end);
      const int right = view()->cursorRect(c).left();
      const int top =
          int(view()->rowLayout()->rowTop(c.block())) - view()->verticalScrollBar()->value();
      EXPECT_GE(view()->rowLayout()->lift(), 2) << "no room above the glyphs";
      return shot.pixelColor((left + right) / 2, top + 1);
    };
    const QColor shownCurrent = pixelOf(current.selectionStart(), current.selectionEnd());
    const QColor shownOther = pixelOf(other.start, other.end);
    QColor tint = colours.warning;
    tint.setAlphaF(0.22f);
    QColor strongTint = colours.warning;
    strongTint.setAlphaF(0.45f);
    // The selection keeps its colour, and the current match its tint over it, stronger.
    EXPECT_LE(testing::distance(shownCurrent, over(colours.selection, strongTint)), 3)
        << shownCurrent.name().toStdString();
    EXPECT_LE(testing::distance(shownOther, over(colours.panel, tint)), 3)
        << shownOther.name().toStdString();
    EXPECT_GT(testing::distance(shownCurrent, colours.panel),
              testing::distance(shownOther, colours.panel) + 40);
  }
}

TEST_F(Find, AQueryThatNoLongerMatchesLeavesNothingSelectedToReplace) {
  // Typed letter by letter, "hello" matches up to "he": that match was selected.
  const qsizetype he = sample.indexOf(u"he"_qs, 0, Qt::CaseInsensitive);
  ASSERT_GE(he, 0);
  ASSERT_LT(sample.indexOf(u"hel"_qs, 0, Qt::CaseInsensitive), 0);
  view()->setTextCursor(QTextCursor(view()->document()));
  QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(bar()->findField(), u"hello"_qs);
  EXPECT_EQ(bar()->countText(), u"No matches"_qs);
  EXPECT_FALSE(view()->textCursor().hasSelection());
  QTest::keyClick(bar()->findField(), Qt::Key_Escape);
  ASSERT_TRUE(view()->hasFocus());
  QApplication::clipboard()->setText(u"X"_qs);
  QTest::keyClick(view(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(editor.text().toStdString(), QString(sample).insert(he, u"X"_qs).toStdString());

  // A selection the user made while the bar is open stays, whatever the query.
  view()->undo();
  ASSERT_EQ(editor.text(), sample);
  QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
  bar()->findField()->clear();
  QTextCursor mine(view()->document());
  mine.setPosition(10);
  mine.setPosition(60, QTextCursor::KeepAnchor);
  view()->setTextCursor(mine);
  QTest::keyClicks(bar()->findField(), u"zzz"_qs);
  EXPECT_EQ(bar()->countText(), u"No matches"_qs);
  EXPECT_EQ(view()->textCursor().selectionStart(), 10);
  EXPECT_EQ(view()->textCursor().selectionEnd(), 60);
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
