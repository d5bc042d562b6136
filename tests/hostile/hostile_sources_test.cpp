// Source texts built to break the front end: nesting 10,000 levels deep and 50 MB
// files, through kelo_check and kelo_tokens. Each must answer, within the engine's
// memory limit, with a clear diagnostic or a correct reply.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "bounded_call.h"
#include "kelo.h"

namespace kelo_hostile {
namespace {

constexpr int kLevels = 10'000;
constexpr size_t kBigSource = 50u * 1024 * 1024;

std::string repeat(std::string_view part, size_t times) {
  std::string out;
  out.reserve(part.size() * times);
  for (size_t i = 0; i < times; ++i) out += part;
  return out;
}

// `head`, then `part` until the text is `size` bytes long (the last part may be cut).
std::string fill_to(std::string head, std::string_view part, size_t size) {
  head.reserve(size);
  while (head.size() + part.size() <= size) head += part;
  head.append(part.substr(0, size - head.size()));
  return head;
}

std::string check(const std::string& source) {
  return take(kelo_check(source.c_str(), "hostile.kelo"));
}

std::string tokens(const std::string& source) { return take(kelo_tokens(source.c_str())); }

struct Row {
  const char* name;
  std::function<std::string()> call;  // builds the source and calls the engine
  std::vector<std::string> expected;  // parts the reply must hold
};

void expect_bounded(const Row& row) {
  SCOPED_TRACE(row.name);
  const CallOutcome out = run_in_child(row.call);
  ASSERT_TRUE(out.exited) << how_it_ended(out);
  for (const std::string& part : row.expected) {
    EXPECT_NE(out.reply.find(part), std::string::npos)
        << "missing " << part << " in " << out.reply.substr(0, 400);
  }
  report(row.name, out);
  if (!under_sanitizer()) {
    EXPECT_LT(out.peak_mib, kMaxPeakMib);
  }
}

// A syntax error at the point where nesting goes too deep, rather than a crash.
constexpr const char* kTooDeep = R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO2007")";

TEST(HostileSources, NestingTenThousandLevelsIsASyntaxError) {
  const std::string head = "script \"Nest\"\nlet x = ";
  const std::vector<Row> rows = {
      {"parentheses",
       [&] { return check(head + repeat("(", kLevels) + "1" + repeat(")", kLevels) + "\n"); },
       {kTooDeep}},
      {"array literals",
       [&] { return check(head + repeat("[", kLevels) + "1" + repeat("]", kLevels) + "\n"); },
       {kTooDeep}},
      {"unclosed parentheses", [&] { return check(head + repeat("(", kLevels) + "\n"); },
       {kTooDeep}},
      {"prefix operators", [&] { return check(head + repeat("-", kLevels) + "1\n"); },
       {kTooDeep}},
      {"lambdas", [&] { return check(head + repeat("() => ", kLevels) + "1\n"); }, {kTooDeep}},
      {"calls",
       [&] { return check(head + repeat("abs(", kLevels) + "1" + repeat(")", kLevels) + "\n"); },
       {kTooDeep}},
      {"blocks",
       [&] {
         return check("script \"Nest\"\nfn f() {\n" + repeat("if true {\n", kLevels) +
                      repeat("}\n", kLevels) + "}\n");
       },
       {R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO2007")"}},
      {"tokens of nested parentheses",
       [&] { return tokens(repeat("(", kLevels) + repeat(")", kLevels)); },
       {R"({"tokens":[{"kind":"punctuation","start":0,"end":1,"line":1},)",
        R"({"kind":"punctuation","start":19999,"end":20000,"line":1}]})"}},
  };
  for (const Row& row : rows) expect_bounded(row);
}

// A source above the compiler's 4 MiB limit is refused whole, before it is read.
constexpr const char* kTooLarge =
    R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO3000",)"
    R"("message":"The compiler stopped: the source is larger than the limit of 4 MiB )"
    R"j((4194304 bytes)","line":1,"column":1,"endLine":1,"endColumn":1}]})j";
constexpr size_t kLimit = 4u * 1024 * 1024;

TEST(HostileSources, FiftyMegabyteSourceAnswersInBounds) {
  const std::vector<Row> rows = {
      {"one long comment",
       [] { return check(fill_to("script \"Big\"\n// ", "x", kBigSource) + "\n"); },
       {kTooLarge}},
      {"one long text literal",
       [] { return check(fill_to("script \"Big\"\nlet t = \"", "x", kBigSource) + "\"\n"); },
       {kTooLarge}},
      {"tokens of one long comment",
       [] { return tokens(fill_to("script \"Big\"\n// ", "x", kBigSource)); },
       {R"({"tokens":[]})"}},
      {"a comment filling the limit is still read",
       [] { return check(fill_to("script \"Big\"\n// ", "x", kLimit)); },
       {R"({"ok":true,"diagnostics":[]})"}},
      {"one byte past the limit",
       [] { return check(fill_to("script \"Big\"\n// ", "x", kLimit + 1)); },
       {kTooLarge}},
      {"tokens of a comment filling the limit",
       [] { return tokens(fill_to("script \"Big\"\n// ", "x", kLimit)); },
       {R"({"tokens":[{"kind":"keyword","start":0,"end":6,"line":1},)"}},
  };
  for (const Row& row : rows) expect_bounded(row);
}

// Statements and stray characters grow a check's work and its reply with the text: the
// limit refuses 50 MB of them at once, and the diagnostics of a text just below the limit
// stop at the list's cap.
TEST(HostileSources, FiftyMegabytesOfStatementsOrStrayCharactersAnswerInBounds) {
  const auto statements = [](size_t size) {
    return fill_to("script \"Big\"\n", "let v = 1 + 2 * 3\n", size);
  };
  const std::vector<Row> rows = {
      {"checking statements", [&] { return check(statements(kBigSource)); }, {kTooLarge}},
      {"tokens of statements", [&] { return tokens(statements(kBigSource)); },
       {R"({"tokens":[]})"}},
      {"checking statements up to the limit", [&] { return check(statements(kLimit)); },
       {R"({"ok":false,"diagnostics":[{"severity":"error",)",
        R"(more findings were not listed; correct the ones above first")"}},
      {"tokens of statements up to the limit", [&] { return tokens(statements(kLimit)); },
       {R"({"tokens":[{"kind":"keyword","start":0,"end":6,"line":1},)"}},
      {"checking stray characters",
       [] { return check(fill_to("script \"Big\"\n", "@ ", kBigSource)); }, {kTooLarge}},
      {"checking stray characters up to the limit",
       [] { return check(fill_to("script \"Big\"\n", "@ ", kLimit)); },
       {R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO1005")",
        R"(more findings were not listed; correct the ones above first")"}},
  };
  for (const Row& row : rows) expect_bounded(row);
}

}  // namespace
}  // namespace kelo_hostile
