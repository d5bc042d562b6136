#include "editor/kelo_editor.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QUrl>
#include <atomic>

#include "bridge/fake_engine.h"
#include "editor/editor_test_app.h"
#include "editor/find_bar.h"
#include "editor/kelo_highlighter.h"
#include "editor/kelo_text_view.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace zx::editor {
namespace {

using bridge::Diagnostic;
using bridge::FakeEngine;
using bridge::Token;
using testing::darkest;
using testing::distance;

// The real engine's tokens for "\"😀\"\nlet x = 1".
const QList<Token> kWideTokens = {{u"text"_qs, 0, 3, 1},
                                  {u"keyword"_qs, 4, 7, 2},
                                  {u"identifier"_qs, 8, 9, 2},
                                  {u"punctuation"_qs, 10, 11, 2},
                                  {u"number"_qs, 12, 13, 2}};

struct Editor : ::testing::Test {
  FakeEngine engine;
  std::unique_ptr<KeloEditor> editor;
  std::unique_ptr<QSignalSpy> edited;
  std::unique_ptr<QSignalSpy> coloured;

  void SetUp() override {
    editor = std::make_unique<KeloEditor>(engine);
    editor->resize(640, 360);
    edited = std::make_unique<QSignalSpy>(editor.get(), &KeloEditor::textEdited);
    coloured = std::make_unique<QSignalSpy>(editor.get(), &KeloEditor::coloured);
  }
  KeloTextView* view() const { return editor->textView(); }
  QTextDocument* doc() const { return view()->document(); }
  void setAndColour(const QString& text) {
    const auto before = coloured->count();
    editor->setText(text);
    ASSERT_TRUE(QTest::qWaitFor([&] { return coloured->count() > before; }, 5000));
  }
  int tokenCalls() const { return int(engine.calls().count(u"tokens"_qs)); }
  void placeCaret(int at, int anchor = -1) {
    QTextCursor c(doc());
    c.setPosition(anchor < 0 ? at : anchor);
    c.setPosition(at, QTextCursor::KeepAnchor);
    view()->setTextCursor(c);
  }
};

// The formats the highlighter gave one block: start, length, foreground, bold.
struct FormatRun {
  int start, length;
  QColor colour;
  bool demiBold;
  friend bool operator==(const FormatRun&, const FormatRun&) = default;
};
std::ostream& operator<<(std::ostream& os, const FormatRun& r) {
  return os << r.start << "+" << r.length << " " << r.colour.name().toStdString()
            << (r.demiBold ? " demibold" : "");
}
QList<FormatRun> runsOf(const QTextBlock& block) {
  QList<FormatRun> runs;
  for (const auto& f : block.layout()->formats()) {
    runs.append({f.start, f.length, f.format.foreground().color(),
                 f.format.fontWeight() == QFont::DemiBold});
  }
  return runs;
}

TEST_F(Editor, ColoursBlocksFromTheEngineTokens) {
  const EditorColours light = lightSampleColours();
  editor->setColours(light);
  engine.tokensReply = kWideTokens;
  setAndColour(u"\"😀\"\nlet x = 1"_qs);
  EXPECT_EQ(runsOf(doc()->findBlockByNumber(0)),
            (QList<FormatRun>{{0, 4, light.textLiteral, false}}));
  EXPECT_EQ(runsOf(doc()->findBlockByNumber(1)), (QList<FormatRun>{{0, 3, light.keyword, true},
                                                                   {6, 1, light.punctuation, false},
                                                                   {8, 1, light.number, false}}));

  // Light to dark recolours from the cached tokens, without asking the engine again.
  const EditorColours dark = darkSampleColours();
  editor->setColours(dark);
  EXPECT_EQ(runsOf(doc()->findBlockByNumber(1)), (QList<FormatRun>{{0, 3, dark.keyword, true},
                                                                   {6, 1, dark.punctuation, false},
                                                                   {8, 1, dark.number, false}}));
  EXPECT_EQ(tokenCalls(), 1);

  // An empty reply leaves no colours; the underlines stay.
  engine.tokensReply = {};
  editor->setDiagnostics({{u"error"_qs, u"KELO3004"_qs, u"m"_qs, 1, 1, 1, 2}});
  setAndColour(u"let y = 2"_qs);
  EXPECT_TRUE(runsOf(doc()->findBlockByNumber(0)).isEmpty());
  EXPECT_EQ(editor->underlines().size(), 1);
}

TEST_F(Editor, UnderlinesInTheSeverityColour) {
  const EditorColours light = lightSampleColours();
  editor->setColours(light);
  editor->setText(u"ab\ncdef"_qs);
  struct Row {
    QString severity;
    QColor colour;
  };
  for (const Row& r : {Row{u"error"_qs, light.sell}, Row{u"warning"_qs, light.warning},
                       Row{u"info"_qs, light.warning}}) {
    editor->setDiagnostics({{r.severity, u"KELO3004"_qs, r.severity, 2, 1, 2, 4}});
    EXPECT_EQ(editor->underlines(), (QList<KeloEditor::PaintedUnderline>{{3, 6, r.colour}}))
        << r.severity.toStdString();
  }
  // A finding whose end moved under the same identity is underlined anew.
  editor->setDiagnostics({{u"info"_qs, u"KELO3004"_qs, u"info"_qs, 2, 1, 2, 5}});
  EXPECT_EQ(editor->underlines().value(0).end, 7);
}

TEST_F(Editor, SameValuesTwiceNeitherCallNorEdit) {
  const QList<Diagnostic> found = {{u"error"_qs, u"KELO3004"_qs, u"m"_qs, 1, 1, 1, 2}};
  engine.tokensReply = kWideTokens;
  for (int i = 0; i < 2; ++i) {
    editor->setText(u"\"😀\"\nlet x = 1"_qs);
    editor->setDiagnostics(found);
    editor->setColours(lightSampleColours());
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return coloured->count() == 1; }, 5000));
  editor->setColours(darkSampleColours());
  editor->setText(editor->text());
  EXPECT_EQ(tokenCalls(), 1);
  EXPECT_EQ(doc()->availableUndoSteps(), 0);
  EXPECT_EQ(edited->count(), 0);
}

