// The exported functions, called the way the application calls them.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "interface/replies.h"
#include "kelo.h"
#include "stdlib/registry.h"

namespace {

// Copies a reply and hands it back, as every caller must.
std::string take(char* reply) {
  EXPECT_NE(reply, nullptr);
  std::string text = reply == nullptr ? "" : reply;
  kelo_string_free(reply);
  return text;
}

// The first characters of a reply, as many as `expected` has.
std::string head(const std::string& reply, std::string_view expected) {
  return reply.substr(0, expected.size());
}

TEST(Abi, VersionAndRelease) {
  EXPECT_EQ(take(kelo_version()), "1.0.0");
  kelo_string_free(nullptr);
}

TEST(Abi, NullArgumentsReadAsEmptyTexts) {
  EXPECT_EQ(take(kelo_check(nullptr, nullptr)), take(kelo_check("", "")));
  EXPECT_EQ(take(kelo_inputs(nullptr, nullptr)), take(kelo_inputs("", "")));
  EXPECT_EQ(take(kelo_tokens(nullptr)), R"({"tokens":[]})");
  EXPECT_EQ(take(kelo_completions(nullptr)), take(kelo_completions("")));
  EXPECT_EQ(take(kelo_describe(nullptr)), R"({"found":false})");
  EXPECT_EQ(take(kelo_build(nullptr, nullptr, nullptr)), take(kelo_build("", "", "")));
  EXPECT_EQ(take(kelo_check(nullptr, "a.kelo")),
            R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO3030","message":)"
            R"("A file starts with bot, indicator, library or script, then its name",)"
            R"("line":1,"column":1,"endLine":1,"endColumn":1}]})");
}

TEST(Abi, CheckReplies) {
  struct Row {
    const char* behaviour;
    const char* source;
    const char* reply;
  };
  const Row rows[] = {
      {"a warning alone leaves ok true", "bot \"A\" {}",
       R"({"ok":true,"diagnostics":[{"severity":"warning","code":"KELO3041","message":)"
       R"("This bot has no onTick, onBar, onTimer or onWebhook, so it will never act",)"
       R"("line":1,"column":1,"endLine":1,"endColumn":11}]})"},
      {"a clean program has no diagnostics", "bot \"A\" {}\nfn onBar() {}",
       R"({"ok":true,"diagnostics":[]})"},
      {"columns count characters, not bytes",
       "bot \"A\" {}\nfn onBar() { log.info(\"\xc3\xa9\xc3\xa9\" + zz) }",
       R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO3004","message":)"
       R"("'zz' is not defined","line":2,"column":30,"endLine":2,"endColumn":32}]})"},
      {"an invalid byte counts as one character",
       "bot \"A\" {}\nfn onBar() { log.info(\"\xff\xc3\" + zz) }",
       R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO3004","message":)"
       R"("'zz' is not defined","line":2,"column":30,"endLine":2,"endColumn":32}]})"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(take(kelo_check(row.source, "t.kelo")), row.reply) << row.behaviour;
  }
}

TEST(Abi, InputsReply) {
  const char* source =
      "bot \"A\" {}\n"
      "input group \"Risk \\\"x\\\"\" { hint: \"h\", advanced: true }\n"
      "input lots volume = 0.10 { min: 0.01, max: 10, step: 0.01 }\n"
      "input int stop = 45 { label: \"Stop loss (pips)\", hint: \"say \\\"hi\\\"\" }\n"
      "input color tint = #3d7bf5ff\n"
      "input select side = [\"buy\", \"sell\"]\n"
      "fn onBar() {}\n";
  EXPECT_EQ(
      take(kelo_inputs(source, "t.kelo")),
      R"({"ok":true,"groups":[{"id":"risk-x","label":"Risk \"x\"","advanced":true}],)"
      R"("inputs":[{"name":"volume","type":"lots","group":"risk-x","label":"volume","hint":"",)"
      R"("min":0.01,"max":10,"step":0.01,"required":false,"advanced":false,"default":0.1},)"
      R"j({"name":"stop","type":"int","group":"risk-x","label":"Stop loss (pips)",)j"
      R"("hint":"say \"hi\"","min":null,"max":null,"step":null,"required":false,)"
      R"("advanced":false,"default":45},)"
      R"({"name":"tint","type":"color","group":"risk-x","label":"tint","hint":"",)"
      R"("min":null,"max":null,"step":null,"required":false,"advanced":false,)"
      R"("default":"#3d7bf5ff"},)"
      R"({"name":"side","type":"select","group":"risk-x","label":"side","hint":"",)"
      R"("min":null,"max":null,"step":null,"required":false,"advanced":false,)"
      R"("default":["buy","sell"]}]})");
  // What the compile collected is listed even when it fails.
  const std::string failed = take(kelo_inputs("bot \"A\" {}\ninput int n = 1\nlet x = zz", "t"));
  EXPECT_EQ(head(failed, R"({"ok":false,"groups":[],"inputs":[{"name":"n","type":"int",)"),
            R"({"ok":false,"groups":[],"inputs":[{"name":"n","type":"int",)");
}

