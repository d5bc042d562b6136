// Runs every program of tests/kelo: each states its expected diagnostics in comments
// ("// expect: CODE message @line:column", in order; none means a clean compile) and may
// pin a function's ops ("// ops NAME: Op; Op; ...").
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "compile/compile_test_support.h"

namespace kelo_compile {
namespace {

namespace fs = std::filesystem;

fs::path corpus_dir() { return fs::path(__FILE__).parent_path() / ".." / ".." / "tests" / "kelo"; }

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

TEST(Corpus, EveryProgramMeetsItsExpectations) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus_dir())) {
    if (entry.path().extension() == ".kelo") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << corpus_dir();
  for (const auto& path : files) {
    const std::string source = read_file(path);
    std::string expected;
    std::vector<std::pair<std::string, std::string>> op_checks;
    std::istringstream lines(source);
    std::string line;
    while (std::getline(lines, line)) {
      const auto at = line.find("// expect: ");
      if (at != std::string::npos) {
        if (!expected.empty()) expected += '\n';
        expected += line.substr(at + 11);
      }
      const auto ops_at = line.find("// ops ");
      if (ops_at != std::string::npos) {
        const std::string rest = line.substr(ops_at + 7);
        const auto colon = rest.find(": ");
        op_checks.emplace_back(rest.substr(0, colon), rest.substr(colon + 2));
      }
    }
    const auto out = testing::compile_fixed(source);
    EXPECT_EQ(testing::diagnostics_text(out), expected) << path.filename();
    for (const auto& [name, ops] : op_checks) {
      EXPECT_EQ(testing::ops(out, name), ops) << path.filename() << " " << name;
    }
  }
}

}  // namespace
}  // namespace kelo_compile
