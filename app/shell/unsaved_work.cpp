#include "shell/unsaved_work.h"

#include <QStringList>

namespace zx::views {

namespace {

enum Answer { saveAll, discard, cancel };

}  // namespace

QList<model::SourceFile> unsavedFiles(const model::Workspace& workspace) {
  QList<model::SourceFile> out;
  for (const model::SourceFile& f : workspace.files()) {
    if (f.hasUnsavedChanges()) out << f;
  }
  return out;
}

model::Alert unsavedWorkAlert(const QList<model::SourceFile>& unsaved) {
  QStringList names;
  for (const model::SourceFile& f : unsaved) names << f.name;
  model::Alert alert;
  alert.title = QStringLiteral("Zentrix Code");
  alert.style = model::Alert::Style::warning;
  const QString what =
      unsaved.size() == 1 ? names.first() : QStringLiteral("%1 files").arg(unsaved.size());
  alert.message = QStringLiteral("Save the changes to %1 before closing?").arg(what);
  alert.informativeText = QStringLiteral("Unsaved: ") + names.join(QStringLiteral(", ")) +
                          QStringLiteral(". If you discard them, the changes are lost.");
  alert.buttons = {QStringLiteral("Save All"), QStringLiteral("Discard"), QStringLiteral("Cancel")};
  alert.defaultIndex = saveAll;
  alert.cancelIndex = cancel;
  return alert;
}

bool settleUnsavedWork(model::Workspace& workspace, model::Dialogs& dialogs) {
  const QList<model::SourceFile> unsaved = unsavedFiles(workspace);
  if (unsaved.isEmpty()) return true;
  const int answer = dialogs.ask(unsavedWorkAlert(unsaved));
  if (answer == discard) return true;
  if (answer != saveAll) return false;
  for (const model::SourceFile& asked : unsaved) {
    // A panel turns the event loop, so each document is looked up again.
    std::optional<model::SourceFile> file = workspace.file(asked.id);
    if (!file || !file->hasUnsavedChanges()) continue;
    workspace.save(*file);
    file = workspace.file(asked.id);
    if (file && file->hasUnsavedChanges()) return false;
  }
  return true;
}

}  // namespace zx::views
