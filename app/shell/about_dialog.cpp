#include "shell/about_dialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "theme/theme.h"

namespace zx::views {

namespace {

QLabel* line(const QString& text, theme::FontStyle style, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignHCenter);
  label->setFont(theme::font(style));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

QString AboutDialog::versionText(const QString& engineVersion) {
  return QStringLiteral("Version 1.0.0 (Kelo ") + engineVersion + QLatin1Char(')');
}

QString AboutDialog::creditsText() {
  return QStringLiteral("The development environment for Kelo, the Zentrix trading language.");
}

AboutDialog* AboutDialog::present(QWidget* window, const bridge::EngineCalls& engine) {
  auto* dialog = window->findChild<AboutDialog*>(QString(), Qt::FindDirectChildrenOnly);
  if (!dialog) dialog = new AboutDialog(window);
  dialog->refresh(engine);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

AboutDialog::AboutDialog(QWidget* window) : QDialog(window) {
  // Parented to the window, so it never keeps the process alive after the window closed.
  setWindowTitle(QStringLiteral("About Zentrix Code"));
  setModal(false);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(32, 28, 32, 28);
  column->setSpacing(theme::Space::md);
  name_ = line(QStringLiteral("Zentrix Code"), theme::FontStyle::title, this);
  version_ = line(QString(), theme::FontStyle::body, this);
  credits_ = line(creditsText(), theme::FontStyle::caption, this);
  column->addWidget(name_);
  column->addWidget(version_);
  column->addSpacing(theme::Space::xs);
  column->addWidget(credits_);
  column->setSizeConstraint(QLayout::SetFixedSize);
}

void AboutDialog::refresh(const bridge::EngineCalls& engine) {
  version_->setText(versionText(engine.version()));
}

}  // namespace zx::views
