#include "editor/text_spans.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "editor/diagnostic_ranges.h"

namespace zx::editor {
namespace {

std::optional<TokenKind> kindOf(bridge::HighlightKind kind) {
  switch (kind) {
#define ZX_KIND(name, highlight)         \
  case bridge::HighlightKind::highlight: \
    return TokenKind::name;
    ZX_EDITOR_TOKEN_KINDS(ZX_KIND)
#undef ZX_KIND
    default:
      return std::nullopt;
  }
}

template <typename Span>
void sortByStart(QList<Span>& spans) {
  std::stable_sort(spans.begin(), spans.end(),
                   [](const Span& a, const Span& b) { return a.start < b.start; });
}

}  // namespace

void SpanBuilder::clear() {
  spans_.clear();
  sorted_ = true;
}

void SpanBuilder::add(const bridge::TokenMark& mark) {
  const auto kind = kindOf(mark.kind);
  if (!kind) return;
  const auto range = tokenRange(text_, index_, mark.start, mark.end);
  if (!range) return;
  if (!spans_.isEmpty() && range->start < spans_.last().start) sorted_ = false;
  spans_.append({range->start, range->end, *kind});
}

QList<TokenSpan> SpanBuilder::take() {
  if (!sorted_) sortByStart(spans_);
  sorted_ = true;
  spans_.squeeze();
  return std::exchange(spans_, {});
}

QList<TokenSpan> spansOf(const QList<bridge::Token>& tokens, const QString& text) {
  SpanBuilder builder(text);
  for (const bridge::Token& t : tokens) {
    builder.add({bridge::highlightKind(t.kind), t.start, t.end, t.line});
  }
  return builder.take();
}

QList<Underline> underlinesOf(const QList<bridge::Diagnostic>& diagnostics, const QString& text) {
  const QList<int> starts = lineStarts(text);
  QList<Underline> lines;
  for (const bridge::Diagnostic& d : diagnostics) {
    const auto range = lineRange(text, starts, d.line, d.column, d.endLine, d.endColumn);
    if (range) lines.append({range->start, range->end, d.isError()});
  }
  sortByStart(lines);
  return lines;
}

TextEdit narrowedEdit(QStringView before, QStringView after, TextEdit reported) {
  const auto n = int(before.size());
  const auto m = int(after.size());
  int from = std::clamp(reported.from, 0, std::min(n, m));
  // What follows the reported stretch is the same in both texts; a report reaching past
  // the end (the document's last block break) keeps that.
  const int tail = std::max(0, std::min(n - std::min(from + std::max(0, reported.removed), n),
                                        m - std::min(from + std::max(0, reported.added), m)));
  int endBefore = n - tail;
  int endAfter = m - tail;
  while (from < endBefore && from < endAfter && before[from] == after[from]) ++from;
  while (endBefore > from && endAfter > from && before[endBefore - 1] == after[endAfter - 1]) {
    --endBefore;
    --endAfter;
  }
  return {from, endBefore - from, endAfter - from};
}

}  // namespace zx::editor
