#include "panels/journal_model.h"

#include <QStringList>
#include <algorithm>

namespace zx::views {

JournalModel::JournalModel(QObject* parent) : TableModel(parent) {}

void JournalModel::setLines(QList<bridge::JournalLine> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

QString JournalModel::messages(const QModelIndexList& rows) const {
  QList<int> numbers;
  for (const QModelIndex& index : rows) {
    if (index.isValid() && index.row() >= 1 && index.row() <= lineCount()) {
      numbers << index.row();
    }
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  QStringList out;
  for (int row : numbers) out << lines_[row - 1].message;
  return out.join(u'\n');
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
  if (role == Qt::ToolTipRole) {
    if (!index.isValid() || index.row() < 1 || index.row() > lineCount()) return {};
    return lines_[index.row() - 1].message;
  }
  return TableModel::data(index, role);
}

QList<RowColumn> JournalModel::rowColumns() const {
  using W = RowColumn::Width;
  return {
      {QStringLiteral("Bar"), W::fixed, 44, Qt::AlignRight, CellFont::table, 0},
      {QStringLiteral("Level"), W::fixed, 44, Qt::AlignLeft, CellFont::micro, 12},
      {QStringLiteral("Message"), W::share, 0, Qt::AlignLeft, CellFont::code, 12},
      {QStringLiteral("Time"), W::fixed, 104, Qt::AlignRight, CellFont::caption, 12},
  };
}

CellText JournalModel::cell(int line, int column) const {
  const bridge::JournalLine& l = lines_[line];
  switch (column) {
    case 0:
      return {QString::number(l.bar), Tone::muted};
    case 1:
      // Coloured by the level as stored; only the text is upper-cased.
      return {l.level.toUpper(), levelTone(l.level)};
    case 2:
      return {l.message, Tone::textSecondary};
    default:
      return {journalStamp(l.time), Tone::muted};
  }
}

}  // namespace zx::views
