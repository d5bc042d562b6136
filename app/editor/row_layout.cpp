#include "editor/row_layout.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <utility>

#include "editor/line_slice.h"
#include "editor/text_scan.h"

namespace zx::editor {
namespace {

constexpr qreal kFar = 1e8;  // "to the edge" for update rectangles and band fills
constexpr qreal kLineWidth = 1e6;

using Span = std::pair<qreal, qreal>;

int rowsWanted(const QTextBlock& block) {
  // Only a line separator starts a second line inside a block: nothing wraps.
  return 1 + int(block.text().count(QChar::LineSeparator));
}

qreal xAt(const QTextLine& line, int position) {
  return line.cursorToX(&position);
}

// The x extents that positions a..b of `line` cover, left to right, touching ones joined;
// none when the line holds none of them. A range that takes in the line break ends in a
// mark of `newlineWidth` beside the line's end. `bidiText` is the text the line's layout
// shows when it holds right-to-left text, else empty.
//
// Left to right, the two ends are enough. With runs of both directions a range is painted
// by the visual runs it crosses: where two runs meet, `cursorToX` gives the edge of the
// run that goes with the paragraph, not the other one's. Glyph runs carry the bounds Qt's
// own selection uses; tabs have none, but a tab always sits in a run of the paragraph's
// direction, where `cursorToX` is right: at the tab and after it, since its own trailing
// edge is its leading one.
QList<Span> xSpans(const QTextLine& line, const QString& bidiText, int a, int b,
                   qreal newlineWidth) {
  const int lineStart = line.textStart();
  const int lineEnd = lineStart + line.textLength();
  const bool pastEnd = b > lineEnd;
  const int from = std::max(a, lineStart);
  const int to = std::min(b, lineEnd);
  if (from > to || (from == to && !pastEnd && a != b)) return {};
  if (bidiText.isEmpty()) {
    const qreal x0 = xAt(line, from);
    qreal x1 = xAt(line, to);
    if (pastEnd || x1 <= x0) x1 = std::max(x1, x0) + newlineWidth;
    return {{x0, x1}};
  }

  QList<Span> spans;
  if (from < to) {
    for (const QGlyphRun& run : line.glyphRuns(from, to - from)) {
      const QRectF r = run.boundingRect();
      if (r.width() > 0) spans.append({r.left(), r.right()});
    }
    const int last = std::min(to, int(bidiText.size()));
    for (int i = from; i < last; ++i) {
      if (bidiText.at(i) != u'\t') continue;
      const qreal x0 = xAt(line, i);
      const qreal x1 = xAt(line, i + 1);
      spans.append({std::min(x0, x1), std::max(x0, x1)});
    }
  }
  if (pastEnd) {
    // The break sits after the line's end: at its right in a left-to-right paragraph.
    const qreal end = xAt(line, lineEnd);
    if (end < xAt(line, lineStart)) {
      spans.append({end - newlineWidth, end});
    } else {
      spans.append({end, end + newlineWidth});
    }
  }
  if (spans.isEmpty()) {
    const qreal x = xAt(line, from);
    spans.append({x, x + newlineWidth});
  }
  std::sort(spans.begin(), spans.end());
  QList<Span> joined;
  for (const Span& s : spans) {
    // Neighbouring runs meet at fractions that may differ in the last bits.
    if (!joined.isEmpty() && s.first <= joined.last().second + 0.5) {
      joined.last().second = std::max(joined.last().second, s.second);
    } else {
      joined.append(s);
    }
  }
  return joined;
}

}  // namespace

RowLayout::RowLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document) {
  // QTextEdit then leaves the layout alone on resizes in no-wrap mode.
  setProperty("contentHasAlignment", false);
  relayoutAll();
}

void RowLayout::measureFont() {
  QTextDocument* doc = document();
  const QFontMetricsF m = paintDevice() ? QFontMetricsF(doc->defaultFont(), paintDevice())
                                        : QFontMetricsF(doc->defaultFont());
  const qreal glyphs = m.ascent() + m.descent();
  pitch_ = std::max(1, int(std::lround(kRowFactor * (glyphs + m.leading()))));
  lift_ = std::max<qreal>(0, std::floor((pitch_ - glyphs) / 2));
  advance_ = m.horizontalAdvance(QLatin1Char('M'));
  underlineY_ = std::max<qreal>(1, std::round(m.underlinePos()));
  newlineWidth_ = std::max<qreal>(2, m.horizontalAdvance(QLatin1Char(' ')) / 2);
}

