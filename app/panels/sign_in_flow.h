// The sign-in sheet's state and its calls to the platform: find a broker, fetch its
// servers, sign in, store the session and wait for the account's symbols. The sheet
// shows this state and forwards the user's actions; the password never lands here.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

#include "client/platform_client.h"
#include "model/workspace.h"

namespace zx::views {

class SignInFlow final : public QObject {
  Q_OBJECT

 public:
  enum class Part { brokers, step, servers, busy, problem };
  Q_ENUM(Part)

  // The search asks the platform for this many brokers; a reply holding more shows these.
  static constexpr qsizetype kBrokersAsked = 25;

  SignInFlow(model::Workspace& workspace, client::PlatformClient& client,
             QObject* parent = nullptr);

  const QString& query() const { return query_; }
  const QList<client::Broker>& brokers() const { return brokers_; }
  // None on the broker step; the chosen broker on the credentials step.
  const std::optional<client::Broker>& broker() const { return broker_; }
  const QList<client::TradingServer>& servers() const { return servers_; }
  const std::optional<client::TradingServer>& server() const { return server_; }
  bool busy() const { return busy_; }
  const std::optional<QString>& problem() const { return problem_; }

  // "Sign in to Zentrix", or "Sign in to <broker>" once one is chosen.
  QString title() const;
  // What the broker step says while its list is empty; empty after the search failed,
  // whose problem then speaks alone.
  QString hint() const;
  // Whether "Sign in" may be pressed with what is typed.
  bool canSubmit(const QString& login, const QString& password) const;

  // Every search replaces the ones before it: an older reply is dropped.
  void search(const QString& text);
  void choose(const client::Broker& broker);
  void changeBroker();
  void chooseServer(int index);
  // Signs in on the chosen server. The sign-in outlives the flow: its session is stored
  // and the symbols loaded even when the sheet is gone by then.
  void submit(const QString& login, const QString& password);

 signals:
  void changed(zx::views::SignInFlow::Part part);
  // Signed in and the account's symbols loaded: time to close.
  void signedIn();

 private:
  void setBusy(bool busy);
  void setProblem(std::optional<QString> problem);

  model::Workspace& workspace_;
  client::PlatformClient& client_;

  QString query_;
  QList<client::Broker> brokers_;
  std::optional<client::Broker> broker_;
  QList<client::TradingServer> servers_;
  std::optional<client::TradingServer> server_;
  bool busy_ = false;
  std::optional<QString> problem_;

  // The latest search reached no answer: the empty list says nothing about matches.
  bool searchFailed_ = false;
  quint64 searchGeneration_ = 0;
  quint64 serversGeneration_ = 0;
};

}  // namespace zx::views
