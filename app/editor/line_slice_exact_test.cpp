// A long line painted by slices against the same line painted whole, over generated lines:
// the pixels of paints clipped to many rectangles against the same rectangles of a paint
// without a clip, and the x of every position a slice holds against the whole line's. The
// whole line is in turn held against a short line of its first characters.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <optional>
#include <random>

#include "editor/editor_test_app.h"
#include "editor/kelo_highlighter.h"
#include "editor/kelo_text_view.h"
#include "editor/line_slice.h"
#include "editor/row_layout.h"
#include "editor/sample_colours.h"

namespace zx::editor {
namespace {

enum class Family { Tabs, ArabicDigits, OtherDigits, Marks, Emoji, Separated };

struct Generated {
  QString text;
  QList<TokenSpan> tokens;  // line-relative, as every range here
  QList<Underline> underlines;
  QList<Utf16Range> finds;
  Utf16Range selected;  // one of the finds: the current match
  int caret = 0;
};

// `log.info(` then `+ "…"` pieces of the family until the line is long, with keywords
// (another face) between them and ranges marked over it.
Generated generate(Family family, unsigned seed) {
  std::mt19937 rng(seed);
  const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  Generated g;
  const auto add = [&](const QString& text, std::optional<TokenKind> kind = {}) {
    if (kind) g.tokens.append({int(g.text.size()), int(g.text.size() + text.size()), *kind});
    g.text += text;
  };
  const auto quoted = [&](const QString& inside) { add(u'"' + inside + u'"', TokenKind::Text); };
  add(pick(2) ? u"\t"_qs : u"  "_qs);
  add(u"log"_qs, TokenKind::Builtin);
  add(u"."_qs, TokenKind::Punctuation);
  add(u"info("_qs);
  const QStringList marks = {u"\u0301"_qs, u"\uFE0F"_qs, u"\u200D"_qs,
                             u"\u200C"_qs, u"\u20E3"_qs, u"\u0308\u0301"_qs};
  const QStringList emoji = {u"\U0001F44D\U0001F3FD"_qs,
                             u"\u2764\uFE0F"_qs,
                             u"\U0001F468\u200D\U0001F469\u200D\U0001F467"_qs,
                             u"1\uFE0F\u20E3"_qs,
                             u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7"_qs,
                             u"\u200D\U0001F44D"_qs};
  const char16_t otherZeros[] = {u'\u06F0', u'\u0966', u'\u09E6', u'\u0E50', u'\uFF10'};
  for (int k = 0; g.text.size() < 1600; ++k) {
    add(u" "_qs);
    add(u"+"_qs, TokenKind::Punctuation);
    add(u" "_qs);
    if (k % 7 == 3) {
      add(u"if"_qs, TokenKind::Keyword);
      add(u" "_qs);
    }
    switch (family) {
      case Family::Tabs:
        // Every length up to two stops' worth before a tab, after every earlier one.
        quoted(QString(k % 10, QChar(u'a' + pick(3))));
        add(u"\t"_qs);
        if (k % 11 == 5) add(u"\t"_qs);
        break;
      case Family::ArabicDigits: {
        QString groups;
        for (int n = 0; n < 4; ++n) {
          groups += QChar(u'\u0660' + pick(10));
          groups += QChar(u'\u0660' + pick(10));
          groups += u' ';
        }
        quoted(groups);
        break;
      }
      case Family::OtherDigits: {
        QString groups;
        for (int n = 0; n < 3; ++n) {
          const char16_t zero = otherZeros[pick(5)];
          groups += QChar(char16_t(zero + pick(10)));
          groups += QChar(char16_t(zero + pick(10)));
          groups += u' ';
        }
        groups += u"\U0001D7CF\U0001D7D0"_qs;  // mathematical bold digits
        quoted(groups);
        break;
      }
      case Family::Marks:
      case Family::Separated:
        quoted(u"a "_qs + marks[pick(int(marks.size()))] + u"b"_qs);
        if (family == Family::Separated && !g.text.contains(QChar::LineSeparator) &&
            g.text.size() > 1200) {
          add(u"\u2028"_qs);
        }
        break;
      case Family::Emoji:
        quoted(u" "_qs + emoji[pick(int(emoji.size()))] + (pick(2) ? u" x"_qs : u""_qs));
        break;
    }
  }
  add(u")"_qs, TokenKind::Punctuation);

  const int n = int(g.text.size());
  for (int i = 0; i < 5; ++i) {
    const int start = pick(n - 1);
    g.underlines.append({start, std::min(n, start + 1 + (i == 0 ? 300 : pick(40))), i % 2 == 0});
  }
  std::sort(g.underlines.begin(), g.underlines.end(),
            [](const Underline& a, const Underline& b) { return a.start < b.start; });
  for (int at = pick(60); at < n - 20; at += 120 + pick(200)) {
    g.finds.append({at, at + 1 + pick(12)});
  }
  g.selected = g.finds[g.finds.size() / 2];
  // A row that a line separator ends: the current match takes the separator in.
  if (const auto at = int(g.text.indexOf(QChar::LineSeparator)); at >= 0) {
    g.selected = {at - 6, at + 6};
    g.finds.removeIf([&](const Utf16Range& f) { return f.start < at + 6 && f.end > at - 6; });
    g.finds.insert(std::upper_bound(
                       g.finds.begin(), g.finds.end(), g.selected,
                       [](const Utf16Range& a, const Utf16Range& b) { return a.start < b.start; }),
                   g.selected);
  }
  g.caret = g.selected.end;
  return g;
}

// A text view whose second line is the generated one and whose third holds its first
// characters, both coloured, underlined, marked and selected alike.
struct Rig {
  KeloTextView view;
  KeloHighlighter* highlighter = new KeloHighlighter(view.document());  // the document's
  EditorColours colours;
  Generated line;
  int shortLength = 0;

