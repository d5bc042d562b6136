#include "bridge/market_input.h"

#include <algorithm>
#include <cmath>

namespace zx::bridge {

double MarketSymbol::point() const {
  // pow on a whole exponent is exact where it can be (10^-5 is the double nearest 1e-5).
  return std::pow(10.0, -static_cast<double>(digits));
}

double MarketSymbol::pip() const {
  const double p = point();
  return digits == 3 || digits == 5 ? p * 10 : p;
}

MarketSymbol defaultSymbol() {
  MarketSymbol s;
  s.name = QStringLiteral("EURUSD");
  s.digits = 5;
  s.tickSize = 0;
  s.tickValue = 0;
  s.contractSize = 100000;
  s.volumeMin = 0.01;
  s.volumeMax = 100;
  s.volumeStep = 0.01;
  s.conversion = 1;
  s.spreadPoints = 10;
  return s;
}

PriceColumns priceColumns(const Candles* bars) {
  PriceColumns c;
  if (!bars) return c;
  const qsizetype shortest = std::min({bars->times.size(), bars->open.size(), bars->high.size(),
                                       bars->low.size(), bars->close.size(), bars->volume.size()});
  if (shortest <= 0) return c;
  c.times = bars->times.constData();
  c.open = bars->open.constData();
  c.high = bars->high.constData();
  c.low = bars->low.constData();
  c.close = bars->close.constData();
  c.volume = bars->volume.constData();
  c.count = static_cast<std::size_t>(shortest);
  return c;
}

}  // namespace zx::bridge
