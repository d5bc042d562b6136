// Text an input method composes (pre-edit text) inside short and long lines: every paint
// returns, and what is painted from the text's own positions (underlines, find matches,
// selections) stays on the characters it belongs to.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include "editor/editor_test_app.h"
#include "editor/kelo_highlighter.h"
#include "editor/kelo_text_view.h"
#include "editor/line_slice.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace zx::editor {
namespace {

// A text view whose second line is `line`, composing `preedit` at `column` of it.
struct Composing {
  KeloTextView view;
  KeloHighlighter* highlighter = new KeloHighlighter(view.document());  // the document's
  EditorColours colours = lightSampleColours();

  Composing(const QString& line, int column, const QString& preedit) {
    colours.rowHover = Qt::transparent;
    colours.selection = QColor(0x20, 0x40, 0xF0);
    view.resize(800, 200);
    view.setColours(colours);
    highlighter->setColours(colours);
    view.setPlainText(u"// head\n"_qs + line + u"\nend"_qs);
    QTextCursor c(view.document());
    c.setPosition(block().position() + column);
    view.setTextCursor(c);
    QInputMethodEvent compose(preedit, {});
    QApplication::sendEvent(&view, &compose);
  }
  QTextBlock block() const { return view.document()->findBlockByNumber(1); }
  int pitch() const { return view.rowLayout()->pitch(); }
  int top() const { return int(view.rowLayout()->rowTop(block())); }
  // The block's line, as its layout shows it (pre-edit text included).
  QTextLine line() const {
    view.rowLayout()->blockBoundingRect(block());
    return block().layout()->lineAt(0);
  }
  // The row of the block, painted with `clip` (document x), or without one.
  QImage paint(qreal left, qreal width, bool clipped = true,
               const QList<Utf16Range>& selections = {}) {
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = view.palette();
    for (const Utf16Range& r : selections) {
      context.selections.append(
          testing::selection(view.document(), r.start, r.end, colours.selection));
    }
    const QRect area(int(left), top(), int(std::ceil(width)), pitch());
    return testing::painted(view.rowLayout(), area, clipped, context, colours.panel);
  }
};

TEST(Composing, EveryPaintReturns) {
  const QString a1100(1100, u'a');
  struct Row {
    const char* what;
    QString line;
    int column;
    QString preedit;
  };
  const Row rows[] = {
      {"a spacing vowel sign after a tab", u"x = \""_qs + a1100 + u"\t\u093F\""_qs, 3,
       u"\u0915\u093F\u0924\u093E\u092C \u0915\u093F\u0924\u093E"_qs},
      {"a lone low surrogate after a tab", u"x = \""_qs + a1100 + u'\t' + QChar(0xDC00) + u'"', 3,
       u"abcdefghij"_qs},
      {"marks at the end", u"x = \""_qs + a1100 + u" e\u0301\u0301\u0308\""_qs, 3,
       u"\u0BA4\u0BAE\u0BBF\u0BB4\u0BCD"_qs},
      {"a pair split by the end", u"x = \""_qs + a1100 + u'\t' + QChar(0xD83D), 40, u"zz"_qs},
      {"an emoji sequence at the end", u"x = \""_qs + a1100 + u" \U0001F469\u200D\U0001F4BB"_qs,
       1000, u"\u093F\u093F"_qs},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Composing c(r.line, r.column, r.preedit);
    ASSERT_EQ(c.block().layout()->preeditAreaText(), r.preedit);
    const QTextLine line = c.line();
    const int shown = line.textLength();
    ASSERT_EQ(shown, r.line.size() + r.preedit.size());
    // Every pixel from the last characters to a few past the line's end: a slice reaches
    // back some characters from its clip.
    const int advance = c.view.fontMetrics().horizontalAdvance(u'a');
    const int end = int(line.cursorToX(shown)) + 8 * advance;
    for (int left = int(line.cursorToX(shown - 14)) - 2; left <= end; ++left) {
      EXPECT_FALSE(c.paint(left, 40).isNull());
    }
  }
}

using testing::Stretch;

// The stretches of columns of `image` where some pixel of rows y0..y1 is `colour`, or with
// `other`, is not.
QList<Stretch> stretchesOf(const QImage& image, int y0, int y1, const QColor& colour,
                           bool other = false) {
  return testing::stretches(image, y0, y1,
                            [&](const QColor& c) { return (c.rgb() == colour.rgb()) != other; });
}

TEST(Composing, MarksStayOnTheirText) {
  const QString name = u"wrong"_qs;
  QString longLine = u"let v = 1 + wrong"_qs;
  while (longLine.size() < 1200) longLine += u" + x"_qs;
  longLine += u" + wrong"_qs;
  for (const QString& line : {u"let v = 1 + wrong"_qs, longLine}) {
    SCOPED_TRACE(line.size());
    Composing c(line, 4, u"abcdef"_qs);  // after "let "
    const int bpos = c.block().position();
    const QTextLine shown = c.line();
    // Each copy of the name, in block and in layout positions.
    QList<std::pair<Utf16Range, Utf16Range>> names;
    for (int at = int(line.indexOf(name)); at >= 0; at = int(line.indexOf(name, at + 1))) {
      names.append({{bpos + at, bpos + at + 5}, {at + 6, at + 11}});
    }
    QList<Underline> underlines;
    QList<Utf16Range> finds;
    for (const auto& [inBlock, inLayout] : names) {
      underlines.append({inBlock.start, inBlock.end, true});
      finds.append(inBlock);
    }
    for (const bool selected : {false, true}) {
      SCOPED_TRACE(selected ? "selected" : "found and underlined");
      c.view.rowLayout()->setUnderlines(selected ? QList<Underline>{} : underlines);
      c.view.rowLayout()->setFindMatches(selected ? QList<Utf16Range>{} : finds);
      for (const auto& [inBlock, inLayout] : names) {
        const qreal x0 = shown.cursorToX(inLayout.start);
        const qreal x1 = shown.cursorToX(inLayout.end);
        ASSERT_GT(x1 - x0, 20) << "the name is drawn";
        // A clip from some characters before the name to some after it.
        const qreal left = std::floor(x0) - 60;
        const QImage image = c.paint(left, x1 - x0 + 120, true,
                                     selected ? QList<Utf16Range>{inBlock} : QList<Utf16Range>{});
        const auto expect = [&](const QList<Stretch>& got, qreal endSlack) {
          ASSERT_FALSE(got.isEmpty());
          EXPECT_NEAR(got.first().first + left, std::floor(x0), 1);
          EXPECT_LE(got.last().second + left, std::ceil(x1));
          EXPECT_GE(got.last().second + left, x1 - endSlack);
        };
        // Along the row's top edge, above every glyph.
        const QList<Stretch> tinted = stretchesOf(image, 1, 1, c.colours.panel, true);
        expect(tinted, 2);
        if (!tinted.isEmpty()) EXPECT_EQ(tinted.size(), 1);
        if (!selected) expect(stretchesOf(image, 0, c.pitch() - 1, c.colours.sell), 5);
      }
    }
  }
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
