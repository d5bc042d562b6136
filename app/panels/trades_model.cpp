#include "panels/trades_model.h"

namespace zx::views {

TradesModel::TradesModel(QObject* parent) : TableModel(parent) {}

void TradesModel::setTrades(QList<bridge::Trade> trades, qint64 digits, QString currency) {
  beginResetModel();
  trades_ = std::move(trades);
  digits_ = digits;
  currency_ = std::move(currency);
  endResetModel();
}

QList<RowColumn> TradesModel::rowColumns() const {
  using W = RowColumn::Width;
  return {
      {QStringLiteral("Side"), W::fixed, 46, Qt::AlignLeft, CellFont::tableStrong, 0},
      {QStringLiteral("In"), W::share, 0, Qt::AlignRight, CellFont::table, 12},
      {QStringLiteral("Out"), W::share, 0, Qt::AlignRight, CellFont::table, 12},
      {QStringLiteral("Profit ") + currency_, W::share, 0, Qt::AlignRight, CellFont::tableStrong,
       12},
      {QStringLiteral("Exit"), W::fixed, 72, Qt::AlignRight, CellFont::table, 12},
  };
}

CellText TradesModel::cell(int line, int column) const {
  const bridge::Trade& t = trades_[line];
  switch (column) {
    case 0:
      return {sideText(t.side), sideTone(t.side)};
    case 1:
      return {formatPrice(t.openPrice, digits_), Tone::textSecondary};
    case 2:
      return {formatPrice(t.closePrice, digits_), Tone::textSecondary};
    case 3:
      return {formatAmount(t.profit), amountTone(t.profit)};
    default:
      return {exitCode(t.reason), exitTone(t.reason)};
  }
}

}  // namespace zx::views
