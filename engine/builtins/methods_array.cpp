// Methods of arrays. Arrays are shared cells: a method that changes its receiver changes
// it for every holder; the methods documented as giving a new array copy it.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "builtins/higher_order.h"
#include "builtins/methods.h"
#include "builtins/methods_sort.h"
#include "vm/operators.h"
#include "vm/text_builder.h"

namespace kelo_vm::builtins::methods {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
using Items = std::vector<Value>;

Items& items(BuiltinCall& c) {
  return c.args[0].array_obj().items;
}
// Whether the receiver may grow to n items; after growing, `grown` settles its charge.
bool room_for(BuiltinCall& c, std::size_t n) {
  return heap::fits(heap::growth_bytes(items(c), n));
}
void grown(BuiltinCall& c) {
  settle(c.args[0].array_obj());
}
Value arg(BuiltinCall& c, std::size_t i) {
  return i < c.args.size() ? c.args[i] : Value();
}
Value length_of(const Items& v) {
  return Value::integer(static_cast<int64_t>(v.size()));
}

// A position argument clamped to [0, size].
std::size_t position(BuiltinCall& c, std::size_t i, std::size_t size) {
  const int64_t v = integer(c.args, i);
  if (v <= 0) return 0;
  return static_cast<uint64_t>(v) > size ? size : static_cast<std::size_t>(v);
}

// Every method below runs only with an array receiver (see `guarded`).
Result<Value> len(BuiltinCall& c) {
  return length_of(items(c));
}

Result<Value> push(BuiltinCall& c) {
  Value v = arg(c, 1);
  Items& a = items(c);
  // Within its capacity a push allocates nothing, so it needs no room, even over the limit.
  const bool grows = a.size() == a.capacity();
  if (grows && !room_for(c, a.size() + 1)) return heap::error();
  a.push_back(std::move(v));
  if (grows) grown(c);
  return length_of(a);
}

Result<Value> unshift(BuiltinCall& c) {
  Value v = arg(c, 1);
  if (!room_for(c, items(c).size() + 1)) return heap::error();
  items(c).insert(items(c).begin(), std::move(v));
  grown(c);
  return length_of(items(c));
}

Result<Value> insert(BuiltinCall& c) {
  Value v = arg(c, 2);
  Items& a = items(c);
  const std::size_t at = position(c, 1, a.size());
  if (!room_for(c, a.size() + 1)) return heap::error();
  a.insert(a.begin() + static_cast<std::ptrdiff_t>(at), std::move(v));
  grown(c);
  return length_of(a);
}

Result<Value> pop(BuiltinCall& c) {
  Items& a = items(c);
  if (a.empty()) return Value();
  Value v = std::move(a.back());
  a.pop_back();
  return v;
}

Result<Value> shift(BuiltinCall& c) {
  Items& a = items(c);
  if (a.empty()) return Value();
  Value v = std::move(a.front());
  a.erase(a.begin());
  return v;
}

Result<Value> remove(BuiltinCall& c) {
  Items& a = items(c);
  const std::size_t at = position(c, 1, a.size());
  std::size_t n = 1;
  if (c.args.size() > 2) {
    if (const auto k = as_int(c.args[2])) n = *k < 0 ? 0 : static_cast<std::size_t>(*k);
  }
  n = std::min(n, a.size() - at);
  a.erase(a.begin() + static_cast<std::ptrdiff_t>(at),
          a.begin() + static_cast<std::ptrdiff_t>(at + n));
  return length_of(a);
}

Result<Value> resize(BuiltinCall& c) {
  const int64_t n = std::max<int64_t>(integer(c.args, 1), 0);
  if (static_cast<uint64_t>(n) > kMaxArrayItems) return Value();
  if (!room_for(c, static_cast<std::size_t>(n))) return heap::error();
  items(c).resize(static_cast<std::size_t>(n));
  grown(c);
  return Value::integer(n);
}

Result<Value> clear(BuiltinCall& c) {
  items(c).clear();
  return Value();
}

Result<Value> fill(BuiltinCall& c) {
  const Value v = arg(c, 1);
  for (Value& item : items(c)) item = v;
  return Value();
}

Result<Value> copy(BuiltinCall& c) {
  if (!room_for_array(items(c).size())) return heap::error();
  return Value::array(Items(items(c)));
}

Result<Value> slice(BuiltinCall& c) {
  const Items& a = items(c);
  const std::size_t i = position(c, 1, a.size());
  const bool to_end = c.args.size() < 3 || c.args[2].is_nothing();
  const std::size_t j = to_end ? a.size() : position(c, 2, a.size());
  if (j <= i) return Value::array();
  if (!room_for_array(j - i)) return heap::error();
  return Value::array(Items(a.begin() + static_cast<std::ptrdiff_t>(i),
                            a.begin() + static_cast<std::ptrdiff_t>(j)));
}

Result<Value> reverse(BuiltinCall& c) {
  if (!room_for_array(items(c).size())) return heap::error();
  return Value::array(Items(items(c).rbegin(), items(c).rend()));
}

// Ascending by the numeric view; values without one (and NaN) compare equal to all.
Result<Value> sort(BuiltinCall& c) {
  // The copy, and the merge sort's buffer beside it.
  if (!room_for_array(2 * items(c).size())) return heap::error();
  Items sorted = items(c);
  stable_merge_sort(sorted, [](const Value& a, const Value& b) {
    const auto x = numeric_view(a);
    const auto y = numeric_view(b);
    return x && y && *x < *y;
  });
  return Value::array(std::move(sorted));
}

Result<Value> join(BuiltinCall& c) {
  const std::string sep = text(c.args, 1);
  TextBuilder out;
  bool first = true;
  for (const Value& v : items(c)) {
    if (!first) out.append(sep);
    first = false;
    if (!out.append(render(v))) break;
  }
  if (out.status() == TextBuilder::Status::TooLong) return Value::text("");
  if (!out.ok()) return heap::error();
  return Value::text(std::move(out).take());
}

int64_t index_of(BuiltinCall& c) {
  const Value v = arg(c, 1);
  const Items& a = items(c);
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (equals(a[i], v)) return static_cast<int64_t>(i);
  }
  return -1;
}

