// The sheet in which the user finds a broker, picks a server and signs in. A successful
// sign-in stores the session, waits for the account's symbols and closes the sheet.
// Cancel and the window's close button close it at once; a sign-in under way still
// completes. Neither Return nor Escape does anything.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

#include "client/platform_client.h"
#include "model/workspace.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace zx::theme {
class KitButton;
class KitField;
class KitLabel;
}  // namespace zx::theme

namespace zx::views {

class BrokerRow;
class SignInFlow;

class SignInSheet final : public QDialog {
  Q_OBJECT

 public:
  SignInSheet(model::Workspace& workspace, client::PlatformClient& client,
              QWidget* parent = nullptr);

  SignInFlow* flow() const { return flow_; }
  QString title() const;
  theme::KitField* searchField() const { return search_; }
  QList<BrokerRow*> brokerRows() const;
  // The hint shown while no broker is listed; hidden otherwise.
  QLabel* hint() const { return hint_; }
  QStackedWidget* steps() const { return steps_; }
  QPushButton* changeBrokerButton() const { return changeBroker_; }
  QComboBox* serverPicker() const { return serverPicker_; }
  QWidget* serverField() const { return serverField_; }
  QLineEdit* loginEdit() const { return login_; }
  QLineEdit* passwordEdit() const { return password_; }
  QWidget* problemStrip() const { return problemStrip_; }
  QLabel* problemText() const { return problemText_; }
  theme::KitButton* cancelButton() const { return cancel_; }
  theme::KitButton* signInButton() const { return signIn_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  QWidget* header();
  QWidget* brokerStep();
  QWidget* credentialsStep();
  QWidget* problemPanel();
  QWidget* footer();
  void onFlowChanged(int part);
  void showBrokers();
  void showServers();
  void showStep();
  // The login on the credentials step, else the broker search.
  void focusStep();
  void showProblem();
  void showSubmit();
  void syncTabOrder();
  void syncPalette();

  SignInFlow* flow_;
  theme::KitLabel* title_ = nullptr;
  QPushButton* changeBroker_ = nullptr;
  QStackedWidget* steps_ = nullptr;
  theme::KitField* search_ = nullptr;
  QLabel* hint_ = nullptr;
  QWidget* rowsBox_ = nullptr;
  QVBoxLayout* rows_ = nullptr;
  QList<QPointer<BrokerRow>> brokerRows_;
  QWidget* serverField_ = nullptr;
  QComboBox* serverPicker_ = nullptr;
  QLineEdit* login_ = nullptr;
  QLineEdit* password_ = nullptr;
  QWidget* problemStrip_ = nullptr;
  QLabel* problemText_ = nullptr;
  theme::KitButton* cancel_ = nullptr;
  theme::KitButton* signIn_ = nullptr;
};

// Presents one fresh sign-in sheet over `window`, window-modal, whenever the workspace's
// `wantsSignIn` is (or becomes) true; writes it back to false when the sheet closes, and
// closes the sheet when it turns false elsewhere. A closed sheet leaves the keyboard to
// the window's focus home. Lives as long as `window`.
void presentSignInWhenWanted(QWidget* window, model::Workspace& workspace,
                             client::PlatformClient& client);

}  // namespace zx::views
