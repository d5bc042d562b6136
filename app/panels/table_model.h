// A list model that reads as a table: row 0 is the column header, row i + 1 is line i.
// The header can be neither selected nor hovered.
#pragma once

#include <QAbstractListModel>

#include "panels/row_source.h"

namespace zx::views {

class TableModel : public QAbstractListModel, public RowSource {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  virtual int lineCount() const = 0;

  bool hasHeader() const final { return true; }
  int rowCount(const QModelIndex& parent = {}) const final;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Display and accessible text: the row's texts (the header's titles) joined by tabs.
  QVariant data(const QModelIndex& index, int role) const override;
};

}  // namespace zx::views
