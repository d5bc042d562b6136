#pragma once

// Evaluation of one indicator node over columns: picks the kernels by the indicator's
// name, reads its numeric parameters with their defaults and returns the output the
// selector asks for. Knows nothing of values or series descriptions.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "series/series_math.h"

namespace kelo_vm::evaluate {

using series::Column;
using series::Input;

// The host's bar columns the indicators may read; all of one length.
struct BarColumns {
  Input high;
  Input low;
  Input close;
  Input volume;
};

// The input series of a node, evaluated on demand. A missing input reads as a column
// of NaN; the returned span must stay valid until the evaluation returns.
class InputColumns {
 public:
  virtual ~InputColumns() = default;
  virtual Input input(std::size_t index) = 0;
};

// The column of the named indicator over `count` bars. Never fails: a name without a
// computation gives count NaN values.
Column indicator_column(std::string_view name, InputColumns& inputs,
                        std::span<const double> numbers, std::uint8_t selector,
                        const BarColumns& bars, std::size_t count);

// Parameter rules: a count is finite and at least 1, truncated; a real is finite; a
// shift is finite, truncated to a signed number (0 otherwise).
std::size_t count_param(std::span<const double> numbers, std::size_t p, std::size_t fallback);
double real_param(std::span<const double> numbers, std::size_t p, double fallback);
std::int64_t shift_param(std::span<const double> numbers, std::size_t p);

}  // namespace kelo_vm::evaluate
