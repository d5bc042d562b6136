#include "bridge/engine_calls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bridge/fake_engine.h"

namespace zx::bridge {
namespace {

// Stand-ins for the engine's functions: they record what they were given (copied
// during the call, as the engine does) and answer a canned reply.
struct Fake {
  std::optional<std::string> reply;  // nothing: answer a null pointer
  std::vector<std::vector<std::string>> calls;
  std::set<char*> live;
  int released = 0;
  bool badRelease = false;

  // What the last backtest saw.
  std::vector<std::int64_t> times;
  std::vector<double> columns[5];
  bool columnIsNull[6] = {};
  std::size_t count = 0;
  std::int64_t warmup = 0;
  bool specIsNull = true;
  KeloSymbol spec{};
  std::string specName;
  double balance = 0;
};
Fake fake;

char* answer(std::vector<std::string> args) noexcept {
  fake.calls.push_back(std::move(args));
  if (!fake.reply) return nullptr;
  char* text = static_cast<char*>(std::malloc(fake.reply->size() + 1));
  std::memcpy(text, fake.reply->c_str(), fake.reply->size() + 1);
  fake.live.insert(text);
  return text;
}

std::string read(const char* text) {
  return text ? std::string(text) : std::string("<null>");
}

char* check(const char* s, const char* n) noexcept {
  return answer({"check", read(s), read(n)});
}
char* inputs(const char* s, const char* n) noexcept {
  return answer({"inputs", read(s), read(n)});
}
char* build(const char* s, const char* n, const char* o) noexcept {
  return answer({"build", read(s), read(n), read(o)});
}
char* completions(const char* p) noexcept {
  return answer({"completions", read(p)});
}
char* describe(const char* n) noexcept {
  return answer({"describe", read(n)});
}
char* tokens(const char* s) noexcept {
  return answer({"tokens", read(s)});
}
char* version() noexcept {
  return answer({"version"});
}

char* backtest(const char* s, const char* n, const std::int64_t* times, const double* open,
               const double* high, const double* low, const double* close, const double* volume,
               std::size_t count, std::int64_t warmup, const KeloSymbol* spec,
               double balance) noexcept {
  // Reads `count` entries of every column given, as the engine does: a column shorter
  // than the count is caught by the address sanitizer.
  const double* doubles[5] = {open, high, low, close, volume};
  fake.times.assign(times, times ? times + count : times);
  for (int i = 0; i < 5; ++i) {
    fake.columns[i].assign(doubles[i], doubles[i] ? doubles[i] + count : doubles[i]);
    fake.columnIsNull[i + 1] = doubles[i] == nullptr;
  }
  fake.columnIsNull[0] = times == nullptr;
  fake.count = count;
  fake.warmup = warmup;
  fake.specIsNull = spec == nullptr;
  if (spec) {
    fake.spec = *spec;
    fake.specName = read(spec->name);
    fake.spec.name = nullptr;  // not kept past the call
  }
  fake.balance = balance;
  return answer({"backtest", read(s), read(n)});
}

void release(char* text) noexcept {
  if (!text || fake.live.erase(text) != 1) {
    fake.badRelease = true;
    return;
  }
  ++fake.released;
  std::memset(text, 'X', std::strlen(text));  // a later read would see garbage
  std::free(text);
}

const EngineFunctions kFake{&check,    &inputs, &build,   &backtest, &completions,
                            &describe, &tokens, &version, &release};

class EngineCallsTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = Fake{}; }
  void TearDown() override {
    EXPECT_TRUE(fake.live.empty()) << "a reply was not released";
    EXPECT_FALSE(fake.badRelease) << "a null or unknown reply was released";
  }
  void answer(std::optional<std::string> reply) { fake.reply = std::move(reply); }

  ExportedEngine engine{kFake};
};

using Args = std::vector<std::string>;

