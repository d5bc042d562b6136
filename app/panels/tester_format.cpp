#include "panels/tester_format.h"

#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/number_text.h"

namespace zx::views {

QString fixedText(double value, int decimals) {
  // The largest double needs 309 whole digits; 8 decimals and the sign fit in 400.
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::fixed, std::clamp(decimals, 0, 8));
  if (error != std::errc()) return QStringLiteral("0");
  return QString::fromLatin1(buffer, end - buffer);
}

QString formatAmount(double value) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-\u221E") : QStringLiteral("\u221E");
  QString text = model::groupDigits(fixedText(std::fabs(value), 2));
  // Only a negative value takes the sign, so -0.0 reads "0.00" and -0.001 "-0.00".
  if (value < 0) text.prepend(u'-');
  return text;
}

QString formatPrice(double value, qint64 digits) {
  return fixedText(value, int(std::clamp<qint64>(digits, 0, 8)));
}

QString compactLabel(double value) {
  if (std::fabs(value) >= 1000) return fixedText(value / 1000, 1) + u'k';
  return fixedText(value, 0);
}

QString percentText(double value) {
  return fixedText(value, 0) + u'%';
}

QString factorText(double value) {
  if (value < 0) return QStringLiteral("none");
  return fixedText(value, 2);
}

Tone amountTone(double value) {
  return value >= 0 ? Tone::buy : Tone::sell;
}

QString sideText(const QString& side) {
  return side.toUpper();
}

Tone sideTone(const QString& side) {
  return side == u"buy" ? Tone::buy : Tone::sell;
}

QString exitCode(const QString& reason) {
  if (reason == u"stop loss") return QStringLiteral("stop");
  if (reason == u"take profit") return QStringLiteral("target");
  if (reason == u"end of test") return QStringLiteral("end");
  if (reason == u"close all") return QStringLiteral("all");
  return QStringLiteral("bot");
}

Tone exitTone(const QString& reason) {
  if (reason == u"stop loss") return Tone::sell;
  if (reason == u"take profit") return Tone::buy;
  return Tone::muted;
}

Tone levelTone(const QString& level) {
  if (level == u"error") return Tone::sell;
  if (level == u"warn") return Tone::warning;
  if (level == u"alert") return Tone::accent;
  return Tone::muted;
}

QString journalStamp(qint64 msecsSinceEpoch) {
  static const QString none = QStringLiteral("\u2014");
  if (msecsSinceEpoch < 1) return none;
  // The format drops the seconds and milliseconds, so no time rounds up a minute.
  const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
  if (!time.isValid()) return none;
  static const QLocale british(QLocale::English, QLocale::UnitedKingdom);
  return british.toString(time, QStringLiteral("d MMM HH:mm"));
}

QString countText(qint64 n, const char* one, const char* many) {
  return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

}  // namespace zx::views
