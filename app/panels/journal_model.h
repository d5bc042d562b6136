// The journal of the latest backtest under a Bar / Level / Message / Time header, in
// the order the bot wrote it; equal lines stay separate rows.
#pragma once

#include <QList>
#include <QModelIndexList>

#include "bridge/records.h"
#include "panels/table_model.h"

namespace zx::views {

class JournalModel final : public TableModel {
  Q_OBJECT

 public:
  explicit JournalModel(QObject* parent = nullptr);

  // Shares the report's list.
  void setLines(QList<bridge::JournalLine> lines);
  const QList<bridge::JournalLine>& lines() const { return lines_; }

  // The messages of `rows`, top to bottom, one per line; the header is skipped.
  QString messages(const QModelIndexList& rows) const;

  int lineCount() const override { return int(lines_.size()); }
  // Adds the full message as the tool tip.
  QVariant data(const QModelIndex& index, int role) const override;
  QList<RowColumn> rowColumns() const override;
  CellText cell(int line, int column) const override;

 private:
  QList<bridge::JournalLine> lines_;
};

}  // namespace zx::views
