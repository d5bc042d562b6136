// Expression typing and the diagnostics of names, members, indexing and assignment.
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using testing::compile_fixed;
using testing::diagnostics_text;
using testing::in_function;
using testing::messages;
using testing::ops;

TEST(ExpressionTypes, ShownThroughMismatchMessages) {
  struct Row {
    const char* source;
    const char* message;
  };
  const Row rows[] = {
      {"let a: text = 1 / 2", "KELO3001 'a': expected text but found int"},
      {"let a: text = 1 + 2.5", "KELO3001 'a': expected text but found num"},
      {"let a: text = close + 1", "KELO3001 'a': expected text but found series<num>"},
      {"let a: text = close > open", "KELO3001 'a': expected text but found series<bool>"},
      {"let a: text = [1, 2.5]", "KELO3001 'a': expected text but found array<num>"},
      {"let a: text = []", "KELO3001 'a': expected text but found array<any>"},
      {"let a: text = -close", "KELO3001 'a': expected text but found series<num>"},
      {"let a: text = !true", "KELO3001 'a': expected text but found bool"},
      {"let a: text = none", "KELO3001 'a': expected text but found any?"},
      {"let a: int = now", "KELO3001 'a': expected int but found time"},
      {"let a: text = [\"k\": 1]", "KELO3001 'a': expected text but found map<text, any>"},
      {"let a: text = 1 < 2 && true", "KELO3001 'a': expected text but found bool"},
      {"let a: int = true ? 1 : 2.5", "KELO3001 'a': expected int but found num"},
      {"let m: map<text, num> = [\"a\": 1]\nlet a: text = m[\"a\"]",
       "KELO3001 'a': expected text but found num?"},
      {"let m: map<text, num> = [\"a\": 1]\nlet a: num = m[\"a\"] ?? 0", ""},
      {"let a: text = \"a\" + 1", ""},
      {"let a: num = 2 ** 3", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(messages(in_function(row.source)), row.message) << row.source;
  }
}

TEST(ExpressionChecks, DiagnosticsWithPositions) {
  struct Row {
    const char* source;
    const char* before;
    const char* expected;
  };
  const Row rows[] = {
      {"let a = \"a\" - 1", "", "KELO3005 Arithmetic needs numbers, found text @3:9"},
      {"let a = true * \"x\"", "",
       "KELO3005 Arithmetic needs numbers, found bool @3:9\n"
       "KELO3005 Arithmetic needs numbers, found text @3:16"},
      {"foo", "", "KELO3004 'foo' is not defined @3:1"},
      {"let a = account", "",
       "KELO3003 'account' is a group of calls. Use one of its members, such as "
       "account.something @3:9"},
      {"let a = account.bogus", "",
       "KELO3009 'account' has no member 'bogus'. Try: balance, company, credit, currency, "
       "equity, freeMargin, hedging, isDemo, leverage, login, margin, marginCall @3:9"},
      {"account.bogus()", "", "KELO3009 'account' has no call named 'bogus'. @3:1"},
      {"status.bogus()", "", "KELO3009 'status' has no call named 'bogus'. Try: failed @3:1"},
      {"let x = 1\nx = 2", "",
       "KELO3006 'x' was declared with let and cannot be reassigned. Use var. @4:1"},
      {"1 = 2", "", "KELO3008 That is not something you can assign to @3:1"},
      {"let a = close[1.5]", "", "KELO3002 A series is indexed by a whole number of bars back @3:15"},
      {"let n = 2\nlet a = close[n]", "", ""},
      {"let a = [1, 2][0.5]", "", ""},
      {"let a = Side.hold", "enum Side { buy, sell }\n",
       "KELO3010 'Side' has no case 'hold'. Cases: buy, sell @4:9"},
      {"let p = P(1, 2)\nlet z = p.z", "struct P { x: num, y: num }\n",
       "KELO3011 P has no field 'z'. Fields: x, y @5:9"},
      {"var a = 1\nlet g = () => { a = 2 }", "",
       "KELO3007 A captured value cannot be reassigned inside a closure @4:17"},
      {"undefinedThing = 1", "", "KELO3004 'undefinedThing' is not defined @3:1"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function(row.source, row.before)), row.expected) << row.source;
  }
}

TEST(ExpressionCode, ShapesOfSmallExpressions) {
  struct Row {
    const char* body;
    const char* before;
    const char* ops;
  };
  const Row rows[] = {
      {"let a = 1 > 2 && true", "",
       "Const Int(1); Const Int(2); Greater; JumpIfFalsePeek 2; Pop; True; SetLocal 0; Pop; "
       "ReturnNothing"},
      {"let a = none ?? 0", "", "Nothing; Const Int(0); Coalesce; SetLocal 0; Pop; ReturnNothing"},
      {"let a = Side.sell", "enum Side { buy, sell }\n",
       "Const Text(sell); SetLocal 0; Pop; ReturnNothing"},
      {"let a = .buy", "", "Const Text(buy); SetLocal 0; Pop; ReturnNothing"},
      {"let a = 0..5", "", "Const Int(0); Const Int(5); MakeRange 0; SetLocal 0; Pop; ReturnNothing"},
      {"let a = {x: 1}", "",
       "Const Text(x); Const Int(1); MakeObject 1; SetLocal 0; Pop; ReturnNothing"},
      {"let a = close[1]", "",
       "CallHost close 0; Const Int(1); Index; SetLocal 0; Pop; ReturnNothing"},
      {"var a = 1\na += 2", "",
       "Const Int(1); SetLocal 0; Pop; GetLocal 0; Const Int(2); Add; SetLocal 0; Pop; "
       "ReturnNothing"},
      {"let m = [\"a\": 1]\nm[\"b\"] = 2", "",
       "Const Text(a); Const Int(1); MakeMap 1; SetLocal 0; Pop; GetLocal 0; Const Text(b); "
       "Const Int(2); SetIndex; Pop; ReturnNothing"},
      // A struct field write stores into the record itself.
      {"let p = P(1)\np.x = 5", "struct P { x: num }\n",
       "Const Text(__type); Const Text(P); Const Text(x); Const Int(1); MakeObject 2; SetLocal 0; "
       "Pop; GetLocal 0; Const Int(5); SetMember Name(x); Pop; ReturnNothing"},
      {"let a = 1 |> max(2)", "",
       "Const Int(1); Const Int(2); CallHost max 2; SetLocal 0; Pop; ReturnNothing"},
  };
  for (const auto& row : rows) {
    const auto out = in_function(row.body, row.before);
    EXPECT_EQ(messages(out), "") << row.body;
    EXPECT_EQ(ops(out, "t"), row.ops) << row.body;
  }
}