Result<Value> index_of_method(BuiltinCall& c) {
  return Value::integer(index_of(c));
}
Result<Value> contains(BuiltinCall& c) {
  return Value::boolean(index_of(c) >= 0);
}

// Position of the smallest (or largest) numeric element, the first of equals; a NaN
// element is passed over when any other number is there. -1 without numbers.
template <bool Max>
std::optional<std::size_t> extreme(const Items& a) {
  std::optional<std::size_t> best;
  double best_value = kNaN;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto v = numeric_view(a[i]);
    if (!v) continue;
    const bool better = Max ? *v > best_value : *v < best_value;
    if (!best || (std::isnan(best_value) && !std::isnan(*v)) || better) {
      best = i;
      best_value = *v;
    }
  }
  return best;
}

template <bool Max>
Result<Value> extreme_value(BuiltinCall& c) {
  const Items& a = items(c);
  const auto at = extreme<Max>(a);
  return Value::number(at ? *numeric_view(a[*at]) : kNaN);
}

template <bool Max>
Result<Value> extreme_index(BuiltinCall& c) {
  const auto at = extreme<Max>(items(c));
  return Value::integer(at ? static_cast<int64_t>(*at) : -1);
}

Result<Value> sum(BuiltinCall& c) {
  double total = 0.0;
  bool any = false;
  for (const Value& v : items(c)) {
    if (const auto n = numeric_view(v)) {
      total += *n;
      any = true;
    }
  }
  return Value::number(any ? total : kNaN);
}

template <HigherOrder M>
Result<Value> callback_method(BuiltinCall& c) {
  return higher_order(M, c.args[0], c.args.subspan(1), c.vm, c.host);
}

Result<Value> nothing(BuiltinCall&) {
  return Value();
}

// Methods read their receiver only once it is known to be an array.
template <BuiltinFn F>
Result<Value> guarded(BuiltinCall& c) {
  if (c.args.empty() || !c.args[0].is(Tag::Array)) return Value();
  return F(c);
}

constexpr Entry kMethods[] = {
    {"len", guarded<len>},
    {"push", guarded<push>},
    {"unshift", guarded<unshift>},
    {"insert", guarded<insert>},
    {"pop", guarded<pop>},
    {"shift", guarded<shift>},
    {"remove", guarded<remove>},
    {"resize", guarded<resize>},
    {"clear", guarded<clear>},
    {"fill", guarded<fill>},
    {"copy", guarded<copy>},
    {"slice", guarded<slice>},
    {"reverse", guarded<reverse>},
    {"sort", guarded<sort>},
    {"join", guarded<join>},
    {"indexOf", guarded<index_of_method>},
    {"contains", guarded<contains>},
    {"min", guarded<extreme_value<false>>},
    {"max", guarded<extreme_value<true>>},
    {"sum", guarded<sum>},
    {"minIndex", guarded<extreme_index<false>>},
    {"maxIndex", guarded<extreme_index<true>>},
    {"map", guarded<callback_method<HigherOrder::Map>>},
    {"filter", guarded<callback_method<HigherOrder::Filter>>},
    {"reduce", guarded<callback_method<HigherOrder::Reduce>>},
    {"find", guarded<callback_method<HigherOrder::Find>>},
    {"any", guarded<callback_method<HigherOrder::Any>>},
    {"all", guarded<callback_method<HigherOrder::All>>},
    {"sortBy", guarded<callback_method<HigherOrder::SortBy>>},
};

}  // namespace

std::span<const Entry> array_table() {
  return kMethods;
}

BuiltinFn array_method(std::string_view method) {
  for (const Entry& e : kMethods) {
    if (e.name == method) return e.fn;
  }
  return nothing;
}

}  // namespace kelo_vm::builtins::methods
