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

char16_t highestUnit(QStringView text) {
  const char16_t* p = text.utf16();
  const qsizetype n = text.size();
  char16_t highest = 0;
  for (qsizetype i = 0; i < n; ++i) highest = std::max(highest, p[i]);
  return highest;
}

char32_t characterAt(QStringView text, qsizetype i) {
  const char16_t c = text[i].unicode();
  if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
    return QChar::surrogateToUcs4(c, text[i + 1].unicode());
  }
  return c;
}

bool splitsPair(QStringView text, qsizetype i) {
  return i > 0 && i < text.size() && text[i].isLowSurrogate() && text[i - 1].isHighSurrogate();
}

bool hasRightToLeft(QStringView text) {
  // Nothing before the Hebrew block runs right to left or is an Arabic number: one
  // vectorised pass settles most text without a lookup per character.
  if (highestUnit(text) < 0x0590) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char32_t u = characterAt(text, i);
    if (u > 0xFFFF) ++i;
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