void RowLayout::relayoutAll() {
  measureFont();
  QTextDocument* doc = document();
  const bool rowsToCount =
      doc->lineCount() != doc->blockCount() || doc->toRawText().contains(QChar::LineSeparator);
  int longest = 0;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
    b.clearLayout();
    longest = std::max(longest, b.length());
    if (rowsToCount) {
      const int rows = rowsWanted(b);
      if (rows != b.lineCount()) b.setLineCount(rows);
    }
  }
  widest_ = longest * advance_;
  blockCount_ = doc->blockCount();
  updateSize();
  emit update(QRectF(0, 0, kFar, kFar));
}

void RowLayout::updateSize() {
  const QSizeF size(kPadding + widest_ + kRightInset,
                    2 * kTopInset + qreal(document()->lineCount()) * pitch_);
  if (size == size_) return;
  size_ = size;
  emit documentSizeChanged(size_);
}

void RowLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
  QTextDocument* doc = document();
  // A change over the whole document: new text, a new default font or page size.
  if (from == 0 && charsAdded >= doc->characterCount() - 1) {
    relayoutAll();
    return;
  }
  (void)charsRemoved;
  const QTextBlock first = doc->findBlock(from);
  QTextBlock last = doc->findBlock(from + charsAdded);
  if (!last.isValid()) last = doc->lastBlock();
  bool rowsMoved = doc->blockCount() != blockCount_;
  blockCount_ = doc->blockCount();
  for (QTextBlock b = first; b.isValid(); b = b.next()) {
    b.clearLayout();
    const int rows = rowsWanted(b);
    if (rows != b.lineCount()) {
      b.setLineCount(rows);
      rowsMoved = true;
    }
    if (b == last) break;
  }
  updateSize();
  if (!first.isValid()) return;
  const qreal top = rowTop(first);
  const qreal bottom = rowsMoved ? kFar : rowTop(last) + last.lineCount() * pitch_;
  emit update(QRectF(0, top, kFar, bottom - top));
}

qreal RowLayout::rowTop(const QTextBlock& block) const {
  return kTopInset + qreal(block.firstLineNumber()) * pitch_;
}

QTextBlock RowLayout::blockAtRow(int row) const {
  QTextDocument* doc = document();
  return doc->findBlockByLineNumber(std::clamp(row, 0, std::max(0, doc->lineCount() - 1)));
}

QRectF RowLayout::rowsOf(const QTextBlock& block) const {
  return QRectF(0, rowTop(block), size_.width(), qreal(block.lineCount()) * pitch_);
}

void RowLayout::place(const QTextBlock& block) const {
  QTextLayout* layout = block.layout();
  if (layout->lineCount() == 0) {
    QTextOption option = document()->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
    // A long line is shaped once for a paint that asks it for several positions; the
    // paint lets its shaping go again.
    layout->setCacheEnabled(block.blockNumber() == caretBlock_ || block.length() > kLongLine);
    layout->beginLayout();
    int row = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
      line.setLineWidth(kLineWidth);
      line.setPosition(QPointF(kPadding, lift_ + qreal(row++) * pitch_));
      if (line.naturalTextWidth() > widest_) {
        widest_ = line.naturalTextWidth();
        growPending_ = true;
      }
    }
    layout->endLayout();
    if (growPending_) {
      // Laying out happens while painting; resize the scroll range afterwards.
      growPending_ = false;
      QMetaObject::invokeMethod(
          const_cast<RowLayout*>(this), [this] { const_cast<RowLayout*>(this)->updateSize(); },
          Qt::QueuedConnection);
    }
  }
  // Qt reads a block's place from its layout in a few spots (accessibility, input
  // methods), so keep it current for every block that is asked for.
  layout->setPosition(QPointF(0, rowTop(block)));
}

QRectF RowLayout::blockBoundingRect(const QTextBlock& block) const {
  if (!block.isValid()) return {};
  place(block);
  return rowsOf(block);
}

QRectF RowLayout::frameBoundingRect(QTextFrame*) const {
  return QRectF(QPointF(), size_);
}

int RowLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const {
  QTextDocument* doc = document();
  const int row = int(std::floor((point.y() - kTopInset) / pitch_));
  if (accuracy == Qt::ExactHit && (row < 0 || row >= doc->lineCount())) return -1;
  const QTextBlock block = blockAtRow(row);
  if (!block.isValid()) return -1;
  place(block);
  const QTextLayout* layout = block.layout();
  const int index = std::clamp(row - block.firstLineNumber(), 0, layout->lineCount() - 1);
  const QTextLine line = layout->lineAt(index);
  if (accuracy == Qt::ExactHit &&
      (point.x() < line.x() || point.x() > line.x() + line.naturalTextWidth())) {
    return -1;
  }
  // In the layout's positions, as the text control expects while an input method composes:
  // a click on the pre-edit text is handed to the input method by its offset there.
  return block.position() + caretPlaceAt(block, line, shownText(block), point.x());
}

void RowLayout::setColours(const Colours& colours) {
  colours_ = colours;
  emit update(QRectF(0, 0, kFar, kFar));
}

void RowLayout::setBandBlock(int blockNumber) {
  if (blockNumber == band_) return;
  for (const int n : {band_, blockNumber}) {
    const QTextBlock b = document()->findBlockByNumber(n);
    if (b.isValid()) emit update(QRectF(0, rowTop(b), kFar, qreal(b.lineCount()) * pitch_));
  }
  band_ = blockNumber;
}

void RowLayout::setCaretBlock(int blockNumber) {
  if (blockNumber == caretBlock_) return;
  // By number, as the band: a block an edit removed leaves no handle behind. When lines
  // came and went above, the old number names another block, which loses nothing.
  const QTextBlock old = document()->findBlockByNumber(caretBlock_);
  if (old.isValid()) releaseShaping(old);
  caretBlock_ = blockNumber;
  const QTextBlock block = document()->findBlockByNumber(blockNumber);
  if (block.isValid()) block.layout()->setCacheEnabled(true);
}

void RowLayout::releaseShaping(const QTextBlock& block) {
  QTextLayout* layout = block.layout();
  layout->setCacheEnabled(false);
  // A draw that meets none of the lines lets the shaping go and keeps the lines: readers
  // of the layout (accessibility, input methods) still find every character's place,
  // shaped anew when they ask.
  if (layout->lineCount() > 0) {
    QPainter idle;
    const QPointF below(0, 1e6 - layout->position().y());  // in the engine's fixed range
    layout->draw(&idle, below, {}, QRectF(0, 0, 1, 1));
  }
}

void RowLayout::setFindMatches(const QList<Utf16Range>& matches) {
  if (matches.isEmpty() && find_.isEmpty()) return;
  find_ = matches;
  emit update(QRectF(0, 0, kFar, kFar));
}

void RowLayout::setUnderlines(const QList<Underline>& underlines) {
  underlines_ = underlines;
  longestUnderline_ = 0;
  for (const Underline& u : underlines_) {
    longestUnderline_ = std::max(longestUnderline_, u.end - u.start);
  }
  emit update(QRectF(0, 0, kFar, kFar));
}

struct RowLayout::PaintedLine {
  int index = 0;   // of the line in its block
  QTextLine line;  // the line, or the slice of it in view
  int offset = 0;  // the layout position of `line`'s position 0
  qreal top = 0;   // document y of the line's row
  const LineSlice* slice = nullptr;
  int lead = 0;     // `line`'s first position that shows the block's text
  QTextLine whole;  // the block's own line
};

// A range's positions on `p`'s line, or false when the line shows none of them.
bool RowLayout::onLine(const PaintedLine& p, int& a, int& b) {
  a -= p.offset;
  b -= p.offset;
  if (b <= p.lead) return false;
  a = std::max(a, p.lead);
  return true;
}

QList<RowLayout::PaintedLine> RowLayout::paintedLines(
    const QTextBlock& block, const QRectF& rows, const QString* shown, bool sliced,
    const QRectF& clip, std::vector<std::unique_ptr<LineSlice>>& slices) const {
  // Glyphs may reach past their own cell: a slice takes in a few more on each side.
  const qreal reach = 4 * advance_;
  QList<PaintedLine> lines;
  const QTextLayout* layout = block.layout();
  for (int i = 0; i < layout->lineCount(); ++i) {
    const qreal top = rows.top() + qreal(i) * pitch_;
    if (top >= clip.bottom() || top + pitch_ <= clip.top()) continue;
    const QTextLine line = layout->lineAt(i);
    if (!shown) {
      lines.append({i, line, 0, top, nullptr, 0, line});
      continue;
    }
    const QFont font = document()->defaultFont();
    slices.push_back(sliced ? LineSlice::of(block, line, *shown, clip.left() - reach,
                                            clip.right() + reach, font, paintDevice())
                            : LineSlice::whole(block, line, *shown, font, paintDevice()));
    const LineSlice* slice = slices.back().get();
    lines.append({i, slice->line(), slice->offset(), top, slice, slice->lead(), line});
  }
  return lines;
}