TEST_F(Editor, ComposingInATextWithParagraphSeparatorsIsNoEdit) {
  engine.tokensReply = {{u"keyword"_qs, 0, 3, 1}, {u"keyword"_qs, 10, 13, 2}};
  const QString text = u"let a = 1\u2029let b = 2"_qs;
  setAndColour(text);
  const QList<TokenSpan> colouredSpans = editor->findChild<KeloHighlighter*>()->tokens();
  ASSERT_EQ(colouredSpans.size(), 2);
  placeCaret(4);
  QInputMethodEvent compose(u"x"_qs, {});
  QApplication::sendEvent(view(), &compose);
  EXPECT_EQ(edited->count(), 0);
  EXPECT_EQ(editor->findChild<KeloHighlighter*>()->tokens(), colouredSpans);
  // The caller's text still stands for what the editor shows.
  editor->setText(text);
  EXPECT_EQ(doc()->availableUndoSteps(), 0);
  EXPECT_EQ(view()->textCursor().position(), 4);
  EXPECT_EQ(edited->count(), 0);
}

// The first tokens call waits until the test lets it go.
class BlockingEngine final : public bridge::EngineCalls {
 public:
  mutable QSemaphore gate;
  mutable std::atomic<int> calls{0};
  FakeEngine rest;

  QList<Token> tokens(const QString& source) const override {
    if (calls++ == 0) gate.acquire();
    return {{u"keyword"_qs, 0, source.size(), 1}};
  }
  QString version() const override { return rest.version(); }
  bridge::CheckResult check(const QString& s, const QString& n) const override {
    return rest.check(s, n);
  }
  bridge::InputSchema inputs(const QString& s, const QString& n) const override {
    return rest.inputs(s, n);
  }
  bridge::BuildResult build(const QString& s, const QString& n, const QString& o) const override {
    return rest.build(s, n, o);
  }
  bridge::BacktestReport backtest(const QString& s, const QString& n,
                                  const std::optional<bridge::Candles>& b,
                                  const std::optional<bridge::MarketSymbol>& m, double balance,
                                  qint64 warmup) const override {
    return rest.backtest(s, n, b, m, balance, warmup);
  }
  QList<bridge::Completion> completions(const QString& p) const override {
    return rest.completions(p);
  }
  std::optional<bridge::Description> describe(const QString& n) const override {
    return rest.describe(n);
  }
};

