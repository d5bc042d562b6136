// Long chains of binary operators, as generated code and long hand-written formulas write
// them, through the exported calls: they check, compile and run, at any length, while
// real nesting keeps its limit. A chain is a left spine that every stage walks in a loop.
#include <gtest/gtest.h>

#include <string>

#include "exported_calls.h"

namespace kelo_corpus {
namespace {

constexpr int kTerms = 10000;

std::string repeat(const std::string& part, int times) {
  std::string out;
  out.reserve(part.size() * static_cast<std::size_t>(times));
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

// `first` followed by `more` until there are `terms` terms.
std::string chain(const std::string& first, const std::string& more, int terms = kTerms) {
  return first + repeat(more, terms - 1);
}

// The journal of a bot whose onBar logs `logged`, after `declarations`, on one bar closing
// at 2 (or the bars given).
Replay one_bar(const std::string& declarations, const std::string& logged,
               const Bars& bars = Bars::closes({2})) {
  return backtest(
      "bot \"B\"\n" + declarations + "\nfn onBar() { log.info(\"\" + " + logged + ") }\n", bars);
}

TEST(Chains, TenThousandOnesAddUpToTenThousand) {
  const Replay run = one_bar("", "(" + chain("1", " + 1") + ")");
  EXPECT_TRUE(run.errors.empty()) << run.reply.substr(0, 300);
  EXPECT_EQ(run.journal, std::vector<std::string>{"0 info: 10000"});
}

TEST(Chains, TenThousandTruesJoinedByAndAreTrue) {
  const Replay run = one_bar("", "(" + chain("true", " && true") + ")");
  EXPECT_TRUE(run.errors.empty()) << run.reply.substr(0, 300);
  EXPECT_EQ(run.journal, std::vector<std::string>{"0 info: true"});
}

TEST(Chains, EveryStageTakesAChainOfAnyLength) {
  struct Row {
    const char* behaviour;
    std::string declarations;
    std::string logged;
    const char* journal;  // the one line of the one bar
  };
  std::string weighted = "close * 1";
  for (int i = 2; i <= 300; ++i) weighted += " + close * " + std::to_string(i);
  const Row rows[] = {
      {"a global's value (also typed for the hints of function bodies)",
       "let y = " + chain("1", " + 1"), "y", "0 info: 10000"},
      {"a series global", "let y = " + chain("close", " + close"), "y[0]", "0 info: 20000"},
      {"a weighted sum of 300 series terms", "let w = " + weighted, "w[0]", "0 info: 90300"},
      {"a difference chain", "", "(" + chain("20000", " - 1") + ")", "0 info: 10001"},
      {"mixed precedence", "", "(" + chain("0", " + 2 * 3 - 10 / 2") + ")", "0 info: 9999"},
      {"an || chain as a value", "", "(" + chain("false", " || false") + " || true)",
       "0 info: true"},
      {"a coalescing chain", "", "(" + chain("none", " ?? none") + " ?? 7)", "0 info: 7"},
      {"a comparison chain", "", "(" + chain("true", " == true") + ")", "0 info: true"},
      {"a parameter's default", "fn f(a, b = " + chain("a", " + a") + ") { return b }", "f(1)",
       "0 info: 10000"},
      {"a lambda's body", "let g = (a) => " + chain("a", " * 1"), "g(5)", "0 info: 5"},
      {"an input group's hint", "input group \"G\" { hint: " + chain("1", " + 1") + " }", "1",
       "0 info: 1"},
      {"a compound assignment's value",
       "var total = 0\nfn add() {\n  total += " + chain("1", " + 1") + "\n  return total\n}",
       "add()", "0 info: 10000"},
  };
  for (const Row& row : rows) {
    const Replay run = one_bar(row.declarations, row.logged);
    EXPECT_TRUE(run.errors.empty()) << row.behaviour << ": " << run.reply.substr(0, 300);
    EXPECT_EQ(run.journal, std::vector<std::string>{row.journal}) << row.behaviour;
  }
}

TEST(Chains, ChainsAsConditionsReadTheCurrentBar) {
  const std::string source =
      "bot \"B\"\nfn onBar() {\n"
      "  if " +
      chain("close > 1", " && close > 1") +
      " { log.info(\"all\") }\n"
      "  if " +
      chain("close > 5", " || close > 5") +
      " || close > 2 { log.info(\"any\") }\n"
      "  while " +
      chain("close < 3", " && close < 3") + " { log.info(\"loop\"); break }\n}\n";
  EXPECT_EQ(check_text(source), "");
  const Replay run = backtest(source, Bars::closes({2, 4}));
  EXPECT_TRUE(run.errors.empty()) << run.reply.substr(0, 300);
  EXPECT_EQ(run.journal, (std::vector<std::string>{"0 info: all", "0 info: loop", "1 info: all",
                                                   "1 info: any"}));
}

TEST(Chains, EveryTermOfAChainIsChecked) {
  const std::string terms = chain("1", " - \"a\"", 301);
  std::string expected;
  for (int i = 0; i < 300; ++i) {
    if (!expected.empty()) expected += '\n';
    expected += "KELO3005 Arithmetic needs numbers, found text @2:" + std::to_string(13 + 6 * i);
  }
  EXPECT_EQ(check_text("script \"S\"\nlet x = " + terms + "\n"), expected);
}

// Real nesting keeps its limit and its diagnostics exactly.
TEST(Chains, NestingStillHasItsLimit) {
  EXPECT_EQ(check_text("script \"S\"\nlet x = " + repeat("(", 300) + "1" + repeat(")", 300) + "\n"),
            "KELO2007 Expected an expression but found '(' @2:265");
  EXPECT_EQ(check_text("script \"S\"\nlet x = " + chain("2", " ** 2", 301) + "\n"),
            "KELO2007 Expected an expression but found '**' @2:1286");
  // A chain inside the nesting takes no depth of its own.
  EXPECT_EQ(check_text("script \"S\"\nlet x = " + repeat("(", 255) + chain("1", " + 1") +
                       repeat(")", 255) + "\n"),
            "");
}

}  // namespace
}  // namespace kelo_corpus
