// What the reference pane holds and derives: the search text, every standard-library
// entry, the chosen entry and the folded sections. It lives as long as the pane, so a
// pane shown anew starts empty.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

#include "bridge/engine_calls.h"

namespace zx::views {

struct ReferenceSection {
  QString title;
  QList<bridge::Completion> entries;  // sorted by name, code point by code point
  friend bool operator==(const ReferenceSection&, const ReferenceSection&) = default;
};

class ReferenceState {
 public:
  // The 13 section titles, in the order they are listed; other groups are not shown.
  static const QStringList& groupOrder();
  // The section of an entry with an empty group.
  static QString generalTitle() { return QStringLiteral("General"); }

  const QString& query() const { return query_; }
  void setQuery(const QString& query) { query_ = query; }
  const QList<bridge::Completion>& all() const { return all_; }
  const std::optional<bridge::Completion>& selection() const { return selection_; }
  const QSet<QString>& collapsed() const { return collapsed_; }

  // Asks the engine for every entry while none is held; true when it asked. An empty
  // reply leaves nothing held, so the next load asks again.
  bool load(const bridge::EngineCalls& engine);
  // The entries passing the search, in engine order. Members show only while a search
  // is typed.
  QList<bridge::Completion> matches() const;
  // The matches by section, in the fixed order, empty sections left out.
  QList<ReferenceSection> sections() const;

  // Folds an open section, opens a folded one.
  void toggle(const QString& title);
  bool isCollapsed(const QString& title) const { return collapsed_.contains(title); }
  // Shows `entry` in the detail; nothing clears it.
  void select(const bridge::Completion& entry) { selection_ = entry; }
  bool isSelected(const bridge::Completion& entry) const {
    return selection_ && selection_->name == entry.name;
  }

 private:
  QString query_;
  QList<bridge::Completion> all_;
  std::optional<bridge::Completion> selection_;
  QSet<QString> collapsed_;
};

}  // namespace zx::views
