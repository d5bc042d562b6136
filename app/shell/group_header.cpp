#include "shell/group_header.h"

#include <QFontMetricsF>
#include <QPainter>

#include "theme/fonts.h"
#include "theme/section_label.h"
#include "theme/symbols.h"
#include "theme/tabular_text.h"
#include "theme/tokens.h"

namespace zx::views {
namespace {

constexpr double kChevronPx = 8;
constexpr int kChevronEdge = 11;  // the symbol's square at 8 px
constexpr int kGap = theme::Space::sm;
constexpr int kPad = theme::Space::xl;
constexpr int kFocusInset = theme::Space::md;  // the rows' outer margin

const QFont& titleFont() {
  static const QFont font = theme::sectionLabelFont();
  return font;
}

qreal baselineIn(const QRect& rect, const QFontMetricsF& m) {
  return theme::centredBaseline(m, rect.y(), rect.height());
}

}  // namespace

void paintGroupHeader(QPainter& painter, const QRect& rect, const GroupHeaderLook& look,
                      const theme::Palette& p) {
  painter.save();
  painter.fillRect(rect, p.surfaceSunken);
  painter.setRenderHint(QPainter::Antialiasing);

  const QRectF slot(rect.x() + kPad, rect.y() + (rect.height() - kChevronEdge) / 2.0, kChevronEdge,
                    kChevronEdge);
  painter.save();
  if (!look.collapsed) {
    painter.translate(slot.center());
    painter.rotate(90);
    painter.translate(-slot.center());
  }
  theme::paintSymbol(painter, u"chevron.right", slot, kChevronPx, QFont::Bold, p.muted);
  painter.restore();

  const QFont& countFont = theme::font(theme::FontStyle::caption);
  const QString count = QString::number(look.count);
  const qreal countWidth = theme::tabularWidth(countFont, count);
  const qreal countX = rect.x() + rect.width() - kPad - countWidth;
  painter.setPen(theme::withOpacity(p.muted, 0.7));
  theme::drawTabular(painter, QPointF(countX, baselineIn(rect, QFontMetricsF(countFont))),
                     countFont, count);

  const QFontMetricsF m(titleFont());
  const qreal titleX = slot.right() + kGap;
  const qreal room = std::max<qreal>(countX - kGap - titleX, 0);
  painter.setFont(titleFont());
  painter.setPen(p.muted);
  painter.drawText(QPointF(titleX, baselineIn(rect, m)),
                   m.elidedText(look.title.toUpper(), Qt::ElideRight, room));

  if (look.focused) {
    // As the rows draw it, so the keyboard's place looks the same on either kind.
    const qreal r = theme::Radius::row - 0.5;
    painter.setPen(QPen(p.accent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect).adjusted(kFocusInset + 0.5, 0.5, -kFocusInset - 0.5, -0.5),
                            r, r);
  }
  painter.restore();
}

}  // namespace zx::views
