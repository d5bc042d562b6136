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

TEST(Diagnostics, EmptyFileNameStillRenders) {
  Diagnostics diagnostics;
  diagnostics.error("KELO1005", "Unexpected character '@'", at(1, 2));
  EXPECT_EQ(diagnostics.render_all(), ":1:2 error KELO1005: Unexpected character '@'");
}

}  // namespace
}  // namespace kelo_core::diag
