// Making, opening, saving, renaming, revealing and closing documents. Every panel and
// alert turns the event loop while it is open, so a document is looked up again by id
// after each one: it may have changed or gone meanwhile.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "model/text_files.h"
#include "model/text_order.h"
#include "model/workspace.h"

namespace zx::model {
namespace {

const QString kKeloFilter = QStringLiteral("Kelo files (*.kelo *.kelolib)");
const QString kLibrarySuffix = QStringLiteral(".kelolib");
const QString kKeloSuffix = QStringLiteral(".kelo");
const QString kCouldNotRename = QStringLiteral("Could not rename: ");

QString folderOf(const QString& path) {
  return QFileInfo(path).path();
}
QString fileNameOf(const QString& path) {
  return QFileInfo(path).fileName();
}

bool isValidFileName(const QString& name) {
  return name != QStringLiteral(".") && name != QStringLiteral("..") && !name.contains(u'/') &&
         !name.contains(QChar(0));
}

// Replaces what another program wrote to the file `name` only when the user says so.
Alert changedOutsideAlert(const QString& name) {
  Alert alert;
  alert.style = Alert::Style::warning;
  alert.message =
      QStringLiteral("Another program changed %1 since it was opened or saved.").arg(name);
  alert.informativeText = QStringLiteral(
      "Replace it with the text in this window? The other program's changes will be lost.");
  alert.buttons = {QStringLiteral("Replace"), QStringLiteral("Cancel")};
  alert.defaultIndex = 1;
  alert.cancelIndex = 1;
  return alert;
}

}  // namespace

QString Workspace::uniqueName(const QString& base) const {
  const auto taken = [this](const QString& name) {
    return std::any_of(files_.begin(), files_.end(),
                       [&](const SourceFile& f) { return f.name == name; });
  };
  if (!taken(base)) return base;
  const bool library = base.endsWith(kLibrarySuffix);
  const QString& extension = library ? kLibrarySuffix : kKeloSuffix;
  QString stem = base;
  if (stem.endsWith(extension)) stem.chop(extension.size());
  for (qint64 n = 2;; ++n) {
    const QString candidate = stem + u'-' + QString::number(n) + extension;
    if (!taken(candidate)) return candidate;
  }
}

void Workspace::newFile(SourceFile::Kind kind) {
  SourceFile file = SourceFile::make(uniqueName(SourceFile::baseName(kind)),
                                     SourceFile::templateText(kind), std::nullopt, QString());
  QList<SourceFile> files = files_;
  files.append(file);
  setFiles(std::move(files));
  select(file);
}

void Workspace::openFromDisk() {
  FilePanel panel;
  panel.title = QStringLiteral("Open a Kelo file");
  panel.filters = {kKeloFilter};
  panel.multiple = true;
  const QStringList paths = dialogs_.openFiles(panel);
  if (paths.isEmpty()) return;

  std::optional<QString> skipped;
  for (const QString& chosen : paths) {
    const QString path = QDir::cleanPath(chosen);
    // By the file itself: a link and its target are one document.
    if (const SourceFile* open = documentAt(path, std::nullopt)) {
      setSelectedFileID(open->id);
      continue;
    }
    const TextRead read = readTextFile(path);
    if (!read.ok()) {
      skipped = QStringLiteral("Could not open %1: %2").arg(fileNameOf(path), *read.error);
      continue;
    }
    SourceFile file =
        SourceFile::make(fileNameOf(path), read.text, path, read.text, read.format, read.digest);
    const QUuid id = file.id;
    QList<SourceFile> files = files_;
    files.append(std::move(file));
    setFiles(std::move(files));
    setSelectedFileID(id);
  }
  // A file skipped without a word would look like a panel that did nothing.
  if (skipped) reportFailure(*skipped);
  runCheck(true);
}

void Workspace::select(SourceFile file) {
  setSelectedFileID(file.id);
  setReport(std::nullopt);
  setBuildMessage(std::nullopt);
  runCheck(true);
}

void Workspace::save(SourceFile file) {
  const std::optional<qsizetype> i = indexOf(file.id);
  if (!i) return;
  if (!files_[*i].url) return saveAs(std::move(file));
  write(files_[*i], *files_[*i].url);
}

void Workspace::saveAs(SourceFile file) {
  if (!indexOf(file.id)) return;
  FilePanel panel;
  panel.title = QStringLiteral("Save ") + file.name;
  panel.fileName = file.name;
  if (file.url) {
    panel.folder = folderOf(*file.url);
  } else if (lastBuildFolder_) {
    panel.folder = *lastBuildFolder_;
  }
  panel.filters = {kKeloFilter};
  // From the document's own extension: a library must not be saved as a bot.
  panel.defaultSuffix =
      file.name.endsWith(kLibrarySuffix) ? QStringLiteral("kelolib") : QStringLiteral("kelo");
  const std::optional<QString> chosen = dialogs_.saveFile(panel);
  if (!chosen) return;
  const std::optional<qsizetype> i = indexOf(file.id);
  if (!i) return;
  write(files_[*i], QDir::cleanPath(*chosen));
}

const SourceFile* Workspace::documentAt(const QString& path, std::optional<QUuid> except) const {
  for (const SourceFile& f : files_) {
    if (f.id != except && f.url && sameFile(*f.url, path)) return &f;
  }
  return nullptr;
}

QString Workspace::fileOfDocument(const QString& path, const SourceFile& document) {
  return QStringLiteral("%1 is the file of the open document %2")
      .arg(fileNameOf(path), document.name);
}

void Workspace::write(SourceFile file, QString path) {
  // Two documents on one file would each overwrite the other's saves unseen.
  if (const SourceFile* twin = documentAt(path, file.id)) {
    reportFailure(QStringLiteral("Could not save: ") + fileOfDocument(path, *twin));
    return;
  }
  // Another file is the save panel's to ask about.
  if (file.url && sameFile(path, *file.url) && fileChanged(path, file.disk)) {
    if (dialogs_.ask(changedOutsideAlert(fileNameOf(path))) != 0) return;
    const SourceFile* now = findFile(file.id);
    if (!now) return;
    file = *now;
  }
  const QByteArray bytes = encodeText(file.text, file.format);
  if (const std::optional<QString> error = writeFileBytes(path, bytes)) {
    reportFailure(QStringLiteral("Could not save: ") + *error);
    return;
  }
  const QString name = fileNameOf(path);
  // A listener may change `files` at each publication, so the document is found anew.
  if (SourceFile* f = findFile(file.id)) {
    f->url = path;
    publishFiles();
  }
  if (SourceFile* f = findFile(file.id)) {
    f->name = name;
    publishFiles();
  }
  if (SourceFile* f = findFile(file.id)) {
    f->savedText = file.text;
    // The application's own bytes: the next save must not take them for another's.
    f->disk = FileDigest::of(bytes);
    publishFiles();
  }
  setBuildFailed(false);
  setBuildMessage(QStringLiteral("Saved ") + name);
}

void Workspace::rename(SourceFile file, const QString& typed) {
  const std::optional<qsizetype> i = indexOf(file.id);
  if (!i) return;
  const QString trimmed = trimBlanks(typed);
  if (trimmed.isEmpty()) return;
  if (!isValidFileName(trimmed)) {
    reportFailure(kCouldNotRename + QStringLiteral("\"%1\" is not a valid file name").arg(trimmed));
    return;
  }
  QString name = trimmed;
  if (!name.contains(u'.')) {
    name += file.name.endsWith(kLibrarySuffix) ? kLibrarySuffix : kKeloSuffix;
  }
  if (const std::optional<QString> url = files_[*i].url) {
    const QString destination = QDir::cleanPath(folderOf(*url) + u'/' + name);
    // An open document whose file is gone from disk would not stop the move.
    if (const SourceFile* twin = documentAt(destination, file.id)) {
      reportFailure(kCouldNotRename + fileOfDocument(destination, *twin));
      return;
    }
    // QFile::rename refuses a file onto itself; an unchanged name is no move at all.
    if (destination != *url) {
      QFile source(*url);
      // Never overwrites: a file already at the destination makes this fail.
      if (!source.rename(destination)) {
        reportFailure(kCouldNotRename +
                      QStringLiteral("%1 (%2)").arg(source.errorString(), destination));
        return;
      }
      files_[*i].url = destination;
      publishFiles();
    }
  }
  // Found anew: a listener may have changed `files` at the publication above.
  if (SourceFile* f = findFile(file.id)) {
    f->name = name;
    publishFiles();
  }
  // An earlier attempt's failure no longer holds once the rename is done; any other
  // message is not the rename's to clear.
  if (buildFailed_ && buildMessage_ && buildMessage_->startsWith(kCouldNotRename)) {
    setBuildFailed(false);
    setBuildMessage(std::nullopt);
  }
}

void Workspace::reveal(SourceFile file) {
  if (!file.url) {
    reportFailure(file.name + QStringLiteral(" has not been saved to disk yet"));
    return;
  }
  revealInFileManager(*file.url, file.name);
}

void Workspace::revealInFileManager(const QString& path, const QString& name) {
  viewer_.reveal(path, this, [this, name](bool shown) {
    if (!shown) reportFailure(QStringLiteral("Could not show %1 in the file manager").arg(name));
  });
}

void Workspace::confirmDelete(SourceFile file) {
  // The open document's own text tells whether edits would be lost.
  const std::optional<qsizetype> i = indexOf(file.id);
  const SourceFile& current = i ? files_[*i] : file;
  Alert alert;
  alert.style = Alert::Style::warning;
  alert.message = QStringLiteral("Remove %1?").arg(file.name);
  if (!file.url) {
    alert.informativeText =
        QStringLiteral("This file has never been saved, so its contents will be lost.");
  } else {
    alert.informativeText =
        QStringLiteral("The file stays on disk at %1. Only this window closes it.").arg(*file.url);
    if (current.hasUnsavedChanges()) {
      alert.informativeText += QStringLiteral(" Its unsaved changes will be lost.");
    }
  }
  alert.buttons = {QStringLiteral("Remove"), QStringLiteral("Cancel")};
  alert.defaultIndex = 0;
  alert.cancelIndex = 1;
  if (dialogs_.ask(alert) == 0) closeFile(file);
}

void Workspace::closeFile(SourceFile file) {
  QList<SourceFile> files = files_;
  const qsizetype removed = files.removeIf([&](const SourceFile& f) { return f.id == file.id; });
  if (removed == 0) return;
  setFiles(std::move(files));
  if (selectedFileID_ != file.id) return;
  setSelectedFileID(files_.isEmpty() ? std::nullopt : std::optional<QUuid>(files_.first().id));
  runCheck(true);
}

}  // namespace zx::model
