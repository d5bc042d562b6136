#include "bridge/records.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>
#include <cmath>

#include "bridge/reply_decode.h"

namespace zx::bridge {
namespace {

using Kelo::decode;

TEST(Records, DecodesEveryFieldOfEachReply) {
  const auto check = decode<CheckResult>(QStringLiteral(
      R"({"ok":false,"diagnostics":[{"severity":"error","code":"KELO2001","message":"Expected ')' here","line":3,"column":14,"endLine":3,"endColumn":15},)"
      R"({"severity":"warning","code":"KELO3030","message":"'x' is never used","line":9223372036854775807,"column":1,"endLine":-9223372036854775808,"endColumn":0}]})"));
  ASSERT_TRUE(check);
  EXPECT_EQ(
      *check,
      (CheckResult{false,
                   {{"error", "KELO2001", "Expected ')' here", 3, 14, 3, 15},
                    {"warning", "KELO3030", "'x' is never used", INT64_MAX, 1, INT64_MIN, 0}}}));

  const auto schema = decode<InputSchema>(QStringLiteral(
      R"({"ok":true,"groups":[{"id":"risk","label":"Risk","advanced":true}],"inputs":[)"
      R"({"name":"lots","type":"Number","group":"risk","label":"Lots","hint":"per trade","min":0.01,"max":100,"step":0.01,"required":true,"advanced":false,"default":0.1},)"
      R"({"name":"tint","type":"Color","group":"","label":"tint","hint":"","min":null,"max":null,"step":null,"required":false,"advanced":true,"default":"#3d7bf5ff"}]})"));
  ASSERT_TRUE(schema);
  EXPECT_EQ(
      *schema,
      (InputSchema{true,
                   {{"risk", "Risk", true}},
                   {{"lots", "Number", "risk", "Lots", "per trade", 0.01, 100.0, 0.01, true, false},
                    {"tint", "Color", "", "tint", "", std::nullopt, std::nullopt, std::nullopt,
                     false, true}}}));

  const auto report = decode<BacktestReport>(QStringLiteral(
      R"({"ok":true,"startingBalance":10000,"endingBalance":9999,"netProfit":-1,"wins":0,"losses":1,)"
      R"("winRate":0,"profitFactor":0,"maxDrawdown":1.5,)"
      R"("trades":[{"ticket":1,"side":"buy","volume":0.1,"openPrice":1.1001,"closePrice":1.1,"openTime":1767225600000,"closeTime":1767225660000,"profit":-0.9999999999998899,"reason":"end of test"}],)"
      R"("journal":[{"bar":200,"time":12000000,"level":"info","message":"bought"}],)"
      R"("equity":[10000,9999.5,-0],"errors":["bar 3: Cannot combine Text and Number"]})"));
  ASSERT_TRUE(report);
  EXPECT_EQ(*report, (BacktestReport{true,
                                     10000,
                                     9999,
                                     -1,
                                     0,
                                     1,
                                     0,
                                     0,
                                     1.5,
                                     {{1, "buy", 0.1, 1.1001, 1.1, 1767225600000, 1767225660000,
                                       -0.9999999999998899, "end of test"}},
                                     {{200, 12000000, "info", "bought"}},
                                     {10000, 9999.5, 0},
                                     {"bar 3: Cannot combine Text and Number"}}));

  const auto built = decode<BuildResult>(
      QStringLiteral(R"({"ok":true,"path":"/tmp/b.zxb","bytes":1234,"functions":3,"inputs":2})"));
  ASSERT_TRUE(built);
  EXPECT_EQ(*built, (BuildResult{true, "/tmp/b.zxb", 1234, 3, 2, std::nullopt}));

  const auto items = decode<CompletionList>(QStringLiteral(
      R"({"items":[{"name":"ta","kind":"namespace","type":"ta","summary":"Indicators","group":"Indicators"},)"
      R"({"name":"ta.sma","kind":"member","type":"(Series, Int) -> Series","summary":"","group":"Indicators"}]})"));
  ASSERT_TRUE(items);
  EXPECT_EQ(items->items,
            (QList<Completion>{{"ta", "namespace", "ta", "Indicators", "Indicators"},
                               {"ta.sma", "member", "(Series, Int) -> Series", "", "Indicators"}}));

  const auto tokens = decode<TokenList>(QStringLiteral(
      R"({"tokens":[{"kind":"keyword","start":0,"end":3,"line":1},{"kind":"builtin","start":4,"end":9,"line":2}]})"));
  ASSERT_TRUE(tokens);
  EXPECT_EQ(tokens->tokens, (QList<Token>{{"keyword", 0, 3, 1}, {"builtin", 4, 9, 2}}));

  const auto described = decode<Description>(QStringLiteral(
      R"j({"found":true,"name":"ta.sma","type":"Series","summary":"","example":"ta.sma(close, 20)"})j"));
  ASSERT_TRUE(described);
  EXPECT_EQ(*described, (Description{true, "ta.sma", "Series", "", "ta.sma(close, 20)"}));
}

enum class Shape { Check, Inputs, Backtest, Build, Completions, Tokens, Describe };

bool decodes(Shape shape, const QString& json) {
  switch (shape) {
    case Shape::Check:
      return decode<CheckResult>(json).has_value();
    case Shape::Inputs:
      return decode<InputSchema>(json).has_value();
    case Shape::Backtest:
      return decode<BacktestReport>(json).has_value();
    case Shape::Build:
      return decode<BuildResult>(json).has_value();
    case Shape::Completions:
      return decode<CompletionList>(json).has_value();
    case Shape::Tokens:
      return decode<TokenList>(json).has_value();
    case Shape::Describe:
      return decode<Description>(json).has_value();
  }
  return false;
}

const char kDiag[] =
    R"("severity":"error","code":"KELO1001","message":"m","line":1,"column":2,"endLine":1)";
const char kInput[] =
    R"("name":"n","type":"Int","group":"","label":"n","hint":"","required":false,"advanced":false)";
const char kStats[] =
    R"("ok":true,"startingBalance":1,"endingBalance":1,"netProfit":0,"wins":0,"losses":0,"winRate":0,"profitFactor":0,"maxDrawdown":0,"trades":[],"journal":[])";

QString with(const QByteArray& head, const QByteArray& middle, const QByteArray& tail) {
  return QString::fromUtf8(head + middle + tail);
}

TEST(Records, KeyRules) {
  struct Row {
    const char* behaviour;
    Shape shape;
    QString json;
    bool ok;
  };
  const Row rows[] = {
      {"extra keys are dropped at every level", Shape::Check,
       with(R"({"ok":true,"x":[1,{}],"diagnostics":[{)", kDiag, R"(,"endColumn":3,"more":null}]})"),
       true},
      {"a diagnostic without endColumn fails the reply", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, "}]}"), false},
      {"a null required key fails", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, R"(,"endColumn":null}]})"), false},
      {"a whole number with a zero fraction is an integer", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, R"(,"endColumn":3.0}]})"), true},
      {"a fraction is not an integer", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, R"(,"endColumn":3.5}]})"), false},
      {"an integer beyond 64 bits fails", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, R"(,"endColumn":9223372036854775808}]})"),
       false},
      {"a number in text form is not an integer", Shape::Check,
       with(R"({"ok":true,"diagnostics":[{)", kDiag, R"(,"endColumn":"3"}]})"), false},
      {"keys match case-sensitively", Shape::Check,
       with(R"({"OK":true,"diagnostics":[{)", kDiag, R"(,"endColumn":3}]})"), false},
      {"a flag is not a number", Shape::Check, QStringLiteral(R"({"ok":1,"diagnostics":[]})"),
       false},
      {"a list must be a list", Shape::Check, QStringLiteral(R"({"ok":true,"diagnostics":{}})"),
       false},
      {"min null is no bound", Shape::Inputs,
       with(R"({"ok":true,"groups":[],"inputs":[{)", kInput, R"(,"min":null,"default":null}]})"),
       true},
      {"min absent is no bound", Shape::Inputs,
       with(R"({"ok":true,"groups":[],"inputs":[{)", kInput, "}]}"), true},
      {"min as text fails the reply", Shape::Inputs,
       with(R"({"ok":true,"groups":[],"inputs":[{)", kInput, R"(,"min":"5"}]})"), false},
      {"a default of any type is dropped", Shape::Inputs,
       with(R"({"ok":false,"groups":[],"inputs":[{)", kInput,
            R"(,"default":[1,"#00000000",{"a":[]},true]},{)" + QByteArray(kInput) +
                R"(,"default":{}}]})"),
       true},
      {"schema lists are required even when not ok", Shape::Inputs,
       QStringLiteral(R"({"ok":false,"inputs":[]})"), false},
      {"a full report decodes", Shape::Backtest,
       with("{", kStats, R"(,"equity":[1,2],"errors":[]})"), true},
      {"NaN in a report fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":[1,NaN],"errors":[]})"), false},
      {"inf in a report fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":[inf],"errors":[]})"), false},
      {"-inf in a report fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":[-inf],"errors":[]})"), false},
      {"a number too large for a double fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":[1e400],"errors":[]})"), false},
      {"an equity sample in text form fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":["1"],"errors":[]})"), false},
      {"an error that is not text fails", Shape::Backtest,
       with("{", kStats, R"(,"equity":[],"errors":[null]})"), false},
      {"a report without errors fails", Shape::Backtest, with("{", kStats, R"(,"equity":[]})"),
       false},
      {"the refusal form is not a report", Shape::Backtest,
       QStringLiteral(R"({"ok":false,"error":"x"})"), false},
      {"a trade without its reason fails", Shape::Backtest,
       with(
           "{",
           R"("ok":true,"startingBalance":1,"endingBalance":1,"netProfit":0,"wins":0,"losses":0,"winRate":0,"profitFactor":0,"maxDrawdown":0,"journal":[],"equity":[],"errors":[],)",
           R"("trades":[{"ticket":1,"side":"buy","volume":1,"openPrice":1,"closePrice":1,"openTime":0,"closeTime":0,"profit":0}]})"),
       false},
      {"the build failure form decodes", Shape::Build,
       QStringLiteral(R"({"ok":false,"error":"x"})"), true},
      {"a build reply needs ok", Shape::Build, QStringLiteral(R"({"error":"x"})"), false},
      {"a build path of the wrong type fails", Shape::Build,
       QStringLiteral(R"({"ok":true,"path":5})"), false},
      {"build counts must be integers", Shape::Build, QStringLiteral(R"({"ok":true,"bytes":1.5})"),
       false},
      {"a completion summary may be empty but not absent", Shape::Completions,
       QStringLiteral(R"({"items":[{"name":"a","kind":"value","type":"Int","group":""}]})"), false},
      {"an empty list of completions decodes", Shape::Completions,
       QStringLiteral(R"({"items":[]})"), true},
      {"a token needs its line", Shape::Tokens,
       QStringLiteral(R"({"tokens":[{"kind":"text","start":0,"end":1}]})"), false},
      {"not found decodes with nothing else", Shape::Describe, QStringLiteral(R"({"found":false})"),
       true},
      {"null optionals read as nothing", Shape::Describe,
       QStringLiteral(R"({"found":true,"name":null,"type":null})"), true},
      {"a describe reply needs found", Shape::Describe, QStringLiteral(R"({"name":"x"})"), false},
      {"the empty reply is not JSON", Shape::Tokens, QString(), false},
      {"a top-level list is not a record", Shape::Tokens, QStringLiteral("[]"), false},
      {"a top-level null is not a record", Shape::Tokens, QStringLiteral("null"), false},
      {"garbage after the object fails", Shape::Tokens, QStringLiteral(R"({"tokens":[]} x)"),
       false},
      {"a truncated reply fails", Shape::Tokens, QStringLiteral(R"({"tokens":[)"), false},
      {"a trailing comma fails", Shape::Tokens, QStringLiteral(R"({"tokens":[],})"), false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(decodes(row.shape, row.json), row.ok) << row.behaviour << "\n"
                                                    << row.json.toStdString();
  }
}

