// What the shell's views show of each open document (name, kind, unsaved), worked out
// once per change of the document list and shared by every view of one workspace.
//
// A keystroke replaces one document's text; every other text is the same shared buffer
// as before. Each look keeps the texts it came from, so an unchanged buffer (same data
// and size, which the kept copy makes immutable) reuses its kind and unsaved flag
// instead of scanning and comparing the text again.
#pragma once

#include <QList>
#include <QObject>
#include <QUuid>
#include <optional>

#include "model/workspace.h"

namespace zx::views {

struct FileLook {
  QUuid id;
  QString name;
  model::SourceFile::Kind kind = model::SourceFile::Kind::bot;
  bool unsaved = false;
};

class FileLooks final : public QObject {
 public:
  // The one set of looks of `workspace`, made on first use and owned by it.
  static FileLooks& of(model::Workspace& workspace);

  // The looks of the current `files`, in order.
  const QList<FileLook>& looks();
  std::optional<FileLook> look(const QUuid& id);
  std::optional<FileLook> selected();

 private:
  explicit FileLooks(model::Workspace& workspace);

  struct Source {
    QString name, text, savedText;
  };

  model::Workspace& workspace_;
  bool stale_ = true;
  QList<FileLook> looks_;
  QList<Source> sources_;
};

}  // namespace zx::views
