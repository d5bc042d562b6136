#include "series/series_eval.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "series/indicator.h"
#include "series/series_window.h"
#include "vm/columns.h"

namespace kelo_vm::evaluate {

using series::Column;
using series::kNaN;

namespace {

bool cached(const Series& s, std::size_t count) {
  return s.cache_valid && s.cache_bars == count &&
         (!s.reads_buffer || s.cache_writes == buffer_writes());
}

double binary_op(SeriesOp op, double a, double b) {
  switch (op) {
    case SeriesOp::Add:
      return a + b;
    case SeriesOp::Sub:
      return a - b;
    case SeriesOp::Mul:
      return a * b;
    case SeriesOp::Div:
      return b == 0.0 ? kNaN : a / b;
    case SeriesOp::Rem:
      return b == 0.0 ? kNaN : std::fmod(a, b);
    case SeriesOp::Pow:
      return std::pow(a, b);
    case SeriesOp::Equal:
      return a == b ? 1.0 : 0.0;
    case SeriesOp::NotEqual:
      return a != b ? 1.0 : 0.0;
    case SeriesOp::Less:
      return a < b ? 1.0 : 0.0;
    case SeriesOp::LessEqual:
      return a <= b ? 1.0 : 0.0;
    case SeriesOp::Greater:
      return a > b ? 1.0 : 0.0;
    case SeriesOp::GreaterEqual:
      return a >= b ? 1.0 : 0.0;
    case SeriesOp::And:
      return (a != 0.0 && !std::isnan(a) && b != 0.0 && !std::isnan(b)) ? 1.0 : 0.0;
    case SeriesOp::Or:
      return ((a != 0.0 && !std::isnan(a)) || (b != 0.0 && !std::isnan(b))) ? 1.0 : 0.0;
    case SeriesOp::Negate:
      return -a;
    case SeriesOp::Not:
      return (a == 0.0 || std::isnan(a)) ? 1.0 : 0.0;
    case SeriesOp::Where:
      return (a != 0.0 && !std::isnan(a)) ? b : kNaN;
    case SeriesOp::Fill:
      return std::isnan(a) ? b : a;
  }
  return kNaN;
}

// Inputs of an indicator node, already evaluated by the walk.
class NodeInputs : public InputColumns {
 public:
  NodeInputs(const Series& node, std::size_t count) : node_(node), count_(count) {}
  series::Input input(std::size_t index) override {
    if (index < node_.inputs.size() && node_.inputs[index]) return *node_.inputs[index]->cache;
    if (missing_.size() != count_) missing_.assign(count_, kNaN);
    return missing_;
  }

