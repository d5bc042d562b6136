#include "panels/trades_table.h"

#include "panels/trades_model.h"

namespace zx::views {

TradesTable::TradesTable(QWidget* parent) : RowListView(parent), model_(new TradesModel(this)) {
  setModel(model_);
  setFocusPolicy(Qt::NoFocus);
  setAccessibleName(QStringLiteral("Trades"));
}

void TradesTable::setTrades(const QList<bridge::Trade>& trades, qint64 digits,
                            const QString& currency) {
  model_->setTrades(trades, digits, currency);
}

}  // namespace zx::views
