// The closed trades of the latest backtest under their header row; rows are for reading
// only (no selection, no click).
#pragma once

#include "bridge/records.h"
#include "panels/row_list_view.h"

namespace zx::views {

class TradesModel;

class TradesTable final : public RowListView {
  Q_OBJECT

 public:
  explicit TradesTable(QWidget* parent = nullptr);

  TradesModel* tradesModel() const { return model_; }
  void setTrades(const QList<bridge::Trade>& trades, qint64 digits, const QString& currency);

 private:
  TradesModel* model_;
};

}  // namespace zx::views
