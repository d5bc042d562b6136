#include "bridge/records.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "bridge/reply_decode.h"

namespace zx::bridge {
namespace {

// One encoded record: its keys as written, and whether its text decodes back to the
// value it came from.
struct Row {
  const char* behaviour;
  QJsonObject encoded;
  QStringList keys;  // sorted
  std::function<QString(const QString&)> decodesBack;  // empty when it does
};

template <class R>
Row row(const char* behaviour, const R& value, QStringList keys) {
  keys.sort();
  return {behaviour, value.encode(), keys, [value](const QString& text) {
            KeloError error;
            const std::optional<R> back = Kelo::decode<R>(text, &error);
            if (!back) return error.text;
            if (*back == value) return QString();
            return QStringLiteral("decodes to another value: ") +
                   QString::fromUtf8(QJsonDocument(back->encode()).toJson(QJsonDocument::Compact));
          }};
}

const Diagnostic kDiagnostic{"warning", "KELO3030", "'x' is never used %1", INT64_MAX, 1,
                             INT64_MIN, 0};
const InputSpec kFullSpec{"lots", "Number", "risk", "Lots", "per trade", 0.01, -100.0, 0.1,
                          true, false};
const InputSpec kBareSpec{"tint", "Color", "", "tint", "", std::nullopt, std::nullopt,
                          std::nullopt, false, true};
const Trade kTrade{9007199254740993, "sell", 0.3, 1.1001, 1.1, 1767225600000, 1767225660000,
                   -0.9999999999998899, "stop loss"};
const JournalLine kLine{200, -12, "info", "bought \"EURUSD\"\n"};
const Completion kCompletion{"ta.sma", "function", "(Series, Int) -> Series", "", "ta"};
const Token kToken{"keyword", 0, 3, 1};

const QStringList kSpecKeys{"name", "type", "group", "label", "hint", "min", "max", "step",
                            "required", "advanced"};
const QStringList kReportKeys{"ok",       "startingBalance", "endingBalance", "netProfit",
                              "wins",     "losses",          "winRate",       "profitFactor",
                              "maxDrawdown", "trades",       "journal",       "equity",
                              "errors"};

TEST(RecordsEncode, DecodesBackWithExactKeys) {
  const Row rows[] = {
      row("diagnostic writes all seven keys, integers at the 64-bit edges", kDiagnostic,
          {"severity", "code", "message", "line", "column", "endLine", "endColumn"}),
      row("check result nests its diagnostics", CheckResult{true, {kDiagnostic, kDiagnostic}},
          {"ok", "diagnostics"}),
      row("check result with no diagnostics writes an empty list", CheckResult{},
          {"ok", "diagnostics"}),
      row("input group", InputGroup{"risk", "Risk", true}, {"id", "label", "advanced"}),
      row("input spec with bounds writes min, max and step", kFullSpec, kSpecKeys),
      row("input spec without bounds leaves min, max and step out", kBareSpec,
          {"name", "type", "group", "label", "hint", "required", "advanced"}),
      row("input spec with only a step", InputSpec{"n", "Int", "", "n", "", std::nullopt,
                                                   std::nullopt, 1.0, false, false},
          {"name", "type", "group", "label", "hint", "step", "required", "advanced"}),
      row("input schema nests groups and inputs",
          InputSchema{true, {{"risk", "Risk", true}}, {kFullSpec, kBareSpec}},
          {"ok", "groups", "inputs"}),
      row("trade keeps an integer beyond double precision", kTrade,
          {"ticket", "side", "volume", "openPrice", "closePrice", "openTime", "closeTime",
           "profit", "reason"}),
      row("journal line", kLine, {"bar", "time", "level", "message"}),
      row("backtest report nests trades, journal, equity and errors",
          BacktestReport{true, 10000, 9999.5, -0.5, 3, 1, 75, 1.25, 300, {kTrade, kTrade},
                         {kLine}, {10000, 9999.5, 1e-300}, {"bar 3: x", ""}},
          kReportKeys),
      row("failed backtest report", BacktestReport::failed(10000, "unreadable"), kReportKeys),
      row("build result with every field",
          BuildResult{true, QStringLiteral("/tmp/a b/bot.zxb"), 0, 12, INT64_MAX,
                      QStringLiteral("")},
          {"ok", "path", "bytes", "functions", "inputs", "error"}),
      row("build failure writes only ok and error",
          BuildResult{false, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                      QStringLiteral("Cannot write")},
          {"ok", "error"}),
      row("build result with nothing optional writes only ok", BuildResult{}, {"ok"}),
      row("completion keeps an empty summary", kCompletion,
          {"name", "kind", "type", "summary", "group"}),
      row("completion list", CompletionList{{kCompletion, kCompletion}}, {"items"}),
      row("empty completion list", CompletionList{}, {"items"}),
      row("token", kToken, {"kind", "start", "end", "line"}),
      row("token list", TokenList{{kToken, Token{"ident", 4, 9, 2}}}, {"tokens"}),
      row("description found writes every field",
          Description{true, QStringLiteral("ta.sma"), QStringLiteral("Series"),
                      QStringLiteral("Average"), QStringLiteral("ta.sma(close, 14)")},
          {"found", "name", "type", "summary", "example"}),
      row("description not found writes only found", Description{}, {"found"}),
      row("description with empty texts writes them",
          Description{true, QStringLiteral(""), std::nullopt, QStringLiteral(""), std::nullopt},
          {"found", "name", "summary"}),
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.behaviour);
    QStringList keys = r.encoded.keys();
    keys.sort();
    EXPECT_EQ(keys, r.keys);
    for (const QJsonValue& v : r.encoded) EXPECT_FALSE(v.isNull() || v.isUndefined());
    const QString text =
        QString::fromUtf8(QJsonDocument(r.encoded).toJson(QJsonDocument::Compact));
    EXPECT_FALSE(text.contains(QStringLiteral("null"))) << text.toStdString();
    EXPECT_EQ(r.decodesBack(text).toStdString(), "") << text.toStdString();
  }
}

TEST(RecordsEncode, WritesValuesWithTheirJsonTypes) {
  const QJsonObject spec = kFullSpec.encode();
  EXPECT_EQ(QJsonDocument(spec).toJson(QJsonDocument::Compact),
            R"({"advanced":false,"group":"risk","hint":"per trade","label":"Lots","max":-100,)"
            R"("min":0.01,"name":"lots","required":true,"step":0.1,"type":"Number"})");
  EXPECT_EQ(QJsonDocument(kDiagnostic.encode()).toJson(QJsonDocument::Compact),
            R"({"code":"KELO3030","column":1,"endColumn":0,"endLine":-9223372036854775808,)"
            R"("line":9223372036854775807,"message":"'x' is never used %1","severity":"warning"})");
  EXPECT_EQ(QJsonDocument(BacktestReport::failed(50, "e").encode()).toJson(QJsonDocument::Compact),
            R"({"endingBalance":50,"equity":[],"errors":["e"],"journal":[],"losses":0,)"
            R"("maxDrawdown":0,"netProfit":0,"ok":false,"profitFactor":0,"startingBalance":50,)"
            R"("trades":[],"winRate":0,"wins":0})");
}

}  // namespace
}  // namespace zx::bridge