// A number literal past the largest double (1e999) is infinite: in the inputs reply a
// non-finite default, minimum, maximum or step is null (a null default, no bound), so the
// reply stays JSON and the application still lists every input of the file.
TEST(Abi, InputsReplyWritesNonFiniteNumbersAsNull) {
  const char* source =
      "script \"S\"\n"
      "input num x = 1e999\n"
      "input num y = 1 { min: -1e999, max: 1e999, step: 1e999 }\n"
      "input num z = 1 { max: INF }\n"
      "input num q = -1e999 { min: 0.5 }\n"
      "input num list = [1e999, 2.5, -1e999]\n"
      "input duration d = 1e999s\n";
  auto input = [](const char* name, const char* type, const char* min, const char* max,
                  const char* step, const char* default_json) {
    return std::string(R"({"name":")") + name + R"(","type":")" + type +
           R"(","group":"","label":")" + name + R"(","hint":"","min":)" + min + R"(,"max":)" + max +
           R"(,"step":)" + step + R"(,"required":false,"advanced":false,"default":)" +
           default_json + "}";
  };
  EXPECT_EQ(take(kelo_inputs(source, "t.kelo")),
            R"({"ok":true,"groups":[],"inputs":[)" +
                input("x", "num", "null", "null", "null", "null") + "," +
                input("y", "num", "null", "null", "null", "1") + "," +
                input("z", "num", "null", "null", "null", "1") + "," +
                input("q", "num", "0.5", "null", "null", "null") + "," +
                input("list", "num", "null", "null", "null", "[null,2.5,null]") + "," +
                input("d", "duration", "null", "null", "null", "null") + "]}");
  // The other replies of the same source hold no number that is not JSON either.
  EXPECT_EQ(take(kelo_check(source, "t.kelo")), R"({"ok":true,"diagnostics":[]})");
}

TEST(Abi, TokensCountCharacters) {
  struct Row {
    const char* behaviour;
    const char* source;
    const char* reply;
  };
  const Row rows[] = {
      {"a two-byte character shifts the offset by one", "\xc3\xa9 sma",
       R"({"tokens":[{"kind":"identifier","start":0,"end":1,"line":1},)"
       R"({"kind":"builtin","start":2,"end":5,"line":1}]})"},
      {"kinds of every literal and of punctuation",
       "let x = 5m + 1.5 + 2 // c\n\"t\" #ff0000 (",
       R"({"tokens":[{"kind":"keyword","start":0,"end":3,"line":1},)"
       R"({"kind":"identifier","start":4,"end":5,"line":1},)"
       R"({"kind":"punctuation","start":6,"end":7,"line":1},)"
       R"({"kind":"number","start":8,"end":10,"line":1},)"
       R"({"kind":"punctuation","start":11,"end":12,"line":1},)"
       R"({"kind":"number","start":13,"end":16,"line":1},)"
       R"({"kind":"punctuation","start":17,"end":18,"line":1},)"
       R"({"kind":"number","start":19,"end":20,"line":1},)"
       R"({"kind":"text","start":26,"end":29,"line":2},)"
       R"({"kind":"color","start":30,"end":37,"line":2},)"
       R"({"kind":"punctuation","start":38,"end":39,"line":2}]})"},
      {"invalid UTF-8 is one character per bad subpart", "\"\xe2\x82\xc0\xaf\" x",
       R"({"tokens":[{"kind":"text","start":0,"end":5,"line":1},)"
       R"({"kind":"identifier","start":6,"end":7,"line":1}]})"},
      {"a builtin is matched by exact name", "Sma sma",
       R"({"tokens":[{"kind":"identifier","start":0,"end":3,"line":1},)"
       R"({"kind":"builtin","start":4,"end":7,"line":1}]})"},
  };
  for (const Row& row : rows) EXPECT_EQ(take(kelo_tokens(row.source)), row.reply) << row.behaviour;
}

