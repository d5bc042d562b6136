#include "panels/sign_in_flow.h"

#include <QPointer>

#include "model/text_order.h"
#include "panels/sign_in_text.h"

namespace zx::views {

SignInFlow::SignInFlow(model::Workspace& workspace, client::PlatformClient& client, QObject* parent)
    : QObject(parent), workspace_(workspace), client_(client) {}

QString SignInFlow::title() const {
  if (broker_) return QStringLiteral("Sign in to ") + broker_->name;
  return QStringLiteral("Sign in to Zentrix");
}

QString SignInFlow::hint() const {
  // Counted as typed; the request below counts the trimmed text.
  if (characterCount(query_) < 2) {
    return QStringLiteral("Type at least two characters of the broker or server name.");
  }
  if (searchFailed_) return {};
  return QStringLiteral("No broker matches that.");
}

bool SignInFlow::canSubmit(const QString& login, const QString& password) const {
  return broker_ && !busy_ && !login.isEmpty() && !password.isEmpty();
}

void SignInFlow::search(const QString& text) {
  query_ = text;
  const quint64 generation = ++searchGeneration_;
  if (characterCount(model::trimBlanks(text)) < 2) {
    searchFailed_ = false;
    brokers_.clear();
    emit changed(Part::brokers);
    return;
  }
  emit changed(Part::brokers);  // the hint follows the query
  // The text goes out as typed, blanks and all.
  client_.brokers(text, this, [this, generation](client::Outcome<QList<client::Broker>> outcome) {
    if (generation != searchGeneration_) return;
    searchFailed_ = !outcome.ok();
    if (!outcome.ok()) {
      emit changed(Part::brokers);
      return setProblem(outcome.error().message());
    }
    brokers_ = std::move(outcome.value());
    // One row per broker: a platform answering with thousands must not stall the sheet.
    if (brokers_.size() > kBrokersAsked) brokers_.resize(kBrokersAsked);
    emit changed(Part::brokers);
  });
}

void SignInFlow::choose(const client::Broker& broker) {
  broker_ = broker;
  emit changed(Part::step);
  setProblem(std::nullopt);
  const quint64 generation = ++serversGeneration_;
  client_.servers(
      broker.name, this, [this, generation](client::Outcome<QList<client::TradingServer>> outcome) {
        if (generation != serversGeneration_) return;
        if (!outcome.ok()) return setProblem(outcome.error().message());
        servers_ = std::move(outcome.value());
        server_ = servers_.isEmpty() ? std::nullopt
                                     : std::optional<client::TradingServer>(servers_.first());
        emit changed(Part::servers);
      });
}

void SignInFlow::changeBroker() {
  ++serversGeneration_;
  broker_.reset();
  servers_.clear();
  server_.reset();
  emit changed(Part::servers);
  emit changed(Part::step);
  setProblem(std::nullopt);
}

void SignInFlow::chooseServer(int index) {
  if (index < 0 || index >= servers_.size()) return;
  server_ = servers_[index];
  emit changed(Part::servers);
}

void SignInFlow::submit(const QString& login, const QString& password) {
  if (!canSubmit(login, password)) return;
  setBusy(true);
  // The workspace, not this flow, is the call's context: a sign-in that succeeds after
  // Cancel must still reach the model, or the keyring would hold an account the
  // application shows as signed out.
  QPointer<SignInFlow> self(this);
  model::Workspace* workspace = &workspace_;
  client_.signIn(model::trimBlanks(login), password, server_ ? server_->serverName : QString(),
                 workspace, [self, workspace](client::Outcome<client::Session> outcome) {
                   if (!outcome.ok()) {
                     if (!self) return;
                     self->setProblem(outcome.error().message());
                     self->setBusy(false);
                     return;
                   }
                   workspace->setSession(outcome.value());
                   workspace->loadSymbols([self] {
                     if (!self) return;
                     emit self->signedIn();
                     if (self) self->setBusy(false);
                   });
                 });
}

void SignInFlow::setBusy(bool busy) {
  busy_ = busy;
  emit changed(Part::busy);
}

void SignInFlow::setProblem(std::optional<QString> problem) {
  problem_ = std::move(problem);
  emit changed(Part::problem);
}

}  // namespace zx::views
