#pragma once

// Lazy evaluation of series descriptions over the host's bars. A description becomes one
// column per bar, oldest first, computed once per bar count and kept in the node's own
// cache; reads share that column and never copy it.
//
// On top of the per-node cache the evaluator keeps a structural memo for one run: a
// description built again with the same form, parameters and (already evaluated)
// operands - an indicator created inside onBar, say - finds the column computed for its
// twin instead of recomputing it over every bar.
//
// The series calls go one step further through the shared nodes: a description whose
// operands are themselves shared is answered with the node built the first time, so a
// re-created indicator costs one lookup and its column is already cached on the node.
// Nodes are immutable apart from that cache, and nothing in the language tells two
// equal descriptions apart, so sharing them changes no result.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "series/series_key_table.h"
#include "series/series_math.h"
#include "vm/host.h"
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

  // Nodes for the series calls, shared by structure while the host and its bars stay
  // the same. An indicator with an operand that is not shared is built afresh and not
  // kept (the memo still finds its column).
  Ref<Series> shared_source(SeriesKind kind, host::Host& host);
  Ref<Series> shared_constant(double value, host::Host& host);
  Ref<Series> shared_indicator(std::string_view name, std::span<const Ref<Series>> inputs,
                               std::span<const double> numbers, std::uint8_t selector,
                               host::Host& host);
  bool is_shared(const Series* node) const { return shared_nodes_.contains(node); }
  // Shared nodes kept at most, before they start over.
  static constexpr std::size_t kSharedLimit = 4096;

 private:
  struct Step {
    const Series* node;
    bool expanded;
  };

  void begin(host::Host& host, const host::Bars& bars);
  void forget();
  void compute(const Series& node, host::Host& host, const host::Bars& bars);
  series::Column compute_column(const Series& node, host::Host& host, const host::Bars& bars);
  // Writes the memo key of a node whose operands are evaluated into key_; false when
  // the node has none.
  bool key_of(const Series& node);
  bool owned(const SeriesColumn& column) const;
  // The shared node for the key in key_, made by `make` when there is none yet.
  template <class Make>
  Ref<Series> shared(Make make);

  std::size_t memo_limit_;
  std::size_t memo_size_ = 0;
  KeyTable<SeriesColumn> memo_;
  AddressSet owned_;  // columns the memo holds (stable addresses)
  KeyTable<Ref<Series>> shared_;
  AddressSet shared_nodes_;  // kept alive by shared_
  KeyWords key_;             // scratch, so that a lookup allocates nothing
  std::vector<Step> stack_;  // scratch of the evaluation walk
  const host::Host* host_ = nullptr;
  const host::Bars* bars_ = nullptr;
  std::size_t count_ = 0;
  std::size_t computations_ = 0;
};

}  // namespace kelo_vm::evaluate
