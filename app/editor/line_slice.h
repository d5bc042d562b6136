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
#pragma once

#include <QFont>
#include <QTextBlock>
#include <QTextLayout>
#include <memory>

class QPaintDevice;
class QPainter;

namespace zx::editor {

// Lines at least this long are painted by slices.
inline constexpr int kLongLine = 1000;

// Whether the block of `text` is painted by slices and keeps its colours in LineColours.
// Right-to-left text is not: its runs reorder across the whole line.
bool paintsBySlices(QStringView text);

// The colours of a block painted by slices: block-relative, sorted by start.
class LineColours : public QTextBlockUserData {
 public:
  QList<QTextLayout::FormatRange> runs;
};

class LineSlice {
 public:
  // The part of `line` (of `block`, whose text is `text`) covering document x from `left`
  // to `right`, in `font` on `device`.
  static std::unique_ptr<LineSlice> of(const QTextBlock& block, const QTextLine& line,
                                       const QString& text, qreal left, qreal right,
                                       const QFont& font, QPaintDevice* device);

  // The block position of the slice's first character.
  int from() const { return from_; }
  // Its line: positions count from from(), x is in document coordinates.
  QTextLine line() const { return layout_.lineAt(0); }
  void draw(QPainter* painter, const QRectF& clip) const;

 private:
  LineSlice(int from, const QString& text, const QFont& font, QPaintDevice* device)
      : from_(from), layout_(text, font, device) {}

  int from_;
  QTextLayout layout_;
};

}  // namespace zx::editor
