#pragma once

// Lazy evaluation of series descriptions over the host's bars. A description becomes one
// column per bar, oldest first, computed once per bar count and kept in the node's own
// cache; reads share that column and never copy it.
//
// On top of the per-node cache the evaluator keeps a structural memo for one run: a
// description built again with the same form, parameters and (already evaluated)
// operands - an indicator created inside onBar, say - finds the column computed for its
// twin instead of recomputing it over every bar.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "vm/host.h"
#include "vm/series_math.h"
#include "vm/value.h"

namespace kelo_vm::evaluate {

// The column of one bar source: a copy of a price column, the times as doubles, or the
// derived hl2, hlc3 and ohlc4 over the length of the close column.
series::Column source_values(SeriesKind kind, const host::Bars& bars);

class Evaluator {
 public:
  // Columns the memo may hold, in doubles, before it starts over.
  static constexpr std::size_t kDefaultMemoLimit = std::size_t{1} << 24;

  explicit Evaluator(std::size_t memo_limit = kDefaultMemoLimit) : memo_limit_(memo_limit) {}

  // The values of a series over host.bars(). Never fails. Deep operator chains are
  // walked with an explicit stack, not by recursion.
  SeriesColumn values_of(const Series& series, host::Host& host);

  // Columns actually computed (neither cached nor found in the memo); for tests.
  std::size_t computations() const { return computations_; }

 private:
  void begin(host::Host& host, const host::Bars& bars);
  void compute(const Series& node, host::Host& host, const host::Bars& bars);
  series::Column compute_column(const Series& node, host::Host& host, const host::Bars& bars);
  // The memo key of a node whose operands are evaluated; empty when it has none.
  std::string key_of(const Series& node) const;
  bool owned(const SeriesColumn& column) const;

  std::size_t memo_limit_;
  std::size_t memo_size_ = 0;
  std::unordered_map<std::string, SeriesColumn> memo_;
  std::unordered_set<const void*> owned_;  // columns the memo holds (stable addresses)
  const host::Host* host_ = nullptr;
  const host::Bars* bars_ = nullptr;
  std::size_t count_ = 0;
  std::size_t computations_ = 0;
};

}  // namespace kelo_vm::evaluate
