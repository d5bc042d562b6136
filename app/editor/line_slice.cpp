#include "editor/line_slice.h"

#include <QPainter>
#include <algorithm>

#include "editor/text_scan.h"

namespace zx::editor {
namespace {

constexpr qreal kLineWidth = 1e6;
// How far back a slice may start to begin at a word, where no ligature or kerning pair
// is cut in two.
constexpr int kWordReach = 32;
constexpr qreal kDefaultTabStop = 80;  // Qt's, when the option gives none
constexpr qreal kFixed = 64;           // the text engine's fixed point: 1/64 px

bool isMark(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
      return true;
    default:
      return false;
  }
}

// Whether `c` clusters with the character before it, as marks, joiners and other format
// characters, variation selectors and emoji modifiers do.
bool clusters(char32_t c) {
  const bool emojiModifier = c >= 0x1F3FB && c <= 0x1F3FF;
  const bool halfwidthSoundMark = c == 0xFF9E || c == 0xFF9F;
  return isMark(c) || QChar::category(c) == QChar::Other_Format || emojiModifier ||
         halfwidthSoundMark;
}

// Whether shaping can start afresh at `i`.
bool startsCluster(QStringView text, qsizetype i) {
  if (i <= 0 || i >= text.size()) return true;
  return !text[i].isLowSurrogate() && !clusters(characterAt(text, i));
}

// Whether the character at `i` starts a script run of its own whatever precedes it.
bool hasOwnScript(QStringView text, qsizetype i) {
  const char32_t c = characterAt(text, i);
  return QChar::script(c) > QChar::Script_Common && !isMark(c);
}

// The last caret place of `line`: its end, or before the line separator that ends it,
// since the position after one is the next row's start.
int lastPlace(const QTextLine& line, QStringView text) {
  const int end = line.textStart() + line.textLength();
  const bool separated =
      end > line.textStart() && end <= text.size() && text[end - 1] == QChar::LineSeparator;
  return separated ? end - 1 : end;
}

// The caret place of `line` at or after position `p`, and its x: a cursor position of the
// layout that splits no surrogate pair (in a run that no font covers, the layout takes the
// middle of one for a cursor position).
int placeFrom(const QTextLine& line, QStringView text, int p, qreal& x) {
  const int end = lastPlace(line, text);
  int at = p;
  x = line.cursorToX(&at);  // moves `at` on to a cursor position
  while (at < end && splitsPair(text, at)) {
    ++at;
    x = line.cursorToX(&at);
  }
  return at;
}

// The caret place of `line` at or left of document x `x`. Qt's xToCursor maps the glyph it
// finds back to a character by clusters, which on lines whose characters cluster (marks,
// joiners, emoji) can answer the end of a run far right of x; cursorToX measures where
// the glyphs are drawn, so on such lines a search by it answers instead.
int positionAt(const QTextLine& line, QStringView text, qreal x, bool clustered) {
  const int start = line.textStart();
  const int end = lastPlace(line, text);
  if (x <= line.x()) return start;
  if (x >= line.x() + line.naturalTextWidth()) return end;
  if (!clustered) return std::min(line.xToCursor(x), end);
  int lo = start;  // a caret place at or left of x
  int hi = end;    // no caret place from here on is left of x
  while (hi - lo > 1) {
    const int mid = lo + (hi - lo) / 2;
    qreal atX = 0;
    const int at = placeFrom(line, text, mid, atX);
    if (at < hi && atX <= x) {
      lo = at;
    } else {
      hi = mid;
    }
  }
  return lo;
}

// Where a slice reaching back to `from` starts, so that it is shaped as the whole line
// is: at a word within reach, else at the nearest cluster of its own.
int sliceStart(const QTextLayout& whole, QStringView text, int lineStart, int from) {
  const auto afresh = [&](int i) {
    return i <= lineStart || (whole.isValidCursorPosition(i) && startsCluster(text, i));
  };
  for (int i = from; i > std::max(lineStart, from - kWordReach); --i) {
    if (text[i - 1] == u' ' && afresh(i)) return i;
  }
  // The layout answers a position past its block's own text (while an input method
  // composes) with that position: step back by one then.
  while (!afresh(from)) {
    const int back = whole.previousCursorPosition(from);
    from = back < from ? back : from - 1;
  }
  return from;
}

// The width of `text` laid out alone in `font` on `device` with `option`, in the engine's
// fixed point.
qint64 widthOf(const QString& text, const QTextOption& option, const QFont& font,
               QPaintDevice* device) {
  QTextLayout probe(text, font, device);
  probe.setTextOption(option);
  probe.beginLayout();
  QTextLine line = probe.createLine();
  line.setLineWidth(kLineWidth);
  probe.endLayout();
  return qRound64(line.cursorToX(int(text.size())) * kFixed);
}

// The distance between tab stops in the engine's fixed point, or 0 when the engine scales
// the option's distance (a screen of another resolution than the first) or the option
// sets stops of its own: a slice's stops cannot be made the line's then.
qint64 tabStop(const QTextOption& option, const QFont& font, QPaintDevice* device) {
  if (!option.tabs().isEmpty()) return 0;
  const qreal distance = option.tabStopDistance() > 0 ? option.tabStopDistance() : kDefaultTabStop;
  const auto wanted = qint64(distance * kFixed);
  return widthOf(QStringLiteral("\t"), option, font, device) == wanted ? wanted : 0;
}

}  // namespace

