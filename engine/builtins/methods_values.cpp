// Methods of times, series and maps.

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "builtins/methods.h"
#include "core/numeric.h"
#include "vm/interpreter.h"
#include "vm/operators.h"

namespace kelo_vm::builtins::methods {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <std::size_t N>
BuiltinFn find_in(const Entry (&table)[N], std::string_view name) {
  for (const Entry& e : table) {
    if (e.name == name) return e.fn;
  }
  return nullptr;
}

// --- time: proleptic Gregorian calendar in UTC, days split with floor division ---------

struct Civil {
  int64_t year;
  int64_t month;
  int64_t day;
  int64_t days;  // since 1970-01-01
  int64_t ms_of_day;
};

int64_t days_from_civil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Civil civil(int64_t ms) {
  constexpr int64_t kDay = 86'400'000;
  Civil c{};
  c.days = kelo_core::numeric::floor_div(ms, kDay);
  c.ms_of_day = kelo_core::numeric::floor_mod(ms, kDay);
  const int64_t z = c.days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
  return c;
}

enum class Part { Year, Month, Day, Hour, Minute, Second, DayOfWeek, DayOfYear };

template <Part P>
Result<Value> time_part(BuiltinCall& call) {
  const Civil c = civil(integer(call.args, 0));
  switch (P) {
    case Part::Year:
      return Value::integer(c.year);
    case Part::Month:
      return Value::integer(c.month);
    case Part::Day:
      return Value::integer(c.day);
    case Part::Hour:
      return Value::integer(c.ms_of_day / 3'600'000);
    case Part::Minute:
      return Value::integer(c.ms_of_day / 60'000 % 60);
    case Part::Second:
      return Value::integer(c.ms_of_day / 1000 % 60);
    case Part::DayOfWeek:
      return Value::integer(kelo_core::numeric::floor_mod(c.days + 4, 7));
    case Part::DayOfYear:
      return Value::integer(c.days - days_from_civil(c.year, 1, 1) + 1);
  }
  return Value();
}

constexpr Entry kTime[] = {
    {"year", time_part<Part::Year>},
    {"month", time_part<Part::Month>},
    {"day", time_part<Part::Day>},
    {"hour", time_part<Part::Hour>},
    {"minute", time_part<Part::Minute>},
    {"second", time_part<Part::Second>},
    {"dayOfWeek", time_part<Part::DayOfWeek>},
    {"dayOfYear", time_part<Part::DayOfYear>},
};

// --- series -------------------------------------------------------------------------

// The value `back` bars before the current bar; NaN outside the evaluated values.
double value_back(BuiltinCall& c, uint64_t back) {
  const SeriesColumn col = c.vm.builtins().values_of(c.args[0].series_obj(), c.host);
  const std::size_t bar = c.host.bar_index();
  if (!col || back > bar || bar - back >= col->size()) return kNaN;
  return (*col)[bar - back];
}

Result<Value> length(BuiltinCall& c) {
  return Value::integer(static_cast<int64_t>(c.host.bars().size()));
}
Result<Value> last(BuiltinCall& c) {
  return Value::number(value_back(c, 0));
}
Result<Value> previous(BuiltinCall& c) {
  return Value::number(value_back(c, 1));
}

Result<Value> to_array(BuiltinCall& c) {
  const std::optional<double> n = c.args.size() > 1 ? numeric_view(c.args[1]) : std::nullopt;
  if (!n || !(*n >= 1.0) || *n > static_cast<double>(kMaxArrayItems)) return Value::array();
  const auto count = static_cast<std::size_t>(*n);
  const SeriesColumn col = c.vm.builtins().values_of(c.args[0].series_obj(), c.host);
  const std::size_t bar = c.host.bar_index();
  if (!room_for_array(count)) return heap::error();
  std::vector<Value> out;
  out.reserve(count);
  for (std::size_t k = 0; k < count; ++k) {
    const bool there = col && k <= bar && bar - k < col->size();
    out.push_back(Value::number(there ? (*col)[bar - k] : kNaN));
  }
  return Value::array(std::move(out));
}

// The node the global function of the same name builds: the receiver as the one input,
// the first argument as the one number (NaN when missing), selector 0.
template <const char* Name>
Result<Value> indicator_node(BuiltinCall& c) {
  return Value::series(Series::indicator(Name, {c.args[0].series_ref()}, {number(c.args, 1)}, 0));
}

constexpr char kHighest[] = "highest";
constexpr char kLowest[] = "lowest";
constexpr char kSum[] = "sum";
constexpr char kAvg[] = "avg";
constexpr char kOffset[] = "offset";
constexpr char kChanged[] = "changed";

// A receiver that is not a series leaves the call to the host.
template <BuiltinFn F>
Result<Value> on_series(BuiltinCall& c) {
  if (c.args.empty() || !c.args[0].is(Tag::Series)) return c.forward();
  return F(c);
}

constexpr Entry kSeries[] = {
    {"length", on_series<length>},
    {"last", on_series<last>},
    {"previous", on_series<previous>},
    {"toArray", on_series<to_array>},
    {"highest", on_series<indicator_node<kHighest>>},
    {"lowest", on_series<indicator_node<kLowest>>},
    {"sum", on_series<indicator_node<kSum>>},
    {"avg", on_series<indicator_node<kAvg>>},
    {"offset", on_series<indicator_node<kOffset>>},
    {"changed", on_series<indicator_node<kChanged>>},
};

// --- maps: keys are texts; any other key is used in its written form -----------------

Map& entries(BuiltinCall& c) {
  return c.args[0].map_obj();
}

Result<Value> map_len(BuiltinCall& c) {
  return Value::integer(static_cast<int64_t>(entries(c).size()));
}

Result<Value> keys(BuiltinCall& c) {
  if (!room_for_array(entries(c).size())) return heap::error();
  std::vector<Value> out;
  out.reserve(entries(c).size());
  for (const MapEntry& e : entries(c).ordered()) out.push_back(Value::text(e.key));
  return Value::array(std::move(out));
}

Result<Value> values(BuiltinCall& c) {
  if (!room_for_array(entries(c).size())) return heap::error();
  std::vector<Value> out;
  out.reserve(entries(c).size());
  for (const MapEntry& e : entries(c).ordered()) out.push_back(e.value);
  return Value::array(std::move(out));
}

// The key argument: a Text is used as it is (its hash is cached), anything else in its
// written form.
bool key_is_text(BuiltinCall& c) {
  return c.args.size() > 1 && c.args[1].is(Tag::Text);
}

Result<Value> get(BuiltinCall& c) {
  if (key_is_text(c)) return entries(c).get(c.args[1].text_obj());
  return entries(c).get(text(c.args, 1));
}

Result<Value> has(BuiltinCall& c) {
  if (key_is_text(c)) return Value::boolean(entries(c).find(c.args[1].text_obj()) != nullptr);
  return Value::boolean(entries(c).find(text(c.args, 1)) != nullptr);
}

Result<Value> set(BuiltinCall& c) {
  Value v = c.args.size() > 2 ? c.args[2] : Value();
  if (key_is_text(c)) {
    Text& key = c.args[1].text_obj();
    if (!room_for_key(entries(c), key)) return heap::error();
    entries(c).set(key, std::move(v));
  } else {
    const std::string key = text(c.args, 1);
    if (!room_for_key(entries(c), key)) return heap::error();
    entries(c).set(key, std::move(v));
  }
  return Value();
}

Result<Value> erase(BuiltinCall& c) {
  return Value::boolean(entries(c).erase(text(c.args, 1)));
}

Result<Value> map_clear(BuiltinCall& c) {
  entries(c).clear();
  return Value();
}

template <BuiltinFn F>
Result<Value> on_map(BuiltinCall& c) {
  if (c.args.empty() || !c.args[0].is(Tag::Map)) return c.forward();
  return F(c);
}

constexpr Entry kMap[] = {
    {"len", on_map<map_len>},  {"keys", on_map<keys>},       {"values", on_map<values>},
    {"get", on_map<get>},      {"has", on_map<has>},         {"set", on_map<set>},
    {"delete", on_map<erase>}, {"clear", on_map<map_clear>},
};

}  // namespace

std::span<const Entry> time_table() {
  return kTime;
}
std::span<const Entry> series_table() {
  return kSeries;
}
std::span<const Entry> map_table() {
  return kMap;
}

BuiltinFn time_method(std::string_view method) {
  return find_in(kTime, method);
}
BuiltinFn series_method(std::string_view method) {
  return find_in(kSeries, method);
}
BuiltinFn map_method(std::string_view method) {
  return find_in(kMap, method);
}

}  // namespace kelo_vm::builtins::methods