TEST(EditorTokens, OnlyTheNewestRevisionIsApplied) {
  BlockingEngine engine;
  KeloEditor editor(engine);
  QSignalSpy coloured(&editor, &KeloEditor::coloured);
  editor.setText(u"ab"_qs);
  QTextCursor end(editor.textView()->document());
  end.movePosition(QTextCursor::End);
  editor.textView()->setTextCursor(end);
  QTest::keyClicks(editor.textView(), u"xyz"_qs);
  engine.gate.release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return coloured.count() == 1; }, 5000));
  QTest::qWait(50);  // a stale result would arrive in this time
  EXPECT_EQ(coloured.count(), 1);
  EXPECT_EQ(engine.calls.load(), 2);
  ASSERT_EQ(editor.text(), u"abxyz"_qs);
}

TEST_F(Editor, KeepsTheModelInStepWithoutEchoes) {
  editor->setText(u"ab\ncd"_qs);
  placeCaret(0);
  QTest::keyClick(view(), Qt::Key_X);
  ASSERT_EQ(edited->count(), 1);
  EXPECT_EQ(edited->at(0).at(0).toString(), u"xab\ncd"_qs);
  EXPECT_EQ(doc()->availableUndoSteps(), 1);

  // Another text: caret at min(old start, new length), undo cleared, nothing sent back.
  placeCaret(5);
  editor->setText(u"xyz"_qs);
  EXPECT_EQ(view()->textCursor().position(), 3);
  EXPECT_EQ(doc()->availableUndoSteps(), 0);
  placeCaret(1);
  editor->setText(u"pqrst"_qs);
  EXPECT_EQ(view()->textCursor().position(), 1);
  editor->setText(u"pqrst"_qs);
  EXPECT_EQ(view()->textCursor().position(), 1);
  EXPECT_EQ(edited->count(), 1);

  // A paste is the user's edit; pasted line ends arrive as "\n".
  QApplication::clipboard()->setText(u"a\r\nb\rc"_qs);
  view()->paste();
  ASSERT_EQ(edited->count(), 2);
  EXPECT_EQ(edited->last().at(0).toString(), u"pa\nb\ncqrst"_qs);
}

// Shift+Return and Shift+Enter start a new line as Return does: the engine reads no line
// separator as a line break.
TEST_F(Editor, ShiftReturnStartsALine) {
  editor->show();
  const auto keypad = Qt::ShiftModifier | Qt::KeypadModifier;
  const struct {
    const char* what;
    QString text;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString expected;  // the caret after the key at "|"
  } rows[] = {
      {"Shift+Return", u"let a = f(b)"_qs, Qt::Key_Return, Qt::ShiftModifier,
       u"let a = f(b)\n|"_qs},
      {"Shift+Enter on the keypad", u"let a = f(b)"_qs, Qt::Key_Enter, keypad,
       u"let a = f(b)\n|"_qs},
      {"after a line comment", u"// comment"_qs, Qt::Key_Return, Qt::ShiftModifier,
       u"// comment\n|"_qs},
      {"after an indented line", u"  if (x) {"_qs, Qt::Key_Return, Qt::ShiftModifier,
       u"  if (x) {\n|"_qs},
      {"beside a separator the text holds", u"a\u2028b"_qs, Qt::Key_Return, Qt::ShiftModifier,
       u"a\u2028b\n|"_qs},
      {"Return itself", u"let a = 1"_qs, Qt::Key_Return, Qt::NoModifier, u"let a = 1\n|"_qs},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    editor->setText(r.text);
    placeCaret(int(r.text.size()));
    edited->clear();
    QTest::keyClick(view(), r.key, r.modifiers);
    QString shown = editor->text();
    shown.insert(view()->textCursor().position(), u'|');
    EXPECT_EQ(shown, r.expected);
    ASSERT_EQ(edited->count(), 1);
    EXPECT_EQ(edited->at(0).at(0).toString(), editor->text());
    EXPECT_EQ(doc()->availableUndoSteps(), 1);
    doc()->undo();
    EXPECT_EQ(editor->text(), r.text);
  }
}

