// Text whose digits keep equal advances ("monospaced digits"), for counts and figures that
// change while shown. Fonts whose ten digits already share one advance are drawn as they
// are; otherwise each digit sits in a cell as wide as the widest digit.
#pragma once

#include <QFont>
#include <QPointF>
#include <QStringView>

class QPainter;

namespace zx::theme {

bool digitsShareAdvance(const QFont& font);
qreal tabularWidth(const QFont& font, QStringView text);
// `origin` is the left end of the baseline.
void drawTabular(QPainter& painter, const QPointF& origin, const QFont& font, QStringView text);

}  // namespace zx::theme
