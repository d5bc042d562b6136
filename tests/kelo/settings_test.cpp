// Program settings as traders write them, through kelo_check and kelo_build's manifest:
// several settings on one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

TEST(Settings, SeveralOnOneLine) {
  const std::pair<const char*, const char*> rows[] = {
      {"indicator \"Smoothed Close\" { panel: overlay, precision: 5 }\nplot close", ""},
      {"bot \"X\" { version: \"1.0.0\", author: \"Desk\" }\nfn onBar() {}", ""},
      {"bot \"X\" { colour: red, flavour: 3 }\nfn onBar() {}",
       "KELO3031 'colour' is not a known program setting and will be ignored @1:11\n"
       "KELO3031 'flavour' is not a known program setting and will be ignored @1:24"},
      {"bot \"X\" {\n  timeframes M15, H1\n  version: \"2\", symbols: EURUSD, GBPUSD\n}\n"
       "fn onBar() {}",
       ""},
  };
  for (const auto& [source, diagnostics] : rows) {
    EXPECT_EQ(check_text(source), diagnostics) << source;
  }
}

TEST(Settings, KeepTheirValuesInTheManifest) {
  const auto dir = std::filesystem::temp_directory_path() / "kelo_settings_test";
  std::filesystem::create_directories(dir);
  const std::string reply = take(kelo_build(
      "bot \"X\" { version: \"1.2.0\", author: \"Desk\", timeframes: M15, H1 }\nfn onBar() {}",
      "x.kelo", (dir / "x.zxb").c_str()));
  const auto json = JsonReader(reply).read();
  ASSERT_TRUE(json && json->get("ok") && json->get("ok")->text == "true") << reply;
  std::ifstream in(json->get("path")->text, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string bundle = bytes.str();
  EXPECT_NE(bundle.find(R"("author":"Desk")"), std::string::npos);
  EXPECT_NE(bundle.find(R"("timeframes":["M15","H1"])"), std::string::npos);
  EXPECT_NE(bundle.find(R"("version":"1.2.0")"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelo_corpus
