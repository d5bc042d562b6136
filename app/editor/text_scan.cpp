#include "editor/text_scan.h"

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

}  // namespace zx::editor
