#include "editor/text_spans.h"

#include <optional>

#include "editor/diagnostic_ranges.h"

namespace zx::editor {
namespace {

std::optional<TokenKind> kindOf(const QString& wire) {
#define ZX_KIND(name, text) \
  if (wire == QLatin1String(text)) return TokenKind::name;
  ZX_EDITOR_TOKEN_KINDS(ZX_KIND)
#undef ZX_KIND
  return std::nullopt;
}

template <typename Span>
void sortByStart(QList<Span>& spans) {
  std::stable_sort(spans.begin(), spans.end(),
                   [](const Span& a, const Span& b) { return a.start < b.start; });
}

}  // namespace

QList<TokenSpan> spansOf(const QList<bridge::Token>& tokens, const QString& text) {
  const ScalarIndex index(text);
  QList<TokenSpan> spans;
  spans.reserve(tokens.size());
  bool sorted = true;
  for (const bridge::Token& token : tokens) {
    const auto kind = kindOf(token.kind);
    if (!kind) continue;
    const auto range = tokenRange(text, index, token.start, token.end);
    if (!range) continue;
    if (!spans.isEmpty() && range->start < spans.last().start) sorted = false;
    spans.append({range->start, range->end, *kind});
  }
  if (!sorted) sortByStart(spans);
  return spans;
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

}  // namespace zx::editor
