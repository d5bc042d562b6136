#include "vm/operators.h"

#include <cmath>
#include <limits>

#include "core/numeric.h"
#include "vm/bytecode.h"

namespace kelo_vm::builtins {

using bytecode::Opcode;
using kelo_core::numeric::saturating_i64;
using kelo_core::numeric::wrapping_negate;

namespace {

constexpr uint8_t code(Opcode op) {
  return static_cast<uint8_t>(op);
}

// Two Ints give an Int when the double result is whole (saturating at the limits).
Value int_or_num(double r, bool both_int) {
  if (both_int && r == std::trunc(r)) return Value::integer(saturating_i64(r));
  return Value::number(r);
}

std::string cannot_combine(const Value& l, const Value& r) {
  std::string m = "Cannot combine ";
  m += type_name(l);
  m += " and ";
  m += type_name(r);
  return m;
}

}  // namespace

std::optional<SeriesOp> series_op_of(uint8_t opcode) {
  if (opcode >= code(Opcode::Add) && opcode <= code(Opcode::Pow))
    return static_cast<SeriesOp>(opcode - code(Opcode::Add));
  if (opcode >= code(Opcode::Equal) && opcode <= code(Opcode::GreaterEqual))
    return static_cast<SeriesOp>(opcode - code(Opcode::Equal) + 6);
  return std::nullopt;
}

Ref<Series> as_series(const Value& v) {
  if (v.is(Tag::Series)) return v.series_ref();
  auto n = numeric_view(v);
  return Series::constant_of(n ? *n : std::numeric_limits<double>::quiet_NaN());
}

Result<Value> binary(uint8_t op, const Value& left, const Value& right) {
  if (left.is(Tag::Series) || right.is(Tag::Series)) {
    auto sop = series_op_of(op);
    if (!sop) return RuntimeError::here(std::string(kSeriesOperationMessage));
    if (!heap::fits(sizeof(Series))) return heap::error();
    return Value::series(Series::binary(*sop, as_series(left), as_series(right)));
  }
  if (op == code(Opcode::Add) && (left.is(Tag::Text) || right.is(Tag::Text))) {
    // A text doubled in a loop must end in an error, not in memory exhaustion: the
    // size is checked before anything is allocated, and reserved once so growing
    // never holds two copies.
    const std::size_t known = (left.is(Tag::Text) ? left.str().size() : 0) +
                              (right.is(Tag::Text) ? right.str().size() : 0);
    if (known > kMaxTextBytes) return text_too_long();
    // The operand that is not a text is written out first: the cap is measured on the
    // whole result before the memory it needs is asked for.
    std::string written;
    bool whole = true;
    if (!left.is(Tag::Text)) whole = display_to(written, left);
    if (!right.is(Tag::Text)) whole = display_to(written, right);
    const std::size_t total = known + written.size();
    if (total > kMaxTextBytes) return text_too_long();
    // Cut short below the cap: its next growth did not fit the run's memory.
    if (!whole) return heap::error();
    if (!heap::fits(sizeof(Text) + total)) return heap::error();
    std::string s;
    s.reserve(total);
    s += left.is(Tag::Text) ? left.str() : std::string_view(written);
    s += right.is(Tag::Text) ? right.str() : std::string_view(written);
    return Value::text(std::move(s));
  }
  if (op == code(Opcode::Equal)) return Value::boolean(equals(left, right));
  if (op == code(Opcode::NotEqual)) return Value::boolean(!equals(left, right));

  auto na = numeric_view(left);
  auto nb = numeric_view(right);
  if (!na || !nb) return RuntimeError::here(cannot_combine(left, right));
  const double a = *na;
  const double b = *nb;
  const bool both_int = left.is(Tag::Int) && right.is(Tag::Int);
  switch (static_cast<Opcode>(op)) {
    case Opcode::Add:
      return int_or_num(a + b, both_int);
    case Opcode::Sub:
      return int_or_num(a - b, both_int);
    case Opcode::Mul:
      return int_or_num(a * b, both_int);
    case Opcode::Div:
      if (b == 0.0) return Value();
      if (both_int) return Value::integer(saturating_i64(std::trunc(a / b)));
      return Value::number(a / b);
    case Opcode::Rem:
      if (b == 0.0) return Value();
      return int_or_num(std::fmod(a, b), both_int);
    case Opcode::Pow:
      return Value::number(std::pow(a, b));
    case Opcode::Less:
      return Value::boolean(a < b);
    case Opcode::LessEqual:
      return Value::boolean(a <= b);
    case Opcode::Greater:
      return Value::boolean(a > b);
    case Opcode::GreaterEqual:
      return Value::boolean(a >= b);
    default:
      return Value();
  }
}

Value negate(const Value& v) {
  switch (v.tag()) {
    case Tag::Int:
      return Value::integer(wrapping_negate(v.int_value()));
    case Tag::Series:
      return Value::series(Series::unary(SeriesOp::Negate, v.series_ref()));
    default: {
      auto n = numeric_view(v);
      return Value::number(n ? -*n : std::numeric_limits<double>::quiet_NaN());
    }
  }
}

Value logical_not(const Value& v) {
  if (v.is(Tag::Series)) return Value::series(Series::unary(SeriesOp::Not, v.series_ref()));
  return Value::boolean(!truthy(v));
}

Result<Value> choose(uint8_t form, const Value& left, const Value& right) {
  using bytecode::Choice;
  const auto choice = static_cast<Choice>(form);
  if (left.is(Tag::Series) || right.is(Tag::Series)) {
    if (!heap::fits(sizeof(Series))) return heap::error();
    auto node = [](SeriesOp op, const Value& l, const Value& r) {
      return Value::series(Series::binary(op, as_series(l), as_series(r)));
    };
    switch (choice) {
      case Choice::And:
        return node(SeriesOp::And, left, right);
      case Choice::Or:
        return node(SeriesOp::Or, left, right);
      case Choice::Where:
        return node(SeriesOp::Where, left, right);
      case Choice::WhereAfter:
        return node(SeriesOp::Where, right, left);
      case Choice::Fill:
        return node(SeriesOp::Fill, left, right);
      case Choice::Coalesce:
        break;
    }
  }
  switch (choice) {
    case Choice::And:
      return Value::boolean(truthy(left) && truthy(right));
    case Choice::Or:
      return Value::boolean(truthy(left) || truthy(right));
    case Choice::Where:
      return truthy(left) ? right : Value();
    case Choice::WhereAfter:
      return truthy(right) ? left : Value();
    case Choice::Coalesce:
    case Choice::Fill:
      break;
  }
  const bool missing = left.is_nothing() || (left.is(Tag::Num) && std::isnan(left.num_value()));
  return missing ? right : left;
}

double number(std::span<const Value> args, size_t i) {
  if (i >= args.size()) return std::numeric_limits<double>::quiet_NaN();
  auto n = numeric_view(args[i]);
  return n ? *n : std::numeric_limits<double>::quiet_NaN();
}

int64_t integer(std::span<const Value> args, size_t i) {
  if (i >= args.size()) return 0;
  return as_int(args[i]).value_or(0);
}

std::vector<double> numbers(std::span<const Value> args, size_t from) {
  std::vector<double> out;
  for (size_t i = from; i < args.size(); ++i) out.push_back(number(args, i));
  return out;
}

std::string text(std::span<const Value> args, size_t i) {
  if (i >= args.size()) return "none";
  return as_text(args[i]);
}

std::string render(const Value& v) {
  return display(v);
}

}  // namespace kelo_vm::builtins
