#include "panels/number_entry.h"

#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>

#include "panels/tester_format.h"

namespace zx::views {

namespace {

// Made once and kept for the process: strtod_l must not follow LC_NUMERIC, which
// Qt sets from the environment.
locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c;
}

bool isLeadingBlank(QChar c) {
  switch (c.unicode()) {
    case u' ':
    case u'\t':
    case u'\n':
    case u'\v':
    case u'\f':
    case u'\r':
    case u'\0':
      return true;
    default:
      return false;
  }
}

}  // namespace

QString numberText(double value, int decimals) {
  return fixedText(value, decimals);
}

std::optional<double> parseNumber(const QString& text) {
  QString plain = text;
  plain.remove(u',');
  if (plain.isEmpty() || isLeadingBlank(plain.front())) return std::nullopt;
  const QByteArray bytes = plain.toUtf8();
  const char* begin = bytes.constData();
  char* end = nullptr;
  const double value = strtod_l(begin, &end, cLocale());
  // An embedded NUL stops strtod early, which this also rejects.
  if (end != begin + bytes.size()) return std::nullopt;
  return value;
}

double clampBalance(double typed, double current) {
  if (std::isinf(typed) && typed > 0) return current;
  return std::fmax(typed, 100.0);
}

qint64 clampBars(double typed, qint64 current) {
  constexpr qint64 lowest = 200;
  constexpr qint64 highest = 200000;
  if (std::isnan(typed)) return current;
  // 2^63 is exact as a double; converting anything at or past it is undefined.
  constexpr double limit = 9223372036854775808.0;
  if (typed >= limit) return highest;
  if (typed <= -limit) return lowest;
  return std::clamp(static_cast<qint64>(std::trunc(typed)), lowest, highest);
}

}  // namespace zx::views
