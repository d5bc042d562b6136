// Maths, conversions, array statistics and the status namespace.

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <vector>

#include "builtins/pure_functions.h"
#include "core/numeric.h"
#include "vm/operators.h"

namespace kelo_vm::builtins::pure {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Args = std::span<const Value>;

double x0(Args a) {
  return number(a, 0);
}
double x1(Args a) {
  return number(a, 1);
}
double x2(Args a) {
  return number(a, 2);
}

template <double (*F)(double)>
Value unary(Args a) {
  return Value::number(F(x0(a)));
}
template <double (*F)(double, double)>
Value binary2(Args a) {
  return Value::number(F(x0(a), x1(a)));
}

// Wrappers give the <cmath> overload sets one address each.
double m_abs(double x) {
  return std::fabs(x);
}
double m_sign(double x) {
  return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0;
}
double m_sqrt(double x) {
  return std::sqrt(x);
}
double m_cbrt(double x) {
  return std::cbrt(x);
}
double m_exp(double x) {
  return std::exp(x);
}
double m_ln(double x) {
  return std::log(x);
}
double m_log2(double x) {
  return std::log2(x);
}
double m_log10(double x) {
  return std::log10(x);
}
double m_sin(double x) {
  return std::sin(x);
}
double m_cos(double x) {
  return std::cos(x);
}
double m_tan(double x) {
  return std::tan(x);
}
double m_asin(double x) {
  return std::asin(x);
}
double m_acos(double x) {
  return std::acos(x);
}
double m_atan(double x) {
  return std::atan(x);
}
double m_sinh(double x) {
  return std::sinh(x);
}
double m_cosh(double x) {
  return std::cosh(x);
}
double m_tanh(double x) {
  return std::tanh(x);
}
double m_floor(double x) {
  return std::floor(x);
}
double m_ceil(double x) {
  return std::ceil(x);
}
double m_trunc(double x) {
  return std::trunc(x);
}
double m_atan2(double y, double x) {
  return std::atan2(y, x);
}
double m_hypot(double a, double b) {
  return std::hypot(a, b);
}
double m_pow(double a, double b) {
  return std::pow(a, b);
}
double m_mod(double a, double b) {
  return b == 0.0 ? kNaN : std::fmod(a, b);
}
double m_min(double a, double b) {
  return std::fmin(a, b);
}
double m_max(double a, double b) {
  return std::fmax(a, b);
}

Value round_fn(Args a) {
  const double x = x0(a);
  if (a.size() < 2 || !numeric_view(a[1])) return Value::number(std::round(x));
  const double digits = static_cast<double>(kelo_core::numeric::saturating_i64(std::trunc(x1(a))));
  const double scale = std::pow(10.0, digits);
  const double scaled = x * scale;
  // Past the precision of a double there is nothing left to round; far below it all is 0.
  if (!std::isfinite(scaled) || !std::isfinite(scale)) return Value::number(x);
  if (scale == 0.0) return Value::number(0.0 * x);
  return Value::number(std::round(scaled) / scale);
}

// Bounds in either order; a NaN bound holds nothing back.
Value clamp_fn(Args a) {
  const double x = x0(a);
  double lo = x1(a);
  double hi = x2(a);
  if (lo > hi) std::swap(lo, hi);
  if (x < lo) return Value::number(lo);
  if (x > hi) return Value::number(hi);
  return Value::number(x);
}

Value lerp_fn(Args a) {
  return Value::number(x0(a) + (x1(a) - x0(a)) * x2(a));
}

Value normalize_fn(Args a) {
  const double v = x0(a), lo = x1(a), hi = x2(a);
  return Value::number(hi == lo ? 0.0 : (v - lo) / (hi - lo));
}

Value is_nan_fn(Args a) {
  return Value::boolean(std::isnan(x0(a)));
}
Value is_finite_fn(Args a) {
  return Value::boolean(std::isfinite(x0(a)));
}

Value int_fn(Args a) {
  return Value::integer(integer(a, 0));
}
Value num_fn(Args a) {
  return Value::number(x0(a));
}
Value bool_fn(Args a) {
  return Value::boolean(!a.empty() && truthy(a[0]));
}

// The finite numeric views of an array's elements, in order; none for another value.
std::optional<std::vector<double>> finite_elements(Args a) {
  if (a.empty() || !a[0].is(Tag::Array)) return std::nullopt;
  std::vector<double> out;
  for (const Value& v : a[0].array_obj().items) {
    const auto n = numeric_view(v);
    if (n && std::isfinite(*n)) out.push_back(*n);
  }
  return out;
}

double mean_of(const std::vector<double>& v) {
  double sum = 0.0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

double variance_of(const std::vector<double>& v) {
  const double m = mean_of(v);
  double sum = 0.0;
  for (double x : v) sum += (x - m) * (x - m);
  return sum / static_cast<double>(v.size());
}

Value mean_fn(Args a) {
  auto v = finite_elements(a);
  return Value::number(!v || v->empty() ? kNaN : mean_of(*v));
}

Value variance_fn(Args a) {
  auto v = finite_elements(a);
  return Value::number(!v || v->empty() ? kNaN : variance_of(*v));
}

Value stdev_of_fn(Args a) {
  auto v = finite_elements(a);
  return Value::number(!v || v->empty() ? kNaN : std::sqrt(variance_of(*v)));
}

Value median_fn(Args a) {
  auto v = finite_elements(a);
  if (!v || v->empty()) return Value::number(kNaN);
  std::sort(v->begin(), v->end());
  const std::size_t n = v->size();
  return Value::number(n % 2 == 1 ? (*v)[n / 2] : ((*v)[n / 2 - 1] + (*v)[n / 2]) / 2.0);
}

Value percentile_fn(Args a) {
  auto v = finite_elements(a);
  const auto p = a.size() > 1 ? numeric_view(a[1]) : std::nullopt;
  if (!v || v->empty() || !p || std::isnan(*p)) return Value::number(kNaN);
  std::sort(v->begin(), v->end());
  const double q = std::clamp(*p, 0.0, 100.0) / 100.0 * static_cast<double>(v->size() - 1);
  const double lo = std::floor(q);
  const auto lo_i = static_cast<std::size_t>(lo);
  const auto hi_i = std::min(static_cast<std::size_t>(std::ceil(q)), v->size() - 1);
  const double f = q - lo;
  return Value::number((*v)[lo_i] * (1.0 - f) + (*v)[hi_i] * f);
}

uint32_t channel(int64_t v) {
  return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255));
}