TEST(ExpressionCode, MatchValueYieldsNothingWithoutDefault) {
  const auto out = in_function("let x = 2\nlet a = match x { 1 => 10, 2 => 20 }");
  EXPECT_EQ(messages(out), "");
  EXPECT_EQ(ops(out, "t"),
            "Const Int(2); SetLocal 0; Pop; GetLocal 0; Dup; Const Int(1); Equal; JumpIfFalse 3; "
            "Pop; Const Int(10); Jump 9; Dup; Const Int(2); Equal; JumpIfFalse 3; Pop; "
            "Const Int(20); Jump 2; Pop; Nothing; SetLocal 1; Pop; ReturnNothing");
}

TEST(Upvalues, CaptureFromTheParentAndThroughIt) {
  // One upvalue for two uses; a second name gets position 1.
  auto out = in_function("let a = 1\nlet b = 2\nlet g = () => a + a + b");
  EXPECT_EQ(messages(out), "");
  const auto* lambda = testing::function_named(out, "<lambda>");
  ASSERT_NE(lambda, nullptr);
  const std::vector<bc::Upvalue> expected = {{0, 1}, {1, 1}};
  EXPECT_EQ(lambda->upvalues, expected);
  EXPECT_EQ(ops(out, "<lambda>"),
            "GetUpvalue 0; GetUpvalue 0; Add; GetUpvalue 1; Add; Return");

  // A lambda inside a lambda reaches the outer function's locals through the middle one,
  // which copies the value when it is made and hands it on.
  out = in_function("let a = 1\nlet g = () => () => a");
  EXPECT_EQ(diagnostics_text(out), "");
  std::vector<const bc::Function*> lambdas;
  for (const auto& f : out.image.functions) {
    if (f.name == "<lambda>") lambdas.push_back(&f);
  }
  ASSERT_EQ(lambdas.size(), 2u);
  EXPECT_EQ(lambdas[0]->upvalues, (std::vector<bc::Upvalue>{{0, 0}}));  // the inner one
  EXPECT_EQ(lambdas[1]->upvalues, (std::vector<bc::Upvalue>{{0, 1}}));
  EXPECT_EQ(ops(out, "<lambda>"), "GetUpvalue 0; Return");

  // At top level a global is read through its slot.
  out = compile_fixed("script \"S\"\nlet k = 3\nlet g = () => k\n");
  EXPECT_EQ(messages(out), "");
  EXPECT_EQ(ops(out, "<lambda>"), "GetGlobal 0; Return");
  EXPECT_TRUE(testing::function_named(out, "<lambda>")->upvalues.empty());
}

// A choice by a series condition between plain values is a series in a global's value,
// computed once for every bar, and the plain choice at the current bar everywhere else.
TEST(ExpressionTypes, ChoicesBySeriesConditions) {
  struct Row {
    const char* source;  // a script's top level, or the body of a function with `fn t() {`
    const char* message;
  };
  const Row rows[] = {
      {"let d = close > open ? 1 : -1\nlet e: text = d",
       "KELO3001 'e': expected text but found series<int>"},
      {"let d = close > open ? 2.5 : -1\nlet e: text = d",
       "KELO3001 'e': expected text but found series<num>"},
      {"let d = close > open ? true : false\nlet e: text = d",
       "KELO3001 'e': expected text but found series<bool>"},
      {"let d = if close > open { 1 } else { 2 }\nlet e: text = d",
       "KELO3001 'e': expected text but found series<int>"},
      {"let d = -(close > open ? 1 : 2) * 3\nlet e: text = d",
       "KELO3001 'e': expected text but found series<int>"},
      {"let d: series<int> = close > open ? 1 : -1", ""},
      {"let d = true ? 1 : -1\nlet e: text = d", "KELO3001 'e': expected text but found int"},
      {"let d = close > open ? \"a\" : \"b\"\nlet e: int = d",
       "KELO3001 'e': expected int but found text"},
      {"let d: int = close > open ? 1 : -1", ""},
      {"let d = \"x\" + (close > open ? 1 : -1)\nlet e: int = d",
       "KELO3001 'e': expected int but found text"},
      {"fn t() {\n  let a: text = close > open ? 1 : -1\n}",
       "KELO3001 'a': expected text but found int"},
      {"fn t() {\n  let a: text = close > open ? close : -1\n}",
       "KELO3001 'a': expected text but found series<num>"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(messages(compile_fixed(std::string("script \"S\"\n") + row.source)), row.message)
        << row.source;
  }
}

}  // namespace
}  // namespace kelo_compile