TEST(Records, OptionalFieldsOfPartialReplies) {
  EXPECT_EQ(decode<BuildResult>(QStringLiteral(R"({"ok":false,"error":"x"})")),
            (BuildResult{false, std::nullopt, std::nullopt, std::nullopt, std::nullopt, "x"}));
  EXPECT_EQ(decode<Description>(QStringLiteral(R"({"found":false})")), Description{});
  const auto input = decode<InputSchema>(with(R"({"ok":true,"groups":[],"inputs":[{)", kInput,
                                              R"(,"min":null,"max":-0.5,"default":7}]})"));
  ASSERT_TRUE(input);
  ASSERT_EQ(input->inputs.size(), 1);
  EXPECT_EQ(input->inputs[0].min, std::nullopt);
  EXPECT_EQ(input->inputs[0].max, -0.5);
  EXPECT_EQ(input->inputs[0].step, std::nullopt);
}

TEST(Records, FailureTextEndsWithTheReplysStart) {
  QString longReply = QStringLiteral("{\"items\":");
  while (longReply.size() < 10000) longReply += QStringLiteral("x");
  KeloError error;
  EXPECT_FALSE(decode<CompletionList>(longReply, &error));
  EXPECT_TRUE(error.text.endsWith(u'\n' + longReply.left(400))) << error.text.toStdString();
  EXPECT_FALSE(error.text.startsWith(u'\n'));  // the reader's reason comes first

  EXPECT_FALSE(decode<CompletionList>(QStringLiteral("{}x"), &error));
  EXPECT_TRUE(error.text.endsWith(QStringLiteral("\n{}x")));

  EXPECT_FALSE(decode<CompletionList>(QStringLiteral(R"({"items":5})"), &error));
  EXPECT_TRUE(error.text.contains(QStringLiteral("items"))) << error.text.toStdString();
  EXPECT_TRUE(error.text.endsWith(QStringLiteral("\n{\"items\":5}")));
}

