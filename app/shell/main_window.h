// The application's one window: its title and edited mark, the frame it remembers, and
// the question before unsaved work is lost. The window manager draws the decorations.
#pragma once

#include <QMainWindow>
#include <QSize>

#include "model/dialogs.h"
#include "model/workspace.h"
#include "shell/file_looks.h"
#include "shell/shell_settings.h"

class QScreen;

namespace zx::views {

class MainWindow final : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr QSize kDefaultSize{1360, 880};
  static constexpr QSize kMinimumSize{1020, 660};

  // Restores the stored frame, or takes the default one. Every argument must outlive
  // the window.
  MainWindow(ShellSettings& settings, model::Workspace& workspace, model::Dialogs& dialogs,
             QWidget* parent = nullptr);

  // The title is shown verbatim (a "[*]" in a name stays); `edited` marks it "*". Applied
  // only when either differs from what is shown.
  void setTitleAndEdited(const QString& title, bool edited);
  // The selected document's name, marked while it has unsaved changes; "Zentrix Code"
  // when nothing is selected.
  void showSelected(const std::optional<FileLook>& file);

  void setFullScreen(bool on);

  // The default frame on `available`: the default size, shrunk to fit but never below
  // the minimum, centred.
  static QRect defaultFrame(const QRect& available);

 signals:
  void fullScreenChanged(bool on);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void placeInitially();

  ShellSettings& settings_;
  model::Workspace& workspace_;
  model::Dialogs& dialogs_;
  QString title_;
  bool edited_ = false;
};

}  // namespace zx::views
