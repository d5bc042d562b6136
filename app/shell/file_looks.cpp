#include "shell/file_looks.h"

#include <QHash>

namespace zx::views {

namespace {

bool sameBuffer(const QString& a, const QString& b) {
  return a.constData() == b.constData() && a.size() == b.size();
}

}  // namespace

FileLooks& FileLooks::of(model::Workspace& workspace) {
  if (auto* existing = workspace.findChild<FileLooks*>(QString(), Qt::FindDirectChildrenOnly)) {
    return *existing;
  }
  return *new FileLooks(workspace);
}

FileLooks::FileLooks(model::Workspace& workspace) : QObject(&workspace), workspace_(workspace) {
  // Connected before any view asks, so the looks are stale before a view's own slot runs.
  connect(&workspace_, &model::Workspace::changed, this, [this](model::Workspace::Field f) {
    if (f == model::Workspace::Field::files) stale_ = true;
  });
}

const QList<FileLook>& FileLooks::looks() {
  if (!stale_) return looks_;
  stale_ = false;
  QHash<QUuid, qsizetype> before;
  for (qsizetype i = 0; i < looks_.size(); ++i) before.insert(looks_[i].id, i);

  QList<FileLook> looks;
  QList<Source> sources;
  const QList<model::SourceFile>& files = workspace_.files();
  looks.reserve(files.size());
  sources.reserve(files.size());
  for (const model::SourceFile& f : files) {
    FileLook look{f.id, f.name, model::SourceFile::Kind::bot, false};
    const auto old = before.constFind(f.id);
    const Source* was = old == before.constEnd() ? nullptr : &sources_[*old];
    if (was && sameBuffer(was->name, f.name) && sameBuffer(was->text, f.text)) {
      look.kind = looks_[*old].kind;
    } else {
      look.kind = f.kind();
    }
    if (was && sameBuffer(was->text, f.text) && sameBuffer(was->savedText, f.savedText)) {
      look.unsaved = looks_[*old].unsaved;
    } else {
      look.unsaved = f.hasUnsavedChanges();
    }
    looks << look;
    sources << Source{f.name, f.text, f.savedText};
  }
  looks_ = std::move(looks);
  sources_ = std::move(sources);
  return looks_;
}

std::optional<FileLook> FileLooks::look(const QUuid& id) {
  for (const FileLook& l : looks()) {
    if (l.id == id) return l;
  }
  return std::nullopt;
}

std::optional<FileLook> FileLooks::selected() {
  const std::optional<QUuid>& id = workspace_.selectedFileID();
  if (!id) return std::nullopt;
  return look(*id);
}

}  // namespace zx::views
