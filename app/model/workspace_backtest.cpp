// A backtest run: the account's prices when there are any, the engine's own otherwise;
// the engine call runs on a thread of its own with copies of everything it needs.
#include <thread>

#include "model/workspace.h"

namespace zx::model {

void Workspace::runBacktest() {
  const std::optional<SourceFile> file = selected();
  // One run at a time: a second would race the first for `report` and `isTesting`.
  if (!file || isTesting_) return;
  setIsTesting(true);
  setReport(std::nullopt);

  BacktestSnapshot snapshot;
  snapshot.text = file->text;
  snapshot.name = file->name;
  snapshot.balance = testBalance_;
  snapshot.bars = testBars_;
  snapshot.timeframe = testTimeframe_;
  snapshot.symbol = selectedSymbol();

  if (!session_ || !snapshot.symbol) {
    QTimer::singleShot(0, this,
                       [this, snapshot] { backtestWithHistory(snapshot, std::nullopt, false); });
    return;
  }
  client_.candles(snapshot.symbol->sym, snapshot.timeframe, this,
                  [this, snapshot](client::Outcome<QList<client::Candle>> outcome) {
                    if (!outcome.ok()) {
                      setDataNotice(outcome.error().message());
                      return backtestWithHistory(snapshot, std::nullopt, true);
                    }
                    const QList<client::Candle>& rows = outcome.value();
                    // Rows whose time is unusable are dropped before the count.
                    if (MarketData::usableRows(rows) < kMinimumBars) {
                      setDataNotice(snapshot.symbol->sym +
                                    QStringLiteral(" has no price history on this server yet."));
                      return backtestWithHistory(snapshot, std::nullopt, true);
                    }
                    // The currency and quotes as they are now, after the download.
                    backtestWithHistory(
                        snapshot,
                        MarketData::history(rows, *snapshot.symbol, snapshot.timeframe,
                                            snapshot.bars, accountCurrency_, quotes_),
                        true);
                  });
}

void Workspace::backtestWithHistory(const BacktestSnapshot& snapshot,
                                    std::optional<PriceHistory> history, bool attempted) {
  if (backtestAbandoned_) return;
  // No bars at all is no history: the engine generates its own, and the tester must
  // not claim live data for them.
  if (history && history->candles.count() == 0) {
    history.reset();
    attempted = false;
  }
  if (history) {
    setUsingLiveData(history->source.isLive());
    setDataNotice(history->source.text);
    setPriceDigits(history->symbol.digits);
    setReportCurrency(history->money.currency);
    setCurrencyConverted(history->money.converted);
  } else {
    setUsingLiveData(false);
    // After a failed download its reason stays.
    if (!attempted) setDataNotice(generatedNotice());
    setPriceDigits(5);
    setReportCurrency(accountCurrency_);
    setCurrencyConverted(true);
  }

  std::optional<bridge::Candles> bars;
  std::optional<bridge::MarketSymbol> symbol;
  if (history) {
    bars = std::move(history->candles);
    symbol = std::move(history->symbol);
  }
  // The thread touches no workspace state; the destructor waits for it unless abandoned.
  const std::shared_ptr<BacktestLink> link = backtestLink_;
  {
    const std::lock_guard lock(link->mutex);
    link->running = true;
  }
  std::thread([link, engine = &engine_, snapshot, bars = std::move(bars),
               symbol = std::move(symbol)] {
    bridge::BacktestReport report =
        engine->backtest(snapshot.text, snapshot.name, bars, symbol, snapshot.balance, kWarmupBars);
    const std::lock_guard lock(link->mutex);
    if (Workspace* w = link->workspace) {
      QMetaObject::invokeMethod(
          w, [w, report = std::move(report)]() mutable { w->backtestFinished(std::move(report)); },
          Qt::QueuedConnection);
    }
    link->running = false;
    link->ended.notify_all();
  }).detach();
}

void Workspace::backtestFinished(bridge::BacktestReport report) {
  setReport(std::move(report));
  setIsTesting(false);
}

bool Workspace::abandonBacktest() {
  backtestAbandoned_ = true;
  const std::lock_guard lock(backtestLink_->mutex);
  backtestLink_->workspace = nullptr;
  // A run still downloading its prices counts: it would start the engine once the
  // download came back, which backtestWithHistory now refuses.
  return isTesting_ || backtestLink_->running;
}

}  // namespace zx::model