TEST(Records, ExcerptCountsUserPerceivedCharacters) {
  const QString accented = QStringLiteral("e\u0301");           // two units, one character
  const QString emoji = QString::fromUtf8("\xF0\x9F\x91\x8D");  // a surrogate pair
  struct Row {
    const char* behaviour;
    QString text;
    qsizetype count;
    QString expected;
  };
  const Row rows[] = {
      {"shorter text is whole", QStringLiteral("abc"), 400, QStringLiteral("abc")},
      {"empty text", QString(), 400, QString()},
      {"ascii is cut by units", QStringLiteral("abcdef"), 4, QStringLiteral("abcd")},
      {"a combining mark stays with its letter", accented.repeated(5), 3, accented.repeated(3)},
      {"a surrogate pair is one character", emoji.repeated(3), 2, emoji.repeated(2)},
      {"a text of exactly the count is whole", accented.repeated(400), 400, accented.repeated(400)},
      {"the count of 400 over long accented text", accented.repeated(401), 400,
       accented.repeated(400)},
      {"a character longer than the analysed start stays whole",
       QStringLiteral("a") + QString(4000, QChar(0x0301)) + QStringLiteral("b"), 1,
       QStringLiteral("a") + QString(4000, QChar(0x0301))},
      {"a character cut by the analysed start is read whole",
       QStringLiteral("xa") + QString(15, QChar(0x0301)) + QStringLiteral("b").repeated(20), 2,
       QStringLiteral("xa") + QString(15, QChar(0x0301))},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(excerpt(row.text, row.count), row.expected) << row.behaviour;
  }
}

