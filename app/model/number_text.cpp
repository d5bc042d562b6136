#include "model/number_text.h"

#include <QDateTime>
#include <QLocale>

namespace zx::model {

QString groupDigits(QStringView decimal) {
  qsizetype start = 0;
  if (start < decimal.size() && (decimal[start] == u'-' || decimal[start] == u'+')) ++start;
  qsizetype end = start;
  while (end < decimal.size() && decimal[end].isDigit()) ++end;

  QString out;
  out.reserve(decimal.size() + (end - start) / 3);
  out += decimal.first(start);
  for (qsizetype i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) out += u',';
    out += decimal[i];
  }
  out += decimal.sliced(end);
  return out;
}

QString count(qint64 n) {
  return groupDigits(QString::number(n));
}

QString dateText(qint64 msecsSinceEpoch) {
  static const QLocale british(QLocale::English, QLocale::UnitedKingdom);
  return british.toString(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC),
                          QStringLiteral("d MMM yy"));
}

}  // namespace zx::model
