#include "core/diag.h"

#include <gtest/gtest.h>

namespace kelo_core::diag {
namespace {

Span at(std::uint32_t line, std::uint32_t column) { return {{10, line, column}, {99, 7, 42}}; }

TEST(Diagnostics, RenderAndErrors) {
  struct Case {
    const char* name;
    std::vector<std::pair<Severity, Span>> items;
    bool has_errors;
    std::string rendered;
  };
  const std::vector<Case> cases = {
      {"empty list", {}, false, ""},
      {"warning only", {{Severity::Warning, at(3, 5)}}, false, "main.kelo:3:5 warning KELO3031: message 0"},
      {"error only", {{Severity::Error, at(1, 1)}}, true, "main.kelo:1:1 error KELO3031: message 0"},
      {"two items joined by one line feed, none after the last",
       {{Severity::Warning, at(3, 5)}, {Severity::Error, at(12, 40)}},
       true,
       "main.kelo:3:5 warning KELO3031: message 0\nmain.kelo:12:40 error KELO3031: message 1"},
  };
  for (const Case& c : cases) {
    Diagnostics diagnostics("main.kelo");
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      diagnostics.push(c.items[i].first, "KELO3031", "message " + std::to_string(i), c.items[i].second);
    }
    EXPECT_EQ(diagnostics.has_errors(), c.has_errors) << c.name;
    EXPECT_EQ(diagnostics.render_all(), c.rendered) << c.name;
  }
}

TEST(Diagnostics, PushKeepsEveryField) {
  Diagnostics diagnostics("a.kelo");
  diagnostics.error("KELO2001", "Expected ')' but found '{'", at(2, 4));
  diagnostics.warning("KELO3040", "w", at(5, 6));
  ASSERT_EQ(diagnostics.items.size(), 2u);
  const Diagnostic& first = diagnostics.items[0];
  EXPECT_EQ(first.message, "Expected ')' but found '{'");
  EXPECT_EQ(first.code, "KELO2001");
  EXPECT_EQ(first.span, at(2, 4));
  EXPECT_EQ(first.severity, Severity::Error);
  EXPECT_TRUE(first.related.empty());
  EXPECT_EQ(diagnostics.items[1].severity, Severity::Warning);
  EXPECT_EQ(severity_text(Severity::Error), "error");
  EXPECT_EQ(severity_text(Severity::Warning), "warning");
  EXPECT_EQ(static_cast<int>(Severity::Warning), 1);
}

TEST(Diagnostics, ListStopsAtItsCapAndCountsTheRest) {
  struct Extra {
    Severity severity;
    const char* code;
  };
  struct Case {
    const char* name;
    std::vector<Extra> beyond;  // pushed after a full list of warnings
    std::size_t size;
    bool has_errors;
    std::string last;  // rendered
  };
  const std::vector<Case> cases = {
      {"a full list leaves nothing out", {}, 1000, false, "m.kelo:1000:1 warning KELO3031: w"},
      {"one warning more is counted in a last entry",
       {{Severity::Warning, "KELO1005"}},
       1001,
       false,
       "m.kelo:1001:1 warning KELO1005: 1 more finding was not listed; correct the ones "
       "above first"},
      {"an error left out makes the last entry an error, with the first code left out",
       {{Severity::Warning, "KELO1005"},
        {Severity::Error, "KELO2001"},
        {Severity::Warning, "KELO3031"}},
       1001,
       true,
       "m.kelo:1001:1 error KELO1005: 3 more findings were not listed; correct the ones "
       "above first"},
  };
  for (const Case& c : cases) {
    Diagnostics diagnostics("m.kelo");
    std::uint32_t line = 0;
    for (std::size_t i = 0; i < Diagnostics::kMaxListed; ++i) {
      diagnostics.warning("KELO3031", "w", at(++line, 1));
    }
    for (const Extra& extra : c.beyond) {
      diagnostics.push(extra.severity, extra.code, "dropped", at(++line, 1));
    }
    ASSERT_EQ(diagnostics.items.size(), c.size) << c.name;
    EXPECT_EQ(diagnostics.unlisted, c.beyond.size()) << c.name;
    EXPECT_EQ(diagnostics.has_errors(), c.has_errors) << c.name;
    const std::string all = diagnostics.render_all();
    EXPECT_EQ(all.substr(all.rfind('\n') + 1), c.last) << c.name;
  }
}

TEST(Diagnostics, FillsPatternsInOrder) {
  struct Case {
    const char* name;
    std::string_view pattern;
    std::vector<std::string_view> args;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"no placeholder", "Unterminated block comment", {}, "Unterminated block comment"},
      {"one placeholder", "Unexpected character '{}'", {"@"}, "Unexpected character '@'"},
      {"in order",
       "{}: expected {} but found {}",
       {"'n'", "int", "text"},
       "'n': expected int but found text"},
      {"an argument's braces stay as written",
       "Expected '{}' but found {}",
       {"{}", "'{'"},
       "Expected '{}' but found '{'"},
      {"empty arguments", "min ({}) is above max ({})", {"", ""}, "min () is above max ()"},
      {"lone braces are text", "a { b } {}", {"c"}, "a { b } c"},
  };
  for (const Case& c : cases) {
    std::string out;
    switch (c.args.size()) {
      case 0:
        out = fill(c.pattern, {});
        break;
      case 1:
        out = fill(c.pattern, {c.args[0]});
        break;
      case 2:
        out = fill(c.pattern, {c.args[0], c.args[1]});
        break;
      default:
        out = fill(c.pattern, {c.args[0], c.args[1], c.args[2]});
        break;
    }
    EXPECT_EQ(out, c.expected) << c.name;
  }
  static_assert(placeholders("none") == 0);
  static_assert(placeholders("'{}' has no member '{}'.{}") == 3);
  constexpr Message<placeholders("'{}' is not defined")> not_defined{"KELO3004",
                                                                     "'{}' is not defined"};
  Diagnostics diagnostics("m.kelo");
  diagnostics.error(not_defined, at(4, 2), std::string("fast"));
  diagnostics.warning(not_defined, at(5, 3), "slow");
  EXPECT_EQ(diagnostics.render_all(),
            "m.kelo:4:2 error KELO3004: 'fast' is not defined\n"
            "m.kelo:5:3 warning KELO3004: 'slow' is not defined");
}

