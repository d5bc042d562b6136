#include "series/indicator_kernels.h"

#include <cmath>

#include "series/series_window.h"
#include "vm/columns.h"

namespace kelo_vm::evaluate {

using series::at;
using series::kNaN;

namespace {

// Bars back to the window's extreme; the newest of equal values wins, NaN never does.
Column extreme_bar(Input x, std::size_t n, bool want_max) {
  if (n < 2) return columns::filled(x.size(), 0.0);
  Column out = columns::filled(x.size(), kNaN);
  if (n > x.size()) return out;
  series::WindowExtreme w(x, n, want_max);
  for (std::size_t i = 0; i < x.size(); ++i) {
    w.step(i);
    if (i + 1 >= n) out[i] = w.empty() ? 0.0 : static_cast<double>(i - w.index());
  }
  return out;
}

// 1.0 where each of the last n steps moved the way asked, between finite values.
Column monotone(Input x, std::size_t n, bool up) {
  Column out = columns::filled(x.size(), 0.0);
  std::size_t run = 0;  // consecutive qualifying steps ending at i
  for (std::size_t i = 1; i < x.size(); ++i) {
    const double a = x[i - 1];
    const double b = x[i];
    const bool moved = std::isfinite(a) && std::isfinite(b) && (up ? b > a : b < a);
    run = moved ? run + 1 : 0;
    if (i >= n && run >= n) out[i] = 1.0;
  }
  if (n == 0 && !x.empty()) out[0] = 1.0;
  return out;
}

Column crosses(Input a, Input b, bool over) {
  Column out = columns::filled(a.size(), 0.0);
  for (std::size_t i = 1; i < a.size(); ++i) {
    const double prev = a[i - 1] - at(b, i - 1);
    const double cur = a[i] - at(b, i);
    if (!std::isfinite(prev) || !std::isfinite(cur)) continue;
    if (over ? (prev <= 0.0 && cur > 0.0) : (prev >= 0.0 && cur < 0.0)) out[i] = 1.0;
  }
  return out;
}

}  // namespace

Column momentum(Input x, std::size_t n) {
  Column out = columns::filled(x.size(), kNaN);
  for (std::size_t i = n; i < x.size(); ++i) out[i] = x[i] - x[i - n];
  return out;
}

Column offset(Input x, std::int64_t k) {
  Column out = columns::filled(x.size(), kNaN);
  const auto len = static_cast<std::int64_t>(x.size());
  // Clamp first so that i - k cannot overflow for extreme shifts.
  if (k >= len || k <= -len) return out;
  for (std::int64_t i = 0; i < len; ++i) {
    const std::int64_t j = i - k;
    if (j >= 0 && j < len) out[static_cast<std::size_t>(i)] = x[static_cast<std::size_t>(j)];
  }
  return out;
}

Column nz(Input x, double fallback) {
  Column out = columns::filled(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) out[i] = std::isfinite(x[i]) ? x[i] : fallback;
  return out;
}

Column cum(Input x) {
  Column out = columns::filled(x.size(), 0.0);
  double total = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (std::isfinite(x[i])) total += x[i];
    out[i] = total;
  }
  return out;
}

Column changed(Input x) {
  Column out = columns::filled(x.size(), 0.0);
  for (std::size_t i = 1; i < x.size(); ++i) {
    // NaN compares unequal, so a NaN on either side counts as a change.
    if (!(x[i] == x[i - 1])) out[i] = 1.0;
  }
  return out;
}

Column rising(Input x, std::size_t n) {
  return monotone(x, n, true);
}
Column falling(Input x, std::size_t n) {
  return monotone(x, n, false);
}
Column highest_bar(Input x, std::size_t n) {
  return extreme_bar(x, n, true);
}
Column lowest_bar(Input x, std::size_t n) {
  return extreme_bar(x, n, false);
}

Column bars_since(Input x) {
  Column out = columns::filled(x.size(), 0.0);
  double counter = kNaN;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (std::isfinite(x[i]) && x[i] != 0.0) {
      counter = 0.0;
    } else if (std::isfinite(counter)) {
      counter += 1.0;
    }
    out[i] = counter;
  }
  return out;
}

Column crosses_over(Input a, Input b) {
  return crosses(a, b, true);
}
Column crosses_under(Input a, Input b) {
  return crosses(a, b, false);
}

Macd macd(Input x, std::size_t fast, std::size_t slow, std::size_t signal) {
  const Column f = series::ema(x, fast);
  const Column s = series::ema(x, slow);
  Macd m;
  m.line.resize(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) m.line[i] = f[i] - s[i];
  m.signal = series::ema(m.line, signal);
  m.histogram.resize(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) m.histogram[i] = m.line[i] - m.signal[i];
  return m;
}

Bands bands(Input x, std::size_t n, double k) {
  Bands b;
  b.basis = series::sma(x, n);
  const Column dev = series::stdev(x, n);
  b.upper.resize(x.size());
  b.lower.resize(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) {
    b.upper[i] = b.basis[i] + k * dev[i];
    b.lower[i] = b.basis[i] - k * dev[i];
  }
  return b;
}

Envelopes envelopes(Input x, std::size_t n, double deviation) {
  const double d = std::isfinite(deviation) ? deviation / 100.0 : 0.001;
  const Column m = series::sma(x, n);
  Envelopes e{Column(x.size()), Column(x.size())};
  for (std::size_t i = 0; i < x.size(); ++i) {
    e.upper[i] = m[i] * (1.0 + d);
    e.lower[i] = m[i] * (1.0 - d);
  }
  return e;
}

Column median_price(Input high, Input low) {
  Column out = columns::filled(high.size(), 0.0);
  for (std::size_t i = 0; i < high.size(); ++i) out[i] = (high[i] + at(low, i)) * 0.5;
  return out;
}

Column awesome(Input high, Input low) {
  const Column median = median_price(high, low);
  const Column fast = series::sma(median, 5);
  const Column slow = series::sma(median, 34);
  Column out = columns::filled(median.size(), 0.0);
  for (std::size_t i = 0; i < median.size(); ++i) out[i] = fast[i] - slow[i];
  return out;
}

Column accelerator(Input high, Input low) {
  const Column ao = awesome(high, low);
  const Column smooth = series::sma(ao, 5);
  Column out = columns::filled(ao.size(), 0.0);
  for (std::size_t i = 0; i < ao.size(); ++i) out[i] = ao[i] - smooth[i];
  return out;
}

Column bulls_power(Input high, Input close, std::size_t n) {
  const Column e = series::ema(close, n);
  Column out = columns::filled(close.size(), 0.0);
  for (std::size_t i = 0; i < close.size(); ++i) out[i] = at(high, i) - e[i];
  return out;
}

Column bears_power(Input low, Input close, std::size_t n) {
  const Column e = series::ema(close, n);
  Column out = columns::filled(close.size(), 0.0);
  for (std::size_t i = 0; i < close.size(); ++i) out[i] = at(low, i) - e[i];
  return out;
}

Column alligator_line(Input high, Input low, std::size_t n) {
  return series::smma(median_price(high, low), n);
}

}  // namespace kelo_vm::evaluate