bool paintsBySlices(QStringView text) {
  return text.size() >= kLongLine && !hasRightToLeft(text);
}

LineTraits LineTraits::of(QStringView text) {
  LineTraits traits;
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  // Code is mostly ASCII, where only letters have a script: one vectorised pass settles it.
  if (highestUnit(text) < 0x80) {
    for (qsizetype i = 0; i < n; ++i) {
      if ((p[i] | 0x20) >= u'a' && (p[i] | 0x20) <= u'z') {
        traits.scripts.append({0, int(i), QChar::Script_Latin});
        break;
      }
    }
    return traits;
  }
  // As the text engine runs them: a new run starts at a character of another script,
  // unless it is a mark, which stays with its base.
  QChar::Script script = QChar::Script_Common;
  for (qsizetype i = 0; i < n; ++i) {
    const char32_t c = characterAt(text, i);
    const qsizetype at = i;
    if (c > 0xFFFF) ++i;
    traits.clustered = traits.clustered || c > 0xFFFF || clusters(c) || QChar::isSurrogate(c);
    const QChar::Script s = QChar::script(c);
    if (s == script || s <= QChar::Script_Common) continue;
    if (script <= QChar::Script_Common) {
      traits.scripts.append({0, int(at), s});
    } else if (isMark(c)) {
      continue;
    } else {
      traits.scripts.append({int(at), int(at), s});
    }
    script = s;
  }
  return traits;
}

LineTraits LineTraits::of(const QTextBlock& block, QStringView shown) {
  const auto* colours = dynamic_cast<const LineColours*>(block.userData());
  const bool shownAsStored = colours && block.layout()->preeditAreaText().isEmpty();
  return shownAsStored ? colours->traits : of(shown);
}

int caretPlaceAt(const QTextBlock& block, const QTextLine& line, QStringView shown, qreal x) {
  if (hasRightToLeft(shown) || !LineTraits::of(block, shown).clustered) return line.xToCursor(x);
  const int lo = positionAt(line, shown, x, true);
  if (lo >= lastPlace(line, shown) || x <= line.x()) return lo;
  qreal nextX = 0;
  const int next = placeFrom(line, shown, lo + 1, nextX);
  return x - line.cursorToX(lo) <= nextX - x ? lo : next;
}

QString shownText(const QTextBlock& block) {
  QString text = block.text();
  const QTextLayout* layout = block.layout();
  const QString preedit = layout->preeditAreaText();
  if (!preedit.isEmpty()) text.insert(layout->preeditAreaPosition(), preedit);
  return text;
}

std::unique_ptr<LineSlice> LineSlice::of(const QTextBlock& block, const QTextLine& line,
                                         const QString& text, qreal left, qreal right,
                                         const QFont& font, QPaintDevice* device) {
  const LineTraits traits = LineTraits::of(block, text);
  const int lineStart = line.textStart();
  const int lineEnd = lineStart + line.textLength();
  const int near = positionAt(line, text, left, traits.clustered);
  int to = std::clamp(positionAt(line, text, right, traits.clustered), near, lineEnd);
  // The text engine may take a place inside a cluster (a surrogate pair in a run no font
  // covers) for a cursor position; the slice ends where the cluster does.
  while (to < lineEnd && !(startsCluster(text, to) && block.layout()->isValidCursorPosition(to))) {
    ++to;
  }
  const int from = sliceStart(*block.layout(), text, lineStart, near);
  return make(block, line, text, traits, from, to, font, device);
}

std::unique_ptr<LineSlice> LineSlice::whole(const QTextBlock& block, const QTextLine& line,
                                            const QString& text, const QFont& font,
                                            QPaintDevice* device) {
  return make(block, line, text, {}, line.textStart(), line.textStart() + line.textLength(), font,
              device);
}

