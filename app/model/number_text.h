// Number and date texts for the user. They never depend on the process locale: the
// grouping is our own and the date names are fixed English ones.
#pragma once

#include <QString>
#include <QStringView>

namespace zx::model {

// A decimal text ("-1234567.5") with "," between groups of three digits of its whole
// part ("-1,234,567.5"). Signs, the fraction and anything after the first non-digit of
// the whole part are kept as they are.
QString groupDigits(QStringView decimal);

// `n` with "," grouping: 5000 gives "5,000".
QString count(qint64 n);

// The UTC day of `msecsSinceEpoch` as "d MMM yy" in British English: "2 Jan 24",
// "1 Sept 24", "31 Dec 69" for -1.
QString dateText(qint64 msecsSinceEpoch);

}  // namespace zx::model
