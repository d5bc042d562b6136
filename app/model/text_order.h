// Orders and trims texts the way a user reads them, not the way UTF-16 stores them.
#pragma once

#include <QString>
#include <QStringView>

namespace zx::model {

// Less-than by Unicode code point. Plain QString comparison orders UTF-16 units, which
// puts U+FF5E after U+1F600; this puts it before. For ASCII the two agree.
bool codePointLess(QStringView a, QStringView b);

// True for a tab or a Unicode space separator (U+0020, U+00A0, U+2003, ...). Line
// breaks are not blanks.
bool isBlank(QChar c);

// `text` without its leading and trailing blanks (see isBlank). QString::trimmed also
// removes line breaks, which a typed name must keep visible.
QString trimBlanks(QStringView text);

}  // namespace zx::model