std::unique_ptr<LineSlice> LineSlice::make(const QTextBlock& block, const QTextLine& line,
                                           const QString& text, const LineTraits& traits, int from,
                                           int to, const QFont& font, QPaintDevice* device) {
  const QTextLayout* shaped = block.layout();
  QTextOption option = shaped->textOption();
  const QStringView part = QStringView(text).sliced(from, to - from);

  // What the slice holds before the line's text: a character of the script the line runs
  // there, when the slice would start with characters that take one from what follows.
  QString lead;
  if (from > line.textStart() && from < to && !hasOwnScript(text, from)) {
    auto run = std::upper_bound(traits.scripts.cbegin(), traits.scripts.cend(), from,
                                [](int at, const ScriptRun& r) { return at < r.start; });
    if (run != traits.scripts.cbegin()) {
      --run;
      lead = text.mid(run->strong, text[run->strong].isHighSurrogate() ? 2 : 1) + u' ';
    }
  }
  // A tab stopping as far past one of the line's stops as the line's text begins here.
  const qreal x = line.cursorToX(from);
  if (from > line.textStart() && part.contains(u'\t')) {
    const qint64 stop = tabStop(option, font, device);
    if (stop == 0) return LineSlice::whole(block, line, text, font, device);
    const qint64 rest = qRound64((x - line.x()) * kFixed) % stop;
    if (rest > 0 || !lead.isEmpty()) {
      const qint64 past = lead.isEmpty() ? 0 : widthOf(lead, option, font, device);
      qint64 at = rest;
      while (at <= past) at += stop;
      option.setTabs({QTextOption::Tab(qreal(at) / kFixed, QTextOption::LeftTab)});
      lead += u'\t';
    }
  }
  const auto leadLength = int(lead.size());
  std::unique_ptr<LineSlice> slice(
      new LineSlice(from - leadLength, leadLength, lead + part.toString(), font, device));
  slice->layout_.setTextOption(option);

  // The formats a short line's layout holds, in layout positions: the document's, an input
  // method's over its pre-edit text, then the colours, stretched over pre-edit text inside
  // them as the highlighter stretches a short line's.
  const Preedit preedit = Preedit::of(*shaped);
  QList<QTextLayout::FormatRange> formats;
  const auto add = [&](int start, int length, const QTextCharFormat& format, bool stretch) {
    const auto [s, e] =
        stretch ? preedit.range(start, start + length) : std::pair(start, start + length);
    const int a = std::max(s, from);
    const int b = std::min(e, to);
    if (a < b) formats.append({a - from + leadLength, b - a, format});
  };
  const int bpos = block.position();
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment f = it.fragment();
    add(f.position() - bpos, f.length(), f.charFormat(), true);
  }
  const auto* colours = dynamic_cast<const LineColours*>(block.userData());
  if (preedit.length > 0 && colours) {
    for (const QTextLayout::FormatRange& r : shaped->formats()) {
      if (r.start >= preedit.at && r.start + r.length <= preedit.at + preedit.length) {
        add(r.start, r.length, r.format, false);
      }
    }
  }
  const QList<QTextLayout::FormatRange>& runs = colours ? colours->runs : shaped->formats();
  // A run's layout end lies at most the pre-edit text's length past its block end.
  const int reach = colours ? from - preedit.length : from;
  auto run = std::lower_bound(
      runs.cbegin(), runs.cend(), reach,
      [](const QTextLayout::FormatRange& r, int at) { return r.start + r.length <= at; });
  for (; run != runs.cend() && run->start < to; ++run) {
    add(run->start, run->length, run->format, colours != nullptr);
  }
  slice->layout_.setFormats(formats);

  QTextLayout& layout = slice->layout_;
  layout.beginLayout();
  QTextLine ownLine = layout.createLine();
  ownLine.setLineWidth(kLineWidth);
  layout.endLayout();
  // Placed once laid out, as the whole line is, the line's text where the whole line has
  // it. The baselines meet even when the whole line holds a taller font than the slice.
  const qreal ahead = ownLine.cursorToX(leadLength) - ownLine.x();
  ownLine.setPosition(QPointF(x - ahead, line.y() + line.ascent() - ownLine.ascent()));
  layout.setPosition(shaped->position());
  return slice;
}

void LineSlice::draw(QPainter* painter, const QRectF& clip,
                     const QList<QTextLayout::FormatRange>& selections) const {
  QList<QTextLayout::FormatRange> own = selections;
  for (QTextLayout::FormatRange& s : own) s.start -= offset_;
  layout_.draw(painter, QPointF(), own, clip);
}

}  // namespace zx::editor
