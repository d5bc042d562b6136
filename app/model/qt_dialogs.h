// Dialogs shown with Qt's file dialog, message box and input dialog, each modal over the
// main window and run with exec(). A fresh dialog is made for every question: a reused
// message box stops answering Return after an Escape.
#pragma once

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "model/dialogs.h"

namespace zx::model {

class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* mainWindow = nullptr) : window_(mainWindow) {}

  // The window the dialogs are modal over; the shell sets it once it has one.
  void setMainWindow(QWidget* window) { window_ = window; }

  QStringList openFiles(const FilePanel& panel) override;
  std::optional<QString> saveFile(const FilePanel& panel) override;
  int ask(const Alert& alert) override;
  std::optional<QString> askText(const TextPrompt& prompt) override;

  // The dialogs as configured, not yet shown.
  static std::unique_ptr<QFileDialog> makeFileDialog(const FilePanel& panel,
                                                     QFileDialog::AcceptMode mode, QWidget* parent);
  static std::unique_ptr<QMessageBox> makeMessageBox(const Alert& alert, QWidget* parent);
  static std::unique_ptr<QInputDialog> makeTextPrompt(const TextPrompt& prompt, QWidget* parent);
  // The answer of a message box that has run.
  static int answer(const QMessageBox& box, const Alert& alert);

 private:
  QPointer<QWidget> window_;
};

}  // namespace zx::model
