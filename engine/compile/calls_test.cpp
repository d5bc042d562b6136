// Calls: struct construction, declared functions, host-call binding, callee values and
// method calls chosen by the receiver's static type.
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using testing::compile_fixed;
using testing::diagnostics_text;
using testing::in_function;
using testing::messages;
using testing::ops;

TEST(StructConstruction, BindsFieldsInDeclarationOrder) {
  const std::string decl = "struct P { x: num, y: num }\n";
  const std::string both =
      "Const Text(__type); Const Text(P); Const Text(x); Const Int(1); Const Text(y); "
      "Const Int(2); MakeObject 3; Pop; ReturnNothing";
  EXPECT_EQ(ops(in_function("P(1, 2)", decl), "t"), both);
  EXPECT_EQ(ops(in_function("P(x: 1, y: 2)", decl), "t"), both);
  EXPECT_EQ(ops(in_function("P(y: 2, 1)", decl), "t"), both);

  struct Row {
    const char* call;
    const char* expected;
  };
  const Row rows[] = {
      {"P(x: 1, 2)", "KELO3019 P needs a value for 'y' @4:1"},
      {"P(z: 1, 1, 2)", "KELO3020 P has no field 'z'. Fields: x, y @4:3"},
      {"P(1, \"a\")", "KELO3001 P.y: expected num but found text @4:6"},
      {"P(1, 2)", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function(row.call, decl)), row.expected) << row.call;
  }
  EXPECT_EQ(ops(in_function("S()", "struct S {}\n"), "t"),
            "Const Text(__type); Const Text(S); MakeObject 1; Pop; ReturnNothing");
}

TEST(DeclaredFunctions, ArgumentsBindToParameters) {
  const std::string decl = "fn f(a, b = 5) { }\n";
  struct Row {
    const char* call;
    const char* expected;
  };
  const Row rows[] = {
      {"f(1, 2)", ""},
      {"f(1)", ""},
      {"f()", "KELO3018 Missing argument 'a' @4:1"},
      {"f(1, 2, 3)", "KELO3017 This function takes 2 argument(s) and got more @4:9"},
      {"f(c: 1)",
       "KELO3015 No parameter 'c'. Parameters: a, b @4:3\nKELO3018 Missing argument 'a' @4:1"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function(row.call, decl)), row.expected) << row.call;
  }
  // A value given twice keeps the later one, with a warning in the host binder's words.
  struct Twice {
    const char* call;
    const char* rendered;
    const char* ops;
  };
  const Twice twice[] = {
      {"f(a: 1, 2, 3)", "test.kelo:4:9 warning KELO3016: This value was already supplied by name",
       "Closure 0; Const Int(2); Const Int(3); Call 2; Pop; ReturnNothing"},
      {"f(a: 1, a: 5, b: 2)", "test.kelo:4:9 warning KELO3014: 'a' was given twice",
       "Closure 0; Const Int(5); Const Int(2); Call 2; Pop; ReturnNothing"},
      {"f(1, a: 5)", "test.kelo:4:6 warning KELO3014: 'a' was given twice",
       "Closure 0; Const Int(5); Const Int(5); Call 2; Pop; ReturnNothing"},
      {"f(b: 1, a: 2, 3)",
       "test.kelo:4:15 warning KELO3016: This value was already supplied by name",
       "Closure 0; Const Int(3); Const Int(1); Call 2; Pop; ReturnNothing"},
      {"f(b: 1, 2)", "", "Closure 0; Const Int(2); Const Int(1); Call 2; Pop; ReturnNothing"},
  };
  for (const auto& row : twice) {
    const CompileOutput out = in_function(row.call, decl);
    EXPECT_EQ(out.diagnostics.render_all(), row.rendered) << row.call;
    EXPECT_FALSE(out.diagnostics.has_errors()) << row.call;
    EXPECT_EQ(ops(out, "t"), row.ops) << row.call;
  }
  // The default is compiled at the call.
  EXPECT_EQ(ops(in_function("f(1)", decl), "t"),
            "Closure 0; Const Int(1); Const Int(5); Call 2; Pop; ReturnNothing");
}

