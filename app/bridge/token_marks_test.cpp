#include "bridge/token_marks.h"

#include <gtest/gtest.h>

#include <QList>

#include "bridge/reply_decode.h"

namespace zx::bridge {
namespace {

struct Collected final : TokenSink {
  QList<TokenMark> marks;
  void clear() override { marks.clear(); }
  void add(const TokenMark& m) override { marks.append(m); }
};

// The reply read into marks, or nothing when it does not decode.
std::optional<QList<TokenMark>> marksOf(const QByteArray& reply) {
  Collected sink;
  sink.marks.append(TokenMark{});  // a reply that fails must leave nothing behind
  decode::Decoder d;
  if (!decodeTokenMarks(d, reply, sink)) {
    EXPECT_TRUE(sink.marks.isEmpty());
    return std::nullopt;
  }
  return sink.marks;
}

// The same reply through the token records, as every other reply is read.
std::optional<QList<TokenMark>> recordsOf(const QByteArray& reply) {
  const std::optional<TokenList> list = Kelo::decodeUtf8<TokenList>(reply);
  if (!list) return std::nullopt;
  QList<TokenMark> marks;
  for (const Token& t : list->tokens) marks.append({highlightKind(t.kind), t.start, t.end, t.line});
  return marks;
}

TEST(TokenMarks, ReadAsTheTokenRecordsAre) {
  using K = HighlightKind;
  const QList<TokenMark> two = {{K::keyword, 0, 3, 1}, {K::colour, 4, 9, 2}};
  struct Row {
    const char* behaviour;
    QByteArray reply;
    std::optional<QList<TokenMark>> marks;
  };
  const QList<Row> rows = {
      {"the engine's own layout",
       R"({"tokens":[{"kind":"keyword","start":0,"end":3,"line":1},{"kind":"color","start":4,"end":9,"line":2}]})",
       two},
      {"white space anywhere",
       " {\n \"tokens\" : [ { \"kind\" : \"keyword\" , \"start\" : 0 , \"end\" : 3 , \"line\" : 1 "
       "} ,"
       "{\"kind\":\"color\",\"start\":4,\"end\":9,\"line\":2} ] } ",
       two},
      {"keys in another order, and an extra one",
       R"({"tokens":[{"line":1,"end":3,"x":[],"start":0,"kind":"keyword"},{"kind":"color","start":4,"end":9,"line":2}]})",
       two},
      {"a kind written with escapes",
       R"({"tokens":[{"kind":"key\u0077ord","start":0,"end":3,"line":1},{"kind":"colo\r","start":4,"end":9,"line":2}]})",
       QList<TokenMark>{{K::keyword, 0, 3, 1}, {K::other, 4, 9, 2}}},
      {"every kind, and kinds the list does not hold",
       R"({"tokens":[{"kind":"builtin","start":0,"end":1,"line":1},{"kind":"identifier","start":0,"end":1,"line":1},)"
       R"({"kind":"number","start":0,"end":1,"line":1},{"kind":"text","start":0,"end":1,"line":1},)"
       R"({"kind":"punctuation","start":0,"end":1,"line":1},{"kind":"Keyword","start":0,"end":1,"line":1},)"
       R"({"kind":"","start":0,"end":1,"line":1}]})",
       QList<TokenMark>{{K::builtin, 0, 1, 1},
                        {K::identifier, 0, 1, 1},
                        {K::number, 0, 1, 1},
                        {K::text, 0, 1, 1},
                        {K::punctuation, 0, 1, 1},
                        {K::other, 0, 1, 1},
                        {K::other, 0, 1, 1}}},
      {"a repeated key counts the last time",
       R"({"tokens":[{"kind":"text","start":0,"end":3,"line":1,"kind":"keyword"}]})",
       QList<TokenMark>{{K::keyword, 0, 3, 1}}},
      {"numbers at the edges",
       R"({"tokens":[{"kind":"text","start":-1,"end":3.0,"line":9223372036854775807}]})",
       QList<TokenMark>{{K::text, -1, 3, INT64_MAX}}},
      {"a repeated list replaces the first",
       R"({"tokens":[{"kind":"text","start":0,"end":1,"line":1}],"tokens":[]})",
       QList<TokenMark>{}},
      {"a token without its line fails the reply",
       R"({"tokens":[{"kind":"text","start":0,"end":1,"line":1},{"kind":"text","start":0,"end":1}]})",
       std::nullopt},
      {"a fraction fails the reply", R"({"tokens":[{"kind":"text","start":0,"end":1.5,"line":1}]})",
       std::nullopt},
      {"a kind that is not text fails the reply",
       R"({"tokens":[{"kind":1,"start":0,"end":1,"line":1}]})", std::nullopt},
      {"a reply cut inside a token",
       R"({"tokens":[{"kind":"text","start":0,"end":1,"line":1},{"kind":"text","start":0)",
       std::nullopt},
      {"garbage after the reply", R"({"tokens":[{"kind":"text","start":0,"end":1,"line":1}]}])",
       std::nullopt},
      {"no tokens key", R"({"token":[]})", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(marksOf(row.reply), row.marks) << row.behaviour;
    EXPECT_EQ(recordsOf(row.reply), row.marks) << row.behaviour;
  }
}

}  // namespace
}  // namespace zx::bridge
