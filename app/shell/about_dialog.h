// The About window: the product's name, its version with the engine's, and a line of
// credits. One per main window, not modal, the engine's version read again on every
// opening.
#pragma once

#include <QDialog>

#include "bridge/engine_calls.h"

class QLabel;

namespace zx::views {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  static QString versionText(const QString& engineVersion);
  static QString creditsText();

  // Shows and raises the one About window of `window`, making it on first use.
  static AboutDialog* present(QWidget* window, const bridge::EngineCalls& engine);

  QLabel* nameLabel() const { return name_; }
  QLabel* versionLabel() const { return version_; }
  QLabel* creditsLabel() const { return credits_; }

 private:
  explicit AboutDialog(QWidget* window);
  void refresh(const bridge::EngineCalls& engine);

  QLabel* name_;
  QLabel* version_;
  QLabel* credits_;
};

}  // namespace zx::views