// One value of each kind, for the reader's edge cases.
struct Probe {
  std::optional<qint64> whole;
  std::optional<double> number;
  std::optional<QString> text;

  static Probe decode(decode::Decoder& d, const decode::Value& v) {
    Probe p;
    decode::record(d, v, {{"whole", p.whole}, {"number", p.number}, {"text", p.text}});
    return p;
  }
};

// "whole=…", "number=…" (17 digits, sign shown), "text=" and UTF-16 units; or the reason.
QString verdict(const QByteArray& reply) {
  KeloError error;
  const std::optional<Probe> p = Kelo::decodeUtf8<Probe>(reply, &error);
  if (!p) {
    // Every failure ends with the reply's first 400 characters after a line break.
    const QString start = QString::fromUtf8(reply).left(400);
    EXPECT_TRUE(error.text.endsWith(u'\n' + start)) << error.text.toStdString();
    return error.text.left(error.text.size() - start.size() - 1);
  }
  QStringList parts;
  if (p->whole) parts << QStringLiteral("whole=%1").arg(*p->whole);
  if (p->number) {
    parts << QStringLiteral("number=%1%2")
                 .arg(std::signbit(*p->number) ? "-" : "+")
                 .arg(std::abs(*p->number), 0, 'g', 17);
  }
  if (p->text) {
    QString units;
    for (const QChar c : *p->text) units += u' ' + QString::number(c.unicode(), 16);
    parts << QStringLiteral("text=") + units.trimmed();
  }
  return parts.join(u' ');
}

