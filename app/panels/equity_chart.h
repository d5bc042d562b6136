// The equity of a finished backtest, bar by bar, as one line over a dashed rule at the
// starting balance, with value labels on the right. At most 900 marks are drawn.
#pragma once

#include <QList>
#include <QWidget>

namespace zx::views {

class EquityChart final : public QWidget {
 public:
  explicit EquityChart(QWidget* parent = nullptr);

  // The series is thinned once here, not on every paint.
  void setSeries(const QList<double>& equity, double startingBalance, double netProfit);
  const QList<double>& points() const { return points_; }

  QSize sizeHint() const override { return {400, 160}; }
  QSize minimumSizeHint() const override { return {0, 0}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QList<double> points_;
  double start_ = 0;
  double netProfit_ = 0;
};

}  // namespace zx::views
