// The closed trades of the latest backtest under a Side / In / Out / Profit / Exit
// header, in the report's order.
#pragma once

#include <QList>

#include "bridge/records.h"
#include "panels/table_model.h"

namespace zx::views {

class TradesModel final : public TableModel {
  Q_OBJECT

 public:
  explicit TradesModel(QObject* parent = nullptr);

  // Shares the report's list. Prices get `digits` decimals (held to 0...8); the profit
  // column's title names `currency`.
  void setTrades(QList<bridge::Trade> trades, qint64 digits, QString currency);
  const QList<bridge::Trade>& trades() const { return trades_; }

  int lineCount() const override { return int(trades_.size()); }
  QList<RowColumn> rowColumns() const override;
  CellText cell(int line, int column) const override;

 private:
  QList<bridge::Trade> trades_;
  qint64 digits_ = 5;
  QString currency_;
};

}  // namespace zx::views
