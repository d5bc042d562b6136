// Constant pooling, emission with the line table, jump patching, the empty program.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using bc::Constant;
using bc::Op;
using bc::Opcode;
using kelo_core::diag::Position;

TEST(ConstantPool, SharesEqualValuesPerVariant) {
  Diagnostics diagnostics;
  const auto registry = kelo_std::builtins();
  compiler::Compiler c(diagnostics, registry);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    Constant first;
    Constant second;
    bool shared;
  };
  const Row rows[] = {
      {"same int", Constant::integer(2), Constant::integer(2), true},
      {"int and num differ", Constant::integer(2), Constant::number(2.0), false},
      {"text and name differ", Constant::text_of("x"), Constant::name("x"), false},
      {"same text", Constant::text_of("hi"), Constant::text_of("hi"), true},
      {"zero and negative zero share", Constant::number(0.0), Constant::number(-0.0), true},
      {"NaN never shares", Constant::number(nan), Constant::number(nan), false},
      {"durations compare as floats", Constant::duration(-0.0), Constant::duration(0.0), true},
      {"same colour", Constant::colour(0xFF0000FF), Constant::colour(0xFF0000FF), true},
      {"time and int differ", Constant::time(5), Constant::integer(5), false},
  };
  for (const auto& row : rows) {
    const auto a = c.constant(row.first);
    const auto b = c.constant(row.second);
    EXPECT_EQ(a == b, row.shared) << row.name;
  }
  // 0.0 followed by -0.0: the entry keeps the first value.
  Diagnostics d2;
  compiler::Compiler fresh(d2, registry);
  fresh.constant(Constant::number(0.0));
  fresh.constant(Constant::number(-0.0));
  const auto image = std::move(fresh).finish();
  ASSERT_EQ(image.constants.size(), 1u);
  EXPECT_FALSE(std::signbit(image.constants[0].n));
}

TEST(Emit, LineTableHasOneEntryPerPositionChange) {
  FnState f("t");
  const Position a{0, 1, 1};
  const Position b{4, 2, 3};
  f.emit(Op::plain(Opcode::True), a);
  f.emit(Op::plain(Opcode::Pop), a);
  f.emit(Op::plain(Opcode::Nothing), a);
  f.emit(Op::plain(Opcode::Pop), b);
  f.emit(Op::plain(Opcode::Nothing), a);
  f.emit(Op::plain(Opcode::Pop), a);
  const std::vector<bc::LineEntry> expected = {{0, 1, 1}, {3, 2, 3}, {4, 1, 1}};
  EXPECT_EQ(f.lines, expected);
}

TEST(Emit, PatchingJumps) {
  FnState f("t");
  const Position p{0, 1, 1};
  const auto last = f.emit(Op::jump(Opcode::Jump, 0), p);
  f.patch_jump(last);
  EXPECT_EQ(f.code[last].offset(), 0);
  const auto forward = f.emit(Op::jump(Opcode::JumpIfFalse, 0), p);
  f.emit(Op::plain(Opcode::Pop), p);
  f.emit(Op::plain(Opcode::Pop), p);
  f.patch_jump(forward);
  EXPECT_EQ(f.code[forward].offset(), 2);

  const auto pop = f.emit(Op::plain(Opcode::Pop), p);
  try {
    f.patch_jump(pop);
    ADD_FAILURE() << "patching a Pop must fail";
  } catch (const InternalError& e) {
    EXPECT_STREQ(e.what(), "cannot patch Pop");
  }
  EXPECT_THROW(f.patch_jump(99), InternalError);
}

TEST(Emit, SlotsTrackTheMostLiveLocals) {
  FnState f("t");
  EXPECT_EQ(f.take_slot(), 0);
  f.begin_scope();
  f.scopes.insert("a", scope::Symbol{kelo_core::types::Primitive::Int, scope::SymbolKind::Local,
                                     f.take_slot(), false, true});
  f.end_scope();
  EXPECT_EQ(f.live, 1);
  EXPECT_EQ(f.slots, 2);
  EXPECT_EQ(f.take_slot(), 1);
}

TEST(Compile, EmptySourceGivesOnlyTheHeaderError) {
  const auto out = testing::compile_fixed("");
  EXPECT_EQ(testing::diagnostics_text(out),
            "KELO3030 A file starts with bot, indicator, library or script, then its name @1:1");
  ASSERT_EQ(out.image.functions.size(), 2u);
  EXPECT_EQ(out.image.functions[0].name, "<inputs>");
  EXPECT_EQ(out.image.functions[1].name, "<main>");
  EXPECT_EQ(testing::ops(out, "<inputs>"), "Halt");
  EXPECT_EQ(testing::ops(out, "<main>"), "Halt");
  EXPECT_EQ(out.image.input_initialiser, 0);
  EXPECT_EQ(out.image.main, 1);
  EXPECT_TRUE(out.image.events.empty());
  EXPECT_EQ(out.image.global_count, 0);
  EXPECT_EQ(out.image.name, "");
  EXPECT_EQ(out.manifest.kind, "bot");
  EXPECT_EQ(out.manifest.id, "kelo.");
}

TEST(Compile, SyntaxErrorsStillYieldAnImage) {
  const auto out = testing::compile_fixed("bot \"B\"\nfn onBar() { let = }\n");
  EXPECT_TRUE(out.diagnostics.has_errors());
  EXPECT_NE(testing::function_named(out, "<main>"), nullptr);
  EXPECT_EQ(out.manifest.name, "B");
}

TEST(Compile, OperandLimitsStopWithAClearError) {
  auto list = [](int n) {
    std::string items;
    for (int i = 0; i < n; ++i) {
      if (i) items += ", ";
      items += std::to_string(i % 10);
    }
    return items;
  };
  struct Row {
    std::string source;
    const char* message;
  };
  const Row rows[] = {
      {"script \"S\"\nfn f() { let g = (x) => x\n g(" + list(256) + ") }\n",
       "KELO3000 The compiler stopped: a call has more than 255 arguments"},
      {"script \"S\"\nfn f() { let g = (x) => x\n g(" + list(255) + ") }\n", ""},
      {"script \"S\"\nlet a = [" + list(65536) + "]\n",
       "KELO3000 The compiler stopped: an array literal has more than 65535 entries"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(testing::messages(testing::compile_fixed(row.source)), row.message);
  }
  std::string globals = "script \"S\"\n";
  for (int i = 0; i < 65536; ++i) globals += "buffer b" + std::to_string(i) + "\n";
  const auto out = testing::compile_fixed(globals);
  EXPECT_EQ(testing::messages(out), "KELO3000 The compiler stopped: the program has more than 65535 globals");
  EXPECT_EQ(out.image.global_count, 65535);
}

TEST(Compile, DeepNestingCompiles) {
  const int depth = 200;
  const std::string parens = std::string(depth, '(') + "1" + std::string(depth, ')');
  std::string blocks;
  for (int i = 0; i < depth; ++i) blocks += "{ ";
  blocks += "let x = 1 ";
  for (int i = 0; i < depth; ++i) blocks += "} ";
  std::string negations;
  for (int i = 0; i < depth; ++i) negations += "-";
  const std::string source = "script \"S\"\nfn f() {\n let a = " + parens + "\n" + blocks +
                             "\n let b = " + negations + "1\n}\n";
  const auto out = testing::compile_fixed(source);
  EXPECT_EQ(testing::messages(out), "");
}

}  // namespace
}  // namespace kelo_compile