void RowLayout::paintRanges(QPainter* painter, const QList<PaintedLine>& lines,
                            const QString& bidiText, int from, int to, const QColor& fill) const {
  for (const PaintedLine& p : lines) {
    int a = from;
    int b = to;
    if (!onLine(p, a, b)) continue;
    for (const Span& span : xSpans(p.line, bidiText, a, b, newlineWidth_)) {
      painter->fillRect(QRectF(span.first, p.top, span.second - span.first, pitch_), fill);
    }
  }
}

void RowLayout::paintUnderlines(QPainter* painter, const QList<PaintedLine>& lines,
                                const QString& bidiText, const Preedit& preedit, const QRectF& rows,
                                int bpos, int from, int to) const {
  auto it =
      std::lower_bound(underlines_.cbegin(), underlines_.cend(), bpos + from - longestUnderline_,
                       [](const Underline& u, int at) { return u.start < at; });
  for (; it != underlines_.cend() && it->start < bpos + to; ++it) {
    if (it->end <= bpos + from) continue;
    const QColor& colour = it->error ? colours_.error : colours_.warning;
    for (const PaintedLine& p : lines) {
      // A 2-px dotted line: 2 px on, 2 px off, from its own first pixel, wherever a slice
      // cuts into it.
      const qreal y = rows.top() + p.line.y() + p.line.ascent() + underlineY_;
      const auto [start, end] = preedit.range(it->start - bpos, it->end - bpos);
      int a = start;
      int b = end;
      const bool cut = a < p.offset + p.lead;
      if (!onLine(p, a, b)) continue;
      for (const Span& span : xSpans(p.line, bidiText, a, b, newlineWidth_)) {
        const qreal first = std::floor(cut ? xAt(p.whole, start) : span.first);
        const qreal skipped = std::max<qreal>(0, std::floor((span.first - first) / 4));
        for (qreal x = first + 4 * skipped; x < span.second; x += 4) {
          painter->fillRect(QRectF(x, y, std::min<qreal>(2, span.second - x), 2), colour);
        }
      }
    }
  }
}

void RowLayout::paintCaret(QPainter* painter, const QTextBlock& block, const QRectF& rows,
                           const QList<PaintedLine>& lines, int cursorPosition) const {
  const QTextLayout* layout = block.layout();
  const int bpos = block.position();
  int at = -1;
  if (cursorPosition >= bpos && cursorPosition < bpos + block.length()) {
    at = cursorPosition - bpos;
  } else if (cursorPosition < -1 && !layout->preeditAreaText().isEmpty()) {
    // An input method's caret inside its pre-edit text.
    at = layout->preeditAreaPosition() - (cursorPosition + 2);
  }
  if (at < 0) return;
  QTextLine line = layout->lineForTextPosition(at);
  if (!line.isValid()) line = layout->lineAt(layout->lineCount() - 1);
  if (!line.isValid()) return;
  bool ok = false;
  const int width = property("cursorWidth").toInt(&ok);
  // A slice in view answers for its part of a long line without a walk over all of it.
  qreal x = -1;
  for (const PaintedLine& p : lines) {
    const int own = at - p.offset;
    if (p.slice && p.index == line.lineNumber() && own >= p.lead && own <= p.line.textLength()) {
      x = p.line.cursorToX(own);
    }
  }
  if (x < 0) x = line.cursorToX(at);
  painter->fillRect(QRectF(x, rows.top() + line.y(), ok ? width : 1, line.height()),
                    colours_.caret);
}

