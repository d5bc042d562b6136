#include "model/market_data.h"

#include <algorithm>
#include <cmath>

#include "model/number_text.h"

namespace zx::model {
namespace {

const QString kSeparator = QStringLiteral(" \u00B7 ");

std::optional<double> mid(const client::Quote& q) {
  std::optional<double> m;
  if (q.bid && q.ask) {
    m = (*q.bid + *q.ask) / 2;
  } else if (q.bid) {
    m = q.bid;
  } else if (q.ask) {
    m = q.ask;
  }
  // NaN fails the comparison by itself.
  if (m && *m > 0) return m;
  return std::nullopt;
}

std::optional<double> quotedMid(const QMap<QString, client::Quote>& quotes, const QString& key) {
  const auto it = quotes.constFind(key);
  if (it == quotes.constEnd()) return std::nullopt;
  return mid(*it);
}

// Inside [-2^63, 2^63): the conversion to int64 is defined. NaN is outside.
bool fitsInt64(double t) {
  return t >= -9223372036854775808.0 && t < 9223372036854775808.0;
}

QString range(const QList<std::int64_t>& times) {
  if (times.isEmpty()) return {};
  const QString first = dateText(times.first());
  const QString last = dateText(times.last());
  if (first == last) return kSeparator + first;
  return kSeparator + first + QStringLiteral(" to ") + last;
}

}  // namespace

const QList<Timeframe>& Timeframe::all() {
  static const QList<Timeframe> table{
      {1, QStringLiteral("M1")},    {5, QStringLiteral("M5")},  {15, QStringLiteral("M15")},
      {30, QStringLiteral("M30")},  {60, QStringLiteral("H1")}, {240, QStringLiteral("H4")},
      {1440, QStringLiteral("D1")},
  };
  return table;
}

QString Timeframe::label(qint64 minutes) {
  for (const Timeframe& t : all()) {
    if (t.minutes() == minutes) return t.label();
  }
  return QStringLiteral("M") + QString::number(minutes);
}

namespace MarketData {

const QSet<QString>& currencyCodes() {
  static const QSet<QString> codes{
      QStringLiteral("USD"), QStringLiteral("EUR"), QStringLiteral("GBP"), QStringLiteral("JPY"),
      QStringLiteral("CHF"), QStringLiteral("AUD"), QStringLiteral("NZD"), QStringLiteral("CAD"),
      QStringLiteral("CNH"), QStringLiteral("SEK"), QStringLiteral("NOK"), QStringLiteral("DKK"),
      QStringLiteral("PLN"), QStringLiteral("CZK"), QStringLiteral("HUF"), QStringLiteral("TRY"),
      QStringLiteral("ZAR"), QStringLiteral("MXN"), QStringLiteral("SGD"), QStringLiteral("HKD"),
  };
  return codes;
}

std::optional<QString> quoteCurrency(const QString& symbol) {
  const QString upper = symbol.toUpper();
  if (upper.size() < 6) return std::nullopt;
  const QString base = upper.first(3);
  const QString quote = upper.sliced(3, 3);
  if (currencyCodes().contains(base) && currencyCodes().contains(quote)) return quote;
  return std::nullopt;
}

std::optional<double> conversion(const QString& from, const QString& to,
                                 const QMap<QString, client::Quote>& quotes) {
  if (from == to) return 1.0;
  if (const auto direct = quotedMid(quotes, from + to)) return direct;
  if (const auto inverse = quotedMid(quotes, to + from)) return 1.0 / *inverse;
  return std::nullopt;
}

qsizetype usableRows(const QList<client::Candle>& rows) {
  return std::count_if(rows.begin(), rows.end(),
                       [](const client::Candle& row) { return fitsInt64(row.t); });
}

PriceHistory history(const QList<client::Candle>& rows, const client::SymbolRow& spec,
                     qint64 timeframe, qint64 limit, const QString& currency,
                     const QMap<QString, client::Quote>& quotes) {
  // Usable rows are counted from the end, so the scan stops once `limit` are found.
  const qsizetype wanted = static_cast<qsizetype>(std::max<qint64>(0, limit));
  qsizetype first = rows.size();
  qsizetype kept = 0;
  while (first > 0 && kept < wanted) {
    --first;
    if (fitsInt64(rows[first].t)) ++kept;
  }

  PriceHistory h;
  bridge::Candles& c = h.candles;
  c.times.reserve(kept);
  for (QList<double>* column : {&c.open, &c.high, &c.low, &c.close, &c.volume}) {
    column->reserve(kept);
  }
  for (qsizetype i = first; i < rows.size(); ++i) {
    const client::Candle& row = rows[i];
    if (!fitsInt64(row.t)) continue;
    c.times.append(static_cast<std::int64_t>(row.t));
    c.open.append(row.o);
    c.high.append(row.h);
    c.low.append(row.l);
    c.close.append(row.c);
    c.volume.append(row.v.value_or(0.0));
  }

  double factor = 1.0;
  const std::optional<QString> quote = quoteCurrency(spec.sym);
  const std::optional<double> rate =
      quote ? conversion(*quote, currency, quotes) : std::optional<double>();
  if (rate) {
    factor = *rate;
    h.money = {currency, true};
  } else if (quote) {
    h.money = {*quote, false};
  } else {
    h.money = {currency, false};
  }

  h.symbol.name = spec.sym;
  h.symbol.digits = spec.digits;
  h.symbol.tickSize = std::pow(10.0, -static_cast<double>(spec.digits));
  h.symbol.tickValue = 0;
  h.symbol.contractSize = spec.contract.value_or(100000.0);
  h.symbol.volumeMin = spec.minLot.value_or(0.01);
  h.symbol.volumeMax = spec.maxLot.value_or(100.0);
  h.symbol.volumeStep = spec.lotStep.value_or(0.01);
  h.symbol.conversion = factor;
  h.symbol.spreadPoints = 10;

  h.source =
      PriceHistory::Source::live(spec.sym + kSeparator + Timeframe::label(timeframe) + kSeparator +
                                 count(c.close.size()) + QStringLiteral(" bars") + range(c.times));
  h.timeframe = timeframe;
  return h;
}

}  // namespace MarketData
}  // namespace zx::model