TEST_F(EngineCallsTest, PassesTextsInOrderAndDecodes) {
  answer(
      R"({"ok":true,"diagnostics":[{"severity":"warning","code":"KELO3030","message":"m","line":1,"column":2,"endLine":1,"endColumn":3}]})");
  EXPECT_EQ(engine.check(QStringLiteral("bot \u00e9"), QStringLiteral("a.kelo")),
            (CheckResult{true, {{"warning", "KELO3030", "m", 1, 2, 1, 3}}}));
  answer(R"({"ok":true,"groups":[],"inputs":[]})");
  EXPECT_EQ(engine.inputs(QString(), QStringLiteral("untitled.kelo")), (InputSchema{true, {}, {}}));
  answer(R"({"ok":true,"path":"/o.zxb","bytes":99,"functions":1,"inputs":0})");
  EXPECT_EQ(engine.build(QStringLiteral("s"), QStringLiteral("n"), QStringLiteral("/o.zxb")),
            (BuildResult{true, "/o.zxb", 99, 1, 0, std::nullopt}));
  answer(R"({"tokens":[{"kind":"number","start":0,"end":2,"line":1}]})");
  EXPECT_EQ(engine.tokens(QStringLiteral("42")), (QList<Token>{{"number", 0, 2, 1}}));
  answer(
      R"({"items":[{"name":"close","kind":"value","type":"Series","summary":"Closes","group":"Bars"}]})");
  EXPECT_EQ(engine.completions(QString()),
            (QList<Completion>{{"close", "value", "Series", "Closes", "Bars"}}));
  answer(
      R"({"found":true,"name":"close","type":"Series","summary":"Closes","example":"close[1]"})");
  EXPECT_EQ(engine.describe(QStringLiteral("close")),
            (Description{true, "close", "Series", "Closes", "close[1]"}));
  answer("1.0.0");
  EXPECT_EQ(engine.version(), QStringLiteral("1.0.0"));

  EXPECT_EQ(fake.calls, (std::vector<Args>{{"check", "bot \xC3\xA9", "a.kelo"},
                                           {"inputs", "", "untitled.kelo"},
                                           {"build", "s", "n", "/o.zxb"},
                                           {"tokens", "42"},
                                           {"completions", ""},
                                           {"describe", "close"},
                                           {"version"}}));
  EXPECT_EQ(fake.released, 7);
}

