#include "editor/kelo_highlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QTextDocument>
#include <algorithm>
#include <set>

#include "editor/line_slice.h"

namespace zx::editor {

KeloHighlighter::KeloHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(nullptr)) {
  setParent(document);
  setDocument(document);
}

void KeloHighlighter::followEdit(int from, int removed, int added) {
  shiftSpans(spans_, from, removed, added);
}

bool KeloHighlighter::changesGlyphs(const QTextCharFormat& format) {
  return format.hasProperty(QTextFormat::FontWeight);
}

template <typename Visit>
void KeloHighlighter::forEachRun(int bpos, int length, Visit visit) const {
  const int bend = bpos + length;
  auto it = std::lower_bound(spans_.cbegin(), spans_.cend(), bpos,
                             [](const TokenSpan& s, int at) { return s.start < at; });
  // A span may begin in an earlier block and run into this one.
  if (it != spans_.cbegin() && std::prev(it)->end > bpos) --it;
  for (; it != spans_.cend() && it->start < bend; ++it) {
    const int from = std::max(it->start, bpos);
    const int to = std::min(it->end, bend);
    if (to > from) visit(from - bpos, to - from, formats_[size_t(it->kind)]);
  }
}

void KeloHighlighter::setColours(const EditorColours& colours) {
  const auto set = [this](TokenKind kind, const QColor& colour) {
    QTextCharFormat f;
    f.setForeground(colour);
    if (kind == TokenKind::Keyword) f.setFontWeight(QFont::DemiBold);
    formats_[size_t(kind)] = f;
  };
  set(TokenKind::Keyword, colours.keyword);
  set(TokenKind::Builtin, colours.builtin);
  set(TokenKind::Text, colours.textLiteral);
  set(TokenKind::Number, colours.number);
  set(TokenKind::Colour, colours.colour);
  set(TokenKind::Punctuation, colours.punctuation);
  rehighlight();
}

void KeloHighlighter::applyTokens(QList<TokenSpan> spans) {
  // Blocks to recolour: those under a span that is in one list and not the other.
  // Both lists are sorted by start, so one merge walk finds them.
  QList<std::pair<int, int>> changed;
  auto a = spans_.cbegin();
  auto b = spans.cbegin();
  while (a != spans_.cend() || b != spans.cend()) {
    if (b == spans.cend() || (a != spans_.cend() && a->start < b->start)) {
      changed.append({a->start, a->end});
      ++a;
    } else if (a == spans_.cend() || b->start < a->start) {
      changed.append({b->start, b->end});
      ++b;
    } else {
      if (!(*a == *b)) {
        changed.append({a->start, std::max(a->end, b->end)});
      }
      ++a;
      ++b;
    }
  }
  spans_ = std::move(spans);
  QTextDocument* doc = document();
  std::set<int> blocks;
  for (const auto& [start, end] : changed) {
    const QTextBlock first = doc->findBlock(start);
    const QTextBlock last = doc->findBlock(std::max(start, end - 1));
    for (QTextBlock blk = first; blk.isValid(); blk = blk.next()) {
      blocks.insert(blk.blockNumber());
      if (!last.isValid() || blk == last) break;
    }
  }
  for (const int n : blocks) {
    const QTextBlock block = doc->findBlockByNumber(n);
    // A line painted by slices takes fresh colours without being laid out again, unless
    // its glyphs change: the highlighter lays out every block it recolours.
    auto* beside = dynamic_cast<LineColours*>(block.userData());
    if (beside && block.layout()->preeditAreaText().isEmpty() && doc->documentLayout()) {
      QList<QTextLayout::FormatRange> runs;
      QList<QTextLayout::FormatRange> glyphs;
      forEachRun(block.position(), block.length() - 1,
                 [&](int start, int length, const QTextCharFormat& format) {
                   runs.append({start, length, format});
                   if (changesGlyphs(format)) glyphs.append(runs.last());
                 });
      if (glyphs == block.layout()->formats()) {
        beside->runs = std::move(runs);
        emit doc->documentLayout()->updateBlock(block);
        continue;
      }
    }
    rehighlightBlock(block);
  }
}

void KeloHighlighter::highlightBlock(const QString& text) {
  const int bpos = currentBlock().position();
  if (!paintsBySlices(text)) {
    if (currentBlockUserData()) setCurrentBlockUserData(nullptr);
    forEachRun(bpos, int(text.size()), [this](int start, int length, const QTextCharFormat& f) {
      setFormat(start, length, f);
    });
    return;
  }
  // A line painted by slices keeps its colours beside its layout, and in the layout only
  // what its glyphs are shaped with.
  auto* beside = new LineColours;
  beside->traits = LineTraits::of(text);
  forEachRun(bpos, int(text.size()), [&](int start, int length, const QTextCharFormat& f) {
    beside->runs.append({start, length, f});
    if (changesGlyphs(f)) setFormat(start, length, f);
  });
  setCurrentBlockUserData(beside);
}

}  // namespace zx::editor
