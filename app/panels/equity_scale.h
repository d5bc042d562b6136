// The numbers behind the equity chart: thinning a long series, the value range shown,
// and where the grid lines go.
#pragma once

#include <QList>

namespace zx::views {

// The marks the chart draws at most.
inline constexpr qsizetype kChartSamples = 900;

// At most `limit` values of `values`, evenly spread and starting with the first: the
// value at min(n - 1, trunc(n / limit * i)) for i = 0 ... limit - 1. Up to `limit`
// values come back unchanged (shared, not copied).
QList<double> sampled(const QList<double>& values, qsizetype limit);

struct ValueRange {
  double lo = 0;
  double hi = 0;
  friend bool operator==(const ValueRange&, const ValueRange&) = default;
};

// The vertical range for `points` and the starting balance `start`: both always inside,
// padded by max(15 % of the points' spread, 0.2 % of the highest point, 1). Values that
// are not finite are left out; with none left the points count as `start` (or 0).
ValueRange equityDomain(const QList<double>& points, double start);

// Grid values inside [lo, hi]: the multiples of a step of 1, 2 or 5 times a power of
// ten, the smallest one at least a fifth of the span. Empty for an empty or broken range.
QList<double> ticks(double lo, double hi);

}  // namespace zx::views
