// Building the selected document into a bundle.
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "model/workspace.h"

namespace zx::model {
namespace {

// The desktop folder as the user's XDG settings name it, or home when it is missing.
QString desktopFolder() {
  const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (!desktop.isEmpty() && QFileInfo(desktop).isDir()) return QDir::cleanPath(desktop);
  return QDir::cleanPath(QDir::homePath());
}

}  // namespace

QString Workspace::defaultBuildFolder(const SourceFile& file) const {
  if (file.url) return QFileInfo(*file.url).path();
  if (lastBuildFolder_) return *lastBuildFolder_;
  return desktopFolder();
}

void Workspace::build(bool askWhere) {
  const std::optional<SourceFile> chosen = selected();
  if (!chosen) return;
  const bool indicator = chosen->kind() == SourceFile::Kind::indicator;
  const QString extension = indicator ? QStringLiteral("zxi") : QStringLiteral("zxb");
  QString stem = chosen->name;
  stem.remove(QStringLiteral(".kelolib"));
  stem.remove(QStringLiteral(".kelo"));
  const QString folder = defaultBuildFolder(*chosen);
  const QString fileName = stem + u'.' + extension;

  QString target = QDir::cleanPath(folder + u'/' + fileName);
  if (askWhere) {
    FilePanel panel;
    panel.title = QStringLiteral("Build ") + chosen->name;
    panel.acceptLabel = QStringLiteral("Build");
    panel.folder = folder;
    panel.fileName = fileName;
    panel.filters = {indicator ? QStringLiteral("Kelo indicator bundle (*.zxi)")
                               : QStringLiteral("Kelo bundle (*.zxb)")};
    panel.defaultSuffix = extension;
    const std::optional<QString> answer = dialogs_.saveFile(panel);
    if (!answer) return;
    target = QDir::cleanPath(*answer);
    // The panel only filters: a typed name keeps its own ending, which may be a source's.
    const QString suffix = u'.' + extension;
    if (!target.endsWith(suffix)) target += suffix;
  }
  // The panel turned the event loop: build the document as it is now, if still open.
  const std::optional<qsizetype> i = indexOf(chosen->id);
  if (!i) return;
  const SourceFile file = files_[*i];
  if (const SourceFile* open = documentAt(target, std::nullopt)) {
    reportFailure(QStringLiteral("Could not build: ") + fileOfDocument(target, *open));
    return;
  }

  setLastBuildFolder(QFileInfo(target).path());
  const bridge::BuildResult result = engine_.build(file.text, file.name, target);
  setBuildFailed(!result.ok);
  if (result.ok) {
    const QString sep = QStringLiteral(" \u00B7 ");
    setBuildMessage(QStringLiteral("Built ") + QFileInfo(target).fileName() + sep +
                    QString::number(result.bytes.value_or(0)) + QStringLiteral(" bytes") + sep +
                    QString::number(result.inputs.value_or(0)) + QStringLiteral(" inputs"));
    setLastBuiltURL(target);
  } else {
    setBuildMessage(result.error.value_or(QStringLiteral("The build failed")));
  }
}

void Workspace::revealLastBuild() {
  if (!lastBuiltURL_) return;
  const QString path = *lastBuiltURL_;
  revealInFileManager(path, QFileInfo(path).fileName());
}

}  // namespace zx::model
