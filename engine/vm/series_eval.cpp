#include "vm/series_eval.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "vm/indicator.h"
#include "vm/series_window.h"

namespace kelo_vm::evaluate {

using series::Column;
using series::kNaN;

namespace {

bool cached(const Series& s, std::size_t count) {
  return s.cache_valid && s.cache_bars == count;
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

void append_bytes(std::string& key, const void* p, std::size_t n) {
  key.append(static_cast<const char*>(p), n);
}

template <typename T>
void append_pod(std::string& key, const T& v) {
  append_bytes(key, &v, sizeof v);
}

void append_text(std::string& key, const std::string& s) {
  append_pod(key, s.size());
  key += s;
}

}  // namespace

Column source_values(SeriesKind kind, const host::Bars& bars) {
  const std::size_t n = bars.close.size();
  auto copy = [](const std::vector<double>& c) { return Column(c.begin(), c.end()); };
  auto at = [](const std::vector<double>& c, std::size_t i) { return series::at(c, i); };
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
      out.reserve(bars.times.size());
      for (int64_t t : bars.times) out.push_back(static_cast<double>(t));
      return out;
    case SeriesKind::Hl2:
      out.resize(n);
      for (std::size_t i = 0; i < n; ++i) out[i] = (at(bars.high, i) + at(bars.low, i)) * 0.5;
      return out;
    case SeriesKind::Hlc3:
      out.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        out[i] = (at(bars.high, i) + at(bars.low, i) + bars.close[i]) / 3.0;
      }
      return out;
    case SeriesKind::Ohlc4:
      out.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        out[i] = (at(bars.open, i) + at(bars.high, i) + at(bars.low, i) + bars.close[i]) * 0.25;
      }
      return out;
    case SeriesKind::None:
      break;
  }
  return Column(n, kNaN);
}

void Evaluator::begin(host::Host& host, const host::Bars& bars) {
  if (host_ == &host && bars_ == &bars && count_ == bars.size()) return;
  // Another host or another bar set: what the memo holds no longer applies.
  memo_.clear();
  owned_.clear();
  memo_size_ = 0;
  host_ = &host;
  bars_ = &bars;
  count_ = bars.size();
}

SeriesColumn Evaluator::values_of(const Series& root, host::Host& host) {
  const host::Bars& bars = host.bars();
  const std::size_t count = bars.size();
  begin(host, bars);
  if (cached(root, count)) return root.cache;

  // Post-order walk: a node is computed once every operand it reads has a column.
  struct Step {
    const Series* node;
    bool expanded;
  };
  std::vector<Step> stack{{&root, false}};
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
    compute(node, host, bars);
  }
  return root.cache;
}

bool Evaluator::owned(const SeriesColumn& column) const {
  return column && owned_.count(column.get()) != 0;
}

std::string Evaluator::key_of(const Series& node) const {
  std::string key;
  append_pod(key, node.form);
  auto child = [&](const Ref<Series>& s) {
    if (!s || !owned(s->cache)) return false;
    const void* p = s->cache.get();
    append_pod(key, p);
    return true;
  };
  switch (node.form) {
    case SeriesForm::Source:
      append_pod(key, node.kind);
      append_pod(key, node.symbol.has_value());
      if (node.symbol) append_text(key, *node.symbol);
      append_pod(key, node.timeframe.has_value());
      if (node.timeframe) append_text(key, *node.timeframe);
      return key;
    case SeriesForm::Constant:
      append_pod(key, node.constant);
      return key;
    case SeriesForm::Unary:
      append_pod(key, node.op);
      return child(node.left) ? key : std::string();
    case SeriesForm::Binary:
      append_pod(key, node.op);
      return child(node.left) && child(node.right) ? key : std::string();
    case SeriesForm::Indicator:
      append_text(key, node.name);
      append_pod(key, node.selector);
      append_pod(key, node.numbers.size());
      // Bit patterns, so that NaN parameters match and -0.0 stays apart from 0.0.
      if (!node.numbers.empty()) {
        append_bytes(key, node.numbers.data(), node.numbers.size() * sizeof(double));
      }
      append_pod(key, node.inputs.size());
      for (const Ref<Series>& in : node.inputs) {
        if (!child(in)) return std::string();
      }
      return key;
    case SeriesForm::Buffer:
      break;  // filled by its owner: never the same twice
  }
  return std::string();
}

void Evaluator::compute(const Series& node, host::Host& host, const host::Bars& bars) {
  std::string key = key_of(node);
  if (!key.empty()) {
    auto it = memo_.find(key);
    if (it != memo_.end()) {
      node.cache = it->second;
      node.cache_bars = count_;
      node.cache_valid = true;
      return;
    }
  }
  ++computations_;
  auto column = std::make_shared<const Column>(compute_column(node, host, bars));
  if (!key.empty()) {
    if (memo_size_ + column->size() > memo_limit_) {
      memo_.clear();
      owned_.clear();
      memo_size_ = 0;
    }
    memo_size_ += column->size();
    owned_.insert(column.get());
    memo_.emplace(std::move(key), column);
  }
  node.cache = std::move(column);
  node.cache_bars = count_;
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
      return other ? source_values(node.kind, *other) : Column(c, kNaN);
    }
    case SeriesForm::Constant:
      return Column(c, node.constant);
    case SeriesForm::Unary: {
      if (!node.left) return Column(c, kNaN);
      const Column& a = *node.left->cache;
      Column out(a.size());
      for (std::size_t i = 0; i < a.size(); ++i) out[i] = binary_op(node.op, a[i], kNaN);
      return out;
    }
    case SeriesForm::Binary: {
      const Column empty;
      const Column& a = node.left ? *node.left->cache : empty;
      const Column& b = node.right ? *node.right->cache : empty;
      Column out(c);
      for (std::size_t i = 0; i < c; ++i)
        out[i] = binary_op(node.op, series::at(a, i), series::at(b, i));
      return out;
    }
    case SeriesForm::Indicator: {
      NodeInputs inputs(node, c);
      const BarColumns columns{bars.high, bars.low, bars.close, bars.volume};
      return indicator_column(node.name, inputs, node.numbers, node.selector, columns, c);
    }
    case SeriesForm::Buffer: {
      Column out(c, kNaN);
      if (node.buffer) {
        for (std::size_t i = 0; i < c && i < node.buffer->size(); ++i) out[i] = (*node.buffer)[i];
      }
      return out;
    }
  }
  return Column(c, kNaN);
}

}  // namespace kelo_vm::evaluate
