#include "editor/line_slice.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editor/text_scan.h"

namespace zx::editor {
namespace {

constexpr qreal kLineWidth = 1e6;
// How far back a slice may start to begin at a word, where no ligature or kerning pair
// is cut in two.
constexpr int kWordReach = 32;
constexpr qreal kDefaultTabStop = 80;  // Qt's, when the option gives none

}  // namespace

bool paintsBySlices(QStringView text) {
  return text.size() >= kLongLine && !hasRightToLeft(text);
}

std::unique_ptr<LineSlice> LineSlice::of(const QTextBlock& block, const QTextLine& line,
                                         const QString& text, qreal left, qreal right,
                                         const QFont& font, QPaintDevice* device) {
  const int lineStart = line.textStart();
  const int lineEnd = lineStart + line.textLength();
  int from = std::clamp(line.xToCursor(left), lineStart, lineEnd);
  const int to = std::clamp(line.xToCursor(right), from, lineEnd);
  for (int i = from; i > std::max(lineStart, from - kWordReach); --i) {
    if (text[i - 1] == u' ') {
      from = i;
      break;
    }
  }
  const qreal x = line.cursorToX(from);

  std::unique_ptr<LineSlice> slice(new LineSlice(from, text.mid(from, to - from), font, device));
  QTextLayout& own = slice->layout_;
  const QTextLayout* whole = block.layout();
  QTextOption option = whole->textOption();
  if (QStringView(text).sliced(from, to - from).contains(u'\t')) {
    // A tab reaches the next stop counted from the line's start, not the slice's: the
    // stops up to the slice's right end, moved to the slice's start.
    const qreal stop = option.tabStopDistance() > 0 ? option.tabStopDistance() : kDefaultTabStop;
    const qreal start = x - line.x();
    const qreal end = std::min(right - line.x(), line.naturalTextWidth());
    QList<QTextOption::Tab> tabs;
    for (qreal at = (std::floor(start / stop) + 1) * stop; at <= end + stop; at += stop) {
      tabs.append(QTextOption::Tab(at - start, QTextOption::LeftTab));
    }
    option.setTabs(tabs);
  }
  own.setTextOption(option);

  QList<QTextLayout::FormatRange> formats;
  const auto add = [&](int start, int length, const QTextCharFormat& format) {
    const int a = std::max(start, from);
    const int b = std::min(start + length, to);
    if (a < b) formats.append({a - from, b - a, format});
  };
  // The document's formats first and the colours over them, as the whole line has them.
  const int bpos = block.position();
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    add(f.position() - bpos, f.length(), f.charFormat());
  }
  const auto* colours = dynamic_cast<const LineColours*>(block.userData());
  const QList<QTextLayout::FormatRange>& runs = colours ? colours->runs : whole->formats();
  auto run = std::lower_bound(
      runs.cbegin(), runs.cend(), from,
      [](const QTextLayout::FormatRange& r, int at) { return r.start + r.length <= at; });
  for (; run != runs.cend() && run->start < to; ++run) add(run->start, run->length, run->format);
  own.setFormats(formats);

  own.beginLayout();
  QTextLine ownLine = own.createLine();
  ownLine.setLineWidth(kLineWidth);
  own.endLayout();
  // Placed once laid out, as the whole line is. The baselines meet even when the whole
  // line holds a taller font than the slice.
  ownLine.setPosition(QPointF(x, line.y() + line.ascent() - ownLine.ascent()));
  own.setPosition(whole->position());
  return slice;
}

void LineSlice::draw(QPainter* painter, const QRectF& clip) const {
  layout_.draw(painter, QPointF(), {}, clip);
}

}  // namespace zx::editor