TEST_F(EngineCallsTest, ATextHoldingANulIsReadUpToIt) {
  answer(R"({"tokens":[]})");
  engine.tokens(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"));
  EXPECT_EQ(fake.calls.at(0), (Args{"tokens", "a"}));
}

BuildResult unreadableBuild() {
  BuildResult r;
  r.error = QStringLiteral("The engine returned an unreadable result");
  return r;
}

// Every call's fallback, for a null reply and for replies that do not decode.
TEST_F(EngineCallsTest, FallbacksNeverFail) {
  const std::optional<std::string> replies[] = {
      std::nullopt, "", "1.0.0", "{}", "[]", R"({"ok":false,"error":"x"})", "{\"ok\":tru",
  };
  for (const auto& reply : replies) {
    SCOPED_TRACE(reply.value_or("<null>"));
    answer(reply);
    const int releasedBefore = fake.released;
    const std::size_t callsBefore = fake.calls.size();
    EXPECT_EQ(engine.check(QStringLiteral("s"), QStringLiteral("n")), CheckResult{});
    EXPECT_EQ(engine.inputs(QStringLiteral("s"), QStringLiteral("n")), InputSchema{});
    EXPECT_EQ(engine.tokens(QStringLiteral("s")), QList<Token>{});
    EXPECT_EQ(engine.completions(QStringLiteral("s")), QList<Completion>{});
    EXPECT_EQ(engine.describe(QStringLiteral("s")), std::nullopt);
    if (reply != R"({"ok":false,"error":"x"})") {
      EXPECT_EQ(engine.build(QStringLiteral("s"), QStringLiteral("n"), QStringLiteral("o")),
                unreadableBuild());
      EXPECT_EQ(engine.backtest(QStringLiteral("s"), QStringLiteral("n"), {}, {}, 10000, 200),
                (BacktestReport{false,
                                10000,
                                10000,
                                0,
                                0,
                                0,
                                0,
                                0,
                                0,
                                {},
                                {},
                                {},
                                {"The engine returned an unreadable result"}}));
    }
    // Every reply is released once; a null one never.
    const std::size_t calls = fake.calls.size() - callsBefore;
    EXPECT_EQ(static_cast<std::size_t>(fake.released - releasedBefore), reply ? calls : 0);
  }
  answer(std::nullopt);
  EXPECT_EQ(engine.version(), QString());
}

TEST_F(EngineCallsTest, EngineFailuresArePassedOn) {
  answer(R"j({"ok":false,"error":"No such file or directory (os error 2)"})j");
  EXPECT_EQ(
      engine.build(QStringLiteral("s"), QStringLiteral("n"), QStringLiteral("/missing/o.zxb")),
      (BuildResult{false, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                   "No such file or directory (os error 2)"}));
  answer(R"({"found":false})");
  EXPECT_EQ(engine.describe(QStringLiteral("ta.")), std::nullopt);
  answer(R"({"ok":false,"diagnostics":[]})");
  EXPECT_EQ(engine.check(QStringLiteral("s"), QStringLiteral("n")), (CheckResult{false, {}}));
}

TEST_F(EngineCallsTest, ARefusedBacktestKeepsTheEnginesReason) {
  const struct {
    const char* behaviour;
    std::string reply;
    QString error;
  } rows[] = {
      {"the reason reaches the report",
       R"({"ok":false,"error":"a.kelo:3:1: error KELO2001: x\nb"})",
       QStringLiteral("a.kelo:3:1: error KELO2001: x\nb")},
      {"an ok refusal is unreadable", R"({"ok":true,"error":"x"})",
       QStringLiteral("The engine returned an unreadable result")},
      {"a refusal without its reason is unreadable", R"({"ok":false})",
       QStringLiteral("The engine returned an unreadable result")},
      {"a reason that is not text is unreadable", R"({"ok":false,"error":5})",
       QStringLiteral("The engine returned an unreadable result")},
  };
  for (const auto& row : rows) {
    answer(row.reply);
    EXPECT_EQ(engine.backtest(QStringLiteral("s"), QStringLiteral("n"), {}, {}, 2500.5, 200),
              (BacktestReport{false, 2500.5, 2500.5, 0, 0, 0, 0, 0, 0, {}, {}, {}, {row.error}}))
        << row.behaviour;
  }
}

const char kReport[] =
    R"({"ok":true,"startingBalance":100,"endingBalance":101,"netProfit":1,"wins":1,"losses":0,"winRate":100,"profitFactor":-1,"maxDrawdown":0,"trades":[],"journal":[],"equity":[100,101],"errors":[]})";

TEST_F(EngineCallsTest, BacktestWithoutBarsOrSymbol) {
  answer(kReport);
  const BacktestReport r = engine.backtest(QStringLiteral("bot"), QStringLiteral("b.kelo"),
                                           std::nullopt, std::nullopt, 100, 200);
  EXPECT_EQ(r, (BacktestReport{true, 100, 101, 1, 1, 0, 100, -1, 0, {}, {}, {100, 101}, {}}));
  EXPECT_EQ(fake.calls.at(0), (Args{"backtest", "bot", "b.kelo"}));
  for (bool isNull : fake.columnIsNull) EXPECT_TRUE(isNull);
  EXPECT_EQ(fake.count, 0u);
  EXPECT_EQ(fake.warmup, 200);
  EXPECT_EQ(fake.balance, 100);
  ASSERT_FALSE(fake.specIsNull);
  EXPECT_EQ(fake.specName, "EURUSD");
  const KeloSymbol& s = fake.spec;
  EXPECT_EQ(s.digits, 5);
  EXPECT_EQ(s.tickSize, 0);
  EXPECT_EQ(s.tickValue, 0);
  EXPECT_EQ(s.contractSize, 100000);
  EXPECT_EQ(s.volumeMin, 0.01);
  EXPECT_EQ(s.volumeMax, 100);
  EXPECT_EQ(s.volumeStep, 0.01);
  EXPECT_EQ(s.conversion, 1);
  EXPECT_EQ(s.spreadPoints, 10);
}

TEST_F(EngineCallsTest, BacktestLendsColumnsAndSymbol) {
  answer(kReport);
  const Candles bars{{60000, 120000, 180000}, {1.1, 1.2, 1.3},    {1.15, 1.25, 1.35},
                     {1.05, 1.15, 1.25},      {1.12, 1.22, 1.32}, {10, 20, 30}};
  const MarketSymbol symbol{QStringLiteral("XAU\u00e9"), 2, 0.01, 1, 100, 0.1, 50, 0.1, 0.9, 25};
  engine.backtest(QStringLiteral("s"), QStringLiteral("n"), bars, symbol, 5000, -1);
  EXPECT_EQ(fake.count, 3u);
  EXPECT_EQ(fake.times, (std::vector<std::int64_t>{60000, 120000, 180000}));
  EXPECT_EQ(fake.columns[0], (std::vector<double>{1.1, 1.2, 1.3}));
  EXPECT_EQ(fake.columns[1], (std::vector<double>{1.15, 1.25, 1.35}));
  EXPECT_EQ(fake.columns[2], (std::vector<double>{1.05, 1.15, 1.25}));
  EXPECT_EQ(fake.columns[3], (std::vector<double>{1.12, 1.22, 1.32}));
  EXPECT_EQ(fake.columns[4], (std::vector<double>{10, 20, 30}));
  EXPECT_EQ(fake.warmup, -1);
  EXPECT_EQ(fake.balance, 5000);
  EXPECT_EQ(fake.specName, "XAU\xC3\xA9");
  const KeloSymbol& s = fake.spec;
  EXPECT_EQ(s.digits, 2);
  const double expected[8] = {0.01, 1, 100, 0.1, 50, 0.1, 0.9, 25};
  const double seen[8] = {s.tickSize,  s.tickValue,  s.contractSize, s.volumeMin,
                          s.volumeMax, s.volumeStep, s.conversion,   s.spreadPoints};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(seen[i], expected[i]) << i;
}

TEST_F(EngineCallsTest, BacktestNeverLetsTheEngineReadPastAColumn) {
  answer(kReport);
  const struct {
    const char* behaviour;
    Candles bars;
    std::size_t count;
  } rows[] = {
      {"a short times column", {{1}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, 1},
      {"a long close column", {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2, 3, 4, 5}, {1, 2}}, 2},
      {"an empty volume column", {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {}}, 0},
      {"an empty close column", {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {}, {1, 2}}, 0},
  };
  for (const auto& row : rows) {
    engine.backtest(QStringLiteral("s"), QStringLiteral("n"), row.bars, std::nullopt, 1, 0);
    EXPECT_EQ(fake.count, row.count) << row.behaviour;
    EXPECT_EQ(fake.columnIsNull[4], row.count == 0) << row.behaviour;
    EXPECT_EQ(fake.columns[3].size(), row.count) << row.behaviour;
  }
}

TEST_F(EngineCallsTest, HoldersSeeOnlyTheInterface) {
  answer("1.0.0");
  const EngineCalls& calls = engine;
  EXPECT_EQ(calls.version(), QStringLiteral("1.0.0"));
  EXPECT_EQ(calls.version(), QStringLiteral("1.0.0"));  // asked anew each time
  EXPECT_EQ(fake.calls.size(), 2u);
}

TEST(FakeEngine, LogsCallsAndAnswersLikeTheBridge) {
  FakeEngine fake;
  fake.checkReply = CheckResult{true, {}};
  const EngineCalls& calls = fake;
  EXPECT_EQ(calls.check(QStringLiteral("s"), QStringLiteral("a.kelo")), (CheckResult{true, {}}));
  EXPECT_EQ(calls.backtest(QStringLiteral("s"), QStringLiteral("a.kelo"), std::nullopt,
                           defaultSymbol(), 300, 200),
            (BacktestReport{false,
                            300,
                            300,
                            0,
                            0,
                            0,
                            0,
                            0,
                            0,
                            {},
                            {},
                            {},
                            {"The engine returned an unreadable result"}}));
  EXPECT_EQ(fake.calls(), (QStringList{"check a.kelo", "backtest a.kelo"}));
  ASSERT_TRUE(fake.lastBacktest());
  EXPECT_EQ(fake.lastBacktest()->symbol, defaultSymbol());
  EXPECT_EQ(fake.lastBacktest()->warmup, 200);
}

}  // namespace
}  // namespace zx::bridge
