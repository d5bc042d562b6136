// The results of a finished backtest: a strip about the prices replayed, five statistics,
// and the equity chart over the trades in a resizable split.
#pragma once

#include <QList>
#include <QWidget>

#include "bridge/records.h"
#include "model/workspace.h"

namespace zx::theme {
class KitLabel;
class StatFigure;
class StatusPill;
class VerticalSplit;
}  // namespace zx::theme

namespace zx::views {

class EquityChart;
class TradesTable;

class TesterResults final : public QWidget {
  Q_OBJECT

 public:
  TesterResults(model::Workspace& workspace, bridge::BacktestReport report, double tradesHeight,
                QWidget* parent = nullptr);

  // Follows the workspace's data notice, price source and report currency.
  void refreshData();

  theme::StatusPill* sourcePill() const { return sourcePill_; }
  theme::StatusPill* currencyPill() const { return currencyPill_; }
  theme::KitLabel* notice() const { return notice_; }
  theme::KitLabel* barsReplayed() const { return bars_; }
  const QList<theme::StatFigure*>& figures() const { return figures_; }
  EquityChart* chart() const { return chart_; }
  theme::VerticalSplit* split() const { return split_; }
  TradesTable* trades() const { return trades_; }
  theme::KitLabel* tradesCount() const { return tradesCount_; }

 signals:
  void tradesHeightEdited(double height);

 private:
  QWidget* noticeStrip();
  QWidget* statsRow();

  model::Workspace& workspace_;
  bridge::BacktestReport report_;
  theme::StatusPill* sourcePill_ = nullptr;
  theme::StatusPill* currencyPill_ = nullptr;
  theme::KitLabel* notice_ = nullptr;
  theme::KitLabel* bars_ = nullptr;
  QList<theme::StatFigure*> figures_;
  EquityChart* chart_ = nullptr;
  theme::VerticalSplit* split_ = nullptr;
  TradesTable* trades_ = nullptr;
  theme::KitLabel* tradesCount_ = nullptr;
};

}  // namespace zx::views
