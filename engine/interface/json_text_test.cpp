#include "interface/json_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "interface/reply.h"

namespace {

using kelo_compile::inputs::InputValue;

TEST(ReplyNumbers, FloatingPointRule) {
  struct Row {
    const char* behaviour;
    double value;
    std::string text;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Row rows[] = {
      {"a whole number has no point", 2.0, "2"},
      {"large whole numbers keep their zeros", 100000.0, "100000"},
      {"a half", 0.5, "0.5"},
      {"small fractions are positional", 0.0001, "0.0001"},
      {"1e23 is written in full", 1e23, "100000000000000000000000"},
      {"the smallest subnormal in full", 5e-324, "0." + std::string(323, '0') + "5"},
      {"negative zero keeps its sign", -0.0, "-0"},
      {"zero", 0.0, "0"},
      {"NaN", std::nan(""), "NaN"},
      {"positive infinity", inf, "inf"},
      {"negative infinity", -inf, "-inf"},
      {"shortest digits that read back", 0.1 + 0.2, "0.30000000000000004"},
      {"tiny fraction", 1.5e-7, "0.00000015"},
      {"negative fraction", -2.5, "-2.5"},
      {"the largest double", std::numeric_limits<double>::max(),
       "17976931348623157" + std::string(292, '0')},
      {"mixed digits around the point", 1234.5678, "1234.5678"},
      {"win rate two of three", 2.0 * 100 / 3, "66.66666666666667"},
  };
  for (const Row& row : rows) EXPECT_EQ(kelo::format_number(row.value), row.text) << row.behaviour;
}

TEST(ReplyNumbers, Integers) {
  std::string out;
  kelo::append_integer(out, std::numeric_limits<std::int64_t>::min());
  out += ',';
  kelo::append_unsigned(out, std::numeric_limits<std::uint64_t>::max());
  out += ',';
  kelo::append_integer(out, 0);
  EXPECT_EQ(out, "-9223372036854775808,18446744073709551615,0");
}

TEST(ReplyText, Escaping) {
  struct Row {
    const char* behaviour;
    std::string text;
    const char* escaped;
  };
  const Row rows[] = {
      {"quote and backslash", "say \"a\\b\"", R"(say \"a\\b\")"},
      {"line feed, carriage return, tab", "a\nb\rc\td", R"(a\nb\rc\td)"},
      {"other control characters as \\u", std::string("\x01\x08\x1f", 3), R"(\u0001\u0008\u001f)"},
      {"NUL becomes an escape", std::string("a\0b", 3), R"(a\u0000b)"},
      {"DEL is copied", "\x7f", "\x7f"},
      {"non-ASCII is copied", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
       "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"invalid UTF-8 is repaired", "a\xff" "b", "a\xef\xbf\xbd" "b"},
      {"slash is not escaped", "a/b", "a/b"},
  };
  for (const Row& row : rows) EXPECT_EQ(kelo::escape(row.text), row.escaped) << row.behaviour;
}

// Characters read from bytes: each maximal invalid subpart becomes one U+FFFD.
TEST(ReplyText, LenientUtf8CountsReplacements) {
  struct Row {
    const char* behaviour;
    const char* bytes;
    const char* text;
  };
  const Row rows[] = {
      {"a lead byte without its continuation", "a\xc3(b", "a\xef\xbf\xbd(b"},
      {"a truncated three-byte sequence is one", "\xe2\x82", "\xef\xbf\xbd"},
      {"a truncated four-byte sequence then ASCII", "\xf0\x9f\x98x", "\xef\xbf\xbdx"},
      {"an overlong pair is two", "\xc0\xaf", "\xef\xbf\xbd\xef\xbf\xbd"},
      {"a surrogate is three", "\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
      {"past U+10FFFF is four", "\xf4\x90\x80\x80",
       "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
      {"valid text is unchanged", "\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
  };
  for (const Row& row : rows) EXPECT_EQ(kelo::read_text(row.bytes), row.text) << row.behaviour;
  EXPECT_EQ(kelo::read_text(nullptr), "");
}

TEST(ReplyText, DefaultValues) {
  struct Row {
    const char* behaviour;
    InputValue value;
    const char* json;
  };
  const Row rows[] = {
      {"none", InputValue::none(), "null"},
      {"boolean", InputValue::of_bool(false), "false"},
      {"integer", InputValue::of_int(-7), "-7"},
      {"number", InputValue::of_num(1.25), "1.25"},
      {"non-finite number keeps the interface's spelling", InputValue::of_num(NAN), "NaN"},
      {"text escaped", InputValue::of_text("a\"b"), R"("a\"b")"},
      {"colour as eight hex digits", InputValue::of_color(0x3d7bf5ff), R"("#3d7bf5ff")"},
      {"colour zero-padded", InputValue::of_color(0xff), R"("#000000ff")"},
      {"time in milliseconds", InputValue::of_time(1767225600000), "1767225600000"},
      {"duration", InputValue::of_duration(300000.0), "300000"},
      {"arrays nest", InputValue::of_list({InputValue::of_int(1),
                                           InputValue::of_list({InputValue::of_bool(true)}),
                                           InputValue::of_text("x")}),
       R"([1,[true],"x"])"},
      {"empty array", InputValue::of_list({}), "[]"},
  };
  for (const Row& row : rows) EXPECT_EQ(kelo::default_json(row.value), row.json) << row.behaviour;
}

// The inputs reply must stay JSON: there a non-finite number is null, as in the bundle.
TEST(ReplyText, DefaultValuesOfTheInputsReply) {
  struct Row {
    const char* behaviour;
    InputValue value;
    const char* json;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Row rows[] = {
      {"NaN is null", InputValue::of_num(NAN), "null"},
      {"infinity is null", InputValue::of_num(inf), "null"},
      {"minus infinity is null", InputValue::of_num(-inf), "null"},
      {"an infinite duration is null", InputValue::of_duration(inf), "null"},
      {"a finite number as ever", InputValue::of_num(1.25), "1.25"},
      {"negative zero as ever", InputValue::of_num(-0.0), "-0"},
      {"inside an array too",
       InputValue::of_list({InputValue::of_num(inf), InputValue::of_num(2),
                            InputValue::of_list({InputValue::of_num(-inf)})}),
       "[null,2,[null]]"},
      {"other kinds as ever", InputValue::of_text("x"), R"("x")"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(kelo::default_json(row.value, kelo::NonFinite::Null), row.json) << row.behaviour;
  }
}

TEST(ReplyNumbers, FiniteOrNull) {
  const double inf = std::numeric_limits<double>::infinity();
  auto written = [](double value) {
    std::string out;
    kelo::append_finite_or_null(out, value);
    return out;
  };
  EXPECT_EQ(written(2.0), "2");
  EXPECT_EQ(written(0.01), "0.01");
  EXPECT_EQ(written(-0.0), "-0");
  EXPECT_EQ(written(1e23), "100000000000000000000000");
  EXPECT_EQ(written(NAN), "null");
  EXPECT_EQ(written(inf), "null");
  EXPECT_EQ(written(-inf), "null");
}

TEST(ReplyFrame, RepliesAreMallocCopies) {
  char* reply = kelo::to_reply("abc");
  EXPECT_STREQ(reply, "abc");
  kelo::release_reply(reply);
  char* with_nul = kelo::to_reply(std::string_view("a\0b", 3));
  EXPECT_STREQ(with_nul, "");
  kelo::release_reply(with_nul);
  kelo::release_reply(nullptr);
  EXPECT_EQ(kelo::failure_reply("line 1\nline \"2\""),
            R"({"ok":false,"error":"line 1\nline \"2\""})");
}

TEST(ReplyFrame, GuardTurnsExceptionsIntoTheFailureReply) {
  char* reply = kelo::guarded([]() -> std::string { throw std::runtime_error("boom"); },
                              [](const std::exception* e) {
                                return kelo::failure_reply(kelo::internal_error(e));
                              });
  EXPECT_STREQ(reply, R"({"ok":false,"error":"The engine failed inside the call: boom."})");
  kelo::release_reply(reply);
  reply = kelo::guarded([]() -> std::string { throw 42; },
                        [](const std::exception* e) {
                          return kelo::failure_reply(kelo::internal_error(e));
                        });
  EXPECT_STREQ(reply, R"({"ok":false,"error":"The engine failed inside the call."})");
  kelo::release_reply(reply);
}

}  // namespace
