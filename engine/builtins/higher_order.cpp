#include "builtins/higher_order.h"

#include <limits>
#include <utility>
#include <vector>

#include "builtins/methods_sort.h"

namespace kelo_vm::builtins {

std::optional<HigherOrder> higher_order_method(std::string_view name) {
  if (name == "map") return HigherOrder::Map;
  if (name == "filter") return HigherOrder::Filter;
  if (name == "reduce") return HigherOrder::Reduce;
  if (name == "find") return HigherOrder::Find;
  if (name == "any") return HigherOrder::Any;
  if (name == "all") return HigherOrder::All;
  if (name == "sortBy") return HigherOrder::SortBy;
  return std::nullopt;
}

Result<Value> higher_order(HigherOrder method, const Value& array, std::span<const Value> args,
                           Vm& vm, host::Host& host) {
  if (!array.is(Tag::Array)) return Value();
  const Value f = args.empty() ? Value() : args[0];
  // The snapshot below and, for the methods that build an array, the result (sortBy
  // also its keyed copy and the merge buffer): asked for before anything is built.
  const std::size_t n = array.array_obj().items.size();
  std::size_t slots = n;
  if (method == HigherOrder::Map || method == HigherOrder::Filter) slots += n;
  if (method == HigherOrder::SortBy) slots += 5 * n;
  if (!heap::fits(slots * sizeof(Value) + sizeof(Array))) return heap::error();
  // Callbacks may change the receiver; the run goes over the elements as they were.
  std::vector<Value> elements = array.array_obj().items;
  auto call = [&](const Value& element) {
    return vm.call_value(f, std::span<const Value>(&element, 1), host);
  };

  switch (method) {
    case HigherOrder::Map: {
      std::vector<Value> out;
      out.reserve(elements.size());
      for (const Value& e : elements) {
        Result<Value> r = call(e);
        if (!r.ok()) return std::move(r).error();
        out.push_back(std::move(r).value());
      }
      return Value::array(std::move(out));
    }
    case HigherOrder::Filter: {
      std::vector<Value> out;
      for (const Value& e : elements) {
        Result<Value> r = call(e);
        if (!r.ok()) return std::move(r).error();
        if (truthy(r.value())) out.push_back(e);
      }
      return Value::array(std::move(out));
    }
    case HigherOrder::Reduce: {
      Value acc = args.size() > 1 ? args[1] : Value();
      for (const Value& e : elements) {
        const Value pair[2] = {acc, e};
        Result<Value> r = vm.call_value(f, pair, host);
        if (!r.ok()) return std::move(r).error();
        acc = std::move(r).value();
      }
      return acc;
    }
    case HigherOrder::Find:
    case HigherOrder::Any:
      for (const Value& e : elements) {
        Result<Value> r = call(e);
        if (!r.ok()) return std::move(r).error();
        if (truthy(r.value())) return method == HigherOrder::Find ? e : Value::boolean(true);
      }
      return method == HigherOrder::Find ? Value() : Value::boolean(false);
    case HigherOrder::All:
      for (const Value& e : elements) {
        Result<Value> r = call(e);
        if (!r.ok()) return std::move(r).error();
        if (!truthy(r.value())) return Value::boolean(false);
      }
      return Value::boolean(true);
    case HigherOrder::SortBy: {
      std::vector<std::pair<double, Value>> keyed;
      keyed.reserve(elements.size());
      for (const Value& e : elements) {
        Result<Value> r = call(e);
        if (!r.ok()) return std::move(r).error();
        const auto key = numeric_view(r.value());
        keyed.emplace_back(key ? *key : std::numeric_limits<double>::quiet_NaN(), e);
      }
      // NaN keys compare equal to every key (the comparison is false both ways).
      stable_merge_sort(keyed, [](const auto& a, const auto& b) { return a.first < b.first; });
      std::vector<Value> out;
      out.reserve(keyed.size());
      for (auto& [key, v] : keyed) out.push_back(std::move(v));
      return Value::array(std::move(out));
    }
  }
  return Value();
}

}  // namespace kelo_vm::builtins
