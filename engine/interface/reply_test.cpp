// Replies written in place: the block grows past its estimate, a NUL byte still empties
// the reply, and a long report comes out exactly as the pieces written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "interface/backtest_reply.h"
#include "interface/reply.h"

namespace {

std::string take(char* reply) {
  std::string text = reply;
  kelo::release_reply(reply);
  return text;
}

TEST(ReplyWriter, HandsOverExactlyWhatWasWritten) {
  struct Row {
    const char* behaviour;
    std::size_t estimate;
    std::vector<std::string> pieces;
    std::string reply;
  };
  const std::string long_piece(5000, 'x');
  const Row rows[] = {
      {"nothing written, no estimate", 0, {}, ""},
      {"nothing written, room reserved", 100, {}, ""},
      {"fits the estimate", 16, {"{\"a\":", "1}"}, "{\"a\":1}"},
      {"exactly the estimate", 7, {"{\"a\":", "1}"}, "{\"a\":1}"},
      {"one byte over the estimate", 6, {"{\"a\":", "1}"}, "{\"a\":1}"},
      {"no estimate at all", 0, {"ab", "", "cd"}, "abcd"},
      {"one piece far past the estimate", 3, {"<", long_piece, ">"}, "<" + long_piece + ">"},
      {"an estimate too large to reserve", SIZE_MAX, {"ok"}, "ok"},
      {"a NUL byte empties the reply", 10, {"a", std::string("b\0c", 3), "d"}, ""},
  };
  for (const Row& row : rows) {
    kelo::ReplyWriter writer(row.estimate);
    std::string written;
    for (const std::string& piece : row.pieces) {
      writer.append(piece);
      written += piece;
    }
    EXPECT_EQ(writer.size(), written.size()) << row.behaviour;
    EXPECT_GE(writer.capacity(), writer.size()) << row.behaviour;
    EXPECT_EQ(writer.text(), written) << row.behaviour;
    char* reply = kelo::to_reply(std::move(writer));
    ASSERT_NE(reply, nullptr) << row.behaviour;
    EXPECT_EQ(std::strlen(reply), row.reply.size()) << row.behaviour;
    EXPECT_EQ(take(reply), row.reply) << row.behaviour;
    // Handed over: the writer holds nothing, and a second release is the empty reply.
    EXPECT_EQ(writer.size(), 0u) << row.behaviour;
    EXPECT_EQ(take(writer.release()), "") << row.behaviour;
  }
}

TEST(ReplyWriter, GrowsPieceByPieceWithoutLosingBytes) {
  kelo::ReplyWriter writer(10);
  std::string written;
  for (int i = 0; i < 20000; ++i) {
    const std::string piece = std::to_string(i * 7919 % 100003) + ",";
    writer.append(piece);
    written += piece;
  }
  EXPECT_EQ(take(kelo::to_reply(std::move(writer))), written);
}

TEST(ReplyWriter, MovingKeepsTheText) {
  kelo::ReplyWriter first(4);
  first.append("abcdef");
  kelo::ReplyWriter second(std::move(first));
  EXPECT_EQ(first.size(), 0u);
  EXPECT_EQ(first.text(), "");
  second.append("g");
  EXPECT_EQ(take(second.release()), "abcdefg");
}

TEST(ReplyFrame, GuardHandsOverAWriter) {
  char* reply = kelo::guarded(
      [] {
        kelo::ReplyWriter writer(2);
        writer.append("{\"ok\":true}");
        return writer;
      },
      [](const std::exception*) { return std::string("failed"); });
  EXPECT_STREQ(reply, "{\"ok\":true}");
  kelo::release_reply(reply);
}

// A report several chunks long, far past its estimate (escaped control characters take
// six bytes each), against the same text built here piece by piece.
TEST(BacktestReport, LongReportIsExact) {
  kelo_vm::backtest::Report report;
  report.starting_balance = 100;
  report.ending_balance = 100;
  std::string equity = "[";
  for (int i = 0; i < 30000; ++i) {
    // Runs of three equal samples: repeats are copied, not reformatted.
    const int v = i / 3;
    report.equity.push_back(v + 0.5);
    if (i > 0) equity += ',';
    equity += std::to_string(v) + ".5";
  }
  equity += ']';
  std::string journal = "[";
  for (int i = 0; i < 400; ++i) {
    report.journal.push_back({"info", std::string(300, '\x01') + std::to_string(i),
                              static_cast<std::size_t>(i), 60000 * static_cast<int64_t>(i)});
    if (i > 0) journal += ',';
    journal += "{\"bar\":" + std::to_string(i) + ",\"time\":" + std::to_string(60000 * i) +
               ",\"level\":\"info\",\"message\":\"";
    for (int k = 0; k < 300; ++k) journal += "\\u0001";
    journal += std::to_string(i) + "\"}";
  }
  journal += ']';
  const std::string expected =
      "{\"ok\":true,\"startingBalance\":100,\"endingBalance\":100,\"netProfit\":0,\"wins\":0,"
      "\"losses\":0,\"winRate\":0,\"profitFactor\":0,\"maxDrawdown\":0,\"trades\":[],"
      "\"journal\":" +
      journal + ",\"equity\":" + equity + ",\"errors\":[]}";
  ASSERT_GT(expected.size(), 4u * 65536u);
  EXPECT_EQ(kelo::report_json(report), expected);
  EXPECT_EQ(take(kelo::to_reply(kelo::report_reply(report))), expected);
}

}  // namespace
