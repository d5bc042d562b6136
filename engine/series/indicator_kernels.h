#pragma once

// Column computations of the indicator evaluation that are not plain series kernels:
// the series utilities and the indicators composed of several kernels. Each result has
// the length of its first input column.

#include <cstddef>
#include <cstdint>

#include "series/series_math.h"

namespace kelo_vm::evaluate {

using series::Column;
using series::Input;

Column momentum(Input x, std::size_t n);
// A positive k reads earlier bars, a negative k later ones.
Column offset(Input x, std::int64_t k);
Column nz(Input x, double fallback);
Column cum(Input x);
Column changed(Input x);
Column rising(Input x, std::size_t n);
Column falling(Input x, std::size_t n);
Column highest_bar(Input x, std::size_t n);
Column lowest_bar(Input x, std::size_t n);
Column bars_since(Input x);
Column crosses_over(Input a, Input b);
Column crosses_under(Input a, Input b);

struct Macd {
  Column line;
  Column signal;
  Column histogram;
};
Macd macd(Input x, std::size_t fast, std::size_t slow, std::size_t signal);

struct Bands {
  Column upper;
  Column basis;
  Column lower;
};
Bands bands(Input x, std::size_t n, double k);

struct Envelopes {
  Column upper;
  Column lower;
};
// deviation in percent; NaN or infinite means 0.1 percent.
Envelopes envelopes(Input x, std::size_t n, double deviation);

Column median_price(Input high, Input low);
Column awesome(Input high, Input low);
Column accelerator(Input high, Input low);
Column bulls_power(Input high, Input close, std::size_t n);
Column bears_power(Input low, Input close, std::size_t n);
// One alligator line: the smoothed median price over n.
Column alligator_line(Input high, Input low, std::size_t n);

}  // namespace kelo_vm::evaluate
