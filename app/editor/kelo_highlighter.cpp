#include "editor/kelo_highlighter.h"

#include <QFont>
#include <QTextDocument>
#include <algorithm>
#include <set>

namespace zx::editor {

KeloHighlighter::KeloHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(nullptr)) {
  setParent(document);
  // The cached spans must follow an edit before the highlighter recolours the edited
  // block, so this connection is made before the document is attached.
  connect(document, &QTextDocument::contentsChange, this, &KeloHighlighter::textChanged);
  setDocument(document);
}

void KeloHighlighter::textChanged(int from, int removed, int added) {
  shiftSpans(spans_, from, removed, added);
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
  for (const int n : blocks) rehighlightBlock(doc->findBlockByNumber(n));
}

void KeloHighlighter::highlightBlock(const QString& text) {
  if (spans_.isEmpty()) return;
  const int bpos = currentBlock().position();
  const int bend = bpos + int(text.size());
  auto it = std::lower_bound(spans_.cbegin(), spans_.cend(), bpos,
                             [](const TokenSpan& s, int at) { return s.start < at; });
  // A span may begin in an earlier block and run into this one.
  if (it != spans_.cbegin() && std::prev(it)->end > bpos) --it;
  for (; it != spans_.cend() && it->start < bend; ++it) {
    const int from = std::max(it->start, bpos);
    const int to = std::min(it->end, bend);
    if (to > from) setFormat(from - bpos, to - from, formats_[size_t(it->kind)]);
  }
}

}  // namespace zx::editor
