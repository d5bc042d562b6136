#include "editor/text_scan.h"

#include <algorithm>

namespace zx::editor {

void paragraphsToLineFeeds(QString& text) {
  if (text.isEmpty()) return;
  char16_t* p = reinterpret_cast<char16_t*>(text.data());
  const qsizetype n = text.size();
  // A select rather than a branch, so the loop becomes vector blends.
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = p[i];
    p[i] = c == u'\u2029' ? u'\n' : c;
  }
}

qsizetype lineFeeds(QStringView text) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  qsizetype count = 0;
  for (qsizetype i = 0; i < n; ++i) count += p[i] == u'\n';
  return count;
}

bool hasRightToLeft(QStringView text) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  // Nothing before the Hebrew block runs right to left or is an Arabic number: one
  // vectorised pass settles most text without a lookup per character.
  char16_t highest = 0;
  for (qsizetype i = 0; i < n; ++i) highest = std::max(highest, p[i]);
  if (highest < 0x0590) return false;
  for (qsizetype i = 0; i < n; ++i) {
    char32_t u = p[i];
    if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
      u = QChar::surrogateToUcs4(p[i], p[i + 1]);
      ++i;
    }
    switch (QChar::direction(u)) {
      case QChar::DirR:
      case QChar::DirAL:
      case QChar::DirAN:
      case QChar::DirRLE:
      case QChar::DirRLO:
      case QChar::DirRLI:
        return true;
      default:
        break;
    }
  }
  return false;
}

}  // namespace zx::editor
