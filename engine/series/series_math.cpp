#include "series/series_math.h"

#include <cmath>

#include "series/series_window.h"
#include "vm/columns.h"

namespace kelo_vm::series {
namespace {

Column nan_column(std::size_t len) {
  return columns::filled(len, kNaN);
}

// ema and smma: seeded by the window mean, then a carried step. When the carried value
// turns NaN the walk goes back to the seed, which is defined again a full window later.
template <typename Step>
Column seeded_walk(Input x, std::size_t n, Step step) {
  Column out = nan_column(x.size());
  if (n == 0) return out;
  WindowSum seed(x, n);
  double prev = kNaN;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const bool full = seed.step(i);
    if (std::isnan(prev)) {
      if (full) {
        prev = seed.mean();
        out[i] = prev;
      }
    } else {
      prev = step(prev, x[i]);
      out[i] = prev;
    }
  }
  return out;
}

Column window_extreme(Input x, std::size_t n, bool want_max) {
  if (n == 1) return Column(x.begin(), x.end());
  Column out = nan_column(x.size());
  if (n == 0 || n > x.size()) return out;
  WindowExtreme w(x, n, want_max);
  for (std::size_t i = 0; i < x.size(); ++i) {
    w.step(i);
    if (i + 1 >= n) out[i] = w.value();
  }
  return out;
}

}  // namespace

Column sma(Input x, std::size_t n) {
  Column out = nan_column(x.size());
  WindowSum w(x, n);
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (w.step(i)) out[i] = w.mean();
  }
  return out;
}

Column rolling_sum(Input x, std::size_t n) {
  Column out = nan_column(x.size());
  WindowSum w(x, n);
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (w.step(i)) out[i] = w.sum();
  }
  return out;
}

Column ema(Input x, std::size_t n) {
  const double alpha = 2.0 / (static_cast<double>(n) + 1.0);
  return seeded_walk(x, n, [alpha](double prev, double v) { return prev + alpha * (v - prev); });
}

Column smma(Input x, std::size_t n) {
  const double nd = static_cast<double>(n);
  return seeded_walk(x, n, [nd](double prev, double v) { return ((nd - 1.0) * prev + v) / nd; });
}

Column lwma(Input x, std::size_t n) {
  Column out = nan_column(x.size());
  if (n == 0 || n > x.size()) return out;
  // n <= column length, so the whole-number divisor cannot overflow.
  const std::size_t weights = n % 2 == 0 ? (n / 2) * (n + 1) : n * ((n + 1) / 2);
  const double divisor = static_cast<double>(weights);
  for (std::size_t i = n - 1; i < x.size(); ++i) {
    double acc = 0.0;
    for (std::size_t k = 0; k < n; ++k) acc += x[i - k] * static_cast<double>(n - k);
    out[i] = acc / divisor;
  }
  return out;
}

Column dema(Input x, std::size_t n) {
  const Column e1 = ema(x, n);
  const Column e2 = ema(e1, n);
  Column out = columns::filled(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) out[i] = e1[i] + e1[i] - e2[i];
  return out;
}

Column tema(Input x, std::size_t n) {
  const Column e1 = ema(x, n);
  const Column e2 = ema(e1, n);
  const Column e3 = ema(e2, n);
  Column out = columns::filled(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) out[i] = e3[i] + (3.0 * e1[i] - 3.0 * e2[i]);
  return out;
}

Column stdev(Input x, std::size_t n) {
  const Column m = sma(x, n);
  Column out = nan_column(x.size());
  if (n == 0 || n > x.size()) return out;
  const double nd = static_cast<double>(n);
  for (std::size_t i = n - 1; i < x.size(); ++i) {
    if (std::isnan(m[i])) continue;
    double acc = 0.0;
    for (std::size_t j = i + 1 - n; j <= i; ++j) {
      const double d = x[j] - m[i];
      acc += d * d;
    }
    out[i] = std::sqrt(acc / nd);
  }
  return out;
}

