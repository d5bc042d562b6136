#include "model/desktop_file_viewer.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTimer>

namespace zx::model {

DesktopFileViewer::FolderOpener DesktopFileViewer::defaultFolderOpener() {
  return [](const QUrl& folder) { return QDesktopServices::openUrl(folder); };
}

DesktopFileViewer::DesktopFileViewer(QDBusConnection bus, FolderOpener openFolder)
    : bus_(std::move(bus)), openFolder_(std::move(openFolder)) {}

void DesktopFileViewer::reveal(const QString& path, QObject* context,
                               std::function<void(bool shown)> done) {
  QObject* receiver = context ? context : QCoreApplication::instance();
  const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).path());
  // Falls back to the folder, later, as every answer comes later.
  auto fallBack = [receiver, folder, open = openFolder_, done] {
    QTimer::singleShot(0, receiver, [folder, open, done] { done(open && open(folder)); });
  };

  if (!bus_.isConnected()) return fallBack();
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
  const QDBusPendingCall pending = bus_.asyncCall(call, kTimeoutMs);
  // A call that failed at once never signals a watcher made afterwards.
  if (pending.isFinished()) {
    if (pending.isError()) return fallBack();
    QTimer::singleShot(0, receiver, [done] { done(true); });
    return;
  }
  auto* watcher = new QDBusPendingCallWatcher(pending, receiver);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, receiver,
                   [watcher, fallBack, done] {
                     watcher->deleteLater();
                     if (watcher->isError()) return fallBack();
                     done(true);
                   });
}

}  // namespace zx::model
