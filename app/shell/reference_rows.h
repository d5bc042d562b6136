// The reference list as rows: one header row per section, then, unless the section is
// folded, one row per entry.
#pragma once

#include <QAbstractListModel>

#include "shell/reference_state.h"

namespace zx::views {

class ReferenceRows final : public QAbstractListModel {
 public:
  enum Role {
    IsHeaderRole = Qt::UserRole + 1,
    CountRole,      // header: entries in its section
    CollapsedRole,  // header
    SelectedRole,   // entry
    SymbolRole,     // entry: the kind's symbol name
  };

  struct Row {
    bool header = false;
    int section = 0;  // index into the sections shown
    QString title;    // the section's
    int count = 0;
    bool collapsed = false;
    bridge::Completion entry;
    bool selected = false;
  };

  using QAbstractListModel::QAbstractListModel;

  // Rebuilds the rows from `state`.
  void show(const ReferenceState& state);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const Row& row(int i) const { return rows_[i]; }
  int size() const { return int(rows_.size()); }
  // The header row of section `section`, or -1.
  int headerRow(int section) const;
  // The row of the header or entry with this key, or -1.
  int findHeader(const QString& title) const;
  int findEntry(const QString& name) const;

  // The symbol drawn before an entry of `kind`.
  static QString symbolOf(const QString& kind);

 private:
  QList<Row> rows_;
};

}  // namespace zx::views