Column highest(Input x, std::size_t n) {
  return window_extreme(x, n, true);
}
Column lowest(Input x, std::size_t n) {
  return window_extreme(x, n, false);
}

Column rate_of_change(Input x, std::size_t n) {
  Column out = nan_column(x.size());
  for (std::size_t i = n; i < x.size(); ++i) {
    const double base = x[i - n];
    if (base != 0.0) out[i] = (x[i] / base - 1.0) * 100.0;
  }
  return out;
}

Column rsi(Input x, std::size_t n) {
  Column out = nan_column(x.size());
  if (n == 0 || x.size() < 2) return out;
  // Averaging starts at the first defined difference, so input that has no values yet
  // reads as no value rather than as a flat market.
  std::size_t first = 1;
  while (first < x.size() && (std::isnan(x[first]) || std::isnan(x[first - 1]))) ++first;
  if (first >= x.size() || x.size() - first < n) return out;
  const double nd = static_cast<double>(n);
  const std::size_t seed_end = first + n - 1;
  double avg_gain = 0.0;
  double avg_loss = 0.0;
  auto write = [&](std::size_t i) {
    out[i] = avg_loss == 0.0 ? 100.0 : 100.0 - 100.0 / (avg_gain / avg_loss + 1.0);
  };
  for (std::size_t i = first; i < x.size(); ++i) {
    const double d = x[i] - x[i - 1];
    const double gain = max_ignoring_nan(d, 0.0);
    const double loss = max_ignoring_nan(-d, 0.0);
    if (i <= seed_end) {
      avg_gain += gain;
      avg_loss += loss;
      if (i == seed_end) {
        avg_gain /= nd;
        avg_loss /= nd;
        write(i);
      }
    } else {
      avg_gain = (avg_gain * (nd - 1.0) + gain) / nd;
      avg_loss = (avg_loss * (nd - 1.0) + loss) / nd;
      write(i);
    }
  }
  return out;
}

Regression linear_regression(Input x, std::size_t n) {
  Regression r{nan_column(x.size()), nan_column(x.size()), nan_column(x.size())};
  if (n < 2 || n > x.size()) return r;
  const double nd = static_cast<double>(n);
  double sx = 0.0;
  double sxx = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double kd = static_cast<double>(k);
    sx += kd;
    sxx += kd * kd;
  }
  const double d = nd * sxx - sx * sx;
  for (std::size_t i = n - 1; i < x.size(); ++i) {
    const std::size_t start = i + 1 - n;
    double sy = 0.0;
    double sxy = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
      const double v = x[start + k];
      sy += v;
      sxy += static_cast<double>(k) * v;
    }
    const double slope = (nd * sxy - sx * sy) / d;
    const double intercept = (sy - sx * slope) / nd;
    r.slope[i] = slope;
    r.intercept[i] = intercept;
    r.value[i] = intercept + slope * (nd - 1.0);
  }
  return r;
}

Column correlation(Input a, Input b, std::size_t n) {
  Column out = nan_column(a.size());
  if (n < 2 || n > a.size()) return out;
  const double nd = static_cast<double>(n);
  for (std::size_t i = n - 1; i < a.size(); ++i) {
    const std::size_t start = i + 1 - n;
    double sa = 0.0;
    double sb = 0.0;
    for (std::size_t j = start; j <= i; ++j) {
      sa += a[j];
      sb += at(b, j);
    }
    const double ma = sa / nd;
    const double mb = sb / nd;
    double cov = 0.0;
    double va = 0.0;
    double vb = 0.0;
    for (std::size_t j = start; j <= i; ++j) {
      const double da = a[j] - ma;
      const double db = at(b, j) - mb;
      cov += da * db;
      va += da * da;
      vb += db * db;
    }
    const double denom = vb * va;
    if (denom != 0.0) out[i] = cov / std::sqrt(denom);
  }
  return out;
}

}  // namespace kelo_vm::series
