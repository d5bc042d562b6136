#include "panels/table_model.h"

#include <QStringList>

namespace zx::views {

int TableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : lineCount() + 1;
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || index.row() == 0) return Qt::NoItemFlags;
  return QAbstractListModel::flags(index);
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() > lineCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
  const QList<RowColumn> columns = rowColumns();
  QStringList texts;
  for (int c = 0; c < columns.size(); ++c) {
    texts << (index.row() == 0 ? columns[c].title : cell(index.row() - 1, c).text);
  }
  return texts.join(u'\t');
}

}  // namespace zx::views