TEST(Records, EdgesAFastReaderMustGetRight) {
  const QByteArray nested1023 = QByteArray(1023, '[') + QByteArray(1023, ']');
  const QByteArray longReply = R"({"text":")" + QByteArray(9991, 'a');
  struct Row {
    const char* behaviour;
    QByteArray reply;
    const char* verdict;
  };
  const Row rows[] = {
      {"2^53 is exact", R"({"whole":9007199254740992})", "whole=9007199254740992"},
      {"2^53 + 1 stays exact as a whole number", R"({"whole":9007199254740993})",
       "whole=9007199254740993"},
      {"2^53 + 1 as a number is the nearest double", R"({"number":9007199254740993})",
       "number=+9007199254740992"},
      {"the largest whole number", R"({"whole":9223372036854775807})", "whole=9223372036854775807"},
      {"one past it is not whole", R"({"whole":9223372036854775808})",
       "Expected a whole number at whole, found the number 9.2233720368547758e+18."},
      {"the smallest whole number, written as a fraction", R"({"whole":-9223372036854775808.0})",
       "whole=-9223372036854775808"},
      {"a zero fraction is whole", R"({"whole":3.0,"number":1e3})", "whole=3 number=+1000"},
      {"minus zero reads as zero", R"({"whole":-0,"number":-0})", "whole=0 number=+0"},
      {"minus zero with a fraction reads as zero", R"({"number":-0.0})", "number=+0"},
      {"1e308 is a number", R"({"number":1e308})", "number=+1e+308"},
      {"the largest double", R"({"number":1.7976931348623157e308})",
       "number=+1.7976931348623157e+308"},
      {"past the largest double", R"({"number":1e309})",
       "The data is not valid JSON: illegal number at offset 15."},
      {"the smallest subnormal", R"({"number":5e-324})", "number=+4.9406564584124654e-324"},
      {"below it, rounding to zero", R"({"number":2e-324})",
       "The data is not valid JSON: illegal number at offset 16."},
      {"zero written small is still zero", R"({"number":0e-400})", "number=+0"},
      {"a fraction is not whole", R"({"whole":0.5})",
       "Expected a whole number at whole, found the number 0.5."},
      {"NaN is not JSON", R"({"number":NaN})",
       "The data is not valid JSON: illegal number at offset 10."},
      {"the short escapes", R"({"text":"\"\\\/\b\f\n\r\t"})", "text=22 5c 2f 8 c a d 9"},
      {"a \\u escape, both cases of hex", R"({"text":"\u00e9\u00E9"})", "text=e9 e9"},
      {"a surrogate pair of escapes", R"({"text":"\ud83d\ude00"})", "text=d83d de00"},
      {"the same character as UTF-8", "{\"text\":\"\xF0\x9F\x98\x80\"}", "text=d83d de00"},
      {"a lone surrogate escape is kept", R"({"text":"\udc00x"})", "text=dc00 78"},
      {"an unknown escape stands for its character", R"({"text":"\x"})", "text=78"},
      {"a bad \\u escape", R"({"text":"\u12G4"})",
       "The data is not valid JSON: invalid escape sequence at offset 13."},
      {"a raw control character is text", "{\"text\":\"\t\x01\"}", "text=9 1"},
      {"nesting to the limit is read, and is not a number", R"({"whole":)" + nested1023 + "}",
       "Expected a whole number at whole, found a list."},
      {"nesting past the limit", R"({"whole":[)" + nested1023 + "]}",
       "The data is not valid JSON: too deeply nested document at offset 1033."},
      {"a reply cut inside a number", R"({"whole":1)",
       "The data is not valid JSON: invalid termination by number at offset 10."},
      {"a reply cut inside a text", R"({"text":"ab)",
       "The data is not valid JSON: unterminated string at offset 12."},
      {"a reply cut after a member", R"({"whole":1,)",
       "The data is not valid JSON: unterminated object at offset 11."},
      {"garbage after the reply", R"({"whole":1} x)",
       "The data is not valid JSON: garbage at the end of the document at offset 12."},
      {"white space after the reply", "{\"whole\":1}\n \t", "whole=1"},
      {"a failing reply of 10,000 characters", longReply,
       "The data is not valid JSON: unterminated string at offset 10001."},
  };
  ASSERT_EQ(longReply.size(), 10000);
  for (const Row& row : rows) {
    EXPECT_EQ(verdict(row.reply).toStdString(), row.verdict) << row.behaviour;
  }
}

