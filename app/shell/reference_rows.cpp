#include "shell/reference_rows.h"

namespace zx::views {

QString ReferenceRows::symbolOf(const QString& kind) {
  if (kind == u"namespace") return QStringLiteral("square.grid.2x2");
  if (kind == u"member") return QStringLiteral("arrow.turn.down.right");
  if (kind == u"function") return QStringLiteral("function");
  return QStringLiteral("smallcircle.filled.circle");
}

void ReferenceRows::show(const ReferenceState& state) {
  QList<Row> rows;
  const QList<ReferenceSection> sections = state.sections();
  for (int s = 0; s < sections.size(); ++s) {
    const ReferenceSection& section = sections[s];
    Row header;
    header.header = true;
    header.section = s;
    header.title = section.title;
    header.count = int(section.entries.size());
    header.collapsed = state.isCollapsed(section.title);
    rows.append(header);
    if (header.collapsed) continue;
    for (const bridge::Completion& c : section.entries) {
      Row entry;
      entry.section = s;
      entry.title = section.title;
      entry.entry = c;
      entry.selected = state.isSelected(c);
      rows.append(std::move(entry));
    }
  }
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int ReferenceRows::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

Qt::ItemFlags ReferenceRows::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QVariant ReferenceRows::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  const Row& r = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      return r.header ? r.title : r.entry.name;
    case Qt::AccessibleTextRole:
      return r.header ? QStringLiteral("%1, %2").arg(r.title).arg(r.count) : r.entry.name;
    case Qt::AccessibleDescriptionRole:
      if (r.header) return r.collapsed ? QStringLiteral("Folded") : QStringLiteral("Open");
      return r.entry.kind;
    case IsHeaderRole:
      return r.header;
    case CountRole:
      return r.count;
    case CollapsedRole:
      return r.collapsed;
    case SelectedRole:
      return r.selected;
    case SymbolRole:
      return r.header ? QString() : symbolOf(r.entry.kind);
    default:
      return {};
  }
}

int ReferenceRows::headerRow(int section) const {
  for (int i = 0; i < rows_.size(); ++i) {
    if (rows_[i].header && rows_[i].section == section) return i;
  }
  return -1;
}

int ReferenceRows::findHeader(const QString& title) const {
  for (int i = 0; i < rows_.size(); ++i) {
    if (rows_[i].header && rows_[i].title == title) return i;
  }
  return -1;
}

int ReferenceRows::findEntry(const QString& name) const {
  for (int i = 0; i < rows_.size(); ++i) {
    if (!rows_[i].header && rows_[i].entry.name == name) return i;
  }
  return -1;
}

}  // namespace zx::views