  Rig(const Generated& generated, int pixels, bool dark) : line(generated) {
    colours = dark ? darkSampleColours() : lightSampleColours();
    colours.rowHover = Qt::transparent;
    view.resize(800, 300);
    view.setColours(colours);
    highlighter->setColours(colours);
    QFont font = view.font();
    font.setPixelSize(pixels);
    view.setCodeFont(font);
    // Cut before a space well under the long-line length, so no cluster is cut in two.
    shortLength = int(line.text.lastIndexOf(u' ', kLongLine - 40));
    view.setPlainText(u"// head\n"_qs + line.text + u'\n' + line.text.left(shortLength));

    const int longAt = block(1).position();
    const int shortAt = block(2).position();
    QList<TokenSpan> tokens;
    QList<Underline> underlines;
    QList<Utf16Range> finds;
    for (const int at : {longAt, shortAt}) {
      const int end = at == longAt ? int(line.text.size()) : shortLength;
      for (const TokenSpan& t : line.tokens) {
        if (t.end <= end) tokens.append({at + t.start, at + t.end, t.kind});
      }
      for (const Underline& u : line.underlines) {
        if (u.start < end) underlines.append({at + u.start, at + std::min(u.end, end), u.error});
      }
      for (const Utf16Range& f : line.finds) {
        if (f.end <= end) finds.append({at + f.start, at + f.end});
      }
    }
    highlighter->applyTokens(tokens);
    view.rowLayout()->setUnderlines(underlines);
    view.rowLayout()->setFindMatches(finds);
  }

  QTextBlock block(int n) const { return view.document()->findBlockByNumber(n); }
  int pitch() const { return view.rowLayout()->pitch(); }
  int rowTop(int n) const { return int(view.rowLayout()->rowTop(block(n))); }
  QTextLine wholeLine() const {
    view.rowLayout()->blockBoundingRect(block(1));
    return block(1).layout()->lineAt(0);
  }

