#include "model/text_order.h"

namespace zx::model {
namespace {

// Moves the surrogates above the rest of the BMP, so that comparing the mapped units
// orders by code point. A lone surrogate stays in a consistent place.
char16_t byCodePoint(char16_t u) {
  if (u >= 0xE000) return static_cast<char16_t>(u - 0x800);
  if (u >= 0xD800) return static_cast<char16_t>(u + 0x2000);
  return u;
}

}  // namespace

bool codePointLess(QStringView a, QStringView b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = a[i].unicode();
    const char16_t y = b[i].unicode();
    if (x != y) return byCodePoint(x) < byCodePoint(y);
  }
  return a.size() < b.size();
}

bool isBlank(QChar c) {
  return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString trimBlanks(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text[begin])) ++begin;
  while (end > begin && isBlank(text[end - 1])) --end;
  return text.sliced(begin, end - begin).toString();
}

}  // namespace zx::model
