#include "model/qt_dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zx::model {
namespace {

// Each button's position in the alert: the box orders its buttons by role, not as added.
constexpr char kIndexProperty[] = "zxAlertIndex";

QStringList cleaned(const QStringList& paths) {
  QStringList out;
  for (const QString& p : paths) out << QDir::cleanPath(QFileInfo(p).absoluteFilePath());
  return out;
}

QMessageBox::Icon iconOf(Alert::Style style) {
  switch (style) {
    case Alert::Style::information:
      return QMessageBox::Information;
    case Alert::Style::warning:
      return QMessageBox::Warning;
    case Alert::Style::critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QFileDialog> QtDialogs::makeFileDialog(const FilePanel& panel,
                                                       QFileDialog::AcceptMode mode,
                                                       QWidget* parent) {
  auto dialog = std::make_unique<QFileDialog>(parent, panel.title);
  dialog->setAcceptMode(mode);
  if (mode == QFileDialog::AcceptOpen) {
    dialog->setFileMode(panel.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  } else {
    dialog->setFileMode(QFileDialog::AnyFile);
  }
  // A missing folder would show the working directory instead.
  const bool known = !panel.folder.isEmpty() && QFileInfo(panel.folder).isDir();
  dialog->setDirectory(known ? panel.folder : QDir::homePath());
  if (!panel.filters.isEmpty()) dialog->setNameFilters(panel.filters);
  if (!panel.defaultSuffix.isEmpty()) dialog->setDefaultSuffix(panel.defaultSuffix);
  if (!panel.acceptLabel.isEmpty()) dialog->setLabelText(QFileDialog::Accept, panel.acceptLabel);
  if (!panel.fileName.isEmpty()) dialog->selectFile(panel.fileName);
  dialog->setModal(true);
  return dialog;
}

std::unique_ptr<QMessageBox> QtDialogs::makeMessageBox(const Alert& alert, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setIcon(iconOf(alert.style));
  box->setWindowTitle(alert.title.isEmpty() ? QGuiApplication::applicationDisplayName()
                                            : alert.title);
  box->setText(alert.message);
  box->setInformativeText(alert.informativeText);
  box->setTextFormat(Qt::PlainText);
  for (int i = 0; i < alert.buttons.size(); ++i) {
    const QMessageBox::ButtonRole role = i == alert.cancelIndex    ? QMessageBox::RejectRole
                                         : i == alert.defaultIndex ? QMessageBox::AcceptRole
                                                                   : QMessageBox::ActionRole;
    QPushButton* button = box->addButton(alert.buttons[i], role);
    button->setProperty(kIndexProperty, i);
    if (i == alert.defaultIndex) box->setDefaultButton(button);
    if (i == alert.cancelIndex) box->setEscapeButton(button);
  }
  box->setModal(true);
  return box;
}

int QtDialogs::answer(const QMessageBox& box, const Alert& alert) {
  // Closing the box from code, or a button the alert did not name, counts as cancel.
  const QAbstractButton* clicked = box.clickedButton();
  if (!clicked || !clicked->property(kIndexProperty).isValid()) return alert.cancelIndex;
  return clicked->property(kIndexProperty).toInt();
}

TextPromptDialog::TextPromptDialog(const TextPrompt& prompt, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QGuiApplication::applicationDisplayName());
  heading_ = new QLabel(prompt.title, this);
  heading_->setTextFormat(Qt::PlainText);
  QFont bold = heading_->font();
  bold.setBold(true);
  heading_->setFont(bold);
  heading_->setVisible(!prompt.title.isEmpty());
  detail_ = new QLabel(prompt.label, this);
  detail_->setTextFormat(Qt::PlainText);
  detail_->setWordWrap(true);
  detail_->setVisible(!prompt.label.isEmpty());
  field_ = new QLineEdit(prompt.text, this);
  field_->setFixedWidth(kFieldWidth);
  field_->setAccessibleName(prompt.title);
  field_->selectAll();

  auto* buttons = new QDialogButtonBox(this);
  accept_ =
      buttons->addButton(prompt.acceptLabel.isEmpty() ? QStringLiteral("OK") : prompt.acceptLabel,
                         QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  accept_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* column = new QVBoxLayout(this);
  column->setSizeConstraint(QLayout::SetFixedSize);
  column->addWidget(heading_);
  column->addWidget(detail_);
  column->addSpacing(4);
  column->addWidget(field_);
  column->addSpacing(8);
  column->addWidget(buttons);
  field_->setFocus(Qt::OtherFocusReason);
  setModal(true);
}

QString TextPromptDialog::textValue() const {
  return field_->text();
}

std::unique_ptr<TextPromptDialog> QtDialogs::makeTextPrompt(const TextPrompt& prompt,
                                                            QWidget* parent) {
  return std::make_unique<TextPromptDialog>(prompt, parent);
}

QStringList QtDialogs::openFiles(const FilePanel& panel) {
  const auto dialog = makeFileDialog(panel, QFileDialog::AcceptOpen, window_);
  if (dialog->exec() != QDialog::Accepted) return {};
  return cleaned(dialog->selectedFiles());
}

std::optional<QString> QtDialogs::saveFile(const FilePanel& panel) {
  const auto dialog = makeFileDialog(panel, QFileDialog::AcceptSave, window_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = cleaned(dialog->selectedFiles());
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}

int QtDialogs::ask(const Alert& alert) {
  const auto box = makeMessageBox(alert, window_);
  box->exec();
  return answer(*box, alert);
}

std::optional<QString> QtDialogs::askText(const TextPrompt& prompt) {
  const auto dialog = makeTextPrompt(prompt, window_);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  return dialog->textValue();
}

}  // namespace zx::model
