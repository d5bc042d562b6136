#include "bridge/reply_decode.h"

#include <QTextBoundaryFinder>

namespace zx::bridge {

QString excerpt(const QString& text, qsizetype count) {
  if (count <= 0) return {};
  // Each character holds at least one UTF-16 unit, so a short text is whole.
  if (text.size() <= count) return text;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype end = 0;
  for (qsizetype taken = 0; taken < count; ++taken) {
    const qsizetype next = finder.toNextBoundary();
    if (next < 0) return text;
    end = next;
  }
  return text.left(end);
}

}  // namespace zx::bridge
