// Runs every program of tests/kelo against the expectations written in its comments:
//
//   // expect: CODE message @line:column   the diagnostics, in order (none: a clean compile)
//   // ops NAME: Op; Op; ...                 the ops of the first function of that name
//   // bar: OPEN HIGH LOW CLOSE [@ YYYY-MM-DD HH:MM]   one bar of a backtest, oldest first
//   // warmup: N                             bars replayed without handlers (default 0)
//   // journal: BAR LEVEL: MESSAGE           the backtest's journal, every line in order
//   // error: TEXT                           the backtest's errors, every one in order
//
// A program with bars is also replayed through kelo_backtest (balance 10,000, the default
// symbol); bars without a time follow the one before by a minute, the first at 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "compile/compile_test_support.h"
#include "exported_calls.h"

namespace kelo_corpus {
namespace {

namespace fs = std::filesystem;

fs::path corpus_dir() {
  return fs::path(__FILE__).parent_path();
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// "2024-01-01 12:00" as epoch milliseconds.
std::optional<std::int64_t> parse_time(const std::string& text) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d", &y, &mo, &d, &h, &mi) != 5) return std::nullopt;
  return (days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
          h * 3600 + mi * 60) *
         1000;
}

struct Expectations {
  std::string diagnostics;
  std::vector<std::pair<std::string, std::string>> ops;
  Bars bars;
  std::int64_t warmup = 0;
  std::vector<std::string> journal;
  std::vector<std::string> errors;
  std::vector<std::string> problems;  // lines the runner could not read
};

// The text after `key` on the line, or none.
std::optional<std::string> after(const std::string& line, std::string_view key) {
  const auto at = line.find(key);
  if (at == std::string::npos) return std::nullopt;
  return line.substr(at + key.size());
}

Expectations read_expectations(const std::string& source) {
  Expectations e;
  std::istringstream lines(source);
  std::string line;
  while (std::getline(lines, line)) {
    if (auto rest = after(line, "// expect: ")) {
      if (!e.diagnostics.empty()) e.diagnostics += '\n';
      e.diagnostics += *rest;
    } else if (auto ops = after(line, "// ops ")) {
      const auto colon = ops->find(": ");
      e.ops.emplace_back(ops->substr(0, colon), ops->substr(colon + 2));
    } else if (auto bar = after(line, "// bar: ")) {
      std::string prices = *bar;
      std::optional<std::int64_t> time;
      if (const auto at = prices.find(" @ "); at != std::string::npos) {
        time = parse_time(prices.substr(at + 3));
        if (!time) e.problems.push_back(line);
        prices = prices.substr(0, at);
      }
      std::istringstream in(prices);
      double o = 0, h = 0, l = 0, c = 0;
      if (!(in >> o >> h >> l >> c)) e.problems.push_back(line);
      if (time) {
        e.bars.add(o, h, l, c, *time);
      } else {
        e.bars.add(o, h, l, c);
      }
    } else if (auto warmup = after(line, "// warmup: ")) {
      e.warmup = std::stoll(*warmup);
    } else if (auto journal = after(line, "// journal: ")) {
      e.journal.push_back(*journal);
    } else if (auto error = after(line, "// error: ")) {
      e.errors.push_back(*error);
    }
  }
  return e;
}

// Replays the program on its bars; adds a failure for every difference.
void check_backtest(const fs::path& path, const std::string& source, const Expectations& e) {
  const Replay run = backtest(source, e.bars, e.warmup);
  ASSERT_TRUE(run.ok) << path.filename() << ": " << run.reply;
  EXPECT_EQ(run.journal, e.journal) << path.filename();
  EXPECT_EQ(run.errors, e.errors) << path.filename();
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
    const Expectations e = read_expectations(source);
    for (const auto& problem : e.problems) ADD_FAILURE() << path.filename() << ": " << problem;
    const auto out = kelo_compile::testing::compile_fixed(source);
    EXPECT_EQ(kelo_compile::testing::diagnostics_text(out), e.diagnostics) << path.filename();
    for (const auto& [name, ops] : e.ops) {
      EXPECT_EQ(kelo_compile::testing::ops(out, name), ops) << path.filename() << " " << name;
    }
    if (!e.bars.close.empty()) check_backtest(path, source, e);
  }
}

}  // namespace
}  // namespace kelo_corpus
