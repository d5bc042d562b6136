// The question before unsaved work would be lost when the window closes.
#pragma once

#include <QList>

#include "model/dialogs.h"
#include "model/workspace.h"

namespace zx::views {

// The documents whose text differs from what was last saved, in `files` order.
QList<model::SourceFile> unsavedFiles(const model::Workspace& workspace);

// The question for these documents: "Save the changes to a.kelo before closing?" or
// "… to 3 files before closing?", naming them all below.
model::Alert unsavedWorkAlert(const QList<model::SourceFile>& unsaved);

// Whether the window may close. With nothing unsaved, yes at once. Otherwise asks once:
// "Save All" saves each unsaved document in order (a never-saved one through its panel)
// and answers yes only when all of them are saved, stopping at the first that is not;
// "Discard" answers yes and writes nothing; "Cancel" answers no.
bool settleUnsavedWork(model::Workspace& workspace, model::Dialogs& dialogs);

}  // namespace zx::views
