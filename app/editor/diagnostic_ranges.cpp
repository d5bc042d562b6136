#include "editor/diagnostic_ranges.h"

#include <algorithm>

namespace zx::editor {

QList<int> lineStarts(const QString& text) {
  QList<int> starts{0};
  const int n = int(text.size());
  for (int i = 0; i < n; ++i) {
    if (text[i] == u'\n') starts.append(i + 1);
  }
  if (starts.last() != n) starts.append(n);
  return starts;
}

ScalarIndex::ScalarIndex(const QString& text) {
  const int n = int(text.size());
  bool pairs = false;
  for (int i = 0; i + 1 < n && !pairs; ++i) {
    pairs = text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
  }
  if (!pairs) {
    count_ = n;
    return;
  }
  table_.reserve(n + 1);
  for (int i = 0; i < n;) {
    table_.append(i);
    i += (i + 1 < n && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) ? 2 : 1;
  }
  count_ = table_.size();
  table_.append(n);
}

int advanceScalars(const QString& text, int from, qint64 scalars) {
  const int n = int(text.size());
  int at = std::clamp(from, 0, n);
  for (; scalars > 0 && at < n; --scalars) at = oneCharacterEnd(text, at);
  return at;
}

int oneCharacterEnd(const QString& text, int at) {
  const int n = int(text.size());
  if (at + 1 < n && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate()) return at + 2;
  return std::min(at + 1, n);
}

std::optional<Utf16Range> lineRange(const QString& text, const QList<int>& starts, qint64 line,
                                    qint64 column, qint64 endLine, qint64 endColumn) {
  // Written so that no step can overflow on hostile numbers.
  if (line < 1 || endLine < 1 || endLine - line > 1) return std::nullopt;
  const qint64 count = starts.size();
  if (line - 1 >= count) return std::nullopt;
  const auto offset = [](qint64 col) { return col > 1 ? col - 1 : 0; };
  const int lineStart = starts[qsizetype(line - 1)];
  const int start = advanceScalars(text, lineStart, offset(column));
  int end;
  if (endLine == line && column < endColumn) {
    end = advanceScalars(text, lineStart, offset(endColumn));
  } else if (endLine - 1 >= count) {
    end = start + 1;
  } else {
    end = advanceScalars(text, starts[qsizetype(endLine - 1)], offset(endColumn));
  }
  const int length = int(text.size());
  const int lo = std::min(start, length);
  const int hi = std::min(std::max(end, oneCharacterEnd(text, lo)), length);
  if (lo >= hi) return std::nullopt;
  return Utf16Range{lo, hi};
}

std::optional<Utf16Range> tokenRange(const QString& text, const ScalarIndex& index, qint64 start,
                                     qint64 end) {
  if (end < start || start < 0 || end > index.scalarCount()) return std::nullopt;
  const int lo = index.utf16(start);
  const int hi = std::max(index.utf16(end), oneCharacterEnd(text, lo));
  if (hi > text.size() || lo >= hi) return std::nullopt;
  return Utf16Range{lo, hi};
}

}  // namespace zx::editor
