// The price input and the traded symbol of a backtest, and how they are lent to the
// engine: the columns as plain arrays with one count, the symbol as a `KeloSymbol`.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "kelo.h"

namespace zx::bridge {

// Price bars as six parallel columns, oldest first. The builder fills all six together.
struct Candles {
  QList<std::int64_t> times;  // bar open time, epoch milliseconds
  QList<double> open;
  QList<double> high;
  QList<double> low;
  QList<double> close;
  QList<double> volume;

  // The bar count is the length of `close`.
  qint64 count() const { return close.size(); }
  friend bool operator==(const Candles&, const Candles&) = default;
};

// The traded symbol's specification, passed to the engine unchanged.
struct MarketSymbol {
  QString name;
  qint64 digits = 0;
  double tickSize = 0;
  double tickValue = 0;
  double contractSize = 0;
  double volumeMin = 0;
  double volumeMax = 0;
  double volumeStep = 0;
  double conversion = 0;
  double spreadPoints = 0;

  // 10^-digits.
  double point() const;
  // Ten points for 3- and 5-digit prices, one point otherwise.
  double pip() const;

  // Calls `body(const KeloSymbol*)` with this symbol filled in field by field and
  // answers its result. The structure and its name text live only while `body` runs.
  template <class F>
  auto withUnsafeSpec(F&& body) const {
    const QByteArray utf8 = name.toUtf8();  // NUL-terminated by QByteArray
    const KeloSymbol spec{utf8.constData(), digits,    tickSize,   tickValue,  contractSize,
                          volumeMin,        volumeMax, volumeStep, conversion, spreadPoints};
    return std::forward<F>(body)(&spec);
  }

  friend bool operator==(const MarketSymbol&, const MarketSymbol&) = default;
};

// The symbol a backtest uses when none is given: EURUSD, 5 digits, tick size and tick
// value 0 (the engine derives them), contract 100000, volumes 0.01 to 100 by 0.01,
// conversion 1, spread 10 points.
MarketSymbol defaultSymbol();

// The engine's view of the price columns for one call.
struct PriceColumns {
  const std::int64_t* times = nullptr;
  const double* open = nullptr;
  const double* high = nullptr;
  const double* low = nullptr;
  const double* close = nullptr;
  const double* volume = nullptr;
  std::size_t count = 0;
};

// Pointers into `bars`' own storage (nothing is copied), valid while `bars` is alive and
// unchanged. No bars, or no bar in every column, gives six null pointers and count 0,
// which makes the engine generate its own bars. The count is the shortest column's
// length: the engine reads that many entries from each, so it never reads past one.
PriceColumns priceColumns(const Candles* bars);

}  // namespace zx::bridge
