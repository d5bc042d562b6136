#pragma once

// Numeric kernels of the built-in indicators: pure functions from columns of doubles
// (one value per bar, oldest first, NaN meaning "no value") to new columns of the length
// of their reference input. They know nothing of values, hosts or scripts.

#include <cstddef>
#include <span>
#include <vector>

namespace kelo_vm::series {

using Column = std::vector<double>;
using Input = std::span<const double>;

// Moving averages and window statistics of one column.
Column sma(Input x, std::size_t n);
Column rolling_sum(Input x, std::size_t n);
Column ema(Input x, std::size_t n);
Column smma(Input x, std::size_t n);
Column lwma(Input x, std::size_t n);
Column dema(Input x, std::size_t n);
Column tema(Input x, std::size_t n);
Column stdev(Input x, std::size_t n);
Column highest(Input x, std::size_t n);
Column lowest(Input x, std::size_t n);
Column rate_of_change(Input x, std::size_t n);
Column rsi(Input x, std::size_t n);

struct Regression {
  Column value;  // the regression line at the newest bar of each window
  Column slope;
  Column intercept;  // the line at the oldest bar of each window
};
Regression linear_regression(Input x, std::size_t n);

// Length of a; b is read as NaN past its end.
Column correlation(Input a, Input b, std::size_t n);

// Kernels over bar columns. The reference length is that of close (of high for the
// parabolic SAR); shorter companion columns read as NaN past their end.
Column true_range(Input high, Input low, Input close);
Column atr(Input high, Input low, Input close, std::size_t n);
Column williams_r(Input high, Input low, Input close, std::size_t n);
Column cci(Input high, Input low, Input close, std::size_t n);

struct Stochastic {
  Column k;
  Column d;
};
Stochastic stochastic(Input high, Input low, Input close, std::size_t k_period, std::size_t slowing,
                      std::size_t d_period);

struct Directional {
  Column adx;
  Column plus_di;
  Column minus_di;
};
Directional directional(Input high, Input low, Input close, std::size_t n);

Column parabolic_sar(Input high, Input low, double step, double max);
Column money_flow_index(Input high, Input low, Input close, Input volume, std::size_t n);
Column on_balance_volume(Input close, Input volume);
Column accumulation_distribution(Input high, Input low, Input close, Input volume);

}  // namespace kelo_vm::series
