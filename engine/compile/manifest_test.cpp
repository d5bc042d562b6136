// The manifest: settings, permissions, id, build time and its exact JSON text.
#include <gtest/gtest.h>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

using testing::compile_fixed;

TEST(Manifest, ExactJsonWithAFixedClock) {
  const auto out = compile_fixed(
      "bot \"Trend Bot\" {\n  author \"Jane Doe\"\n  symbols EURUSD, GBPUSD\n  minBars 250.7\n}\n"
      "permissions {\n  maxOrdersPerMinute 500\n  ai\n  notify no\n}\nfn onBar() {}\n");
  EXPECT_EQ(testing::messages(out), "");
  EXPECT_EQ(out.manifest.to_json().encode(),
            "{\"author\":\"Jane Doe\",\"builtAt\":\"2023-11-14T22:13:20Z\",\"compiler\":\"keloc "
            "1.0.0\",\"description\":\"\",\"events\":[\"onBar\"],\"icon\":\"\",\"id\":\"jane-doe."
            "trend-bot\",\"keloVersion\":\"1.0.0\",\"kind\":\"bot\",\"limits\":{\"heapMb\":32,"
            "\"steps\":2000000,\"wallMs\":5000},\"minBars\":250,\"name\":\"Trend Bot\","
            "\"permissions\":{\"ai\":true,\"email\":false,\"maxOrdersPerMinute\":60,\"network\":[]"
            ",\"notify\":false,\"readsOtherSymbols\":false},\"symbols\":[\"EURUSD\",\"GBPUSD\"],"
            "\"tags\":[],\"timeframes\":[],\"version\":\"1.0.0\",\"website\":\"\"}");
}

TEST(Manifest, SettingValues) {
  struct Row {
    const char* settings;
    std::int64_t min_bars;
    std::int64_t max_orders;
  };
  const Row rows[] = {
      {"minBars -5\n", -5, 0},
      {"minBars 12.9\n", 12, 0},
      {"minBars \"x\"\n", 0, 0},
      {"minBars 99999999999999999999999.0\n", INT64_MAX, 0},
  };
  for (const auto& row : rows) {
    const auto out = compile_fixed(std::string("script \"S\" {\n") + row.settings + "}\n");
    EXPECT_EQ(out.manifest.min_bars, row.min_bars) << row.settings;
  }
  const struct {
    const char* value;
    std::int64_t expected;
  } orders[] = {{"500", 60}, {"-3", 0}, {"12.9", 12}, {"\"x\"", 0}, {"", 0}};
  for (const auto& row : orders) {
    const auto out = compile_fixed(std::string("script \"S\"\npermissions {\n  maxOrdersPerMinute ") +
                                   row.value + "\n}\n");
    EXPECT_EQ(out.manifest.max_orders_per_minute, row.expected) << row.value;
  }
}

TEST(Manifest, TextsIdsAndFlags) {
  auto out = compile_fixed(
      "indicator \"My Cool_Bot!\" {\n  id \"a\", \"b\"\n  version 2\n  symbols [\"X\", \"Y\"], Z\n"
      "  tags\n  description 1.5, true\n}\npermissions {\n  email\n  notify false\n"
      "  readsOtherSymbols yes\n  network \"api.example.com\"\n}\nfn onInit() {}\n"
      "fn onCalculate() {}\n");
  const auto& m = out.manifest;
  EXPECT_EQ(m.kind, "indicator");
  EXPECT_EQ(m.id, "ab");
  EXPECT_EQ(m.version, "2");
  EXPECT_EQ(m.symbols, (std::vector<std::string>{"X", "Y", "Z"}));
  EXPECT_TRUE(m.tags.empty());
  EXPECT_EQ(m.description, "1.5true");
  EXPECT_TRUE(m.email);
  EXPECT_FALSE(m.notify);
  EXPECT_TRUE(m.reads_other_symbols);
  EXPECT_EQ(m.network, (std::vector<std::string>{"api.example.com"}));
  EXPECT_EQ(m.events, (std::vector<std::string>{"onCalculate", "onInit"}));

  out = compile_fixed("script \"My Cool_Bot!\" {\n  author \"   \"\n  symbols\n}\n");
  EXPECT_EQ(out.manifest.id, "kelo.my-cool-bot");
  EXPECT_TRUE(out.manifest.symbols.empty());
}

TEST(Manifest, Timestamps) {
  EXPECT_EQ(manifest::utc_timestamp(0), "1970-01-01T00:00:00Z");
  EXPECT_EQ(manifest::utc_timestamp(-5), "1970-01-01T00:00:00Z");
  EXPECT_EQ(manifest::utc_timestamp(951782400), "2000-02-29T00:00:00Z");
  EXPECT_EQ(manifest::utc_timestamp(4102444799), "2099-12-31T23:59:59Z");
}

}  // namespace
}  // namespace kelo_compile