 private:
  const Series& node_;
  std::size_t count_;
  Column missing_;
};

std::uint64_t word(SeriesForm form) {
  return static_cast<std::uint64_t>(form);
}

}  // namespace

Column source_values(SeriesKind kind, const host::Bars& bars) {
  const std::size_t n = bars.close.size();
  // Spans read borrowed price columns where they lie instead of copying them first.
  auto copy = [](std::span<const double> c) {
    Column out = columns::take(c.size());
    out.assign(c.begin(), c.end());
    return out;
  };
  auto at = [](std::span<const double> c, std::size_t i) { return series::at(c, i); };
  Column out;
  switch (kind) {
    case SeriesKind::Open:
      return copy(bars.open);
    case SeriesKind::High:
      return copy(bars.high);
    case SeriesKind::Low:
      return copy(bars.low);
    case SeriesKind::Close:
      return copy(bars.close);
    case SeriesKind::Volume:
      return copy(bars.volume);
    case SeriesKind::Spread:
      return copy(bars.spread);
    case SeriesKind::Time:
      out = columns::take(bars.times.size());
      for (int64_t t : bars.times) out.push_back(static_cast<double>(t));
      return out;
    case SeriesKind::Hl2:
      out = columns::filled(n, 0.0);
      for (std::size_t i = 0; i < n; ++i) out[i] = (at(bars.high, i) + at(bars.low, i)) * 0.5;
      return out;
    case SeriesKind::Hlc3:
      out = columns::filled(n, 0.0);
      for (std::size_t i = 0; i < n; ++i) {
        out[i] = (at(bars.high, i) + at(bars.low, i) + bars.close[i]) / 3.0;
      }
      return out;
    case SeriesKind::Ohlc4:
      out = columns::filled(n, 0.0);
      for (std::size_t i = 0; i < n; ++i) {
        out[i] = (at(bars.open, i) + at(bars.high, i) + at(bars.low, i) + bars.close[i]) * 0.25;
      }
      return out;
    case SeriesKind::None:
      break;
  }
  return columns::filled(n, kNaN);
}

void Evaluator::begin(host::Host& host, const host::Bars& bars) {
  if (host_ == &host && bars_ == &bars && count_ == bars.size()) return;
  // Another host or another bar set: what the memo holds no longer applies.
  forget();
  host_ = &host;
  bars_ = &bars;
  count_ = bars.size();
}

void Evaluator::forget() {
  memo_.clear();
  owned_.clear();
  memo_size_ = 0;
  // Shared nodes hold their columns too; letting them go keeps the budget.
  shared_.clear();
  shared_nodes_.clear();
}

template <class Make>
Ref<Series> Evaluator::shared(Make make) {
  if (Ref<Series>* found = shared_.find(key_.words())) return *found;
  if (shared_.size() >= kSharedLimit) {
    shared_.clear();
    shared_nodes_.clear();
  }
  Ref<Series> node = make();
  // The table that keeps the node alive first: should the second insertion fail, the
  // node is only not known as shared, never an address of a freed one.
  shared_.insert(key_.words(), node);
  shared_nodes_.insert(node.get());
  return node;
}

Ref<Series> Evaluator::shared_source(SeriesKind kind, host::Host& host) {
  begin(host, host.bars());
  key_.clear();
  key_.add(word(SeriesForm::Source));
  key_.add(static_cast<std::uint64_t>(kind));
  return shared([kind] { return Series::source(kind); });
}

Ref<Series> Evaluator::shared_constant(double value, host::Host& host) {
  begin(host, host.bars());
  key_.clear();
  key_.add(word(SeriesForm::Constant));
  key_.add_double(value);
  return shared([value] { return Series::constant_of(value); });
}

Ref<Series> Evaluator::shared_indicator(std::string_view name, std::span<const Ref<Series>> inputs,
                                        std::span<const double> numbers, std::uint8_t selector,
                                        host::Host& host) {
  auto make = [&] {
    return Series::indicator(std::string(name),
                             std::vector<Ref<Series>>(inputs.begin(), inputs.end()),
                             std::vector<double>(numbers.begin(), numbers.end()), selector);
  };
  begin(host, host.bars());
  for (const Ref<Series>& in : inputs) {
    if (!in || !is_shared(in.get())) return make();
  }
  key_.clear();
  key_.add(word(SeriesForm::Indicator));
  key_.add_text(name);
  key_.add(selector);
  key_.add(numbers.size());
  // Bit patterns, so that NaN parameters match and -0.0 stays apart from 0.0.
  for (double v : numbers) key_.add_double(v);
  // Shared operands stay alive while their users are kept, so addresses are unique.
  for (const Ref<Series>& in : inputs) key_.add_address(in.get());
  if (key_.too_long()) return make();
  return shared(make);
}

SeriesColumn Evaluator::values_of(const Series& root, host::Host& host) {
  const host::Bars& bars = host.bars();
  const std::size_t count = bars.size();
  begin(host, bars);
  if (cached(root, count)) return root.cache;

  // Post-order walk: a node is computed once every operand it reads has a column.
  std::vector<Step>& stack = stack_;
  stack.clear();
  stack.push_back({&root, false});
  auto push = [&](const Ref<Series>& child) {
    if (child && !cached(*child, count)) stack.push_back({child.get(), false});
  };
  while (!stack.empty()) {
    Step& top = stack.back();
    const Series& node = *top.node;
    if (cached(node, count)) {
      stack.pop_back();
      continue;
    }
    if (!top.expanded) {
      top.expanded = true;
      switch (node.form) {
        case SeriesForm::Unary:
          push(node.left);
          break;
        case SeriesForm::Binary:
          push(node.right);
          push(node.left);
          break;
        case SeriesForm::Indicator:
          for (auto it = node.inputs.rbegin(); it != node.inputs.rend(); ++it) push(*it);
          break;
        default:
          break;
      }
      continue;
    }
    stack.pop_back();
    // A chain of nodes each with a column of its own can outgrow the run's memory:
    // no values then (none), and the interpreter reports the run over its limit.
    if (heap::over()) return nullptr;
    compute(node, host, bars);
  }
  return root.cache;
}

bool Evaluator::owned(const SeriesColumn& column) const {
  return column && owned_.contains(column.get());
}

bool Evaluator::key_of(const Series& node) {
  KeyWords& key = key_;
  key.clear();
  key.add(word(node.form));
  auto child = [&](const Ref<Series>& s) {
    if (!s || !owned(s->cache)) return false;
    key.add_address(s->cache.get());
    return true;
  };
  auto text = [&](const std::optional<std::string>& t) {
    key.add(t.has_value());
    if (t) key.add_text(*t);
  };
  switch (node.form) {
    case SeriesForm::Source:
      key.add(static_cast<std::uint64_t>(node.kind));
      text(node.symbol);
      text(node.timeframe);
      return !key.too_long();
    case SeriesForm::Constant:
      key.add_double(node.constant);
      return true;
    case SeriesForm::Unary:
      key.add(static_cast<std::uint64_t>(node.op));
      return child(node.left);
    case SeriesForm::Binary:
      key.add(static_cast<std::uint64_t>(node.op));
      return child(node.left) && child(node.right);
    case SeriesForm::Indicator:
      key.add_text(node.name);
      key.add(node.selector);
      key.add(node.numbers.size());
      // Bit patterns, so that NaN parameters match and -0.0 stays apart from 0.0.
      for (double v : node.numbers) key.add_double(v);
      key.add(node.inputs.size());
      for (const Ref<Series>& in : node.inputs) {
        if (!child(in)) return false;
      }
      // A description too long for the key is computed without the memo.
      return !key.too_long();
    case SeriesForm::Buffer:
      break;  // filled by its owner: never the same twice
  }
  return false;
}

void Evaluator::compute(const Series& node, host::Host& host, const host::Bars& bars) {
  const bool keyed = key_of(node);
  if (keyed) {
    if (const SeriesColumn* found = memo_.find(key_.words())) {
      settle(const_cast<Series&>(node));
      node.cache = *found;
      node.cache_bars = count_;
      node.cache_writes = buffer_writes();
      node.cache_valid = true;
      return;
    }
  }
  ++computations_;
  SeriesColumn column = std::make_shared<const Column>(compute_column(node, host, bars));
  if (keyed) {
    if (memo_size_ + column->size() > memo_limit_) forget();
    // As in shared(): the memo that holds the column first.
    memo_.insert(key_.words(), column);
    memo_size_ += column->size();
    owned_.insert(column.get());
  }
  // A column no one else shares is the node's own: charged to it while it holds it.
  auto& owner = const_cast<Series&>(node);
  heap::settle(owner, heap_bytes(owner) + (keyed ? 0 : column->capacity() * sizeof(double)));
  node.cache = std::move(column);
  node.cache_bars = count_;
  node.cache_writes = buffer_writes();
  node.cache_valid = true;
}

Column Evaluator::compute_column(const Series& node, host::Host& host, const host::Bars& bars) {
  const std::size_t c = count_;
  switch (node.form) {
    case SeriesForm::Source: {
      if (!node.symbol && !node.timeframe) return source_values(node.kind, bars);
      const std::string symbol = node.symbol ? *node.symbol : host.symbol().name;
      const std::string timeframe = node.timeframe ? *node.timeframe : std::string();
      const host::Bars* other = host.bars_of(symbol, timeframe);
      return other ? source_values(node.kind, *other) : columns::filled(c, kNaN);
    }
    case SeriesForm::Constant:
      return columns::filled(c, node.constant);
    case SeriesForm::Unary: {
      if (!node.left) return columns::filled(c, kNaN);
      const Column& a = *node.left->cache;
      Column out = columns::filled(a.size(), 0.0);
      for (std::size_t i = 0; i < a.size(); ++i) out[i] = binary_op(node.op, a[i], kNaN);
      return out;
    }
    case SeriesForm::Binary: {
      const Column empty;
      const Column& a = node.left ? *node.left->cache : empty;
      const Column& b = node.right ? *node.right->cache : empty;
      Column out = columns::filled(c, 0.0);
      for (std::size_t i = 0; i < c; ++i)
        out[i] = binary_op(node.op, series::at(a, i), series::at(b, i));
      return out;
    }
    case SeriesForm::Indicator: {
      NodeInputs inputs(node, c);
      const BarColumns bar_columns{bars.high, bars.low, bars.close, bars.volume};
      return indicator_column(node.name, inputs, node.numbers, node.selector, bar_columns, c);
    }
    case SeriesForm::Buffer: {
      Column out = columns::filled(c, kNaN);
      if (node.buffer) {
        for (std::size_t i = 0; i < c && i < node.buffer->size(); ++i) out[i] = (*node.buffer)[i];
      }
      return out;
    }
  }
  return columns::filled(c, kNaN);
}

}  // namespace kelo_vm::evaluate
