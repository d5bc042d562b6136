#include "vm/operators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vm/bytecode.h"

namespace kelo_vm::builtins {
namespace {

using bytecode::Opcode;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const int64_t kMax = std::numeric_limits<int64_t>::max();
const int64_t kMin = std::numeric_limits<int64_t>::min();

uint8_t op(Opcode o) {
  return static_cast<uint8_t>(o);
}

// A result as "tag:display" so one string pins both the variant and the value.
std::string shown(const Value& v) {
  return std::string(type_name(v)) + ":" + display(v);
}

TEST(Operators, BinaryResults) {
  struct Row {
    const char* name;
    Opcode op;
    Value l, r;
    const char* result;
  } rows[] = {
      {"int division truncates", Opcode::Div, Value::integer(7), Value::integer(2), "int:3"},
      {"negative int division truncates", Opcode::Div, Value::integer(-7), Value::integer(2),
       "int:-3"},
      {"num division", Opcode::Div, Value::number(7), Value::integer(2), "num:3.5"},
      {"exact int division", Opcode::Div, Value::integer(6), Value::integer(3), "int:2"},
      {"division by zero", Opcode::Div, Value::integer(1), Value::integer(0), "none:none"},
      {"division by zero float", Opcode::Div, Value::number(1), Value::number(0), "none:none"},
      {"remainder by zero", Opcode::Rem, Value::integer(1), Value::integer(0), "none:none"},
      {"remainder", Opcode::Rem, Value::integer(5), Value::integer(3), "int:2"},
      {"remainder takes sign of left", Opcode::Rem, Value::integer(-5), Value::integer(3),
       "int:-2"},
      {"float remainder", Opcode::Rem, Value::number(5.5), Value::integer(2), "num:1.5"},
      {"power is always num", Opcode::Pow, Value::integer(2), Value::integer(3), "num:8"},
      {"int add saturates", Opcode::Add, Value::integer(kMax), Value::integer(1),
       "int:9223372036854775807"},
      {"int sub saturates", Opcode::Sub, Value::integer(kMin), Value::integer(1),
       "int:-9223372036854775808"},
      {"int mul saturates", Opcode::Mul, Value::integer(kMax), Value::integer(kMax),
       "int:9223372036854775807"},
      {"bool never makes both-int", Opcode::Add, Value::boolean(true), Value::integer(1), "num:2"},
      {"int add", Opcode::Add, Value::integer(1), Value::integer(2), "int:3"},
      {"mixed add is num", Opcode::Add, Value::integer(1), Value::number(2), "num:3"},
      {"time minus time is num", Opcode::Sub, Value::time(5000), Value::time(2000), "num:3000"},
      {"time plus duration is num", Opcode::Add, Value::time(1), Value::duration(2), "num:3"},
      {"text joins num", Opcode::Add, Value::text("n="), Value::number(1.5), "text:n=1.5"},
      {"text joins none", Opcode::Add, Value::text("x"), Value(), "text:xnone"},
      {"num joins text", Opcode::Add, Value::number(2.5), Value::text("x"), "text:2.5x"},
      {"text joins text", Opcode::Add, Value::text("a"), Value::text("b"), "text:ab"},
      {"text joins array", Opcode::Add, Value::text("a"), Value::array({Value::integer(1)}),
       "text:a[1]"},
      {"NaN less is false", Opcode::Less, Value::number(kNaN), Value::integer(1), "bool:false"},
      {"NaN greater-equal is false", Opcode::GreaterEqual, Value::integer(1), Value::number(kNaN),
       "bool:false"},
      {"NaN equal is false", Opcode::Equal, Value::number(kNaN), Value::number(kNaN), "bool:false"},
      {"NaN not-equal is true", Opcode::NotEqual, Value::number(kNaN), Value::number(kNaN),
       "bool:true"},
      {"less", Opcode::Less, Value::integer(1), Value::number(1.5), "bool:true"},
      {"less-equal of times", Opcode::LessEqual, Value::time(3), Value::time(3), "bool:true"},
      {"greater", Opcode::Greater, Value::duration(3), Value::integer(2), "bool:true"},
      {"equal across variants", Opcode::Equal, Value::boolean(true), Value::number(1), "bool:true"},
      {"equal texts", Opcode::Equal, Value::text("a"), Value::text("a"), "bool:true"},
      {"not equal text and number", Opcode::NotEqual, Value::text("1"), Value::integer(1),
       "bool:true"},
      {"equal of arrays is deep", Opcode::Equal, Value::array({Value::integer(1)}),
       Value::array({Value::number(1)}), "bool:true"},
      {"non-arithmetic code gives nothing", Opcode::Negate, Value::integer(1), Value::integer(2),
       "none:none"},
  };
  for (const Row& r : rows) {
    auto res = binary(op(r.op), r.l, r.r);
    ASSERT_TRUE(res.ok()) << r.name << ": " << res.error().message;
    EXPECT_EQ(shown(res.value()), r.result) << r.name;
  }
}

TEST(Operators, Errors) {
  struct Row {
    const char* name;
    Opcode op;
    Value l, r;
    const char* message;
  } rows[] = {
      {"texts do not order", Opcode::Less, Value::text("a"), Value::text("b"),
       "Cannot combine text and text"},
      {"array plus int", Opcode::Add, Value::array({Value::integer(1)}), Value::integer(1),
       "Cannot combine array and int"},
      {"nothing minus int", Opcode::Sub, Value(), Value::integer(1), "Cannot combine none and int"},
      {"colour times num", Opcode::Mul, Value::color(1), Value::number(2),
       "Cannot combine color and num"},
      {"text minus num", Opcode::Sub, Value::text("a"), Value::number(2),
       "Cannot combine text and num"},
      {"map and function", Opcode::Div, Value::map(), Value::host_function(1),
       "Cannot combine map and function"},
      {"range and status", Opcode::Pow, Value::range(0, 1, false), Value::status(true),
       "Cannot combine range and status"},
      {"record and time", Opcode::Greater, Value::record(Record::make("P")), Value::time(0),
       "Cannot combine record and time"},
      {"series with a non-series operator", Opcode::Coalesce, Value::series(Series::constant_of(1)),
       Value::integer(1), "That operation does not work on a series"},
  };
  for (const Row& r : rows) {
    auto res = binary(op(r.op), r.l, r.r);
    ASSERT_FALSE(res.ok()) << r.name;
    EXPECT_EQ(res.error().message, r.message) << r.name;
    EXPECT_EQ(res.error().line, RuntimeError::kUnset) << r.name;
  }
}

TEST(Operators, TextJoinsStopAtTheTextCap) {
  {
    // Half the cap plus one byte, joined to itself, would pass the cap. (Freed before
    // the joins below, which the thread's memory limit would refuse beside it.)
    const Value half = Value::text(std::string((std::size_t{1} << 27) + 1, 'x'));
    auto over = binary(op(Opcode::Add), half, half);
    ASSERT_FALSE(over.ok());
    EXPECT_EQ(over.error().message, "The text would be longer than 268435456 bytes");
  }

  // Exactly at the cap is still a text; a number joined to a text is measured too.
  const Value quarter = Value::text(std::string(std::size_t{1} << 27, 'y'));
  auto at_cap = binary(op(Opcode::Add), quarter, quarter);
  ASSERT_TRUE(at_cap.ok());
  EXPECT_EQ(at_cap.value().str().size(), std::size_t{1} << 28);
  auto past = binary(op(Opcode::Add), at_cap.value(), Value::integer(7));
  ASSERT_FALSE(past.ok());
  EXPECT_EQ(past.error().message, "The text would be longer than 268435456 bytes");
}

TEST(Operators, SeriesNodes) {
  Value close = Value::series(Series::source(SeriesKind::Close));
  struct Row {
    const char* name;
    Opcode op;
    Value l, r;
    SeriesOp code;
    SeriesForm left_form, right_form;
  } rows[] = {
      {"greater of two series", Opcode::Greater, close, close, SeriesOp::Greater,
       SeriesForm::Source, SeriesForm::Source},
      {"add a number", Opcode::Add, close, Value::integer(2), SeriesOp::Add, SeriesForm::Source,
       SeriesForm::Constant},
      {"number on the left", Opcode::Div, Value::number(1), close, SeriesOp::Div,
       SeriesForm::Constant, SeriesForm::Source},
      {"text becomes NaN constant", Opcode::Sub, close, Value::text("x"), SeriesOp::Sub,
       SeriesForm::Source, SeriesForm::Constant},
      {"series rule before text join", Opcode::Add, Value::text("a"), close, SeriesOp::Add,
       SeriesForm::Constant, SeriesForm::Source},
      {"series rule before equality", Opcode::Equal, close, close, SeriesOp::Equal,
       SeriesForm::Source, SeriesForm::Source},
      {"greater-equal maps to 11", Opcode::GreaterEqual, close, close, SeriesOp::GreaterEqual,
       SeriesForm::Source, SeriesForm::Source},
      {"power maps to 5", Opcode::Pow, close, close, SeriesOp::Pow, SeriesForm::Source,
       SeriesForm::Source},
  };
  for (const Row& r : rows) {
    auto res = binary(op(r.op), r.l, r.r);
    ASSERT_TRUE(res.ok()) << r.name;
    ASSERT_TRUE(res.value().is(Tag::Series)) << r.name;
    const Series& s = res.value().series_obj();
    EXPECT_EQ(s.form, SeriesForm::Binary) << r.name;
    EXPECT_EQ(s.op, r.code) << r.name;
    EXPECT_EQ(s.left->form, r.left_form) << r.name;
    EXPECT_EQ(s.right->form, r.right_form) << r.name;
  }
  auto t = binary(op(Opcode::Sub), close, Value::text("x"));
  EXPECT_TRUE(std::isnan(t.value().series_obj().right->constant));
  // The series operand is shared, not copied.
  auto shared = binary(op(Opcode::Add), close, close);
  EXPECT_EQ(shared.value().series_obj().left.get(), &close.series_obj());

  Value neg = negate(close);
  EXPECT_EQ(neg.series_obj().form, SeriesForm::Unary);
  EXPECT_EQ(neg.series_obj().op, SeriesOp::Negate);
  Value notted = logical_not(close);
  EXPECT_EQ(notted.series_obj().op, SeriesOp::Not);
}

TEST(Operators, ChoicesOfCoalesce) {
  using bytecode::Choice;
  const Value close = Value::series(Series::source(SeriesKind::Close));
  auto form = [](Choice c) { return static_cast<uint8_t>(c); };
  // A series on either side: the element-wise node, a plain value as a constant series.
  struct NodeRow {
    const char* name;
    Choice choice;
    Value left, right;
    SeriesOp code;
    SeriesForm left_form;
  } nodes[] = {
      {"and", Choice::And, close, Value::boolean(true), SeriesOp::And, SeriesForm::Source},
      {"or with the series on the right", Choice::Or, Value::integer(0), close, SeriesOp::Or,
       SeriesForm::Constant},
      {"where: condition first", Choice::Where, close, Value::number(2), SeriesOp::Where,
       SeriesForm::Source},
      {"where-after: condition second", Choice::WhereAfter, Value::number(2), close,
       SeriesOp::Where, SeriesForm::Source},
      {"fill", Choice::Fill, Value(), close, SeriesOp::Fill, SeriesForm::Constant},
  };
  for (const NodeRow& r : nodes) {
    auto res = choose(form(r.choice), r.left, r.right);
    ASSERT_TRUE(res.ok() && res.value().is(Tag::Series)) << r.name;
    EXPECT_EQ(res.value().series_obj().op, r.code) << r.name;
    EXPECT_EQ(res.value().series_obj().left->form, r.left_form) << r.name;
  }
  // Plain values.
  struct PlainRow {
    const char* name;
    Choice choice;
    Value left, right;
    const char* want;
  } plain[] = {
      {"and of true and 0", Choice::And, Value::boolean(true), Value::integer(0), "bool:false"},
      {"or of none and a text", Choice::Or, Value(), Value::text("x"), "bool:true"},
      {"where true", Choice::Where, Value::boolean(true), Value::integer(5), "int:5"},
      {"where false", Choice::Where, Value::integer(0), Value::integer(5), "none:none"},
      {"where-after false", Choice::WhereAfter, Value::integer(5), Value(), "none:none"},
      {"fill of none", Choice::Fill, Value(), Value::integer(3), "int:3"},
      {"fill of a number", Choice::Fill, Value::number(1.5), Value::integer(3), "num:1.5"},
  };
  for (const PlainRow& r : plain) {
    auto res = choose(form(r.choice), r.left, r.right);
    ASSERT_TRUE(res.ok()) << r.name;
    EXPECT_EQ(shown(res.value()), r.want) << r.name;
  }
}

TEST(Operators, NegateAndNot) {
  struct Row {
    const char* name;
    Value v;
    const char* negated;
    const char* notted;
  } rows[] = {
      {"int", Value::integer(5), "int:-5", "bool:false"},
      {"smallest int stays", Value::integer(kMin), "int:-9223372036854775808", "bool:false"},
      {"num", Value::number(1.5), "num:-1.5", "bool:false"},
      {"true", Value::boolean(true), "num:-1", "bool:false"},
      {"text", Value::text("text"), "num:none", "bool:false"},
      {"empty text", Value::text(""), "num:none", "bool:true"},
      {"nothing", Value(), "num:none", "bool:true"},
      {"time", Value::time(3), "num:-3", "bool:false"},
      {"duration", Value::duration(2), "num:-2", "bool:false"},
      {"zero", Value::integer(0), "int:0", "bool:true"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(shown(negate(r.v)), r.negated) << r.name;
    EXPECT_EQ(shown(logical_not(r.v)), r.notted) << r.name;
  }
}

TEST(Operators, Accessors) {
  std::vector<Value> args = {Value::integer(3),    Value::number(-2.9),  Value::text("x"),
                             Value::boolean(true), Value::number(1e300), Value::number(kNaN)};
  EXPECT_EQ(number(args, 0), 3.0);
  EXPECT_TRUE(std::isnan(number(args, 2)));
  EXPECT_TRUE(std::isnan(number(args, 99)));
  EXPECT_EQ(integer(args, 1), -2);
  EXPECT_EQ(integer(args, 2), 0);
  EXPECT_EQ(integer(args, 3), 1);
  EXPECT_EQ(integer(args, 4), kMax);
  EXPECT_EQ(integer(args, 5), 0);
  EXPECT_EQ(integer(args, 99), 0);
  auto ns = numbers(args, 3);
  ASSERT_EQ(ns.size(), 3u);
  EXPECT_EQ(ns[0], 1.0);
  EXPECT_TRUE(numbers(args, 6).empty());
  EXPECT_TRUE(numbers(args, 60).empty());
  EXPECT_EQ(text(args, 2), "x");
  EXPECT_EQ(text(args, 1), "-2.9");
  EXPECT_EQ(text(args, 99), "none");
  EXPECT_EQ(render(Value::number(0.5)), "0.5");
  EXPECT_EQ(as_series(Value::boolean(true))->constant, 1.0);
  EXPECT_EQ(as_series(Value::time(7))->constant, 7.0);
  EXPECT_TRUE(std::isnan(as_series(Value::text("1"))->constant));
  EXPECT_EQ(series_op_of(op(Opcode::Equal)), SeriesOp::Equal);
  EXPECT_EQ(series_op_of(op(Opcode::Coalesce)), std::nullopt);
}

}  // namespace
}  // namespace kelo_vm::builtins
