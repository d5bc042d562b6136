// The text namespace and the pct and pips formatters.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "builtins/methods.h"
#include "builtins/methods_unicode.h"
#include "builtins/pure_functions.h"
#include "core/numeric.h"
#include "core/utf8.h"
#include "vm/operators.h"
#include "vm/text_builder.h"

namespace kelo_vm::builtins::pure {
namespace {

using Args = std::span<const Value>;

Value of_fn(Args a) {
  return Value::text(render(a.empty() ? Value() : a[0]));
}
// A refused mapping (past the text cap or the run's memory) gives "", as a join does.
Value upper_fn(Args a) {
  return Value::text(unicode_text::to_case(text(a, 0), true).text);
}
Value lower_fn(Args a) {
  return Value::text(unicode_text::to_case(text(a, 0), false).text);
}
Value trim_fn(Args a) {
  return Value::text(unicode_text::trim(text(a, 0), true, true));
}

Value compare_fn(Args a) {
  const int c = text(a, 0).compare(text(a, 1));
  return Value::integer(c < 0 ? -1 : c > 0 ? 1 : 0);
}

// Decimal or exponent notation, an optional sign, and the written forms of infinity and
// NaN; never hexadecimal, never the locale's decimal mark.
Value parse_num_fn(Args a) {
  const std::string whole = text(a, 0);
  std::string_view s = unicode_text::trim(whole, true, true);
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) return Value::number(kNaN);
  }
  // from_chars would also take "nan(...)" payloads.
  if (s.find('(') != std::string_view::npos) return Value::number(kNaN);
  const auto v = kelo_core::numeric::parse_double(s);
  return Value::number(v ? *v : kNaN);
}

Value parse_int_fn(Args a) {
  const std::string whole = text(a, 0);
  std::string_view s = unicode_text::trim(whole, true, true);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return Value::integer(0);
  }
  // Read the magnitude as unsigned so that the smallest int64 fits too.
  uint64_t magnitude = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
  if (ec != std::errc() || ptr != s.data() + s.size()) return Value::integer(0);
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(INT64_MAX);
  if (!negative)
    return Value::integer(magnitude <= kMaxPositive ? static_cast<int64_t>(magnitude) : 0);
  if (magnitude == kMaxPositive + 1) return Value::integer(INT64_MIN);
  return Value::integer(magnitude <= kMaxPositive ? -static_cast<int64_t>(magnitude) : 0);
}

Value from_code_fn(Args a) {
  const int64_t code = integer(a, 0);
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Value::text("");
  std::string out;
  kelo_core::utf8::append(out, static_cast<char32_t>(code));
  return Value::text(std::move(out));
}

Value join_fn(Args a) {
  if (a.empty() || !a[0].is(Tag::Array)) return Value::text("");
  const std::string sep = text(a, 1);
  TextBuilder out;
  bool first = true;
  for (const Value& v : a[0].array_obj().items) {
    if (!first) out.append(sep);
    first = false;
    if (!out.append(render(v))) return Value::text("");
  }
  return Value::text(std::move(out).take());
}

Value format_fn(Args a) {
  const std::string pattern = text(a, 0);
  TextBuilder out;
  std::size_t next = 1;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}') {
      if (!out.append(render(next < a.size() ? a[next] : Value()))) return Value::text("");
      ++next;
      ++i;
    } else {
      out.push_back(pattern[i]);
    }
  }
  return Value::text(std::move(out).take());
}

Value pips_fn(Args a) {
  return Value::text(format_number(number(a, 0)) + " pips");
}

Value pct_fn(Args a) {
  const double x = number(a, 0);
  int decimals = 2;
  if (a.size() > 1 && numeric_view(a[1])) {
    decimals = static_cast<int>(std::clamp<int64_t>(integer(a, 1), 0, 8));
  }
  if (std::isnan(x)) return Value::text("NaN%");
  if (std::isinf(x)) return Value::text(x > 0 ? "inf%" : "-inf%");
  char buf[400];  // 309 integer digits, a sign, a point and 8 decimals at most
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
  std::string out(buf, r.ptr);
  out += '%';
  return Value::text(std::move(out));
}

#define ROW(name, fn)    \
  Entry {                \
    name, fn, &adapt<fn> \
  }

constexpr Entry kRows[] = {
    ROW("text.of", of_fn),
    ROW("text.upper", upper_fn),
    ROW("text.lower", lower_fn),
    ROW("text.trim", trim_fn),
    ROW("text.compare", compare_fn),
    ROW("text.parseNum", parse_num_fn),
    ROW("text.parseInt", parse_int_fn),
    ROW("text.fromCode", from_code_fn),
    ROW("text.join", join_fn),
    ROW("text.format", format_fn),
    ROW("pips", pips_fn),
    ROW("pct", pct_fn),
};

#undef ROW

}  // namespace

std::span<const Entry> text_rows() {
  return kRows;
}

const Entry* find_text(std::string_view name) {
  for (const Entry& e : kRows) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace kelo_vm::builtins::pure
