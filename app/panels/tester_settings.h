// The strip above the tester's results: the next run's symbol, timeframe, balance and bar
// count, and the broker account. Signed out it offers "Sign in"; signed in it shows the
// two pickers and an account menu. Only a change of variant rebuilds its children.
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

#include "model/workspace.h"
#include "panels/number_box.h"

class QHBoxLayout;

namespace zx::views {

// The account menu's face: a green dot and the account's label; no arrow.
class AccountButton final : public QToolButton {
  Q_OBJECT

 public:
  explicit AccountButton(QWidget* parent = nullptr);
  void setLabel(const QString& label);
  QString label() const { return label_; }
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString label_;
};

class TesterSettings final : public QWidget {
  Q_OBJECT

 public:
  explicit TesterSettings(model::Workspace& workspace, QWidget* parent = nullptr);

  // Null in the other variant.
  NumberBox* balanceBox() const { return balance_; }
  NumberBox* barsBox() const { return bars_; }
  QComboBox* symbolPicker() const { return symbol_; }
  QComboBox* timeframePicker() const { return timeframe_; }
  AccountButton* accountButton() const { return account_; }
  QWidget* signInButton() const { return signIn_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void onChanged(model::Workspace::Field field);
  void build();
  QWidget* labelled(const QString& title, QWidget* control, QWidget* parent);
  NumberBox* makeBalance(QWidget* parent);
  NumberBox* makeBars(QWidget* parent);
  void fillSymbols();
  void showTimeframe();
  void syncPickerPalettes();

  model::Workspace& workspace_;
  QHBoxLayout* layout_;
  QPointer<QWidget> variant_;
  bool signedIn_ = false;
  QPointer<NumberBox> balance_;
  QPointer<NumberBox> bars_;
  QPointer<QComboBox> symbol_;
  QPointer<QComboBox> timeframe_;
  QPointer<AccountButton> account_;
  QPointer<QWidget> signIn_;
};

}  // namespace zx::views
