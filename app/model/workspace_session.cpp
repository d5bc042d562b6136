// The signed-in account: restoring it at start, loading its symbols, signing out, and
// the values derived from it.
#include <algorithm>

#include "model/text_order.h"
#include "model/workspace.h"

namespace zx::model {

void Workspace::restoreSession() {
  // Off this thread: a keyring that does not answer must not hold the window.
  client_.restoreStored(this, [this](std::optional<client::Session> stored) {
    // A sign-in while the keyring was read owns the session.
    if (!stored || session_) return;
    setSession(std::move(stored));
    loadSymbols();
  });
}

void Workspace::loadSymbols(std::function<void()> done) {
  const quint64 load = ++loadGeneration_;
  const quint64 session = sessionGeneration_;
  setLoadingSymbols(true);
  client_.market(this, [this, load, session,
                        done = std::move(done)](client::Outcome<client::MarketState> outcome) {
    // A newer load owns `loadingSymbols`; a reply for an account signed out since (or
    // replaced) must not show its symbols.
    if (load == loadGeneration_) {
      if (session != sessionGeneration_) {
        setLoadingSymbols(false);
      } else if (outcome.ok()) {
        client::MarketState& market = outcome.value();
        setAccountCurrency(market.currency);
        quotes_ = std::move(market.quotes);
        QList<client::SymbolRow> rows = std::move(market.symbols);
        std::stable_sort(rows.begin(), rows.end(),
                         [](const client::SymbolRow& a, const client::SymbolRow& b) {
                           return codePointLess(a.sym, b.sym);
                         });
        setSymbols(std::move(rows));
        const bool listed =
            !testSymbol_.isEmpty() &&
            std::any_of(symbols_.begin(), symbols_.end(),
                        [this](const client::SymbolRow& r) { return r.sym == testSymbol_; });
        if (!listed) {
          const auto eurusd =
              std::find_if(symbols_.begin(), symbols_.end(), [](const client::SymbolRow& r) {
                return r.sym.startsWith(QStringLiteral("EURUSD"));
              });
          if (eurusd != symbols_.end()) {
            setTestSymbol(eurusd->sym);
          } else {
            setTestSymbol(symbols_.isEmpty() ? QString() : symbols_.first().sym);
          }
        }
        setLoadingSymbols(false);
      } else {
        reportFailure(outcome.error().message());
        setLoadingSymbols(false);
      }
    }
    if (done) done();
  });
}

void Workspace::signOut() {
  client_.signOut();
  setSession(std::nullopt);
  setSymbols({});
  setTestSymbol(QString());
  setUsingLiveData(false);
  setDataNotice(generatedNotice());
}

std::optional<client::SymbolRow> Workspace::selectedSymbol() const {
  if (testSymbol_.isEmpty()) return std::nullopt;
  for (const client::SymbolRow& row : symbols_) {
    if (row.sym == testSymbol_) return row;
  }
  return std::nullopt;
}

QString Workspace::accountLabel() const {
  if (!session_) return {};
  const QString& place =
      session_->brokerName.isEmpty() ? session_->serverName : session_->brokerName;
  if (place.isEmpty()) return session_->login;
  return session_->login + QStringLiteral(" \u00B7 ") + place;
}

qint64 Workspace::errorCount() const {
  return std::count_if(diagnostics_.begin(), diagnostics_.end(),
                       [](const bridge::Diagnostic& d) { return d.severity == u"error"; });
}

qint64 Workspace::warningCount() const {
  return std::count_if(diagnostics_.begin(), diagnostics_.end(),
                       [](const bridge::Diagnostic& d) { return d.severity == u"warning"; });
}

}  // namespace zx::model
