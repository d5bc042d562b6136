#include "shell/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "shell/unsaved_work.h"

namespace zx::views {

MainWindow::MainWindow(ShellSettings& settings, model::Workspace& workspace,
                       model::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), settings_(settings), workspace_(workspace), dialogs_(dialogs) {
  setMinimumSize(kMinimumSize);
  showSelected(std::nullopt);
  placeInitially();
}

void MainWindow::setTitleAndEdited(const QString& title, bool edited) {
  if (title == title_ && edited == edited_) return;
  title_ = title;
  edited_ = edited;
  // "[*]" is Qt's placeholder for the edited mark; doubled, it shows as itself.
  QString escaped = title;
  escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  setWindowTitle(escaped + QStringLiteral("[*]"));
  setWindowModified(edited);
}

void MainWindow::showSelected(const std::optional<FileLook>& file) {
  setTitleAndEdited(file ? file->name : QStringLiteral("Zentrix Code"), file && file->unsaved);
}

void MainWindow::setFullScreen(bool on) {
  if (on == isFullScreen()) return;
  if (on) {
    showFullScreen();
  } else {
    showNormal();
  }
}

QRect MainWindow::defaultFrame(const QRect& available) {
  const int width =
      std::max(std::min(kDefaultSize.width(), available.width()), kMinimumSize.width());
  const int height =
      std::max(std::min(kDefaultSize.height(), available.height()), kMinimumSize.height());
  QRect frame(0, 0, width, height);
  frame.moveCenter(available.center());
  return frame;
}

void MainWindow::placeInitially() {
  const QByteArray frame = settings_.frame();
  if (!frame.isEmpty() && restoreGeometry(frame)) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), kDefaultSize);
  setGeometry(defaultFrame(available));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!settleUnsavedWork(workspace_, dialogs_)) {
    event->ignore();
    return;
  }
  settings_.setFrame(saveGeometry());
  event->accept();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) emit fullScreenChanged(isFullScreen());
}

}  // namespace zx::views