  // What the layout paints of document `area`, clipped to it, or with no clip at all, the
  // caret on line `caretLine`.
  QImage paint(const QRect& area, bool clipped, int caretLine = 1) {
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = view.palette();
    if (caretLine == 1 || line.caret < shortLength) {
      context.cursorPosition = block(caretLine).position() + line.caret;
    }
    for (const int at : {block(1).position(), block(2).position()}) {
      if (at == block(2).position() && line.selected.end > shortLength) break;
      context.selections.append(testing::selection(view.document(), at + line.selected.start,
                                                   at + line.selected.end, colours.selection));
    }
    return testing::painted(view.rowLayout(), area, clipped, context, colours.panel);
  }
};

// The pixels of `shown` that differ from `area` of `whole`, and the first one's x.
std::pair<int, int> differing(const QImage& shown, const QImage& whole, const QPoint& at) {
  int count = 0;
  int first = -1;
  for (int y = 0; y < shown.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
    const auto* b = reinterpret_cast<const QRgb*>(whole.constScanLine(y + at.y())) + at.x();
    for (int x = 0; x < shown.width(); ++x) {
      if (a[x] == b[x]) continue;
      if (first < 0) first = x;
      ++count;
    }
  }
  return {count, first};
}

TEST(LineSlices, PaintAndPlaceWhatTheWholeLineDoes) {
  const struct {
    const char* what;
    Family family;
  } families[] = {{"tabs after every length", Family::Tabs},
                  {"Arabic-Indic digit groups", Family::ArabicDigits},
                  {"digits of other scripts", Family::OtherDigits},
                  {"marks and joiners after spaces", Family::Marks},
                  {"emoji sequences after spaces", Family::Emoji},
                  {"a row that a line separator ends", Family::Separated}};
  for (const auto& f : families) {
    for (int pixels = 11; pixels <= 16; ++pixels) {
      const unsigned seed = unsigned(pixels * 31 + int(f.family));
      Rig rig(generate(f.family, seed), pixels, pixels % 2 == 1);
      SCOPED_TRACE(::testing::Message() << f.what << ", " << pixels << " px, seed " << seed);
      const QTextLine whole = rig.wholeLine();
      const int top = rig.rowTop(1);
      const int width = int(std::ceil(whole.x() + whole.naturalTextWidth())) + 60;
      const QImage all = rig.paint(QRect(0, top, width, rig.pitch()), false);
      const bool sliced = paintsBySlices(rig.line.text);
      EXPECT_EQ(sliced, f.family != Family::ArabicDigits);

      // Many clip lefts, at widths from a caret's to a window's.
      const int widths[] = {2, 9, 64, 450};
      for (int i = 0; i < 48; ++i) {
        const int left = int(qint64(width - 2) * i / 48) + (i * 7919) % 23;
        const QRect area(left, top, std::min(widths[i % 4], width - left), rig.pitch());
        const auto [count, first] =
            differing(rig.paint(area, true), all, area.topLeft() - QPoint(0, top));
        EXPECT_EQ(count, 0) << "clip left " << left << ", width " << area.width()
                            << ", first differing x " << left + first;
      }

      // The short line looks as the long one where both hold the same text.
      if (sliced) {
        const int shortTop = rig.rowTop(2);
        const QImage shortRow = rig.paint(QRect(0, shortTop, width, rig.pitch()), false, 2);
        const int same = int(whole.cursorToX(rig.shortLength - 8));
        const auto [count, first] = differing(shortRow.copy(0, 0, same, rig.pitch()),
                                              all.copy(0, 0, same, rig.pitch()), QPoint());
        EXPECT_EQ(count, 0) << "short line, first differing x " << first;
      }

      // Every position of a slice is where the whole line has it.
      if (!sliced) continue;
      const QString text = shownText(rig.block(1));
      int misplaced = 0;
      for (int i = 0; i < 24; ++i) {
        const qreal left = whole.naturalTextWidth() * i / 24 + (i * 13) % 29;
        const auto slice = LineSlice::of(rig.block(1), whole, text, left, left + 90,
                                         rig.view.font(), rig.view.viewport());
        const QTextLine own = slice->line();
        EXPECT_GT(own.textLength(), slice->lead()) << "a slice at " << left << " holds text";
        for (int p = slice->lead(); p <= own.textLength(); ++p) {
          const qreal expected = whole.cursorToX(slice->offset() + p);
          if (own.cursorToX(p) != expected && misplaced++ < 3) {
            ADD_FAILURE() << "position " << slice->offset() + p << " of a slice at " << left
                          << ": x " << own.cursorToX(p) << ", the whole line's " << expected;
          }
        }
      }
      EXPECT_EQ(misplaced, 0);
    }
  }
}

}  // namespace
}  // namespace zx::editor

int main(int argc, char** argv) {
  return zx::editor::testing::runWidgetTests(argc, argv);
}
