// Methods called on globals inside handlers, run end to end through kelo_backtest: the
// member is the one of the global's value, never a call of whatever the stack holds.
#include <gtest/gtest.h>

#include <string>

#include "kelo.h"

namespace {

std::string take(char* reply) {
  std::string text = reply == nullptr ? "" : reply;
  kelo_string_free(reply);
  return text;
}

// The reply of a backtest over two bars.
std::string backtest(const std::string& source) {
  static const double close[2] = {1.1, 1.2};
  static const double high[2] = {1.2, 1.3};
  static const double low[2] = {1.0, 1.1};
  return take(kelo_backtest(source.c_str(), "g.kelo", nullptr, nullptr, high, low, close,
                            nullptr, 2, 0, nullptr, 10000));
}

// The journal of a backtest over two bars, or the whole reply when it has none.
std::string journal(const std::string& source) {
  const std::string reply = backtest(source);
  const std::size_t start = reply.find("\"journal\":[");
  const std::size_t end = reply.find("],\"equity\"");
  if (start == std::string::npos || end == std::string::npos) return reply;
  return reply.substr(start + 11, end - start - 11);
}

std::string info(const char* bar0, const char* bar1) {
  return std::string(R"({"bar":0,"time":0,"level":"info","message":")") + bar0 +
         R"("},{"bar":1,"time":60000,"level":"info","message":")" + bar1 + "\"}";
}

TEST(GlobalMethods, MembersFollowTheGlobalsValue) {
  struct Row {
    const char* behaviour;
    const char* source;
    std::string journal;
  };
  const Row rows[] = {
      {"length of a global array",
       "bot \"I\"\nlet x = [5]\nfn onBar() { log.info(text.of(x.len())) }", info("1", "1")},
      {"upper case of a global text",
       "bot \"I\"\nvar name = \"abc\"\nfn onBar() { log.info(name.upper()) }", info("ABC", "ABC")},
      {"push onto a global array",
       "bot \"I\"\nvar keep = []\nfn onBar() {\n  keep.push(1)\n  log.info(text.of(keep.len()))\n}",
       info("1", "2")},
      {"global typed by an earlier global",
       "bot \"I\"\nlet a = \"xy\"\nlet b = a + \"z\"\nfn onBar() { log.info(b.upper()) }",
       info("XYZ", "XYZ")},
      {"global read inside a lambda",
       "bot \"I\"\nlet x = [5, 6]\nfn onBar() {\n  let f = () => x.len()\n"
       "  log.info(text.of(f()))\n}",
       info("2", "2")},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(journal(row.source), row.journal) << row.behaviour;
  }
}

TEST(GlobalMethods, OnlyFunctionValuesAreCalled) {
  struct Row {
    const char* behaviour;
    const char* source;
    std::string journal;
  };
  const Row rows[] = {
      {"a built-in function held in a global",
       "bot \"I\"\nlet f = abs\nfn onBar() { log.info(text.of(f(-2))) }", info("2", "2")},
      {"a built-in function passed to a method",
       "bot \"I\"\nfn onBar() { log.info(text.of([-1, -2].map(abs))) }", info("[1, 2]", "[1, 2]")},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(journal(row.source), row.journal) << row.behaviour;
  }
  // A receiver of unknown type falls back to its member value; an int found there is an
  // error, never the built-in function that happens to have its number.
  const std::string reply =
      backtest("bot \"I\"\nfn n(xs) { return xs.len() }\nfn onBar() { log.info(text.of(n([7]))) }");
  EXPECT_NE(reply.find(R"("journal":[],"equity":[10000,10000],"errors":["bar 0: int is not )"
                       R"(something you can call","bar 1: int is not something you can call"]})"),
            std::string::npos)
      << reply;
}

}  // namespace
