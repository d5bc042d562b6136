// Statements, loops, match, once/every and try: diagnostics and exact op shapes.
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using testing::compile_fixed;
using testing::diagnostics_text;
using testing::in_function;
using testing::in_function_with;
using testing::messages;
using testing::ops;

TEST(Statements, Diagnostics) {
  struct Row {
    const char* params;
    const char* body;
    const char* expected;
  };
  const Row rows[] = {
      {"", "let a = 1\nvar a = 2", "KELO3024 'a' is already declared in this block @4:1"},
      {"", "let a = 1\n{ let a = 2 }", ""},
      {"", "if 1 {}\nif close > 0 {}", ""},
      {"", "if \"yes\" {}", "KELO3023 A condition has to be true or false, found text @3:4"},
      {"", "while now {}", "KELO3023 A condition has to be true or false, found time @3:7"},
      {"", "break", "KELO3021 break is only valid inside a loop @3:1"},
      {"", "continue", "KELO3022 continue is only valid inside a loop @3:1"},
      {"", "while true { fn inner() { break } }", "KELO3021 break is only valid inside a loop @3:27"},
      {"xs", "for x in xs { let x = 1 }", "KELO3024 'x' is already declared in this block @3:15"},
      {"m: map<text, num>", "for k, v in m { let a: text = v\nlet b: text = k }",
       "KELO3001 'a': expected text but found num @3:31"},
      {"", "try {} catch e { let c: text = e.code }",
       "KELO3001 'c': expected text but found int @3:32"},
      {"", "try {} catch e { e = 1 }",
       "KELO3006 'e' was declared with let and cannot be reassigned. Use var. @3:18\n"
       "KELO3001 Assignment: expected Error but found int @3:22"},
      {"", "try {} catch { let m: int = error.message }",
       "KELO3001 'm': expected int but found text @3:29"},
      {"", "return \"text\"", ""},
      {"", "let n: int = \"x\"", "KELO3001 'n': expected int but found text @3:14"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(in_function_with(row.body, row.params)), row.expected) << row.body;
  }
}

TEST(Statements, SlotsAreReusedBySiblingBlocks) {
  const auto out = in_function("{ let a = 1 } { let b = 2 }");
  EXPECT_EQ(ops(out, "t"),
            "Const Int(1); SetLocal 0; Pop; Const Int(2); SetLocal 0; Pop; ReturnNothing");
  EXPECT_EQ(testing::function_named(out, "t")->slots, 1);
}

TEST(Statements, JumpShapes) {
  struct Row {
    const char* params;
    const char* body;
    const char* ops;
  };
  const Row rows[] = {
      {"", "while true { break }", "True; JumpIfFalse 2; Jump 1; Jump -4; ReturnNothing"},
      {"xs", "for x in xs {}",
       "GetLocal 0; IterInit 1; IterNext 3; SetLocal 1; Pop; Jump -4; Pop; ReturnNothing"},
      {"m", "for k, v in m { continue }",
       "GetLocal 0; IterInit 2; IterNext 6; SetLocal 1; Pop; SetLocal 2; Pop; Jump -6; Jump -7; "
       "Pop; ReturnNothing"},
      {"xs", "for x in xs { break }",
       "GetLocal 0; IterInit 1; IterNext 4; SetLocal 1; Pop; Jump 1; Jump -5; Pop; ReturnNothing"},
      {"", "try {} catch e {}", "TryBegin 2; TryEnd; Jump 2; SetLocal 0; Pop; ReturnNothing"},
      // Leaving a loop from a try body drops the handler first.
      {"", "while true { try { break } catch {} }",
       "True; JumpIfFalse 8; TryBegin 4; TryEnd; Jump 5; TryEnd; Jump 2; SetLocal 0; Pop; "
       "Jump -10; ReturnNothing"},
      {"", "if true { 1 } else if false { 2 } else { 3 }",
       "True; JumpIfFalse 3; Const Int(1); Pop; Jump 7; False; JumpIfFalse 3; Const Int(2); Pop; "
       "Jump 2; Const Int(3); Pop; ReturnNothing"},
      {"ready", "guard ready else { }", "GetLocal 0; JumpIfTrue 1; ReturnNothing; ReturnNothing"},
      {"x", "match x { 1 => 10, _ => 20, 2 => 30 }",
       "GetLocal 0; Dup; Const Int(1); Equal; JumpIfFalse 4; Pop; Const Int(10); Pop; Jump 12; "
       "Pop; Const Int(20); Pop; Jump 8; Dup; Const Int(2); Equal; JumpIfFalse 4; Pop; "
       "Const Int(30); Pop; Jump 0; ReturnNothing"},
      {"x", "match x { 1 => 10 }",
       "GetLocal 0; Dup; Const Int(1); Equal; JumpIfFalse 4; Pop; Const Int(10); Pop; Jump 1; "
       "Pop; ReturnNothing"},
      {"", "atNewBar { }", "CallHost bars.isNew 0; JumpIfFalse 0; ReturnNothing"},
  };
  for (const auto& row : rows) {
    const auto out = in_function_with(row.body, row.params);
    EXPECT_EQ(messages(out), "") << row.body;
    EXPECT_EQ(ops(out, "t"), row.ops) << row.body;
  }
}

TEST(Statements, NestedFunctionIsALocalOfFunctionType) {
  const auto out = in_function("fn scale(x: num) -> num => x * 2\nlet s: text = scale");
  EXPECT_EQ(messages(out), "KELO3001 's': expected text but found fn(any) -> num");
  EXPECT_EQ(ops(out, "scale"), "GetLocal 0; Const Int(2); Mul; Return");
}

TEST(Statements, LineTableFollowsStatementsAndExpressions) {
  const auto out = compile_fixed("script \"S\"\nfn t() {\n  let a = 1\n  a\n}\n");
  const auto* t = testing::function_named(out, "t");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(ops(out, "t"), "Const Int(1); SetLocal 0; Pop; GetLocal 0; Pop; ReturnNothing");
  const std::vector<bc::LineEntry> lines = {{0, 3, 11}, {1, 3, 3}, {3, 4, 3}, {5, 2, 8}};
  EXPECT_EQ(t->lines, lines);
  // "<main>" halts at the start of the program.
  const std::vector<bc::LineEntry> main_lines = {{0, 1, 1}};
  EXPECT_EQ(testing::function_named(out, "<main>")->lines, main_lines);
}

TEST(OnceEvery, HiddenGlobalsByStatementId) {
  const auto out =
      compile_fixed("script \"S\"\nfn t() {\n once { }\n every (5m) { }\n}\n");
  EXPECT_EQ(messages(out), "");
  const std::vector<std::string> globals = {"__once_1", "__every_2"};
  EXPECT_EQ(out.image.global_names, globals);
  EXPECT_EQ(out.image.global_count, 2);
  EXPECT_EQ(ops(out, "t"),
            "GetGlobal 0; JumpIfTrue 3; True; SetGlobal 0; Pop; "
            "GetGlobal 1; Nothing; Equal; JumpIfTrue 6; CallHost clock.now 0; GetGlobal 1; Sub; "
            "Const Duration(300000); GreaterEqual; JumpIfFalse 3; CallHost clock.now 0; "
            "SetGlobal 1; Pop; ReturnNothing");
}

}  // namespace
}  // namespace kelo_compile