TEST(HostCalls, BindingDiagnostics) {
  struct Row {
    const char* call;
    const char* expected;
  };
  const Row rows[] = {
      {"positions.count(\"A\", 1, 2)",
       "KELO3017 'positions.count' takes 2 argument(s) and got more @3:25"},
      {"positions.count(magic: 1, magic: 2)", "KELO3014 'magic' was given twice @3:27"},
      {"positions.count(foo: 1)",
       "KELO3015 'positions.count' has no parameter 'foo'. Parameters: symbol, magic @3:17"},
      {"positions.count(symbol: \"A\", \"B\")",
       "KELO3016 This value was already supplied by name @3:30"},
      {"positions.count(1)",
       "KELO3001 positions.count parameter 'symbol': expected text but found int @3:17"},
      {"status.failed()", "KELO3018 'status.failed' needs 'reason' @3:1"},
      {"positions.count()", ""},
      {"log.info(\"a\", 1, true)", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function(row.call)), row.expected) << row.call;
  }
  // The extra argument is compiled and dropped; every parameter position is filled.
  EXPECT_EQ(ops(in_function("positions.count(\"A\", 1, 2)"), "t"),
            "Const Int(2); Pop; Const Text(A); Const Int(1); CallHost positions.count 2; Pop; "
            "ReturnNothing");
  EXPECT_EQ(ops(in_function("positions.count()"), "t"),
            "Nothing; Nothing; CallHost positions.count 2; Pop; ReturnNothing");
}

TEST(HostCalls, BareBuiltinsBindNamedArguments) {
  const auto out = compile_fixed(
      "indicator \"I\"\nfn onCalculate() { plot(close, title: \"Fast\", width: 2) }\n");
  EXPECT_EQ(messages(out), "");
  EXPECT_EQ(ops(out, "onCalculate"),
            "CallHost close 0; Const Text(Fast); Nothing; Const Int(2); Nothing; Nothing; "
            "Nothing; Nothing; CallHost plot 8; Pop; ReturnNothing");
}

TEST(CalleeValues, NamedArgumentsAndConversions) {
  EXPECT_EQ(diagnostics_text(in_function("let g = (x) => x\ng(x: 1)")),
            "KELO3012 'x:' names a parameter, and this call does not take named arguments @4:3");
  EXPECT_EQ(ops(in_function("let s = text(5)"), "t"),
            "Const Int(5); CallHost text.of 1; SetLocal 0; Pop; ReturnNothing");
  // A local shadows a built-in of the same name: the local is called.
  EXPECT_EQ(ops(in_function("let max = (a) => a\nmax(1)"), "t"),
            "Closure 1; SetLocal 0; Pop; GetLocal 0; Const Int(1); Call 1; Pop; ReturnNothing");
}

TEST(CalleeValues, OnlyFunctionsAreCalled) {
  struct Row {
    const char* body;
    const char* expected;
  };
  const Row rows[] = {
      {"let n = 5\nn()", "KELO3025 A value of type int is not a function and cannot be called @4:1"},
      {"let s = \"a\"\ns(1)",
       "KELO3025 A value of type text is not a function and cannot be called @4:1"},
      {"let f = max\nf(1, 2)", ""},
      {"let g = (x) => x\ng(1)", ""},
      {"let e = account\ne()",
       "KELO3003 'account' is a group of calls. Use one of its members, such as "
       "account.something @3:9"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function(row.body)), row.expected) << row.body;
  }
}