void RowLayout::draw(QPainter* painter, const PaintContext& context) {
  QTextDocument* doc = document();
  const QRectF clip = context.clip.isValid() ? context.clip : QRectF(0, 0, kFar, kFar);
  const int firstRow = int(std::floor((clip.top() - kTopInset) / pitch_));
  if (firstRow >= doc->lineCount()) return;
  painter->save();
  painter->setPen(context.palette.color(QPalette::Text));
  const auto firstFind = [this](int at) {
    return std::lower_bound(find_.cbegin(), find_.cend(), at,
                            [](const Utf16Range& r, int p) { return r.end <= p; });
  };
  for (QTextBlock block = blockAtRow(firstRow); block.isValid(); block = block.next()) {
    // Below the clip before it is laid out: the next line may be a long one.
    if (rowTop(block) >= clip.bottom()) break;
    const QRectF rows = blockBoundingRect(block);
    const int bpos = block.position();
    const int bend = bpos + block.length();
    const QString text = block.text();
    // A long line keeps its colours beside its layout and is painted by slices of the
    // layout's text, or whole from one slice when it holds right-to-left pre-edit text, has
    // selections that recolour it, or the paint has no clip (a print).
    const bool beside = paintsBySlices(text);
    // What is painted from block positions is painted at the layout's, across the pre-edit.
    const Preedit preedit = Preedit::of(*block.layout());
    const QString shown = preedit.length > 0 ? shownText(block) : text;
    QString bidiText;
    if (hasRightToLeft(beside ? block.layout()->preeditAreaText() : shown)) {
      bidiText = shown;
    }

    // Selections are painted over whole rows here; only a selection that recolours its
    // text is handed on to the text layout.
    QList<std::pair<Utf16Range, QColor>> selected;  // with their fills
    QList<QTextLayout::FormatRange> recoloured;
    for (const Selection& s : context.selections) {
      const int a = s.cursor.selectionStart();
      const int b = s.cursor.selectionEnd();
      if (a >= bend || b <= bpos || a == b) continue;
      const QBrush bg = s.format.background();
      if (bg.style() != Qt::NoBrush) selected.append({{a, b}, bg.color()});
      if (s.format.foreground().style() != Qt::NoBrush) {
        const auto [start, end] = preedit.range(a - bpos, b - bpos);
        QTextLayout::FormatRange range;
        range.start = start;
        range.length = end - start;
        range.format = s.format;
        range.format.clearBackground();
        recoloured.append(range);
      }
    }
    const bool isLong = block.length() > kLongLine;
    const bool sliced =
        beside && recoloured.isEmpty() && context.clip.isValid() && bidiText.isEmpty();
    std::vector<std::unique_ptr<LineSlice>> slices;
    const QList<PaintedLine> lines =
        paintedLines(block, rows, beside ? &shown : nullptr, sliced, clip, slices);
    // The block positions the painted lines hold, and one past them for a line break; and
    // one before them for a range that ends at the pre-edit point and so takes it in.
    int from = 0;
    int to = block.length();
    if (sliced) {
      int lo = int(shown.size()) + 1;
      int hi = 0;
      for (const PaintedLine& p : lines) {
        lo = std::min(lo, p.offset + p.lead);
        hi = std::max(hi, p.offset + p.line.textLength() + 1);
      }
      from = std::max(0, preedit.blockPosition(lo) - (preedit.length > 0 ? 1 : 0));
      to = preedit.blockPosition(hi);
    }

    if (block.blockNumber() == band_ && colours_.band.isValid() && colours_.band.alpha() > 0) {
      painter->fillRect(QRectF(clip.left(), rows.top(), clip.width(), rows.height()),
                        colours_.band);
    }
    for (const auto& [range, fill] : selected) {
      const auto [a, b] = preedit.range(range.start - bpos, range.end - bpos);
      paintRanges(painter, lines, bidiText, a, b, fill);
    }
    // Over the selection, so the match it covers stays tinted, and more strongly.
    for (auto it = firstFind(bpos + from); it != find_.cend() && it->start < bpos + to; ++it) {
      const bool current = std::any_of(selected.cbegin(), selected.cend(),
                                       [&](const auto& s) { return s.first == *it; });
      const auto [a, b] = preedit.range(it->start - bpos, it->end - bpos);
      paintRanges(painter, lines, bidiText, a, b,
                  current ? colours_.currentFindFill : colours_.findFill);
    }
    if (beside) {
      for (const PaintedLine& p : lines) p.slice->draw(painter, clip, recoloured);
    } else {
      block.layout()->draw(painter, QPointF(), recoloured, clip);
    }
    if (!underlines_.isEmpty()) {
      paintUnderlines(painter, lines, bidiText, preedit, rows, bpos, from, to);
    }
    if (context.cursorPosition != -1) {
      paintCaret(painter, block, rows, lines, context.cursorPosition);
    }
    if (isLong && block.blockNumber() != caretBlock_) releaseShaping(block);
  }
  painter->restore();
}

}  // namespace zx::editor
