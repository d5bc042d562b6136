// Dialogs shown with Qt's file dialog and message box and a prompt of our own, each modal
// over the main window and run with exec(). A fresh dialog is made for every question: a
// reused message box stops answering Return after an Escape.
#pragma once

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "model/dialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zx::model {

// A one-line text prompt laid out as an alert: the title as the heading of the body (a
// window manager may cut the window's own title), the label under it, then the field
// holding the proposed text, selected, and the accept and Cancel buttons.
class TextPromptDialog final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFieldWidth = 260;

  explicit TextPromptDialog(const TextPrompt& prompt, QWidget* parent = nullptr);

  QLabel* heading() const { return heading_; }
  QLabel* detail() const { return detail_; }
  QLineEdit* field() const { return field_; }
  QPushButton* acceptButton() const { return accept_; }
  QString textValue() const;

 private:
  QLabel* heading_;
  QLabel* detail_;
  QLineEdit* field_;
  QPushButton* accept_;
};

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
  static std::unique_ptr<TextPromptDialog> makeTextPrompt(const TextPrompt& prompt,
                                                          QWidget* parent);
  // The answer of a message box that has run.
  static int answer(const QMessageBox& box, const Alert& alert);

 private:
  QPointer<QWidget> window_;
};

}  // namespace zx::model
