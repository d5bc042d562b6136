// What the platform delivers (bars, the symbol row, quotes, the account currency) turned
// into the price input of one backtest, and the fixed table of chart timeframes.
#pragma once

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <optional>

#include "bridge/market_input.h"
#include "client/wire_models.h"

namespace zx::model {

// One bar length the tester offers.
class Timeframe {
 public:
  Timeframe(qint64 minutes, QString label) : minutes_(minutes), label_(std::move(label)) {}

  qint64 minutes() const { return minutes_; }
  const QString& label() const { return label_; }

  // M1, M5, M15, M30, H1, H4, D1, in that order.
  static const QList<Timeframe>& all();
  // The table's label for `minutes`, else "M" and the number (90 gives "M90").
  static QString label(qint64 minutes);

  friend bool operator==(const Timeframe&, const Timeframe&) = default;

 private:
  qint64 minutes_;
  QString label_;
};

// The price input of one backtest.
struct PriceHistory {
  // Where the prices come from, with the text the tester shows about them.
  struct Source {
    enum class Kind { live, generated };
    Kind kind = Kind::generated;
    QString text;  // the data label for live prices, a note for generated ones

    static Source live(QString label) { return {Kind::live, std::move(label)}; }
    static Source generated(QString note) { return {Kind::generated, std::move(note)}; }
    bool isLive() const { return kind == Kind::live; }
    friend bool operator==(const Source&, const Source&) = default;
  };

  // The currency of the report's money figures.
  struct Money {
    QString currency;
    bool converted = false;  // amounts reach the account currency through a known rate
    friend bool operator==(const Money&, const Money&) = default;
  };

  bridge::Candles candles;
  bridge::MarketSymbol symbol;
  Source source;
  qint64 timeframe = 0;  // minutes
  Money money;
};

namespace MarketData {

// The 20 currency codes a pair is made of.
const QSet<QString>& currencyCodes();

// "EURUSD.m" gives "USD": the second three letters when the first six (upper-cased)
// are two listed currencies; none otherwise.
std::optional<QString> quoteCurrency(const QString& symbol);

// The factor that turns an amount in `from` into `to`: 1 for equal codes, else the mid
// of the quote from+to, else 1 over the mid of to+from. A mid not above 0 is absent.
std::optional<double> conversion(const QString& from, const QString& to,
                                 const QMap<QString, client::Quote>& quotes);

// How many of `rows` have a usable time, as `history` counts them.
qsizetype usableRows(const QList<client::Candle>& rows);

// The last `limit` usable rows (a negative limit counts as 0) as engine columns, the
// symbol specification, the data label and the money currency. A row whose time is not
// a number or does not fit a 64-bit integer is dropped before the count.
PriceHistory history(const QList<client::Candle>& rows, const client::SymbolRow& spec,
                     qint64 timeframe, qint64 limit, const QString& currency,
                     const QMap<QString, client::Quote>& quotes);

}  // namespace MarketData

}  // namespace zx::model
