// What the editor paints over ranges of its text: token colours and diagnostic
// underlines, both in UTF-16 positions of the document, sorted by start.
#pragma once

#include <QList>
#include <QString>
#include <algorithm>

#include "bridge/records.h"
#include "bridge/token_marks.h"
#include "editor/diagnostic_ranges.h"

namespace zx::editor {

// The token kinds that get a colour, by the engine's highlight kind; "identifier" and
// unknown kinds get none.
#define ZX_EDITOR_TOKEN_KINDS(X) \
  X(Keyword, keyword)            \
  X(Builtin, builtin)            \
  X(Text, text)                  \
  X(Number, number)              \
  X(Colour, colour)              \
  X(Punctuation, punctuation)

enum class TokenKind : unsigned char {
#define ZX_KIND(name, wire) name,
  ZX_EDITOR_TOKEN_KINDS(ZX_KIND)
#undef ZX_KIND
};
// Counted from the list, so a kind added there gets its format slot.
#define ZX_KIND(name, wire) +1
inline constexpr int kTokenKindCount = 0 ZX_EDITOR_TOKEN_KINDS(ZX_KIND);
#undef ZX_KIND

struct TokenSpan {
  int start = 0;
  int end = 0;
  TokenKind kind = TokenKind::Keyword;
  friend bool operator==(const TokenSpan&, const TokenSpan&) = default;
};

struct Underline {
  int start = 0;
  int end = 0;
  bool error = false;  // painted in `sell`, else in `warning`
  friend bool operator==(const Underline&, const Underline&) = default;
};

// Turns tokens, as the engine hands them over, into the coloured spans of one text:
// scalar offsets become UTF-16 positions, uncoloured kinds and tokens outside the text
// are skipped one by one. Runs on the token worker.
class SpanBuilder final : public bridge::TokenSink {
 public:
  explicit SpanBuilder(const QString& text) : text_(text), index_(text) {}
  void clear() override;
  void add(const bridge::TokenMark& mark) override;
  // The spans, sorted by start.
  QList<TokenSpan> take();

 private:
  const QString& text_;
  const ScalarIndex index_;
  QList<TokenSpan> spans_;
  bool sorted_ = true;
};

// The coloured spans of `tokens` over `text`, sorted by start.
QList<TokenSpan> spansOf(const QList<bridge::Token>& tokens, const QString& text);

// The underlines of `diagnostics` over `text`, sorted by start.
QList<Underline> underlinesOf(const QList<bridge::Diagnostic>& diagnostics, const QString& text);

// An edit of a text: at `from`, `removed` units out and `added` in.
struct TextEdit {
  int from = 0;
  int removed = 0;
  int added = 0;
  friend bool operator==(const TextEdit&, const TextEdit&) = default;
};

// The units that really changed between `before` and `after` within `reported`, which
// may take in more: the document reports an input method's commit as a change of its
// whole block. Only the reported stretch is compared.
TextEdit narrowedEdit(QStringView before, QStringView after, TextEdit reported);

// Moves spans with an edit of the text at `from` (`removed` units out, `added` in):
// spans after it shift by the change of length, spans it cuts into are dropped, so
// stale colours never land on the wrong characters before fresh ones arrive.
template <typename Span>
void shiftSpans(QList<Span>& spans, int from, int removed, int added) {
  const int cutEnd = from + removed;
  const int delta = added - removed;
  const auto touched = [&](const Span& s) {
    return removed > 0 ? (s.start < cutEnd && s.end > from) : (s.start < from && s.end > from);
  };
  spans.erase(std::remove_if(spans.begin(), spans.end(), touched), spans.end());
  if (delta == 0) return;
  for (Span& s : spans) {
    if (s.start >= cutEnd) {
      s.start += delta;
      s.end += delta;
    }
  }
}

}  // namespace zx::editor
