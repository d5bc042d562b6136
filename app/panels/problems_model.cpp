#include "panels/problems_model.h"

#include <QStringList>

namespace zx::views {

ProblemsModel::ProblemsModel(QObject* parent) : QAbstractListModel(parent) {}

void ProblemsModel::setDiagnostics(QList<bridge::Diagnostic> diagnostics) {
  beginResetModel();
  diagnostics_ = std::move(diagnostics);
  endResetModel();
}

QString ProblemsModel::position(const bridge::Diagnostic& d) {
  return QString::number(d.line) + u':' + QString::number(d.column);
}

int ProblemsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(diagnostics_.size());
}

QVariant ProblemsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= diagnostics_.size()) return {};
  const bridge::Diagnostic& d = diagnostics_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return QStringList{d.severity, d.message, d.code, position(d)}.join(u'\t');
    case Qt::ToolTipRole:
      return d.message;
    default:
      return {};
  }
}

QList<RowColumn> ProblemsModel::rowColumns() const {
  using W = RowColumn::Width;
  // Between the message and the code stand 12 of spacing, a stretch of at least 12,
  // and 12 more. The message alone gives way: a long position widens its frame.
  return {
      {{}, W::dot, 6, Qt::AlignLeft, CellFont::table, 0},
      {{}, W::share, 0, Qt::AlignLeft, CellFont::table, 12},
      {{}, W::natural, 0, Qt::AlignLeft, CellFont::caption, 36},
      {{}, W::natural, 52, Qt::AlignRight, CellFont::caption, 12},
  };
}

CellText ProblemsModel::cell(int line, int column) const {
  const bridge::Diagnostic& d = diagnostics_[line];
  switch (column) {
    case 0:
      return {{}, d.severity == u"error" ? Tone::sell : Tone::warning};
    case 1:
      return {d.message, Tone::textSecondary};
    case 2:
      return {d.code, Tone::muted};
    default:
      return {position(d), Tone::muted};
  }
}

}  // namespace zx::views
