// Positions between the engine and the text view. The engine counts characters
// (Unicode scalars) and 1-based lines ended by "\n" only; the view counts UTF-16 units.
// Pure functions, safe on any thread.
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace zx::editor {

// A span of UTF-16 units, `end` exclusive.
struct Utf16Range {
  int start = 0;
  int end = 0;
  friend bool operator==(const Utf16Range&, const Utf16Range&) = default;
};

// [0] then the end of every line, terminator included; an unterminated last line
// counts too, the empty line after a final "\n" does not. "ab\n" gives [0, 3].
QList<int> lineStarts(const QString& text);

// Maps scalar offsets of one text to UTF-16 offsets. Without surrogate pairs the two
// agree and no table is built.
class ScalarIndex {
 public:
  explicit ScalarIndex(const QString& text);
  qint64 scalarCount() const { return count_; }
  // `scalar` in 0 ... scalarCount().
  int utf16(qint64 scalar) const {
    return table_.isEmpty() ? int(scalar) : table_[qsizetype(scalar)];
  }

 private:
  qint64 count_ = 0;
  QList<int> table_;  // UTF-16 offset of each scalar, plus the end
};

// The UTF-16 position `scalars` characters after `from`, counted on across line ends
// and stopping at the end of the text.
int advanceScalars(const QString& text, int from, qint64 scalars);

// A UTF-16 range one scalar long at `at`: two units over a surrogate pair.
int oneCharacterEnd(const QString& text, int at);

// The underlined range of a finding, or none: a line or end line below 1, a span over
// more than two lines, or a start at or past the end of the text. A collapsed or
// backward span marks one character at its start.
std::optional<Utf16Range> lineRange(const QString& text, const QList<int>& starts, qint64 line,
                                    qint64 column, qint64 endLine, qint64 endColumn);

// A token's range from its scalar offsets, or none when they run backwards, start below
// 0 or end past the text. A zero-length token marks one character.
std::optional<Utf16Range> tokenRange(const QString& text, const ScalarIndex& index, qint64 start,
                                     qint64 end);

// 1-based line and UTF-16 column of a position; lines end at "\n".
struct CaretPlace {
  int line = 1;
  int column = 1;
  friend bool operator==(const CaretPlace&, const CaretPlace&) = default;
};

}  // namespace zx::editor
