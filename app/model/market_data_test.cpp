#include "model/market_data.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zx::model {
namespace {

using client::Candle;
using client::Quote;
using Quotes = QMap<QString, Quote>;

QList<Candle> hourly(int n, double firstT) {
  QList<Candle> rows;
  for (int i = 0; i < n; ++i) {
    rows.append(Candle{firstT + i * 3600000.0, 1.0 + i, 2.0 + i, 0.5 + i, 1.5 + i, 10.0 + i});
  }
  return rows;
}

client::SymbolRow row(const QString& sym, qint64 digits = 5) {
  client::SymbolRow r;
  r.sym = sym;
  r.digits = digits;
  return r;
}

TEST(MarketData, TimeframeLabels) {
  QStringList labels;
  for (const Timeframe& t : Timeframe::all()) labels << t.label();
  EXPECT_EQ(labels, (QStringList{"M1", "M5", "M15", "M30", "H1", "H4", "D1"}));
  const struct {
    qint64 minutes;
    const char* label;
  } rows[] = {{240, "H4"}, {1440, "D1"}, {2, "M2"}, {0, "M0"}, {-5, "M-5"}, {90, "M90"}};
  for (const auto& r : rows) EXPECT_EQ(Timeframe::label(r.minutes), r.label) << r.minutes;
}

TEST(MarketData, QuoteCurrency) {
  const struct {
    const char* sym;
    std::optional<QString> quote;
  } rows[] = {
      {"eurusd.m", "USD"}, {"XAUUSD", std::nullopt}, {"EUR", std::nullopt}, {"EURUSDX", "USD"},
      {"GBPJPY", "JPY"},   {"US500", std::nullopt},  {"", std::nullopt},
  };
  for (const auto& r : rows) EXPECT_EQ(MarketData::quoteCurrency(r.sym), r.quote) << r.sym;
  EXPECT_EQ(MarketData::currencyCodes().size(), 20);
}

TEST(MarketData, Conversion) {
  const Quotes eurusd{{"EURUSD", Quote{1.1, 1.2}}};
  EXPECT_EQ(MarketData::conversion("USD", "USD", {}), 1.0);
  EXPECT_EQ(MarketData::conversion("EUR", "USD", eurusd), 1.15);
  EXPECT_EQ(MarketData::conversion("USD", "EUR", eurusd), 1.0 / 1.15);
  EXPECT_EQ(MarketData::conversion("EUR", "USD", {{"EURUSD", Quote{1.1, std::nullopt}}}), 1.1);
  EXPECT_EQ(MarketData::conversion("EUR", "USD",
                                   {{"EURUSD", Quote{0.0, 0.0}}, {"USDEUR", Quote{0.8, 0.8}}}),
            1.25);
  EXPECT_EQ(MarketData::conversion("EUR", "USD", {{"EURUSD", Quote{}}}), std::nullopt);
  EXPECT_EQ(MarketData::conversion("EUR", "USD", {{"EURUSD", Quote{NAN, NAN}}}), std::nullopt);
  EXPECT_EQ(MarketData::conversion("EUR", "USD", {{"eurusd", Quote{1.1, 1.2}}}), std::nullopt);
}

TEST(MarketData, HistoryChoosesTheLastRows) {
  const Quotes none;
  PriceHistory h =
      MarketData::history(hourly(7000, 1704153600000), row("EURUSD"), 60, 5000, "USD", none);
  ASSERT_EQ(h.candles.count(), 5000);
  EXPECT_EQ(h.candles.times.first(), 1711353600000);
  EXPECT_EQ(h.candles.times.last(), 1729350000000);
  EXPECT_EQ(h.candles.open.first(), 2001.0);
  EXPECT_EQ(h.source, PriceHistory::Source::live(
                          "EURUSD \u00B7 H1 \u00B7 5,000 bars \u00B7 25 Mar 24 to 19 Oct 24"));
  EXPECT_EQ(h.timeframe, 60);

  // First and last by position, not the extremes.
  QList<Candle> rows = hourly(5000, 1704153600000);
  rows.last().t = 1709856000000;
  rows[10].t = 1e12;
  h = MarketData::history(rows, row("EURUSD"), 60, 5000, "USD", none);
  EXPECT_EQ(h.source.text, "EURUSD \u00B7 H1 \u00B7 5,000 bars \u00B7 2 Jan 24 to 8 Mar 24");

  EXPECT_EQ(
      MarketData::history(hourly(300, 0), row("EURUSD"), 60, 5000, "USD", none).candles.count(),
      300);
  for (qint64 limit : {0, -3}) {
    h = MarketData::history(hourly(300, 0), row("EURUSD"), 60, limit, "USD", none);
    EXPECT_EQ(h.candles, bridge::Candles{});
    EXPECT_EQ(h.source.text, "EURUSD \u00B7 H1 \u00B7 0 bars");
  }
  h = MarketData::history(hourly(5, 1704153600000), row("EURUSD"), 60, 5000, "USD", none);
  EXPECT_EQ(h.source.text, "EURUSD \u00B7 H1 \u00B7 5 bars \u00B7 2 Jan 24");
  h = MarketData::history(hourly(1, 1725148800000), row("EURUSD"), 1440, 5000, "USD", none);
  EXPECT_EQ(h.source.text, "EURUSD \u00B7 D1 \u00B7 1 bars \u00B7 1 Sept 24");
}

TEST(MarketData, HistoryColumnsAndBadTimes) {
  QList<Candle> rows{
      Candle{1.9, 1, 2, 0.5, 1.5, std::nullopt},
      Candle{-1.5, 1, 2, 0.5, 1.5, 7},
      Candle{1e300, 1, 2, 0.5, 1.5, 7},
      Candle{-1e300, 1, 2, 0.5, 1.5, 7},
      Candle{9.3e18, 1, 2, 0.5, 1.5, 7},
      Candle{NAN, 1, 2, 0.5, 1.5, 7},
      Candle{-9223372036854775808.0, 3, 4, 2, 3, 1},
  };
  const PriceHistory h = MarketData::history(rows, row("EURUSD"), 60, 5000, "USD", {});
  const bridge::Candles& c = h.candles;
  EXPECT_EQ(c.times, (QList<std::int64_t>{1, -1, std::numeric_limits<std::int64_t>::min()}));
  EXPECT_EQ(c.volume, (QList<double>{0, 7, 1}));
  for (qsizetype n :
       {c.open.size(), c.high.size(), c.low.size(), c.close.size(), c.volume.size()}) {
    EXPECT_EQ(n, 3);
  }
  EXPECT_EQ(c.close, (QList<double>{1.5, 1.5, 3}));
  // The limit counts usable rows only.
  EXPECT_EQ(MarketData::history(rows, row("EURUSD"), 60, 2, "USD", {}).candles.times,
            (QList<std::int64_t>{-1, std::numeric_limits<std::int64_t>::min()}));
}

TEST(MarketData, HistorySymbolAndMoney) {
  PriceHistory h = MarketData::history(hourly(30, 0), row("EURUSD", 5), 60, 10, "USD", {});
  EXPECT_EQ(h.symbol.tickSize, std::pow(10.0, -5));
  EXPECT_EQ(h.symbol.tickSize, 1e-05);
  EXPECT_EQ(h.symbol.tickValue, 0);
  EXPECT_EQ(h.symbol.contractSize, 100000);
  EXPECT_EQ(h.symbol.volumeMin, 0.01);
  EXPECT_EQ(h.symbol.volumeMax, 100);
  EXPECT_EQ(h.symbol.volumeStep, 0.01);
  EXPECT_EQ(h.symbol.spreadPoints, 10);
  EXPECT_EQ(h.symbol.conversion, 1.0);
  EXPECT_EQ(h.money, (PriceHistory::Money{"USD", true}));

  client::SymbolRow spec = row("XAUUSD", 2);
  spec.contract = 100;
  spec.minLot = 0.1;
  spec.maxLot = 50;
  spec.lotStep = 0.1;
  h = MarketData::history(hourly(30, 0), spec, 60, 10, "USD", {});
  EXPECT_EQ(h.symbol.name, "XAUUSD");
  EXPECT_EQ(h.symbol.digits, 2);
  EXPECT_EQ(h.symbol.contractSize, 100);
  EXPECT_EQ(h.symbol.volumeMin, 0.1);
  EXPECT_EQ(h.symbol.volumeMax, 50);
  EXPECT_EQ(h.symbol.volumeStep, 0.1);

  const struct {
    const char* sym;
    const char* account;
    Quotes quotes;
    double conversion;
    PriceHistory::Money money;
  } rows[] = {
      {"GBPJPY", "USD", {{"USDJPY", Quote{150.0, 150.0}}}, 1.0 / 150, {"USD", true}},
      {"GBPJPY", "USD", {}, 1.0, {"JPY", false}},
      {"US500", "EUR", {}, 1.0, {"EUR", false}},
  };
  for (const auto& r : rows) {
    h = MarketData::history(hourly(30, 0), row(r.sym), 60, 10, r.account, r.quotes);
    EXPECT_EQ(h.symbol.conversion, r.conversion) << r.sym;
    EXPECT_EQ(h.money, r.money) << r.sym;
  }
}

}  // namespace
}  // namespace zx::model
