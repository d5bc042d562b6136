#include "editor/text_search.h"

namespace zx::editor {
namespace {

bool isWordCharacter(char32_t c) {
  return c == U'_' || QChar::isLetterOrNumber(c);
}

// The scalar ending just before `at`, or 0 at the start.
char32_t before(const QString& text, int at) {
  if (at <= 0) return 0;
  const QChar low = text[at - 1];
  if (low.isLowSurrogate() && at >= 2 && text[at - 2].isHighSurrogate()) {
    return QChar::surrogateToUcs4(text[at - 2], low);
  }
  return low.unicode();
}

// The scalar starting at `at`, or 0 at the end.
char32_t after(const QString& text, int at) {
  if (at >= text.size()) return 0;
  const QChar high = text[at];
  if (high.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
    return QChar::surrogateToUcs4(high, text[at + 1]);
  }
  return high.unicode();
}

}  // namespace

QList<int> findMatches(const QString& text, const QString& needle, SearchOptions options) {
  QList<int> starts;
  if (needle.isEmpty()) return starts;
  const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  const int length = int(needle.size());
  for (qsizetype at = text.indexOf(needle, 0, cs); at >= 0;) {
    const int pos = int(at);
    if (options.wholeWords &&
        (isWordCharacter(before(text, pos)) || isWordCharacter(after(text, pos + length)))) {
      at = text.indexOf(needle, pos + 1, cs);
      continue;
    }
    starts.append(pos);
    at = text.indexOf(needle, pos + length, cs);
  }
  return starts;
}

}  // namespace zx::editor
