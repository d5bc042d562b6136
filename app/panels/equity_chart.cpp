#include "panels/equity_chart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "panels/equity_scale.h"
#include "panels/tester_format.h"
#include "theme/theme.h"

namespace zx::views {

namespace {

constexpr double kPadding = theme::Space::xl;
constexpr double kLabelGap = 6;

}  // namespace

EquityChart::EquityChart(QWidget* parent) : QWidget(parent) {
  setAccessibleName(QStringLiteral("Equity"));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void EquityChart::setSeries(const QList<double>& equity, double startingBalance, double netProfit) {
  points_ = sampled(equity, kChartSamples);
  start_ = startingBalance;
  netProfit_ = netProfit;
  update();
}

void EquityChart::paintEvent(QPaintEvent*) {
  const theme::Palette& palette = theme::PaletteScope::of(this);
  QPainter painter(this);

  const ValueRange domain = equityDomain(points_, start_);
  const double span = domain.hi - domain.lo;
  if (!std::isfinite(span) || span <= 0) return;
  const QList<double> values = ticks(domain.lo, domain.hi);

  const QFont& font = theme::font(theme::FontStyle::micro);
  const QFontMetricsF metrics(font);
  QStringList labels;
  double labelWidth = 0;
  for (double v : values) {
    labels << compactLabel(v);
    labelWidth = std::max(labelWidth, metrics.horizontalAdvance(labels.last()));
  }

  const QRectF plot(kPadding, kPadding,
                    std::max(0.0, width() - 2 * kPadding - std::ceil(labelWidth) - kLabelGap),
                    std::max(0.0, height() - 2 * kPadding));
  if (plot.width() <= 0 || plot.height() <= 0) return;
  const auto yOf = [&](double v) { return plot.bottom() - (v - domain.lo) / span * plot.height(); };
  const qsizetype count = points_.size();
  const auto xOf = [&](double i) {
    return count > 1 ? plot.left() + i / double(count - 1) * plot.width() : plot.left();
  };

  // Grid: whole pixels plus a half, so each line covers one pixel.
  painter.setPen(QPen(palette.gridline, 1));
  for (double v : values) {
    const double y = std::floor(yOf(v)) + 0.5;
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
  }
  if (count > 1) {
    for (double i : ticks(0, double(count - 1))) {
      const double x = std::floor(xOf(i)) + 0.5;
      painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
  }

  // The line, segment by segment with flat caps: a wide polyline over a jagged series
  // costs the rasteriser orders of magnitude more.
  if (count > 1) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(netProfit_ >= 0 ? palette.buy : palette.sell, 1.5, Qt::SolidLine,
                        Qt::FlatCap, Qt::MiterJoin));
    for (qsizetype i = 1; i < count; ++i) {
      const double a = points_[i - 1];
      const double b = points_[i];
      if (!std::isfinite(a) || !std::isfinite(b)) continue;
      painter.drawLine(QPointF(xOf(double(i - 1)), yOf(a)), QPointF(xOf(double(i)), yOf(b)));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
  }

  if (std::isfinite(start_)) {
    QPen rule(theme::withOpacity(palette.muted, 0.45), 1, Qt::CustomDashLine, Qt::FlatCap,
              Qt::MiterJoin);
    rule.setDashPattern({3, 3});
    rule.setDashOffset(0);
    painter.setPen(rule);
    const double y = std::floor(yOf(start_)) + 0.5;
    painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
  }

  painter.setFont(font);
  painter.setPen(palette.muted);
  const double labelLeft = plot.right() + kLabelGap;
  for (qsizetype i = 0; i < values.size(); ++i) {
    const double y = yOf(values[i]);
    const QRectF box(labelLeft, y - metrics.height() / 2, std::ceil(labelWidth) + 1,
                     metrics.height());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, labels[i]);
  }
}

}  // namespace zx::views