// Two lists joined end to end hold what one list fed the same findings in order holds,
// also when the cap falls in the first, in the second or in neither.
TEST(Diagnostics, AppendIsPushingInOrder) {
  const std::pair<std::size_t, std::size_t> sizes[] = {
      {0, 0},    {5, 3},     {0, 7},       {999, 3},  {1000, 0}, {1000, 1},
      {0, 1005}, {500, 700}, {1003, 1002}, {1, 1000}, {1001, 1}, {2, 999},
  };
  std::uint32_t seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  const char* codes[] = {"KELO1005", "KELO2001", "KELO3031"};
  for (const auto& [first, second] : sizes) {
    Diagnostics whole("m.kelo");
    Diagnostics a("m.kelo");
    Diagnostics b("m.kelo");
    for (std::size_t i = 0; i < first + second; ++i) {
      const Severity severity = next() % 5 == 0 ? Severity::Error : Severity::Warning;
      const char* code = codes[next() % 3];
      const std::string message = "finding " + std::to_string(i);
      const Span span = at(static_cast<std::uint32_t>(i + 1), 1);
      whole.push(severity, code, message, span);
      (i < first ? a : b).push(severity, code, message, span);
    }
    a.append(std::move(b));
    EXPECT_EQ(a.render_all(), whole.render_all()) << first << "+" << second;
    EXPECT_EQ(a.unlisted, whole.unlisted) << first << "+" << second;
    EXPECT_EQ(a.has_errors(), whole.has_errors()) << first << "+" << second;
  }
}

TEST(Diagnostics, EmptyFileNameStillRenders) {
  Diagnostics diagnostics;
  diagnostics.error("KELO1005", "Unexpected character '@'", at(1, 2));
  EXPECT_EQ(diagnostics.render_all(), ":1:2 error KELO1005: Unexpected character '@'");
}

}  // namespace
}  // namespace kelo_core::diag
