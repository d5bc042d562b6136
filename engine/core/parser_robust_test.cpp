// Hostile input: deep nesting must give diagnostics rather than exhaust the stack, and
// random input must never crash or hang the parser.
#include <gtest/gtest.h>
#include <pthread.h>

#include <random>
#include <string>

#include "core/lexer.h"
#include "core/parser_test_support.h"
#include "core/utf8.h"

namespace kelo_core::parser {
namespace {

using testing::messages;
using testing::parse_text;
using testing::repeat;

std::size_t count_code(const diag::Diagnostics& d, std::string_view code) {
  std::size_t n = 0;
  for (const auto& item : d.items) n += item.code == code;
  return n;
}

// Every finding's span lies inside the text (offsets count decoded characters), starts
// before it ends, and has a line and column its offset can reach.
::testing::AssertionResult spans_inside(const std::string& source, const diag::Diagnostics& d) {
  const std::size_t length = utf8::decode(source).size();
  const auto reachable = [](const diag::Position& p) {
    return p.line >= 1 && p.column >= 1 && (p.line - 1) + (p.column - 1) <= p.offset;
  };
  for (const auto& item : d.items) {
    const diag::Position& start = item.span.start;
    const diag::Position& end = item.span.end;
    if (start.offset <= end.offset && end.offset <= length && reachable(start) && reachable(end)) {
      continue;
    }
    return ::testing::AssertionFailure()
           << item.code << " spans " << start.offset << " (" << start.line << ":" << start.column
           << ") to " << end.offset << " (" << end.line << ":" << end.column << ") in a text of "
           << length << " characters";
  }
  return ::testing::AssertionSuccess();
}

TEST(ParserRobust, DeepNestingIsReportedOnce) {
  struct Row {
    const char* behaviour;
    std::string source;
  };
  const int n = 10000;
  const Row rows[] = {
      {"nested parentheses", "let x = " + repeat("(", n) + "1" + repeat(")", n) + "\n"},
      {"nested brackets", "let x = " + repeat("[", n) + "1" + repeat("]", n) + "\n"},
      {"prefix minus chain", "let x = " + repeat("-", n) + "1\n"},
      {"prefix not chain", "let x = " + repeat("!", n) + "a\n"},
      {"power chain", "let x = 2" + repeat(" ** 2", n) + "\n"},
      {"assignment chain", "let x = a" + repeat(" = a", n) + "\n"},
      {"ternary chain", "let x = a" + repeat(" ? b : a", n) + "\n"},
      {"pipe chain", "let x = a" + repeat(" |> f", n) + "\n"},
      {"member chain", "let x = a" + repeat(".b", n) + "\n"},
      {"call chain", "let x = f" + repeat("()", n) + "\n"},
      {"nested lambdas", "let x = " + repeat("() => ", n) + "1\n"},
      {"nested calls", "let x = " + repeat("f(", n) + "1" + repeat(")", n) + "\n"},
      {"nested type arguments", "let x: " + repeat("a<", n) + "b" + repeat(">", n) + " = 1\n"},
  };
  for (const Row& row : rows) {
    auto parsed = parse_text(row.source);
    ASSERT_EQ(parsed.diagnostics.items.size(), 1u)
        << row.behaviour << ": " << messages(parsed.diagnostics).substr(0, 300);
    EXPECT_TRUE(parsed.program.declarations.empty()) << row.behaviour;
  }
}

TEST(ParserRobust, DeepStatementNestingGivesDiagnostics) {
  const int n = 10000;
  for (const std::string& source :
       {"fn f() {\n" + repeat("{\n", n) + repeat("}\n", n) + "}\n",
        "fn f() {\n" + repeat("if a {\n", n) + repeat("}\n", n) + "}\n",
        "fn f() {\nif a { }" + repeat(" else if a { }", n) + "\n}\n",
        "fn f() {\n" + repeat("once {\n", n) + repeat("}\n", n) + "}\n",
        // Recovery stops at the first closing brace, so these report more than once.
        "let x = " + repeat("{a: ", n) + "1" + repeat("}", n) + "\n",
        "let x = if a { 1 }" + repeat(" else if a { 1 }", n) + " else { 2 }\n"}) {
    auto parsed = parse_text(source);
    EXPECT_GE(count_code(parsed.diagnostics, "KELO2007"), 1u) << source.substr(0, 40);
  }
}

TEST(ParserRobust, ModerateNestingStillParses) {
  const int n = 200;
  for (const std::string& source :
       {"let x = " + repeat("(", n) + "1" + repeat(")", n) + "\n",
        "let x = 1" + repeat(" + 1", n) + "\n", "let x = " + repeat("-", n) + "1\n",
        "fn f() {\n" + repeat("if a {\n", n / 2) + repeat("}\n", n / 2) + "}\n",
        "let x = a" + repeat(".b(1)", n / 2) + "\n"}) {
    auto parsed = parse_text(source);
    EXPECT_TRUE(parsed.diagnostics.items.empty())
        << source.substr(0, 40) << " " << messages(parsed.diagnostics);
    ASSERT_EQ(parsed.program.declarations.size(), 1u);
    // The tree is shallow enough to copy and print recursively.
    ast::Program copy = parsed.program;
    EXPECT_EQ(ast::debug(copy), ast::debug(parsed.program));
  }
}

// The sanitizer's red zones and unoptimised frames make every level of a parse about
// twice as large; the same depth then gets four times the stack, with room to spare.
#ifdef __SANITIZE_ADDRESS__
constexpr std::size_t kFrameScale = 4;
#else
constexpr std::size_t kFrameScale = 1;
#endif

// Runs one parse on a thread with a small stack, as the engine may get inside an
// application's worker thread.
bool parses_within_stack(const std::string& source, std::size_t bytes) {
  struct Job {
    const std::string* source;
    bool done = false;
  } job{&source};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, bytes);
  pthread_t thread;
  auto run = [](void* arg) -> void* {
    auto* j = static_cast<Job*>(arg);
    diag::Diagnostics d;
    auto program = parse(*j->source, d);
    j->done = !d.items.empty();
    return nullptr;
  };
  if (pthread_create(&thread, &attr, run, &job) != 0) return false;
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  return job.done;
}

TEST(ParserRobust, DeepNestingFitsInAHalfMegabyteStack) {
  const int n = 10000;
  for (const std::string& source :
       {"let x = " + repeat("(", n) + "1" + repeat(")", n), "let x = " + repeat("[", n) + "1",
        "let x = " + repeat("-", n) + "1", "let x = " + repeat("f(", n) + "1",
        "let x = a" + repeat(" ? b : a", n), "let x = " + repeat("() => ", n) + "1",
        "let x = " + repeat("(a + ", n) + "1", "let x = " + repeat("{a: ", n) + "1",
        "fn f() {\n" + repeat("if a {\n", n) + repeat("}\n", n) + "}\n",
        "fn f() {\nif a { }" + repeat(" else if a { }", n) + "\n}\n",
        "let x = " + repeat("f { ", n) + "1" + repeat(" }", n)}) {
    EXPECT_TRUE(parses_within_stack(source, kFrameScale * 512 * 1024)) << source.substr(0, 30);
  }
}

TEST(ParserRobust, RandomTokenSoupNeverCrashes) {
  const char* vocabulary[] = {
      "bot",    "indicator", "library",  "script",   "permissions", "input",      "group",
      "plot",   "buffer",    "panel",    "let",      "var",         "const",      "fn",
      "return", "pub",       "if",       "else",     "while",       "for",        "in",
      "match",  "once",      "every",    "atNewBar", "guard",       "try",        "catch",
      "import", "as",        "struct",   "enum",     "true",        "false",      "none",
      "now",    "break",     "continue", "from",     "_",           "x",          "y",
      "f",      "1",         "2.5",      "5s",       "#fff",        "2024.01.02", "\"t\"",
      "(",      ")",         "[",        "]",        "{",           "}",          ",",
      ";",      "\n",        "=",        "+=",       "==",          "=>",         "->",
      "..",     "..=",       "?",        ":",        ".",           "|>",         "??",
      "**",     "-",         "!",        "<",        ">",           "+",          "*",
      "&&",     "||"};
  constexpr std::size_t kWords = sizeof(vocabulary) / sizeof(vocabulary[0]);
  std::mt19937 rng(12345);
  for (int round = 0; round < 2000; ++round) {
    std::string source;
    std::size_t length = rng() % 120;
    for (std::size_t i = 0; i < length; ++i) {
      source += vocabulary[rng() % kWords];
      source += ' ';
    }
    auto parsed = parse_text(source);
    ASSERT_TRUE(spans_inside(source, parsed.diagnostics)) << source;
  }
}

// Tokens made by hand carry no table codes; the parser must read their texts instead
// and build the same tree with the same findings.
TEST(ParserRobust, TokensWithoutCodesParseTheSame) {
  const std::string sources[] = {
      "bot \"B\" { version \"1\" }\nlet a = (x, y) => x ** 2 ?? y |> f(k: 1)\n"
      "fn g(p: int = 2) -> num { for i in 0..=p { a += i } return a > 1 ? -a : !b }\n"
      "let m = match .buy { .buy => [1, 2] _ => [k: 1] }\n",
      "if a == b && c != d || e <= f { x[1] = y.z } else if q { } else { r %= 2 }\n",
      "let = ) ( => 1 +\n",
  };
  for (const std::string& source : sources) {
    diag::Diagnostics lexed("main.kelo");
    std::vector<token::Token> tokens = lexer::lex(source, lexed);
    for (token::Token& t : tokens) t.code = 0;
    diag::Diagnostics bare("main.kelo");
    Parser parser(std::move(tokens), bare);
    const ast::Program program = parser.parse_source_file();
    auto reference = parse_text(source);
    EXPECT_EQ(ast::debug(program), ast::debug(reference.program)) << source;
    EXPECT_EQ(messages(bare), messages(reference.diagnostics)) << source;
  }
}

TEST(ParserRobust, RandomBytesGiveFindingsInsideTheText) {
  std::mt19937 rng(777);
  for (int round = 0; round < 500; ++round) {
    std::string source;
    std::size_t length = rng() % 300;
    for (std::size_t i = 0; i < length; ++i) source += static_cast<char>(rng() % 256);
    auto parsed = parse_text(source);
    ASSERT_TRUE(spans_inside(source, parsed.diagnostics)) << "round " << round;
  }
}

}  // namespace
}  // namespace kelo_core::parser
