#include "panels/broker_row.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include "panels/broker_logo.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

constexpr int kHeight = theme::Size::control;
constexpr int kPad = theme::Space::md;
constexpr double kLogo = 15;

}  // namespace

void paintBrokerLogo(QPainter& painter, const QImage& logo, const QRectF& slot,
                     const QColor& colour) {
  const QRectF box(slot.center().x() - kLogo / 2, slot.center().y() - kLogo / 2, kLogo, kLogo);
  if (logo.isNull()) {
    theme::paintSymbol(painter, u"building.columns", box, 11, QFont::Medium, colour);
    return;
  }
  const QSizeF fitted = QSizeF(logo.size()).scaled(box.size(), Qt::KeepAspectRatio);
  const QRectF target(box.center().x() - fitted.width() / 2, box.center().y() - fitted.height() / 2,
                      fitted.width(), fitted.height());
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  QPainterPath clip;
  clip.addRoundedRect(target, 3, 3);
  painter.setClipPath(clip);
  const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  const QImage scaled = logo.scaled((fitted * dpr).toSize().expandedTo(QSize(1, 1)),
                                    Qt::KeepAspectRatio, Qt::SmoothTransformation);
  painter.drawImage(target, scaled);
  painter.restore();
}

BrokerRow::BrokerRow(client::Broker broker, QString detail, QWidget* parent)
    : QAbstractButton(parent),
      broker_(std::move(broker)),
      detail_(std::move(detail)),
      logo_(decodeBrokerLogo(broker_.logo)) {
  setAccessibleName(broker_.name);
  setText(broker_.name);
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize BrokerRow::sizeHint() const {
  return {200, kHeight};
}

QSize BrokerRow::minimumSizeHint() const {
  return {0, kHeight};
}

void BrokerRow::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  hovering_ = true;
  update();
}

void BrokerRow::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  hovering_ = false;
  update();
}

void BrokerRow::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QRectF all = QRectF(rect());
  if (hovering_ || hasFocus()) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette.rowHover);
    painter.drawRoundedRect(all, theme::Radius::row, theme::Radius::row);
  }
  if (hasFocus()) {
    painter.setPen(QPen(palette.accent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(all.adjusted(0.5, 0.5, -0.5, -0.5), theme::Radius::row,
                            theme::Radius::row);
  }

  double x = kPad;
  paintBrokerLogo(painter, logo_, QRectF(x, 0, kLogo, height()), palette.textSecondary);
  x += kLogo + theme::Space::md;

  const QFont& captionFont = theme::font(theme::FontStyle::caption);
  const double detailWidth = std::ceil(QFontMetricsF(captionFont).horizontalAdvance(detail_));
  const double right = width() - kPad;
  if (!detail_.isEmpty()) {
    painter.setFont(captionFont);
    painter.setPen(palette.muted);
    painter.drawText(QRectF(right - detailWidth, 0, detailWidth, height()),
                     Qt::AlignRight | Qt::AlignVCenter, detail_);
  }
  const QFont& nameFont = theme::font(theme::FontStyle::table);
  const double nameWidth = std::max(0.0, right - detailWidth - theme::Space::xs - x);
  painter.setFont(nameFont);
  painter.setPen(palette.textSecondary);
  painter.drawText(QRectF(x, 0, nameWidth, height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(nameFont).elidedText(broker_.name, Qt::ElideRight, nameWidth));
}

}  // namespace zx::views
