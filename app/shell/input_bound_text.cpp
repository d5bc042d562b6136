#include "shell/input_bound_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace zx::views {

namespace {

template <class... Format>
QString chars(double value, Format... format) {
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format...);
  if (error != std::errc()) return QString();
  return QString::fromLatin1(buffer, end - buffer);
}

}  // namespace

QString inputBoundText(double value) {
  if (std::isnan(value)) return QStringLiteral("nan");  // also drops a negative NaN's sign
  if (value == std::round(value)) {
    // Converting outside the int64 range is undefined, so only inside it.
    if (value >= -0x1p63 && value < 0x1p63) {
      char buffer[32];
      const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::int64_t(value)).ptr;
      return QString::fromLatin1(buffer, end - buffer);
    }
    return chars(value);
  }
  // The plain shortest form would print 0.0001 as "1e-04".
  if (std::fabs(value) >= 1e-4) return chars(value, std::chars_format::fixed);
  return chars(value, std::chars_format::scientific);
}

QString inputRangeText(double min, double max) {
  return inputBoundText(min) + QChar(0x2013) + inputBoundText(max);
}

}  // namespace zx::views
