// Run-time meaning of the arithmetic, comparison and equality operators, unary minus and
// logical not (every one series-aware), and the argument conversions all built-ins share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm::builtins {

inline constexpr std::string_view kSeriesOperationMessage =
    "That operation does not work on a series";
inline constexpr std::string_view kTextTooLongMessage =
    "The text would be longer than 268435456 bytes";
// A text past kMaxTextBytes was refused: a guard of the run's resources.
inline RuntimeError text_too_long() {
  return RuntimeError::exhaustion(kTextTooLongMessage);
}

// `op` is the opcode number (Add 16 ... Pow 21, Equal 24 ... GreaterEqual 29). Fails with
// "Cannot combine {} and {}" or the series message; never changes its operands.
Result<Value> binary(uint8_t op, const Value& left, const Value& right);
Value negate(const Value& v);
Value logical_not(const Value& v);
// Coalesce with its operand `form` (a bytecode::Choice past plain Coalesce): with a series
// on either side the element-wise node, else the plain answer.
Result<Value> choose(uint8_t form, const Value& left, const Value& right);

// The series code of an operator opcode; none for the others.
std::optional<SeriesOp> series_op_of(uint8_t opcode);

// A series is shared; Bool, Int, Time, Num and Duration become a constant series of their
// numeric view; anything else a constant series of NaN.
Ref<Series> as_series(const Value& v);

// Argument accessors; an index past the end reads as Nothing.
double number(std::span<const Value> args, size_t i);    // numeric view, NaN for none
int64_t integer(std::span<const Value> args, size_t i);  // as_int, 0 for none
std::vector<double> numbers(std::span<const Value> args, size_t from);
std::string text(std::span<const Value> args, size_t i);  // a Text's string or display
std::string render(const Value& v);                       // display (Num by format_number)

}  // namespace kelo_vm::builtins
