// Inputs: diagnostics and their order, defaults, settings, group ids, "<inputs>".
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using inputs::InputValue;
using testing::compile_fixed;
using testing::diagnostics_text;
using testing::messages;
using testing::ops;

CompileOutput with_inputs(const std::string& lines) {
  return compile_fixed("script \"S\"\n" + lines);
}

TEST(Inputs, DiagnosticsInOrder) {
  struct Row {
    const char* source;
    const char* expected;
  };
  const Row rows[] = {
      {"input int n { min: 1, max: 10 }\n",
       "KELO3036 The default 0 is outside min 1 and max 10 @2:1"},
      {"input int n = 14 { min: 1, max: 10 }\n",
       "KELO3036 The default 14 is outside min 1 and max 10 @2:1"},
      {"input int n = 3 { min: 10, max: 5 }\n",
       "KELO3035 min (10) is above max (5) @2:1\n"
       "KELO3036 The default 3 is outside min 10 and max 5 @2:1"},
      {"input num n = 0.25 { min: -3.5, max: 0.1 }\n",
       "KELO3036 The default 0.25 is outside min -3.5 and max 0.1 @2:1"},
      {"input int n = 14 { min: 1 }\n", ""},
      {"input Int x = now { foo: 1 }\n",
       "KELO3033 'Int' is not an input type. Use one of: int, num, bool, text, lots, price, "
       "time, duration, color, symbol, timeframe, source, select, secret, model, file @2:7\n"
       "KELO3101 An input default has to be a literal value @2:15\n"
       "KELO3034 'foo' is not a known input setting and will be ignored @2:21"},
      {"input int a = 1\ninput int a = 2\n", "KELO3037 'a' is declared twice @3:1"},
      {"input int n = [1, a + b, 3]\n", "KELO3101 An input default has to be a literal value @2:19"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(diagnostics_text(with_inputs(row.source)), row.expected) << row.source;
  }
}

TEST(Inputs, LiteralDefaults) {
  struct Row {
    const char* source;
    InputValue value;
  };
  const Row rows[] = {
      {"input int n = -5\n", InputValue::of_int(-5)},
      {"input text n = -\"a\"\n", InputValue::of_text("a")},
      {"input duration n = -2.5m\n", InputValue::of_duration(150000)},
      {"input num n = -2.5\n", InputValue::of_num(-2.5)},
      {"input source s = close\n", InputValue::of_text("close")},
      {"input int n = [1, a + b, 3]\n",
       InputValue::of_list({InputValue::of_int(1), InputValue::none(), InputValue::of_int(3)})},
      {"input int n\n", InputValue::of_int(0)},
      {"input duration n\n", InputValue::of_num(0)},
      {"input color c\n", InputValue::of_color(0x3D7BF5FF)},
      {"input time t\n", InputValue::of_time(0)},
      {"input bool b\n", InputValue::of_bool(false)},
      {"input Int x\n", InputValue::of_text("")},
      {"input int n = none\n", InputValue::none()},
  };
  for (const auto& row : rows) {
    const auto out = with_inputs(row.source);
    ASSERT_EQ(out.schema.inputs.size(), 1u) << row.source;
    EXPECT_EQ(out.schema.inputs[0].default_value, row.value) << row.source;
  }
}

TEST(Inputs, SettingsAndOptions) {
  const auto out = with_inputs(
      "input select a = \"a\" { options: [\"a\", \"b\"], label: 3, required: \"yes\" }\n"
      "input select m = fast { options: [fast: \"Fast\", slow: \"Slow\"], label: \"x\", "
      "label: \"Mode\" }\n"
      "input select o = x { options: { a: \"A\" }, min: -2.5m, step: 2, unit: pips, "
      "dependsOn: m, advanced: true, hint: \"h\" }\n");
  EXPECT_EQ(messages(out), "");
  const auto& in = out.schema.inputs;
  ASSERT_EQ(in.size(), 3u);
  using Options = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(in[0].options, (Options{{"a", "a"}, {"b", "b"}}));
  EXPECT_FALSE(in[0].label.has_value());
  EXPECT_FALSE(in[0].required);
  EXPECT_EQ(in[1].options, (Options{{"fast", "Fast"}, {"slow", "Slow"}}));
  EXPECT_EQ(in[1].label, "Mode");
  EXPECT_TRUE(in[2].options.empty());
  EXPECT_EQ(in[2].min, -150000.0);
  EXPECT_EQ(in[2].step, 2.0);
  EXPECT_EQ(in[2].unit, "pips");
  EXPECT_EQ(in[2].depends_on, "m");
  EXPECT_TRUE(in[2].advanced);
  EXPECT_EQ(in[2].hint, "h");
  EXPECT_EQ(in[2].type, "select");
}

TEST(Inputs, GroupIdsAndProperties) {
  struct Row {
    const char* label;
    const char* id;
  };
  const Row rows[] = {
      {"Risk & Money", "risk-money"},
      {"  Entry  rules!", "entry-rules"},
      {"--", "group"},
      {"", "group"},
      {"\xC3\x89t\xC3\xA9 2", "\xC3\xA9t\xC3\xA9-2"},  // accented letters lower-case
      {"\xC4\xB0z \xCE\xA3\xCE\xA3", "i\xCC\x87z-\xCF\x83\xCF\x83"},  // full, context-free
      {"A_B", "a-b"},
  };
  for (const auto& row : rows) EXPECT_EQ(inputs::slugify(row.label), row.id) << row.label;

  const auto out = with_inputs(
      "input group \"A\" { advanced: true, hint: 3 }\ninput int x\n"
      "input group \"B\" { hint: fast, advanced: 1 }\ninput int y\n");
  EXPECT_EQ(messages(out), "");
  ASSERT_EQ(out.schema.groups.size(), 2u);
  EXPECT_TRUE(out.schema.groups[0].advanced);
  EXPECT_EQ(out.schema.groups[0].hint, "Int(3)");
  EXPECT_FALSE(out.schema.groups[1].advanced);
  EXPECT_EQ(out.schema.groups[1].hint, "Identifier(\"fast\")");
  EXPECT_EQ(out.schema.inputs[0].group, "a");
  EXPECT_EQ(out.schema.inputs[1].group, "b");
}

TEST(Inputs, InitialiserSetsEveryGlobal) {
  auto out = with_inputs(
      "input source src = close\ninput int n = [1, 2]\ninput text t = now\ninput bool b = true\n");
  EXPECT_EQ(ops(out, "<inputs>"),
            "CallHost close 0; SetGlobal 0; Pop; Const Int(1); Const Int(2); MakeArray 2; "
            "SetGlobal 1; Pop; Nothing; SetGlobal 2; Pop; True; SetGlobal 3; Pop; Halt");
  // Two inputs of one name: the first spec serves both items.
  out = with_inputs("input int a = 1\ninput int a = 2\n");
  EXPECT_EQ(ops(out, "<inputs>"),
            "Const Int(1); SetGlobal 0; Pop; Const Int(1); SetGlobal 0; Pop; Halt");
  EXPECT_EQ(out.image.global_count, 2);
}

}  // namespace
}  // namespace kelo_compile
