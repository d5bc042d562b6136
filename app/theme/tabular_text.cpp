#include "theme/tabular_text.h"

#include <QFontMetricsF>
#include <QPainter>

namespace zx::theme {
namespace {

qreal widestDigit(const QFontMetricsF& m) {
  qreal widest = 0;
  for (char16_t d = u'0'; d <= u'9'; ++d) widest = std::max(widest, m.horizontalAdvance(QChar(d)));
  return widest;
}

bool isDigit(QChar c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

bool digitsShareAdvance(const QFont& font) {
  const QFontMetricsF m(font);
  const qreal zero = m.horizontalAdvance(QChar(u'0'));
  for (char16_t d = u'1'; d <= u'9'; ++d) {
    if (m.horizontalAdvance(QChar(d)) != zero) return false;
  }
  return true;
}

qreal tabularWidth(const QFont& font, QStringView text) {
  const QFontMetricsF m(font);
  if (digitsShareAdvance(font)) return m.horizontalAdvance(text.toString());
  const qreal cell = widestDigit(m);
  qreal width = 0;
  QString run;
  for (QChar c : text) {
    if (isDigit(c)) {
      width += m.horizontalAdvance(run) + cell;
      run.clear();
    } else {
      run += c;
    }
  }
  return width + m.horizontalAdvance(run);
}

void drawTabular(QPainter& painter, const QPointF& origin, const QFont& font, QStringView text) {
  painter.save();
  painter.setFont(font);
  if (digitsShareAdvance(font)) {
    painter.drawText(origin, text.toString());
    painter.restore();
    return;
  }
  const QFontMetricsF m(font);
  const qreal cell = widestDigit(m);
  QPointF at = origin;
  QString run;
  const auto flush = [&] {
    if (run.isEmpty()) return;
    painter.drawText(at, run);
    at.rx() += m.horizontalAdvance(run);
    run.clear();
  };
  for (QChar c : text) {
    if (!isDigit(c)) {
      run += c;
      continue;
    }
    flush();
    const qreal advance = m.horizontalAdvance(c);
    painter.drawText(at + QPointF((cell - advance) / 2, 0), QString(c));
    at.rx() += cell;
  }
  flush();
  painter.restore();
}

}  // namespace zx::theme