TEST_F(Editor, ReportsTheCaretOfTheSelectionStart) {
  QSignalSpy reports(editor.get(), &KeloEditor::cursorReported);
  const auto last = [&] {
    return std::make_pair(reports.last().at(0).toInt(), reports.last().at(1).toInt());
  };
  editor->setText(u"ab\ncd\nxyz\n"_qs);
  struct Row {
    int at, anchor;
    std::pair<int, int> expected;
  };
  for (const Row& r : {Row{6, -1, {3, 1}}, Row{8, -1, {3, 3}}, Row{9, -1, {3, 4}},
                       Row{10, -1, {4, 1}}, Row{4, 7, {2, 2}}, Row{7, 4, {2, 2}}}) {
    placeCaret(r.at, r.anchor);
    EXPECT_EQ(last(), r.expected) << r.at << " from " << r.anchor;
  }
  // After an edit through another cursor, as Replace All makes, the caret is reported.
  placeCaret(9);
  QTextCursor other(doc());
  other.insertText(u"\n"_qs);
  EXPECT_EQ(last(), std::make_pair(4, 4));
  editor->setText(u"😀x"_qs);
  placeCaret(3);
  EXPECT_EQ(last(), std::make_pair(1, 4));
  editor->setText(QString());
  EXPECT_EQ(editor->caret(), (CaretPlace{1, 1}));
}

TEST_F(Editor, KeysAndClicksMoveTheCaretOverRows) {
  editor->show();
  QStringList lines;
  for (int i = 1; i <= 120; ++i) lines << u"row %1 text"_qs.arg(i, 3, 10, QLatin1Char('0'));
  editor->setText(lines.join(u'\n'));
  placeCaret(2);
  struct Row {
    int key;
    CaretPlace expected;
  };
  for (const Row& r :
       {Row{Qt::Key_Down, {2, 3}}, Row{Qt::Key_Down, {3, 3}}, Row{Qt::Key_Up, {2, 3}},
        Row{Qt::Key_End, {2, 13}}, Row{Qt::Key_Tab, {2, 14}}}) {
    QTest::keyClick(view(), Qt::Key(r.key));
    EXPECT_EQ(editor->caret(), r.expected) << r.key;
  }
  QTest::keyClick(view(), Qt::Key_PageDown);
  EXPECT_GT(editor->caret().line, 10);
  EXPECT_EQ(editor->text().count(u'\t'), 1);  // Tab types a tab

  view()->verticalScrollBar()->setValue(0);
  const int pitch = view()->rowLayout()->pitch();
  const QFontMetricsF m(view()->font(), view()->viewport());
  const QPoint inRow5(RowLayout::kPadding + int(4.3 * m.horizontalAdvance(QLatin1Char('M'))),
                      RowLayout::kTopInset + 4 * pitch + pitch / 2);
  QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, inRow5);
  EXPECT_EQ(editor->caret(), (CaretPlace{5, 5}));
}

TEST_F(Editor, JumpsToAFindingStart) {
  editor->show();
  QStringList lines;
  for (int i = 1; i <= 200; ++i) lines << u"line %1 😀 x"_qs.arg(i);
  editor->setText(lines.join(u'\n'));
  editor->jumpTo(150, 11);  // after the wide character: UTF-16 column 12
  EXPECT_EQ(editor->caret(), (CaretPlace{150, 12}));
  const QRect caret = view()->cursorRect();
  EXPECT_TRUE(view()->viewport()->rect().contains(caret));
  editor->jumpTo(999, 3);
  EXPECT_EQ(editor->caret().line, 200);
}