TEST(MethodCalls, ReceiverTypeChoosesTheMember) {
  struct Row {
    const char* body;
    const char* ops;
  };
  const Row rows[] = {
      {"let h = close.highest(20)",
       "CallHost close 0; Const Int(20); CallHost series#highest 2; SetLocal 0; Pop; "
       "ReturnNothing"},
      {"let u = symbol.name.upper()",
       "CallHost symbol.name 0; CallHost text#upper 1; SetLocal 0; Pop; ReturnNothing"},
      {"let n = \"ab\".upper()", "Const Text(ab); CallHost text#upper 1; SetLocal 0; Pop; ReturnNothing"},
      // A property called with empty parentheses reads the property.
      {"let t0 = now\nlet h = t0.hour()",
       "CallHost clock.now 0; SetLocal 0; Pop; GetLocal 0; CallHost time#hour 1; SetLocal 1; "
       "Pop; ReturnNothing"},
      {"let t0 = now\nlet h = t0.hour",
       "CallHost clock.now 0; SetLocal 0; Pop; GetLocal 0; CallHost time#hour 1; SetLocal 1; "
       "Pop; ReturnNothing"},
      {"let b = account.balance()", "CallHost account.balance 0; SetLocal 0; Pop; ReturnNothing"},
      // A method taken as a value drops its receiver.
      {"let f = close.highest", "CallHost close 0; Pop; Const HostFunction(" , },
  };
  for (const auto& row : rows) {
    const auto out = in_function(row.body);
    EXPECT_EQ(messages(out), "") << row.body;
    const std::string got = ops(out, "t");
    EXPECT_EQ(got.substr(0, std::string(row.ops).size()), row.ops) << row.body;
  }
  // A captured local named like a namespace is the local.
  const auto captured = in_function("let account = [\"a\": 1]\nlet f = () => account.keys()");
  EXPECT_EQ(messages(captured), "");
  EXPECT_EQ(ops(captured, "<lambda>"), "GetUpvalue 0; CallHost map#keys 1; Return");
  EXPECT_EQ(diagnostics_text(in_function("let t0 = now\nlet h = t0.hour(3)")),
            "KELO3017 'time#hour' takes 0 argument(s) and got more @4:9");
}

TEST(MethodCalls, GlobalsCarryTheirValueTypeIntoFunctions) {
  struct Row {
    const char* source;
    const char* function;
    const char* ops;
  };
  const Row rows[] = {
      {"let x = [5]\nfn f() { return x.len() }", "f",
       "GetGlobal 0; CallHost array#len 1; Return; ReturnNothing"},
      {"var name = \"abc\"\nfn f() { return name.upper() }", "f",
       "GetGlobal 0; CallHost text#upper 1; Return; ReturnNothing"},
      {"var keep = []\nfn f(v) { keep.push(v) }", "f",
       "GetGlobal 0; GetLocal 0; CallHost array#push 2; Pop; ReturnNothing"},
      // A global typed by an earlier one; a lambda in a function reads it too.
      {"let a = \"x\"\nlet b = a + \"y\"\nfn f() { let g = () => b.upper() }", "<lambda>",
       "GetGlobal 1; CallHost text#upper 1; Return"},
      // A written type still decides.
      {"let c: any = \"x\"\nlet d: text = \"y\"\nfn f() { return d.upper() }", "f",
       "GetGlobal 1; CallHost text#upper 1; Return; ReturnNothing"},
  };
  for (const auto& row : rows) {
    const auto out = compile_fixed(std::string("script \"S\"\n") + row.source + "\n");
    EXPECT_EQ(messages(out), "") << row.source;
    EXPECT_EQ(ops(out, row.function), row.ops) << row.source;
  }
  // The global's initial value is compiled and reported once, into "<main>" alone, and its
  // constants are pooled in program order.
  const auto out = compile_fixed("script \"S\"\nlet x = [zz, 7]\nfn f() { return 8 }\n");
  EXPECT_EQ(diagnostics_text(out), "KELO3004 'zz' is not defined @2:10");
  EXPECT_EQ(ops(out, "<main>"), "Nothing; Const Int(7); MakeArray 2; SetGlobal 0; Pop; Halt");
  ASSERT_EQ(out.image.constants.size(), 2u);
  EXPECT_EQ(out.image.constants[0].i, 8);
  EXPECT_EQ(out.image.constants[1].i, 7);
  EXPECT_EQ(out.image.functions.size(), 3u);
}

TEST(MethodCalls, TypesFollowTheRegistry) {
  EXPECT_EQ(messages(in_function("let a: text = close.highest(20)")),
            "KELO3001 'a': expected text but found series<num>");
  EXPECT_EQ(messages(in_function("let t0 = now\nlet a: text = t0.hour()")),
            "KELO3001 'a': expected text but found int");
}

}  // namespace
}  // namespace kelo_compile
