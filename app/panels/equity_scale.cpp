#include "panels/equity_scale.h"

#include <algorithm>
#include <cmath>

namespace zx::views {

QList<double> sampled(const QList<double>& values, qsizetype limit) {
  const qsizetype n = values.size();
  if (n <= limit) return values;
  if (limit <= 0) return {};
  // Kept in doubles exactly so: for n = 1000, i = 9 gives 10.000000000000002 and skips 9.
  const double step = double(n) / double(limit);
  QList<double> out;
  out.reserve(limit);
  for (qsizetype i = 0; i < limit; ++i) {
    const qsizetype k = std::min<qsizetype>(n - 1, qsizetype(step * double(i)));
    out.append(values[k]);
  }
  return out;
}

ValueRange equityDomain(const QList<double>& points, double start) {
  double lo = INFINITY;
  double hi = -INFINITY;
  for (double v : points) {
    if (!std::isfinite(v)) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  const bool startShown = std::isfinite(start);
  if (lo > hi) lo = hi = startShown ? start : 0.0;
  const double pad = std::max({(hi - lo) * 0.15, std::fabs(hi) * 0.002, 1.0});
  if (startShown) {
    lo = std::min(lo, start);
    hi = std::max(hi, start);
  }
  return {lo - pad, hi + pad};
}

QList<double> ticks(double lo, double hi) {
  const double span = hi - lo;
  if (!std::isfinite(span) || span <= 0) return {};
  const double rough = span / 5;
  const double power = std::pow(10.0, std::floor(std::log10(rough)));
  const double fraction = rough / power;
  const double step = power * (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10);
  // Each tick is k * step for a whole k, so zero reads 0 and not -0.
  const double first = std::ceil(lo / step);
  const double last = std::floor(hi / step);
  QList<double> out;
  for (double k = first; k <= last && out.size() < 64; k += 1) {
    const double v = k * step;
    out.append(v == 0 ? 0.0 : v);
  }
  return out;
}

}  // namespace zx::views
