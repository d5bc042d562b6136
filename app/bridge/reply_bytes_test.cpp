// Replies decoded from the engine's bytes: a well-formed reply is parsed in place, any
// other reads exactly as it did once turned into text.
#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

#include "bridge/engine_calls.h"
#include "bridge/reply_decode.h"

namespace zx::bridge {
namespace {

QByteArray bytes(std::string_view s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

TEST(ReplyBytes, PlainUtf8IsWellFormedWithoutByteOrderMark) {
  const struct {
    const char* behaviour;
    std::string_view text;
    bool plain;
  } rows[] = {
      {"empty", "", true},
      {"ASCII", "{\"ok\":true}", true},
      {"two, three and four bytes", "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
      {"the last scalar value", "\xF4\x8F\xBF\xBF", true},
      {"a noncharacter", "\xEF\xBF\xBE", true},
      {"overlong two bytes", "\xC0\x80", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"overlong four bytes", "\xF0\x80\x80\xAF", false},
      {"a surrogate", "\xED\xA0\x80", false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false},
      {"a lead byte that leads nothing", "\xF5\x80\x80\x80", false},
      {"a lone continuation byte", "a\x80", false},
      {"cut short at the end", "abc\xE2\x82", false},
      {"a continuation byte missing inside", "\xE2\x28\xA1", false},
      {"a bad byte after an ASCII run of more than eight", "0123456789abc\xFF", false},
      {"a byte order mark", "\xEF\xBB\xBF{}", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(isPlainUtf8(bytes(row.text)), row.plain) << row.behaviour;
  }
}

TEST(ReplyBytes, DecodeAsTheTextOfTheReplyWould) {
  const std::string_view replies[] = {
      R"({"tokens":[{"kind":"Identifier","start":0,"end":1,"line":1}]})",
      "{\"tokens\":[{\"kind\":\"\xC3\xA9\xE2\x82\xAC\",\"start\":0,\"end\":1,\"line\":1}]}",
      "{\"tokens\":[{\"kind\":\"\xff\xfe\",\"start\":0,\"end\":1,\"line\":1}]}",
      "{\"tokens\":[{\"kind\":\"\xED\xA0\x80\",\"start\":0,\"end\":1,\"line\":1}]}",
      "\xEF\xBB\xBF{\"tokens\":[]}",
      R"({"tokens":[{"kind":"x","start":0.5,"end":1,"line":1}]})",
      "{\"tokens\":",
      "",
  };
  for (std::string_view reply : replies) {
    SCOPED_TRACE(std::string(reply));
    KeloError fromBytes, fromText;
    const auto a = Kelo::decodeUtf8<TokenList>(bytes(reply), &fromBytes);
    const auto b = Kelo::decode<TokenList>(QString::fromUtf8(bytes(reply)), &fromText);
    EXPECT_EQ(a, b);
    EXPECT_EQ(fromBytes.text, fromText.text);
  }
  // Bad sequences still read as U+FFFD, one per maximal bad part.
  const auto repaired = Kelo::decodeUtf8<TokenList>(bytes(replies[2]));
  ASSERT_TRUE(repaired);
  EXPECT_EQ(repaired->tokens.at(0).kind, QStringLiteral("\uFFFD\uFFFD"));
}

// The exported calls hand the engine's own buffer to the decoder and release it after.
std::string g_reply;
int g_released = 0;
char* reply() noexcept {
  return g_reply.data();
}
char* check(const char*, const char*) noexcept {
  return reply();
}
char* inputs(const char*, const char*) noexcept {
  return reply();
}
char* build(const char*, const char*, const char*) noexcept {
  return reply();
}
char* backtest(const char*, const char*, const std::int64_t*, const double*, const double*,
               const double*, const double*, const double*, std::size_t, std::int64_t,
               const KeloSymbol*, double) noexcept {
  return reply();
}
char* completions(const char*) noexcept {
  return reply();
}
char* describe(const char*) noexcept {
  return reply();
}
char* tokens(const char*) noexcept {
  return reply();
}
char* version() noexcept {
  return reply();
}
void release(char* text) noexcept {
  EXPECT_EQ(text, g_reply.data());
  ++g_released;
}

TEST(ReplyBytes, ExportedCallsReadTheEnginesBuffer) {
  const EngineFunctions functions{&check,    &inputs, &build,   &backtest, &completions,
                                  &describe, &tokens, &version, &release};
  const ExportedEngine engine(functions);
  g_reply = "{\"tokens\":[{\"kind\":\"K\xC3\xA9y\",\"start\":2,\"end\":5,\"line\":3}]}";
  EXPECT_EQ(engine.tokens(QStringLiteral("s")),
            (QList<Token>{{QStringLiteral("K\u00E9y"), 2, 5, 3}}));
  g_reply =
      "{\"ok\":false,\"diagnostics\":[{\"severity\":\"error\",\"code\":\"KELO1005\","
      "\"message\":\"Unexpected character '\xff'\",\"line\":1,\"column\":2,"
      "\"endLine\":1,\"endColumn\":3}]}";
  EXPECT_EQ(engine.check(QStringLiteral("s"), QStringLiteral("n")),
            (CheckResult{false,
                         {{QStringLiteral("error"), QStringLiteral("KELO1005"),
                           QStringLiteral("Unexpected character '\uFFFD'"), 1, 2, 1, 3}}}));
  g_reply = R"({"ok":false,"error":"a.kelo:1:1 error KELO3030: no header"})";
  const BacktestReport report =
      engine.backtest(QStringLiteral("s"), QStringLiteral("n"), {}, {}, 500, 0);
  EXPECT_FALSE(report.ok);
  EXPECT_EQ(report.errors, QList<QString>{QStringLiteral("a.kelo:1:1 error KELO3030: no header")});
  g_reply = "9.9.9";
  EXPECT_EQ(engine.version(), QStringLiteral("9.9.9"));
  EXPECT_EQ(g_released, 4);
}

}  // namespace
}  // namespace zx::bridge
