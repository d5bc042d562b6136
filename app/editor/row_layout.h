// The text view's document layout: one fixed-height row per line, no wrapping.
//
// Qt's own layout re-positions every block below an edit, so one keystroke near the top
// of a long file costs a walk over the whole file. Here a block's row is its first line
// number, which the document keeps in a tree, so an edit lays out only the blocks it
// touched. Each row is round(1.32 × font height) high with the glyph line centred in it.
//
// The layout also paints what the platform text view would have: the current-line band,
// full-row selection, find-match backgrounds (the current match stronger), the dotted
// diagnostic underlines and the caret in the accent colour, for the visible rows only.
//
// Shaping a line is the costly part of painting it. The caret's line keeps its shaping
// between paints, so the caret's blink and its moves along the line shape nothing; other
// long lines are shaped for each paint and let go, their lines kept. Of a long line only
// the part in the exposed rectangle is painted (LineSlice).
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QList>
#include <QTextBlock>
#include <memory>
#include <vector>

#include "editor/diagnostic_ranges.h"
#include "editor/text_spans.h"

namespace zx::editor {

class LineSlice;
struct Preedit;

class RowLayout : public QAbstractTextDocumentLayout {
  Q_OBJECT

 public:
  static constexpr int kTopInset = 12;    // above the first row and below the last
  static constexpr int kPadding = 5;      // text starts this far into the text area
  static constexpr int kRightInset = 52;  // room after the widest line
  static constexpr qreal kRowFactor = 1.32;

  explicit RowLayout(QTextDocument* document);

  int pitch() const { return pitch_; }
  // Glyph line offset inside a row.
  qreal lift() const { return lift_; }
  // Document y of the first row of `block`.
  qreal rowTop(const QTextBlock& block) const;
  // The block holding document row `row`, clamped to the rows there are.
  QTextBlock blockAtRow(int row) const;

  struct Colours {
    QColor band;  // transparent: no band
    QColor caret;
    QColor findFill;
    QColor currentFindFill;  // the match the selection covers
    QColor error;
    QColor warning;
  };
  void setColours(const Colours& colours);
  // The block that gets the band; -1 for none.
  void setBandBlock(int blockNumber);
  int bandBlock() const { return band_; }
  // The block holding the caret, whose shaping is kept; -1 for none.
  void setCaretBlock(int blockNumber);
  void setFindMatches(const QList<Utf16Range>& matches);
  const QList<Utf16Range>& findMatches() const { return find_; }
  void setUnderlines(const QList<Underline>& underlines);
  const QList<Underline>& underlines() const { return underlines_; }

  void draw(QPainter* painter, const PaintContext& context) override;
  int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
  int pageCount() const override { return 1; }
  QSizeF documentSize() const override { return size_; }
  QRectF frameBoundingRect(QTextFrame* frame) const override;
  QRectF blockBoundingRect(const QTextBlock& block) const override;

 protected:
  void documentChanged(int from, int charsRemoved, int charsAdded) override;

 private:
  void relayoutAll();
  void measureFont();
  // Lays the block out when it has no lines and places it at its row.
  void place(const QTextBlock& block) const;
  void updateSize();
  QRectF rowsOf(const QTextBlock& block) const;
  // Drops the shaping a block's layout holds, keeping its lines; its next use shapes it anew.
  static void releaseShaping(const QTextBlock& block);

  struct PaintedLine;
  // The lines of `block` that meet `clip`: its own, or, given the text its layout shows,
  // slices of them (with `sliced` the parts in view, else whole), kept alive in `slices`.
  QList<PaintedLine> paintedLines(const QTextBlock& block, const QRectF& rows, const QString* shown,
                                  bool sliced, const QRectF& clip,
                                  std::vector<std::unique_ptr<LineSlice>>& slices) const;
  // Turns layout positions a..b into positions of `p`'s line; false when it shows none.
  static bool onLine(const PaintedLine& p, int& a, int& b);
  // `bidiText`: the text the block's layout shows when it holds right-to-left text, whose
  // ranges may fall into several runs; else empty. Positions are the layout's.
  void paintRanges(QPainter* painter, const QList<PaintedLine>& lines, const QString& bidiText,
                   int from, int to, const QColor& fill) const;
  // The underlines over block positions `from`..`to`, block-relative.
  void paintUnderlines(QPainter* painter, const QList<PaintedLine>& lines, const QString& bidiText,
                       const Preedit& preedit, const QRectF& rows, int bpos, int from,
                       int to) const;
  void paintCaret(QPainter* painter, const QTextBlock& block, const QRectF& rows,
                  const QList<PaintedLine>& lines, int cursorPosition) const;

  int pitch_ = 20;
  qreal lift_ = 2;
  qreal advance_ = 8;     // of "M", to seed the width
  qreal underlineY_ = 2;  // below the baseline
  qreal newlineWidth_ = 4;
  mutable qreal widest_ = 0;
  mutable bool growPending_ = false;
  int blockCount_ = 1;
  QSizeF size_;
  Colours colours_;
  int band_ = -1;
  int caretBlock_ = -1;
  QList<Utf16Range> find_;
  QList<Underline> underlines_;
  int longestUnderline_ = 0;
};

}  // namespace zx::editor
