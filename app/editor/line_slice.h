// Painting a long line by the part of it in view.
//
// Qt shapes a line run by run, and gives every differently coloured stretch a run of its
// own; drawing walks every run too. A line of a hundred thousand characters holds tens of
// thousands of tokens: coloured in its layout, it took a tenth of a second to lay out after
// each keystroke, and drawing the caret's few pixels cost as much as drawing all of it.
//
// So a long line keeps only what changes its glyphs (the keyword face) in its layout, and
// its colours beside it (LineColours). Its visible part is shaped on its own with the
// colours (a LineSlice), laid out at the x the whole line gives it, and painted: the very
// glyphs the line would paint there, at the cost of that part alone.
//
// A slice is exact when it starts where shaping starts afresh (after a space, never
// before a mark or joiner), its characters run in the scripts the whole line runs them in
// (which pick their fonts), and its tabs reach the whole line's stops. Characters without
// a script of their own take the one before them, so a slice that starts with such
// characters starts with a character of the line's script there; the text engine puts a
// tab's stop one further when the text before it ends a fraction of a pixel short of one,
// so a slice holding a tab starts with a tab of its own that puts the slice's origin on a
// stop of the whole line. Both lie left of the slice's part of the line. Text that the
// bidirectional rules may reorder across the whole line is not painted by slices.
#pragma once

#include <QFont>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <memory>
#include <utility>

class QPaintDevice;
class QPainter;

namespace zx::editor {

// Lines at least this long are painted by slices.
inline constexpr int kLongLine = 1000;

// Whether the block of `text` is painted by slices and keeps its colours in LineColours.
bool paintsBySlices(QStringView text);

// A run of one script, as the text engine runs a line: a character without a script of
// its own (a digit, punctuation, a space, a mark) belongs to the run before it, or at the
// line's start to the first run.
struct ScriptRun {
  int start = 0;
  int strong = 0;  // the character whose script the run has
  QChar::Script script = QChar::Script_Common;
};

// What decides how a slice of a line is cut: block-relative.
struct LineTraits {
  QList<ScriptRun> scripts;  // none when no character has a script of its own
  bool clustered = false;    // holds characters that cluster with the one before them
  static LineTraits of(QStringView text);
  // Of a block whose layout shows `shown`: kept with its colours, or found.
  static LineTraits of(const QTextBlock& block, QStringView shown);
};

// The colours of a block painted by slices: block-relative, sorted by start.
class LineColours : public QTextBlockUserData {
 public:
  QList<QTextLayout::FormatRange> runs;
  LineTraits traits;
};

// The text a block's layout shows: the block's, with an input method's pre-edit text.
QString shownText(const QTextBlock& block);

// The caret place of `line` (of `block`, whose layout shows `shown`) nearest document x
// `x`, in the layout's positions. Qt's own answer where it is right: on lines whose
// characters do not cluster, and on lines holding right-to-left text, where x does not
// grow with the position.
int caretPlaceAt(const QTextBlock& block, const QTextLine& line, QStringView shown, qreal x);

// Where a block's layout shows the block's positions: an input method's pre-edit text sits
// at `at` and moves what follows by its length. A range that reaches the pre-edit point
// from before takes the pre-edit text in, as the text engine stretches its own formats.
struct Preedit {
  int at = 0;
  int length = 0;
  static Preedit of(const QTextLayout& layout) {
    const auto length = int(layout.preeditAreaText().size());
    return {length > 0 ? layout.preeditAreaPosition() : 0, length};
  }
  // Block range a..b in layout positions.
  std::pair<int, int> range(int a, int b) const {
    if (length == 0 || b < at) return {a, b};
    return {a >= at ? a + length : a, b + length};
  }
  // The block position a layout position shows; the pre-edit point for pre-edit text.
  int blockPosition(int p) const {
    if (p < at) return p;
    return std::max(at, p - length);
  }
};

class LineSlice {
 public:
  // The part of `line` (of `block`, whose layout shows `text`) covering document x from
  // `left` to `right`, in `font` on `device`.
  static std::unique_ptr<LineSlice> of(const QTextBlock& block, const QTextLine& line,
                                       const QString& text, qreal left, qreal right,
                                       const QFont& font, QPaintDevice* device);
  // All of `line`, coloured: what the layout would paint with the colours in it.
  static std::unique_ptr<LineSlice> whole(const QTextBlock& block, const QTextLine& line,
                                          const QString& text, const QFont& font,
                                          QPaintDevice* device);

  // The layout position of the slice's position 0.
  int offset() const { return offset_; }
  // The slice's first position showing the line's text, after what leads it in.
  int lead() const { return lead_; }
  // Its line: x is in document coordinates.
  QTextLine line() const { return layout_.lineAt(0); }
  // `selections` in the layout's positions, as QTextLayout::draw takes them.
  void draw(QPainter* painter, const QRectF& clip,
            const QList<QTextLayout::FormatRange>& selections) const;

 private:
  LineSlice(int offset, int lead, const QString& text, const QFont& font, QPaintDevice* device)
      : offset_(offset), lead_(lead), layout_(text, font, device) {}
  static std::unique_ptr<LineSlice> make(const QTextBlock& block, const QTextLine& line,
                                         const QString& text, const LineTraits& traits, int from,
                                         int to, const QFont& font, QPaintDevice* device);

  int offset_;
  int lead_;
  QTextLayout layout_;
};

}  // namespace zx::editor
