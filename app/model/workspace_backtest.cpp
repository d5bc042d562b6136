// A backtest run: the account's prices when there are any, the engine's own otherwise;
// the engine call runs on a worker with copies of everything it needs.
#include <QtConcurrent/QtConcurrentRun>

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
  // The worker touches no workspace state; the destructor waits for it.
  const bridge::EngineCalls* engine = &engine_;
  backtestWatcher_.setFuture(
      QtConcurrent::run([engine, snapshot, bars = std::move(bars), symbol = std::move(symbol)] {
        return engine->backtest(snapshot.text, snapshot.name, bars, symbol, snapshot.balance,
                                kWarmupBars);
      }));
}

void Workspace::backtestFinished() {
  setReport(backtestWatcher_.result());
  setIsTesting(false);
}

}  // namespace zx::model
