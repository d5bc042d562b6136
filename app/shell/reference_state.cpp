#include "shell/reference_state.h"

#include <algorithm>

#include "model/text_order.h"

namespace zx::views {

const QStringList& ReferenceState::groupOrder() {
  static const QStringList order{
      QStringLiteral("Price data"), QStringLiteral("Indicators"), QStringLiteral("Trading"),
      QStringLiteral("Account"),    QStringLiteral("Chart"),      QStringLiteral("Maths"),
      QStringLiteral("Text"),       QStringLiteral("Time"),       QStringLiteral("Collections"),
      QStringLiteral("Network"),    QStringLiteral("Storage"),    QStringLiteral("System"),
      QStringLiteral("General"),
  };
  return order;
}

bool ReferenceState::load(const bridge::EngineCalls& engine) {
  if (!all_.isEmpty()) return false;
  all_ = engine.completions(QString());
  return true;
}

QList<bridge::Completion> ReferenceState::matches() const {
  // Only tabs and space separators are trimmed; a line break typed or pasted stays.
  const QString q = model::trimBlanks(query_).toLower();
  QList<bridge::Completion> out;
  for (const bridge::Completion& c : all_) {
    if (q.isEmpty()) {
      if (c.kind != u"member") out.append(c);
    } else if (c.name.toLower().contains(q) || c.summary.toLower().contains(q)) {
      out.append(c);
    }
  }
  return out;
}

QList<ReferenceSection> ReferenceState::sections() const {
  const QList<bridge::Completion> found = matches();
  QList<ReferenceSection> out;
  for (const QString& title : groupOrder()) {
    ReferenceSection section{title, {}};
    for (const bridge::Completion& c : found) {
      if ((c.group.isEmpty() ? generalTitle() : c.group) == title) section.entries.append(c);
    }
    if (section.entries.isEmpty()) continue;
    std::stable_sort(section.entries.begin(), section.entries.end(),
                     [](const bridge::Completion& a, const bridge::Completion& b) {
                       return model::codePointLess(a.name, b.name);
                     });
    out.append(std::move(section));
  }
  return out;
}

void ReferenceState::toggle(const QString& title) {
  if (!collapsed_.remove(title)) collapsed_.insert(title);
}

}  // namespace zx::views
