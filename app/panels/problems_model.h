// The findings of the latest check, one row each, in the order the workspace holds them.
// Equal findings are separate rows, told apart by their position in the list.
#pragma once

#include <QAbstractListModel>
#include <QList>

#include "bridge/records.h"
#include "panels/row_source.h"

namespace zx::views {

class ProblemsModel final : public QAbstractListModel, public RowSource {
  Q_OBJECT

 public:
  explicit ProblemsModel(QObject* parent = nullptr);

  void setDiagnostics(QList<bridge::Diagnostic> diagnostics);
  const QList<bridge::Diagnostic>& diagnostics() const { return diagnostics_; }

  // "12:5": no grouping.
  static QString position(const bridge::Diagnostic& d);

  int rowCount(const QModelIndex& parent = {}) const override;
  // Display: the row's texts joined by tabs; tool tip: the message.
  QVariant data(const QModelIndex& index, int role) const override;

  QList<RowColumn> rowColumns() const override;
  bool hasHeader() const override { return false; }
  CellText cell(int line, int column) const override;

 private:
  QList<bridge::Diagnostic> diagnostics_;
};

}  // namespace zx::views
