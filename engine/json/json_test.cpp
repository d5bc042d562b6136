#include "json/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using kelo_json::Json;

TEST(JsonNumber, ShortestPositionalDigits) {
  struct Row {
    const char* name;
    double value;
    const char* text;
  };
  const Row rows[] = {
      {"whole value has no point", 3.0, "3"},
      {"negative zero keeps sign", -0.0, "-0"},
      {"zero", 0.0, "0"},
      {"tenth", 0.1, "0.1"},
      {"quarter", 0.25, "0.25"},
      {"negative fraction", -3.5, "-3.5"},
      {"1e21 is 22 digits", 1e21, "1000000000000000000000"},
      {"1e23 uses shortest digits, not the binary expansion", 1e23,
       "100000000000000000000000"},
      {"small value without exponent", 1.5e-7, "0.00000015"},
      {"mixed", 1234.5678, "1234.5678"},
      {"NaN", std::nan(""), "null"},
      {"infinity", std::numeric_limits<double>::infinity(), "null"},
      {"negative infinity", -std::numeric_limits<double>::infinity(), "null"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Json(row.value).encode(), row.text) << row.name;
  }
  // Extremes: 309 digits for the largest double, 323 zeros after the point for the
  // smallest subnormal.
  EXPECT_EQ(Json(std::numeric_limits<double>::max()).encode(),
            "17976931348623157" + std::string(292, '0'));
  EXPECT_EQ(Json(5e-324).encode(), "0." + std::string(323, '0') + "5");
}

TEST(JsonNumber, RoundTripsThroughStrtod) {
  const double values[] = {1.0 / 3.0, 2.0 / 3.0, 1e-300, 123456789.125, 9007199254740993.0,
                           0.1 + 0.2, 1e100, 4.9406564584124654e-300};
  for (double v : values) {
    EXPECT_EQ(std::strtod(kelo_json::format_number(v).c_str(), nullptr), v) << v;
  }
}

TEST(JsonWriter, ExactTexts) {
  Json obj = Json::object();
  obj.set("b", 1);
  obj.set("a", true);
  obj.set("b", "last");
  EXPECT_EQ(obj.encode(), R"({"a":true,"b":"last"})");

  Json arr = Json::array();
  arr.set("x", 1);
  EXPECT_EQ(arr.encode(), "[]");

  Json empty_array_member = Json::object();
  empty_array_member.set("x", Json::array());
  EXPECT_EQ(empty_array_member.encode(), "{\"x\":[]}");

  EXPECT_EQ(Json().encode(), "null");
  EXPECT_EQ(Json(false).encode(), "false");
  EXPECT_EQ(Json(std::int64_t{-5}).encode(), "-5");
  EXPECT_EQ(Json(std::numeric_limits<std::int64_t>::min()).encode(), "-9223372036854775808");
  EXPECT_EQ(Json::object().encode(), "{}");
  EXPECT_EQ(Json::texts({"a", "b"}).encode(), R"(["a","b"])");

  Json nested = Json::object();
  Json inner = Json::object();
  inner.set("z", Json::texts({}));
  inner.set("B", 2.5);
  nested.set("k", inner);
  nested.set("A", Json());
  EXPECT_EQ(nested.encode(), R"({"A":null,"k":{"B":2.5,"z":[]}})");
}

TEST(JsonWriter, TextEscapes) {
  struct Row {
    const char* name;
    std::string in;
    const char* out;
  };
  const Row rows[] = {
      {"tab quote and control 1", std::string("\t\"\x01", 3), R"("\t\"\u0001")"},
      {"backslash and newlines", "a\\b\nc\rd", R"("a\\b\nc\rd")"},
      {"backspace and form feed use four digits", "\b\f", R"("\u0008\u000c")"},
      {"unit separator", "\x1f", R"("\u001f")"},
      {"nul", std::string("\0", 1), R"("\u0000")"},
      {"slash and delete pass", "/\x7f", "\"/\x7f\""},
      {"utf8 passes", "\xc3\xa9\xe2\x82\xac", "\"\xc3\xa9\xe2\x82\xac\""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Json(row.in).encode(), row.out) << row.name;
  }
  // Keys are escaped like values.
  Json obj = Json::object();
  obj.set("a\"b", 1);
  EXPECT_EQ(obj.encode(), R"({"a\"b":1})");
}
