// Kernels over the bar columns (high, low, close, volume).

#include <cmath>

#include "series/series_math.h"
#include "series/series_window.h"
#include "vm/columns.h"

namespace kelo_vm::series {
namespace {

Column typical_price(Input high, Input low, Input close) {
  Column tp(close.size());
  for (std::size_t i = 0; i < close.size(); ++i)
    tp[i] = (at(high, i) + at(low, i) + close[i]) / 3.0;
  return tp;
}

}  // namespace

Column true_range(Input high, Input low, Input close) {
  Column out = columns::filled(close.size(), 0.0);
  if (close.empty()) return out;
  out[0] = at(high, 0) - at(low, 0);
  for (std::size_t i = 1; i < close.size(); ++i) {
    const double h = at(high, i);
    const double l = at(low, i);
    const double prev = close[i - 1];
    out[i] = max_ignoring_nan(max_ignoring_nan(h - l, std::fabs(h - prev)), std::fabs(l - prev));
  }
  return out;
}

Column atr(Input high, Input low, Input close, std::size_t n) {
  return smma(true_range(high, low, close), n);
}

Column williams_r(Input high, Input low, Input close, std::size_t n) {
  const Column hh = highest(high, n);
  const Column ll = lowest(low, n);
  Column out = columns::filled(close.size(), 0.0);
  for (std::size_t i = 0; i < close.size(); ++i) {
    const double h = at(hh, i);
    out[i] = guarded_div((h - close[i]) * -100.0, h - at(ll, i));
  }
  return out;
}

Column cci(Input high, Input low, Input close, std::size_t n) {
  const Column tp = typical_price(high, low, close);
  const Column m = sma(tp, n);
  Column out = columns::filled(close.size(), kNaN);
  if (n == 0 || n > tp.size()) return out;
  const double nd = static_cast<double>(n);
  for (std::size_t i = n - 1; i < tp.size(); ++i) {
    double dev = 0.0;
    for (std::size_t j = i + 1 - n; j <= i; ++j) dev += std::fabs(tp[j] - m[i]);
    const double md = dev / nd;
    if (md != 0.0) out[i] = (tp[i] - m[i]) / (0.015 * md);
  }
  return out;
}

Stochastic stochastic(Input high, Input low, Input close, std::size_t k_period, std::size_t slowing,
                      std::size_t d_period) {
  const Column hh = highest(high, k_period);
  const Column ll = lowest(low, k_period);
  Column raw(close.size());
  for (std::size_t i = 0; i < close.size(); ++i) {
    const double l = at(ll, i);
    raw[i] = guarded_div((close[i] - l) * 100.0, at(hh, i) - l);
  }
  Stochastic s;
  s.k = slowing < 2 ? std::move(raw) : sma(raw, slowing);
  s.d = sma(s.k, d_period);
  return s;
}

Directional directional(Input high, Input low, Input close, std::size_t n) {
  const std::size_t len = close.size();
  Column plus_dm(len, 0.0);
  Column minus_dm(len, 0.0);
  for (std::size_t i = 1; i < len; ++i) {
    const double up = at(high, i) - at(high, i - 1);
    const double down = at(low, i - 1) - at(low, i);
    if (up > down && up > 0.0) plus_dm[i] = up;
    if (down > up && down > 0.0) minus_dm[i] = down;
  }
  const Column a = smma(true_range(high, low, close), n);
  const Column sp = smma(plus_dm, n);
  const Column sm = smma(minus_dm, n);
  Directional d{Column(), Column(len), Column(len)};
  Column dx(len);
  for (std::size_t i = 0; i < len; ++i) {
    d.plus_di[i] = guarded_div(sp[i], a[i]) * 100.0;
    d.minus_di[i] = guarded_div(sm[i], a[i]) * 100.0;
    dx[i] =
        guarded_div(std::fabs(d.plus_di[i] - d.minus_di[i]) * 100.0, d.plus_di[i] + d.minus_di[i]);
  }
  d.adx = smma(dx, n);
  return d;
}

Column parabolic_sar(Input high, Input low, double step, double max) {
  Column out = columns::filled(high.size(), kNaN);
  if (high.size() < 2) return out;
  bool long_trend = high[1] >= high[0];
  double sar = long_trend ? at(low, 0) : high[0];
  double ep = long_trend ? high[0] : at(low, 0);
  double af = step;
  out[0] = sar;
  for (std::size_t i = 1; i < high.size(); ++i) {
    sar = sar + af * (ep - sar);
    const double h = high[i];
    const double l = at(low, i);
    if (long_trend) {
      if (l < sar) {
        out[i] = ep;
        sar = ep;
        ep = l;
        af = step;
        long_trend = false;
      } else {
        out[i] = sar;
        if (h > ep) {
          ep = h;
          af = min_ignoring_nan(af + step, max);
        }
      }
    } else {
      if (h > sar) {
        out[i] = ep;
        sar = ep;
        ep = h;
        af = step;
        long_trend = true;
      } else {
        out[i] = sar;
        if (l < ep) {
          ep = l;
          af = min_ignoring_nan(af + step, max);
        }
      }
    }
  }
  return out;
}

Column money_flow_index(Input high, Input low, Input close, Input volume, std::size_t n) {
  const Column tp = typical_price(high, low, close);
  const std::size_t len = tp.size();
  Column pos(len, 0.0);
  Column neg(len, 0.0);
  for (std::size_t i = 1; i < len; ++i) {
    if (tp[i] > tp[i - 1]) pos[i] = tp[i] * at(volume, i);
    if (tp[i] < tp[i - 1]) neg[i] = tp[i] * at(volume, i);
  }
  const Column p = rolling_sum(pos, n);
  const Column q = rolling_sum(neg, n);
  Column out = columns::filled(len, 0.0);
  for (std::size_t i = 0; i < len; ++i) {
    if (std::isnan(q[i])) {
      out[i] = kNaN;
    } else if (q[i] == 0.0) {
      out[i] = 100.0;
    } else {
      out[i] = 100.0 - 100.0 / (p[i] / q[i] + 1.0);
    }
  }
  return out;
}

Column on_balance_volume(Input close, Input volume) {
  Column out = columns::filled(close.size(), 0.0);
  if (close.empty()) return out;
  out[0] = 0.0;
  for (std::size_t i = 1; i < close.size(); ++i) {
    if (close[i] > close[i - 1]) {
      out[i] = out[i - 1] + at(volume, i);
    } else if (close[i] < close[i - 1]) {
      out[i] = out[i - 1] - at(volume, i);
    } else {
      out[i] = out[i - 1];
    }
  }
  return out;
}

Column accumulation_distribution(Input high, Input low, Input close, Input volume) {
  Column out = columns::filled(close.size(), 0.0);
  double total = 0.0;
  for (std::size_t i = 0; i < close.size(); ++i) {
    const double h = at(high, i);
    const double l = at(low, i);
    const double r = h - l;
    const double mfm = r != 0.0 ? ((close[i] - l) - (h - close[i])) / r : 0.0;
    total += mfm * at(volume, i);
    out[i] = total;
  }
  return out;
}

}  // namespace kelo_vm::series
