#include "bridge/reply_decode.h"

#include <QTextBoundaryFinder>

namespace zx::bridge {

namespace {

// The end of the first `count` characters of `text`, or -1 when `text` holds fewer.
qsizetype endOfCharacters(const QString& text, qsizetype count) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype end = 0;
  for (qsizetype taken = 0; taken < count; ++taken) {
    end = finder.toNextBoundary();
    if (end < 0) return -1;
  }
  return end;
}

}  // namespace

bool isPlainUtf8(QByteArrayView bytes) {
  return !bytes.startsWith("\xEF\xBB\xBF") && bytes.isValidUtf8();
}

QString excerpt(const QString& text, qsizetype count) {
  if (count <= 0) return {};
  // Each character holds at least one UTF-16 unit, so a short text is whole.
  if (text.size() <= count) return text;
  // Analyse a generous start only, not a whole multi-megabyte reply; a boundary at the
  // very end of that start may split a character, so then the whole text decides.
  const QString start = text.left(count * 8);
  const qsizetype end = endOfCharacters(start, count);
  if (end >= 0 && (end < start.size() || start.size() == text.size())) return text.left(end);
  const qsizetype whole = endOfCharacters(text, count);
  return whole < 0 ? text : text.left(whole);
}

}  // namespace zx::bridge
