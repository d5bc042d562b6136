// Shows a file in the desktop's file manager through the freedesktop FileManager1
// service on the session bus; without it, opens the file's folder instead.
#pragma once

#include <QDBusConnection>
#include <QUrl>
#include <functional>

#include "model/file_viewer.h"

namespace zx::model {

class DesktopFileViewer final : public FileViewer {
 public:
  // Opens a folder URL; true when something opened it.
  using FolderOpener = std::function<bool(const QUrl& folder)>;

  explicit DesktopFileViewer(QDBusConnection bus = QDBusConnection::sessionBus(),
                             FolderOpener openFolder = defaultFolderOpener());

  void reveal(const QString& path, QObject* context, std::function<void(bool shown)> done) override;

  static FolderOpener defaultFolderOpener();
  // How long the file manager may take to answer before the folder is opened instead.
  static constexpr int kTimeoutMs = 5000;

 private:
  QDBusConnection bus_;
  FolderOpener openFolder_;
};

}  // namespace zx::model
