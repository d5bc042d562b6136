#include "panels/sign_in_text.h"

#include <QTextBoundaryFinder>

#include "panels/tester_format.h"

namespace zx::views {

QString serverCount(const std::optional<qint64>& servers) {
  if (!servers || *servers <= 0) return {};
  return countText(*servers, "server", "servers");
}

qsizetype characterCount(const QString& text) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype count = 0;
  while (finder.toNextBoundary() != -1) ++count;
  return count;
}

}  // namespace zx::views
