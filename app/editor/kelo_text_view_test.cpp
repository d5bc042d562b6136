#include "editor/kelo_text_view.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QUrl>

#include "bridge/fake_engine.h"
#include "editor/editor_test_app.h"
#include "editor/find_bar.h"
#include "editor/kelo_editor.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace zx::editor {
namespace {

using testing::Stretch;

struct PaintedRanges : ::testing::Test {
  bridge::FakeEngine engine;
  KeloEditor editor{engine};
  EditorColours colours = lightSampleColours();

  void SetUp() override {
    colours.rowHover = Qt::transparent;  // no band: only the ranges tint a row
    colours.selection = QColor(0x20, 0x40, 0xF0);
    editor.resize(700, 300);
    editor.setColours(colours);
    editor.show();
    QApplication::setActiveWindow(&editor);
    editor.textView()->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  }
  KeloTextView* view() const { return editor.textView(); }
  QTextLine line() const {
    const QTextBlock block = view()->document()->firstBlock();
    view()->rowLayout()->blockBoundingRect(block);  // lays it out
    return block.layout()->lineAt(0);
  }
  qreal x(int position) const { return line().cursorToX(position); }
  // The stretches of columns of the first row where `wanted` holds for some pixel in
  // rows `y0`..`y1` of the viewport.
  template <class Wanted>
  QList<Stretch> stretches(int y0, int y1, Wanted wanted) const {
    return testing::stretches(view()->viewport()->grab().toImage(), y0, y1, wanted);
  }
  // The tinted stretches along the first row's top edge, above every glyph.
  QList<Stretch> tinted() const {
    EXPECT_GE(view()->rowLayout()->lift(), 2) << "no room above the glyphs";
    const int y = RowLayout::kTopInset + 1;
    return stretches(y, y, [this](const QColor& c) { return c.rgb() != colours.panel.rgb(); });
  }
};

// Every painted range lies over its own glyphs, whatever the direction of the run it falls
// in. The expected edges come from the line's own layout, read only at positions whose
// edge is unambiguous: inside a run, or where a run of the paragraph's direction begins.
TEST_F(PaintedRanges, LieOverTheirGlyphsInBothDirections) {
  const QString hebrew = u"שלום עולם"_qs;                    // one right-to-left paragraph
  const QString mixed = u"let s = \"שלום עולם\" + name"_qs;  // Hebrew inside a Latin line
  // In `mixed`: 9 starts the Hebrew run, 13 is the space inside it, 18 the closing quote.
  struct Piece {
    int left, right;  // the positions whose x are the piece's left and right edges
  };
  struct Row {
    const char* what;
    QString text;
    QString find;          // typed into the find bar; the current match is selected
    int from = 0, to = 0;  // or else this selection
    const char* count = "";
    QList<Piece> expected;  // left to right
  };
  const Row rows[] = {
      {"first Hebrew word, painted at the right", hebrew, u"שלום"_qs, 0, 0, "1 of 1", {{4, 0}}},
      {"second Hebrew word, at the left", hebrew, u"עולם"_qs, 0, 0, "1 of 1", {{9, 5}}},
      {"both copies of a word",
       hebrew + u" שלום"_qs,
       u"שלום"_qs,
       0,
       0,
       "1 of 2",
       {{14, 10}, {4, 0}}},
      {"first Hebrew word in a Latin line", mixed, u"שלום"_qs, 0, 0, "1 of 1", {{13, 18}}},
      {"second Hebrew word in a Latin line", mixed, u"עולם"_qs, 0, 0, "1 of 1", {{9, 14}}},
      {"a Latin word after the Hebrew", mixed, u"name"_qs, 0, 0, "1 of 1", {{22, 26}}},
      {"a selection from Latin into Hebrew", mixed, QString(), 6, 13, "", {{6, 9}, {13, 18}}},
      {"a selection from Hebrew into Latin", mixed, QString(), 14, 21, "", {{9, 14}, {18, 21}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    QTest::keyClick(editor.findBar()->findField(), Qt::Key_Escape);
    editor.setText(r.text);
    view()->setTextCursor(QTextCursor(view()->document()));
    if (!r.find.isEmpty()) {
      QTest::keyClick(view(), Qt::Key_F, Qt::ControlModifier);
      editor.findBar()->findField()->clear();
      editor.findBar()->findField()->setText(r.find);
      EXPECT_EQ(editor.findBar()->countText(), QString::fromUtf8(r.count));
    } else {
      QTextCursor c(view()->document());
      c.setPosition(r.from);
      c.setPosition(r.to, QTextCursor::KeepAnchor);
      view()->setTextCursor(c);
    }
    QList<Stretch> expected;
    for (const Piece& p : r.expected) {
      ASSERT_LT(x(p.left) + 2, x(p.right)) << "a piece is wider than two pixels";
      expected.append({int(std::floor(x(p.left))), int(std::ceil(x(p.right))) - 1});
    }
    const QList<Stretch> shown = tinted();
    EXPECT_EQ(shown.size(), expected.size());
    if (shown.size() != expected.size()) continue;
    for (qsizetype i = 0; i < shown.size(); ++i) {
      // Edges at fractions of a pixel land on either neighbour.
      EXPECT_NEAR(shown[i].first, expected[i].first, 1) << i;
      EXPECT_NEAR(shown[i].second, expected[i].second, 1) << i;
    }
  }

  // A finding's dotted underline lies under its own word too: here the first, at the right.
  QTest::keyClick(editor.findBar()->findField(), Qt::Key_Escape);
  editor.setText(hebrew);
  editor.setDiagnostics({{u"error"_qs, u"KELO3004"_qs, u"m"_qs, 1, 1, 1, 5}});
  ASSERT_EQ(editor.underlines().size(), 1);
  const int top = RowLayout::kTopInset;
  const QList<Stretch> dots = stretches(top, top + view()->rowLayout()->pitch() - 1,
                                        [this](const QColor& c) { return c == colours.sell; });
  ASSERT_FALSE(dots.isEmpty());
  EXPECT_NEAR(dots.first().first, std::floor(x(4)), 1);
  EXPECT_LE(dots.last().second, std::ceil(x(0)));
  EXPECT_GE(dots.last().second, x(0) - 5) << "2 px on, 2 px off, to the word's end";
}

// A selected line is filled over all its width, tabs included, whatever direction its text
// runs in: as the same line with Latin letters in place of the right-to-left ones.
TEST_F(PaintedRanges, ASelectedLineFillsItsTabs) {
  const auto line = [](const QString& word, int length) {
    QString text = u"log.info(\""_qs + word + u"\tdef\t\" + \"x\ty\" + \"\t\tz\" + \"end\")"_qs;
    while (text.size() < length) text += u" + \""_qs + word + u"\t\""_qs;
    return text;
  };
  struct Row {
    const char* what;
    QString text, latin;
  };
  const Row rows[] = {
      {"a Hebrew word", line(u"\u05E9\u05DC\u05D5\u05DD"_qs, 0), line(u"abcd"_qs, 0)},
      {"Arabic-Indic digits on a long line", line(u"\u0661\u0662\u0663"_qs, 1200),
       line(u"123"_qs, 1200)},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    QList<QList<Stretch>> filled;
    for (const QString& text : {r.text, r.latin}) {
      editor.setText(text + u"\nnext"_qs);
      view()->setTextCursor(QTextCursor(view()->document()));
      QTest::keyClick(view(), Qt::Key_Down, Qt::ShiftModifier);
      ASSERT_EQ(view()->textCursor().selectedText().size(), text.size() + 1);
      filled.append(tinted());
    }
    EXPECT_EQ(filled[0], filled[1]);
    ASSERT_EQ(filled[1].size(), 1) << "one fill along the Latin line";
    EXPECT_NEAR(filled[1][0].first, std::floor(x(0)), 1);
  }
}

// The block of `line`, below a line of its own in `view`, laid out.
QTextBlock showLine(KeloTextView& view, const QString& line) {
  view.setPlainText(u"// top\n"_qs + line);
  const QTextBlock block = view.document()->lastBlock();
  view.rowLayout()->blockBoundingRect(block);
  return block;
}

// A click puts the caret at the caret place nearest to it: of every position the layout
// takes for a caret (no surrogate pair split), the one whose x is nearest.
TEST(TextView, AClickPutsTheCaretAtTheNearestCaretPlace) {
  const QString emoji =
      u"  log.info(\"start \U0001F469\u200D\U0001F4BB done\" + close + open + high + low + volume)"_qs;
  const QString marks =
      u"x = \"e\u0301 a\u200Db 1\uFE0F\u20E3 \U0001F1E9\U0001F1EA "
      u"\U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F44D\U0001F3FD\" + close + open"_qs;
  QString longLine;
  while (longLine.size() < 3000) longLine += emoji.mid(2, 28) + marks.mid(4, 40);
  longLine += u" + close"_qs;
  struct Row {
    const char* what;
    QString line;
    QList<double> scrolled;  // of the scroll range
  };
  const Row rows[] = {
      {"an emoji sequence", emoji, {0}},
      {"marks, joiners and emoji", marks, {0}},
      {"a long line of them", longLine, {0, 0.5, 1}},
      {"a plain line", u"  let v = close + open + high"_qs, {0}},
  };
  KeloTextView view;
  view.resize(700, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const QTextBlock block = showLine(view, r.line);
    const QTextLayout* layout = block.layout();
    const QTextLine line = layout->lineAt(0);
    QList<std::pair<int, qreal>> places;
    for (int p = 0; p <= r.line.size(); ++p) {
      const bool splitsPair = p > 0 && p < r.line.size() && r.line[p].isLowSurrogate() &&
                              r.line[p - 1].isHighSurrogate();
      if (layout->isValidCursorPosition(p) && !splitsPair) places.append({p, line.cursorToX(p)});
    }
    const int y = int(view.rowLayout()->rowTop(block)) + view.rowLayout()->pitch() / 2;
    int wrong = 0;
    for (const double scrolled : r.scrolled) {
      QScrollBar* bar = view.horizontalScrollBar();
      const int scroll = int(scrolled * bar->maximum());
      for (int vx = 3; vx < view.viewport()->width(); vx += 3) {
        bar->setValue(scroll);
        const qreal x = vx + scroll;  // in the document
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          QPoint(vx, y - view.verticalScrollBar()->value()));
        const int at = view.textCursor().position() - block.position();
        qreal best = 1e9;
        for (const auto& [p, px] : places) best = std::min(best, std::abs(px - x));
        const auto chosen = std::find_if(places.cbegin(), places.cend(),
                                         [&](const auto& place) { return place.first == at; });
        if ((chosen == places.cend() || std::abs(chosen->second - x) > best + 0.01) &&
            wrong++ < 3) {
          ADD_FAILURE() << "a click at x " << x << " put the caret at " << at
                        << (chosen == places.cend() ? ", no caret place"
                                                    : ", x " + std::to_string(chosen->second))
                        << "; the nearest place is " << best << " px away";
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// A click right of a row that a line separator ends puts the caret before the separator,
// at the row's own end; right of the block's last row, at the block's end.
TEST(TextView, AClickRightOfARowKeepsTheCaretOnIt) {
  const struct {
    const char* what;
    QString line;
    QString typed;  // after a click right of the first row and the key Z
  } rows[] = {
      {"an emoji", u"a\U0001F600b\u2028cd"_qs, u"a\U0001F600bZ\u2028cd"_qs},
      {"a combining mark", u"x = \"e\u0301\" ok\u2028let y = 2"_qs,
       u"x = \"e\u0301\" okZ\u2028let y = 2"_qs},
      {"a joined emoji", u"log.info(\"\U0001F469\u200D\U0001F4BB\" + close)\u2028plot(close)"_qs,
       u"log.info(\"\U0001F469\u200D\U0001F4BB\" + close)Z\u2028plot(close)"_qs},
      {"a plain line", u"let a = 1\u2028let b = 2"_qs, u"let a = 1Z\u2028let b = 2"_qs},
  };
  KeloTextView view;
  view.resize(700, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const QTextBlock block = showLine(view, r.line);
    const int rowEnd = int(r.line.indexOf(QChar::LineSeparator));
    const int blockEnd = int(r.line.size());
    const int pitch = view.rowLayout()->pitch();
    const int top = int(view.rowLayout()->rowTop(block)) - view.verticalScrollBar()->value();
    for (int row = 0; row < 2; ++row) {
      const QTextLine line = block.layout()->lineAt(row);
      const int end = row == 0 ? rowEnd : blockEnd;
      int wrong = 0;
      for (int dx = 3; dx <= 400; dx += 7) {
        const int x = int(std::ceil(line.cursorToX(end))) + dx;
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          QPoint(x, top + row * pitch + pitch / 2));
        const int at = view.textCursor().position() - block.position();
        if (at != end && wrong++ < 3) {
          ADD_FAILURE() << "a click " << dx << " px right of row " << row << " put the caret at "
                        << at << ", not " << end;
        }
      }
      EXPECT_EQ(wrong, 0);
    }
    QTest::mouseClick(
        view.viewport(), Qt::LeftButton, {},
        QPoint(int(block.layout()->lineAt(0).naturalTextWidth()) + 40, top + pitch / 2));
    QTest::keyClicks(&view, u"Z"_qs);
    EXPECT_EQ(view.document()->lastBlock().text(), r.typed);
  }
}

TEST(TextView, PasteTakesTheTextAndADropOfFilesInsertsNothing) {
  KeloTextView view;
  view.resize(400, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  const QList<QUrl> file = {QUrl::fromLocalFile(u"/tmp/x.kelo"_qs)};
  struct Row {
    const char* what;
    bool drop;
    QString text;
    QList<QUrl> urls;
    QString expected;
  };
  const Row rows[] = {
      {"pasted text", false, u"a\r\nb\rc"_qs, {}, u"a\nb\nc|"_qs},
      {"pasted text beside a link",
       false,
       u"https://example.org/x"_qs,
       {QUrl(u"https://example.org/x"_qs)},
       u"https://example.org/x|"_qs},
      {"pasted text of a copied file", false, u"/tmp/x.kelo"_qs, file, u"/tmp/x.kelo|"_qs},
      {"pasted links alone", false, QString(), file, u"|"_qs},
      {"dropped text", true, u"let x = 1"_qs, {}, u"let x = 1|"_qs},
      {"a dropped file", true, u"/tmp/x.kelo"_qs, file, u"|"_qs},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    view.clear();
    auto* data = new QMimeData;
    if (!r.text.isEmpty()) data->setText(r.text);
    if (!r.urls.isEmpty()) data->setUrls(r.urls);
    if (r.drop) {
      const QPointF at = view.viewport()->rect().center();
      QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, data, Qt::LeftButton, {});
      QApplication::sendEvent(view.viewport(), &enter);
      EXPECT_EQ(enter.isAccepted(), r.urls.isEmpty());
      QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, {});
      QApplication::sendEvent(view.viewport(), &drop);
      delete data;
    } else {
      QApplication::clipboard()->setMimeData(data);
      view.paste();
    }
    QTextCursor c = view.textCursor();
    QString shown = view.rawText();
    shown.insert(c.position(), u'|');
    EXPECT_EQ(shown, r.expected);
  }
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
