#pragma once

// Storage of large columns kept from one run for the next. A backtest over a million
// bars fills about a hundred megabytes of columns (prices, indicator outputs, equity).
// Fresh memory from the system costs a page fault per page on first touch, which for
// such a run costs more than the arithmetic itself; released columns are therefore kept,
// up to a fixed budget, and refilled by the next run. Small columns bypass the pool.
// Safe to use from several threads at once.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelo_vm::columns {

// Columns below this many elements are allocated and freed as usual.
inline constexpr std::size_t kPooledFrom = std::size_t{1} << 15;
// Bytes kept at most between runs.
inline constexpr std::size_t kBudgetBytes = std::size_t{128} << 20;

// An empty column with room for at least `count` elements.
std::vector<double> take(std::size_t count);
std::vector<std::int64_t> take_times(std::size_t count);

// A column `count` long filled with `fill`.
std::vector<double> filled(std::size_t count, double fill);

// Hands a column's storage back; it is kept for a later take while within the budget.
void give(std::vector<double>&& column) noexcept;
void give(std::vector<std::int64_t>&& column) noexcept;

// Bytes kept now; for tests.
std::size_t kept_bytes();

}  // namespace kelo_vm::columns