Value rgba_fn(Args a) {
  const uint32_t r = channel(integer(a, 0));
  const uint32_t g = channel(integer(a, 1));
  const uint32_t b = channel(integer(a, 2));
  uint32_t alpha = 255;
  // A missing, non-numeric or NaN alpha is opaque.
  if (const auto f = a.size() > 3 ? numeric_view(a[3]) : std::nullopt; f && !std::isnan(*f)) {
    alpha = channel(kelo_core::numeric::saturating_i64(*f * 255.0));
  }
  return Value::color(r << 24 | g << 16 | b << 8 | alpha);
}

Value status_ok_fn(Args) {
  return Value::status(true);
}
Value status_failed_fn(Args a) {
  return Value::status(false, text(a, 0));
}

#define ROW(name, fn)    \
  Entry {                \
    name, fn, &adapt<fn> \
  }

constexpr Entry kRows[] = {
    ROW("abs", unary<m_abs>),
    ROW("sign", unary<m_sign>),
    ROW("sqrt", unary<m_sqrt>),
    ROW("cbrt", unary<m_cbrt>),
    ROW("exp", unary<m_exp>),
    ROW("ln", unary<m_ln>),
    ROW("log2", unary<m_log2>),
    ROW("log10", unary<m_log10>),
    ROW("sin", unary<m_sin>),
    ROW("cos", unary<m_cos>),
    ROW("tan", unary<m_tan>),
    ROW("asin", unary<m_asin>),
    ROW("acos", unary<m_acos>),
    ROW("atan", unary<m_atan>),
    ROW("sinh", unary<m_sinh>),
    ROW("cosh", unary<m_cosh>),
    ROW("tanh", unary<m_tanh>),
    ROW("atan2", binary2<m_atan2>),
    ROW("hypot", binary2<m_hypot>),
    ROW("pow", binary2<m_pow>),
    ROW("mod", binary2<m_mod>),
    ROW("min", binary2<m_min>),
    ROW("max", binary2<m_max>),
    ROW("floor", unary<m_floor>),
    ROW("ceil", unary<m_ceil>),
    ROW("trunc", unary<m_trunc>),
    ROW("round", round_fn),
    ROW("clamp", clamp_fn),
    ROW("lerp", lerp_fn),
    ROW("normalize", normalize_fn),
    ROW("isNaN", is_nan_fn),
    ROW("isFinite", is_finite_fn),
    ROW("int", int_fn),
    ROW("num", num_fn),
    ROW("bool", bool_fn),
    ROW("mean", mean_fn),
    ROW("median", median_fn),
    ROW("variance", variance_fn),
    ROW("stdevOf", stdev_of_fn),
    ROW("percentile", percentile_fn),
    ROW("rgba", rgba_fn),
    ROW("status.ok", status_ok_fn),
    ROW("status.failed", status_failed_fn),
};

#undef ROW

}  // namespace

std::span<const Entry> maths_rows() {
  return kRows;
}

const Entry* find_maths(std::string_view name) {
  for (const Entry& e : kRows) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

}  // namespace kelo_vm::builtins::pure