TEST_F(Editor, RowsAreFixedAndGlyphsCentred) {
  editor->show();
  editor->setText(u"one\ntwo\u2028two b\nthree"_qs);
  const RowLayout* layout = view()->rowLayout();
  const QFontMetricsF m(view()->font(), view()->viewport());
  const int pitch = int(std::lround(1.32 * (m.ascent() + m.descent() + m.leading())));
  EXPECT_EQ(layout->pitch(), pitch);
  const qreal lift = std::floor((pitch - m.ascent() - m.descent()) / 2);
  struct Row {
    int position, row;
  };
  // The line separator gives its block a second row.
  for (const Row& r : {Row{0, 0}, Row{5, 1}, Row{9, 2}, Row{14, 3}}) {
    placeCaret(r.position);
    const QRect caret = view()->cursorRect();
    EXPECT_EQ(caret.top(), int(RowLayout::kTopInset + r.row * pitch + lift)) << r.position;
    EXPECT_EQ(caret.height(), int(std::ceil(m.ascent() + m.descent()))) << r.position;
  }
  EXPECT_EQ(layout->documentSize().height(), 2 * RowLayout::kTopInset + 4 * pitch);
  // A click lands on the character under it.
  const qreal x = RowLayout::kPadding + 2.3 * m.horizontalAdvance(QLatin1Char('M'));
  EXPECT_EQ(layout->hitTest(QPointF(x, RowLayout::kTopInset + 3.5 * pitch), Qt::FuzzyHit), 16);
  EXPECT_EQ(layout->hitTest(QPointF(x, RowLayout::kTopInset + 1.5 * pitch), Qt::FuzzyHit), 6);
  EXPECT_EQ(layout->hitTest(QPointF(x, 1), Qt::ExactHit), -1);
}

TEST_F(Editor, PaintsGutterBandAndCaret) {
  const EditorColours light = lightSampleColours();
  editor->setColours(light);
  QStringList lines;
  for (int i = 0; i < 8; ++i) lines << u"let value%1 = 1"_qs.arg(i);
  lines[1] += QString(200, u'x');  // wide enough to scroll
  editor->setText(lines.join(u'\n'));
  editor->show();
  QApplication::setActiveWindow(editor.get());
  view()->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
  placeCaret(int(doc()->findBlockByNumber(2).position()) + 3);

  const int pitch = view()->rowLayout()->pitch();
  const auto rowY = [&](int row) { return RowLayout::kTopInset + row * pitch + pitch / 2; };
  const auto numberArea = [&](int row) {
    return QRect(2, RowLayout::kTopInset + row * pitch, 48, pitch);
  };
  QImage shot = editor->grab().toImage();
  EXPECT_EQ(shot.pixelColor(10, rowY(0)), light.surfaceSunken);
  EXPECT_EQ(shot.pixelColor(51, rowY(0)), light.borderSoft);
  EXPECT_EQ(shot.pixelColor(400, rowY(2)), light.rowHover);
  EXPECT_EQ(shot.pixelColor(400, rowY(3)), light.panel);
  EXPECT_LT(distance(darkest(shot, numberArea(2)), light.accent), 40);
  EXPECT_LT(distance(darkest(shot, numberArea(0)), light.muted), 40);
  EXPECT_GT(distance(darkest(shot, numberArea(0)), light.accent), 100);
  const QRect caret = view()->cursorRect().translated(view()->viewport()->pos());
  EXPECT_GT(testing::countOf(shot, caret, light.accent), 10);

  const EditorColours dark = darkSampleColours();
  editor->setColours(dark);
  shot = editor->grab().toImage();
  EXPECT_EQ(shot.pixelColor(10, rowY(0)), dark.surfaceSunken);
  EXPECT_EQ(shot.pixelColor(51, rowY(0)), dark.borderSoft);

  view()->horizontalScrollBar()->setValue(100);
  ASSERT_EQ(view()->horizontalScrollBar()->value(), 100);
  shot = editor->grab().toImage();
  EXPECT_EQ(shot.pixelColor(10, rowY(0)), dark.surfaceSunken);
  EXPECT_EQ(shot.pixelColor(51, rowY(0)), dark.borderSoft);
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
