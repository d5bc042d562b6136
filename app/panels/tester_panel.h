// The Tester tab: the settings strip, then the state of the latest backtest: running,
// none yet, stopped with errors, or its results.
#pragma once

#include <QPointer>
#include <QTextEdit>
#include <QWidget>

#include "model/workspace.h"
#include "panels/tester_results.h"

class QVBoxLayout;

namespace zx::views {

class TesterSettings;

class TesterPanel final : public QWidget {
  Q_OBJECT

 public:
  enum class State { progress, empty, errors, results };

  explicit TesterPanel(model::Workspace& workspace, QWidget* parent = nullptr);

  State state() const { return state_; }
  TesterSettings* settings() const { return settings_; }
  // The widget of the current state; the typed ones are null in the other states.
  QWidget* content() const { return content_; }
  TesterResults* results() const { return results_; }
  QTextEdit* errorList() const { return errors_; }
  // The trades pane's height, kept across runs while the tab is shown.
  double tradesHeight() const { return tradesHeight_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void onChanged(model::Workspace::Field field);
  void rebuild();
  QWidget* progressView();
  QTextEdit* errorView(const QList<QString>& errors);
  void fillErrors();

  model::Workspace& workspace_;
  TesterSettings* settings_;
  QVBoxLayout* layout_;
  State state_ = State::empty;
  bool signedIn_ = false;
  double tradesHeight_ = 168;
  QPointer<QWidget> content_;
  QPointer<TesterResults> results_;
  QPointer<QTextEdit> errors_;
  // What errors_ lists, painted again when the palette changes.
  QList<QString> errorLines_;
};

}  // namespace zx::views