TEST(Records, IdentitiesAndSeverity) {
  const Diagnostic d{"error", "KELO3001", "Unknown name 'a-b' %1", 4, 9, 4, 12};
  EXPECT_EQ(d.id(), QStringLiteral("KELO3001-4-9-Unknown name 'a-b' %1"));
  EXPECT_EQ((JournalLine{17, 0, "info", "x-y"}).id(), QStringLiteral("17-x-y"));
  EXPECT_EQ((Trade{42, "sell", 0, 0, 0, 0, 0, 0, ""}).id(), 42);
  EXPECT_EQ((Completion{"ta.sma", "member", "", "", ""}).id(), QStringLiteral("ta.sma"));
  EXPECT_EQ((InputSpec{"lots", "Number", "", "", "", {}, {}, {}, false, false}).id(),
            QStringLiteral("lots"));

  const struct {
    const char* severity;
    bool isError;
  } severities[] = {
      {"error", true}, {"Error", false}, {"warning", false}, {"", false}, {"error ", false}};
  for (const auto& row : severities) {
    EXPECT_EQ((Diagnostic{row.severity, "", "", 0, 0, 0, 0}).isError(), row.isError)
        << row.severity;
  }
}

TEST(Records, EqualIdentitiesNeedNotBeEqualRecords) {
  const Diagnostic error{"error", "KELO3001", "m", 4, 9, 4, 12};
  const Diagnostic warning{"warning", "KELO3001", "m", 4, 9, 5, 1};
  EXPECT_EQ(error.id(), warning.id());
  EXPECT_NE(error, warning);
  EXPECT_EQ(QSet<Diagnostic>({error, warning, error}).size(), 2);

  const JournalLine a{3, 100, "info", "same"};
  const JournalLine b{3, 200, "warn", "same"};
  EXPECT_EQ(a.id(), b.id());
  EXPECT_NE(a, b);
  EXPECT_EQ(QSet<JournalLine>({a, b, b}).size(), 2);

  // An absent bound differs from a bound of 0.
  InputSpec open{"n", "Int", "", "n", "", std::nullopt, {}, {}, false, false};
  InputSpec zero = open;
  zero.min = 0.0;
  EXPECT_NE(open, zero);
  EXPECT_EQ(QSet<InputSpec>({open, zero}).size(), 2);
}

TEST(Records, NonFiniteValuesHandedInDirectlyFail) {
  // Text is the only way in: the reader refuses every non-finite number.
  for (const char* volume : {"NaN", "inf", "-inf", "1e400", "-1e400"}) {
    decode::Decoder d;
    const QByteArray trade = QByteArray(R"({"ticket":1,"side":"buy","volume":)") + volume +
                             R"(,"openPrice":1.0,"closePrice":1.0,"openTime":0,"closeTime":0,)"
                             R"("profit":0.0,"reason":"x"})";
    EXPECT_FALSE(decode::document(d, trade, &Trade::decode)) << volume;
    EXPECT_TRUE(d.failed()) << volume;
  }
}

TEST(Records, HostileRepliesFailWithoutHarm) {
  QByteArray invalidUtf8("{\"tokens\":[{\"kind\":\"\xff\xfe\",\"start\":0,\"end\":1,\"line\":1}]}");
  const QString hostile[] = {
      QString(QStringLiteral("[").repeated(100000)),
      QString(QStringLiteral("{\"a\":").repeated(100000)),
      QStringLiteral(R"({"tokens":[)") + QStringLiteral("{},").repeated(20000) +
          QStringLiteral("{}]}"),
      QStringLiteral("\"\\ud800\""),
      QStringLiteral(R"({"tokens":"\u0000"})"),
      QStringLiteral("{\"tokens\":[{\"kind\":\"x\",\"start\":-0,\"end\":1e308,\"line\":1}]}"),
      QString(1000, QChar(u'\0')),
  };
  for (const QString& reply : hostile) {
    KeloError error;
    EXPECT_FALSE(decode<TokenList>(reply, &error));
    EXPECT_FALSE(decode<BacktestReport>(reply, &error));
    EXPECT_FALSE(error.text.isEmpty());
  }
  // Invalid UTF-8 was already replaced when the reply became text, so it reads as U+FFFD.
  const auto repaired = decode<TokenList>(QString::fromUtf8(invalidUtf8));
  ASSERT_TRUE(repaired);
  EXPECT_EQ(repaired->tokens[0].kind, QStringLiteral("\uFFFD\uFFFD"));
}

}  // namespace
}  // namespace zx::bridge