TEST(Abi, Completions) {
  EXPECT_EQ(take(kelo_completions("SMA")), R"({"items":[]})");
  EXPECT_EQ(take(kelo_completions("zzz")), R"({"items":[]})");
  const std::string sma =
      R"({"items":[{"name":"sma","kind":"function","type":"fn(series<num>, int) -> )"
      R"(series<num>","summary":"Simple moving average.","group":"Indicators"})";
  EXPECT_EQ(head(take(kelo_completions("sma")), sma), sma);
  // A namespace brings its members right after it.
  const std::string symbol = take(kelo_completions("symbol"));
  const std::string symbol_head =
      R"({"items":[{"name":"symbol","kind":"namespace","type":"symbol","summary":)"
      R"("The instrument this program is attached to.","group":"Account"},)"
      R"({"name":"symbol.ask","kind":"member","type":"price","summary":"","group":"Account"})";
  EXPECT_EQ(head(symbol, symbol_head), symbol_head);
  // Every name fits under the 2000-item stop, so the reference pane sees all of them.
  const std::string all = take(kelo_completions(""));
  std::size_t items = 0;
  for (std::size_t at = all.find("{\"name\":"); at != std::string::npos;
       at = all.find("{\"name\":", at + 1))
    ++items;
  EXPECT_GT(items, 400u);
  EXPECT_LE(items, 2001u);
  EXPECT_EQ(all.substr(all.size() - 2), "]}");
}

// The walk stops after the name whose members take the list past 2000 items.
TEST(Abi, CompletionsStopPastTwoThousandItems) {
  namespace ty = kelo_core::types;
  kelo_std::Registry registry;
  auto add = [&](std::string name, ty::Type type) {
    kelo_std::Entry entry{name, std::move(type), "s", "", "G", {}, 1, 255};
    registry.globals.emplace(name, std::move(entry));
  };
  char name[8];
  for (int i = 0; i < 1999; ++i) {
    std::snprintf(name, sizeof name, "a%04d", i);
    add(name, ty::Type(ty::Primitive::Int));
  }
  add("b", ty::object("b", {{"x", ty::Primitive::Int}, {"y", ty::Primitive::Num}}));
  add("c", ty::Type(ty::Primitive::Int));
  const std::string reply = kelo::completions_reply(registry, "");
  std::size_t items = 0;
  for (std::size_t at = reply.find("{\"name\":"); at != std::string::npos;
       at = reply.find("{\"name\":", at + 1))
    ++items;
  EXPECT_EQ(items, 2002u);  // 1999 + b + b.x + b.y; c is never reached
  EXPECT_NE(reply.find(R"({"name":"b.y","kind":"member","type":"num","summary":"","group":"G"})"),
            std::string::npos);
  EXPECT_EQ(reply.find(R"("name":"c")"), std::string::npos);
}

TEST(Abi, Describe) {
  struct Row {
    const char* behaviour;
    const char* name;
    const char* reply;
  };
  const Row rows[] = {
      {"a global", "sma",
       R"({"found":true,"name":"sma","type":"fn(series<num>, int) -> series<num>",)"
       R"("summary":"Simple moving average.","example":""})"},
      {"a namespace with its example, escaped", "ai",
       R"j({"found":true,"name":"ai","type":"ai","summary":"Asks a language model. The model )j"
       R"j(comes from an input model and the key from an input secret.","example":)j"
       R"j("ai.ask(aiModel, key: aiKey, prompt: \"Long or short?\")"})j"},
      {"a namespace member", "symbol.ask",
       R"({"found":true,"name":"symbol.ask","type":"price","summary":"","example":""})"},
      {"nothing after the dot", "symbol.", R"({"found":false})"},
      {"two dots", "symbol.ask.x", R"({"found":false})"},
      {"a member of something that is no namespace", "sma.x", R"({"found":false})"},
      {"an unknown name", "noSuchName", R"({"found":false})"},
      {"letter case matters", "SMA", R"({"found":false})"},
  };
  for (const Row& row : rows) EXPECT_EQ(take(kelo_describe(row.name)), row.reply) << row.behaviour;
}

// Calls share nothing but the host table; run under ThreadSanitizer this shows it.
TEST(Abi, CheckAndTokensRunConcurrently) {
  const char* source =
      "bot \"A\" {}\ninput int fast = 20\nlet quick = ema(close, fast)\n"
      "fn onBar() { if quick[0] > 1 { trade.buy(0.1) } }\n";
  const std::string check = take(kelo_check(source, "a.kelo"));
  const std::string tokens = take(kelo_tokens(source));
  std::vector<std::string> check_seen, tokens_seen;
  std::thread a([&] {
    for (int i = 0; i < 20; ++i) check_seen.push_back(take(kelo_check(source, "a.kelo")));
  });
  std::thread b([&] {
    for (int i = 0; i < 20; ++i) tokens_seen.push_back(take(kelo_tokens(source)));
  });
  a.join();
  b.join();
  for (const auto& seen : check_seen) EXPECT_EQ(seen, check);
  for (const auto& seen : tokens_seen) EXPECT_EQ(seen, tokens);
}

}  // namespace
