#include "model/source_file.h"

#include <gtest/gtest.h>

#include <QSet>

#include "bridge/kelo_calls.h"

namespace zx::model {
namespace {

using Kind = SourceFile::Kind;

TEST(SourceFile, KindRule) {
  const struct {
    const char* name;
    const char* text;
    Kind kind;
    const char* label;
  } rows[] = {
      {"x.kelolib", "indicator \"A\"", Kind::library, "Library"},
      {"a.kelo", "indicatorX", Kind::indicator, "Indicator"},
      {"a.kelo", "// c\nindicator \"A\"", Kind::indicator, "Indicator"},
      {"a.kelo", "x\nindicator", Kind::bot, "Bot"},
      {"a.kelo", " indicator \"A\"", Kind::bot, "Bot"},
      {"a.KELOLIB", "", Kind::bot, "Bot"},
      {"a.kelo", "bot \"B\" { }\nlet indicator = 1", Kind::bot, "Bot"},
  };
  for (const auto& r : rows) {
    const SourceFile f =
        SourceFile::make(QString::fromUtf8(r.name), QString::fromUtf8(r.text), {}, {});
    EXPECT_EQ(f.kind(), r.kind) << r.name << " " << r.text;
    EXPECT_EQ(f.kindLabel(), QString::fromLatin1(r.label)) << r.name << " " << r.text;
  }
}

TEST(SourceFile, EqualityAndHashTakeEveryField) {
  const SourceFile a = SourceFile::make("a.kelo", "x", std::nullopt, "x");
  SourceFile b = a;
  EXPECT_EQ(a, b);
  EXPECT_EQ(qHash(a), qHash(b));
  b.text = "y";
  EXPECT_NE(a, b);
  b = a;
  b.format.crlf = true;
  EXPECT_NE(a, b);
  b = a;
  b.url = QString();
  EXPECT_NE(a, b);
  EXPECT_NE(qHash(a), qHash(b));  // an absent url hashes apart from an empty one
  EXPECT_NE(SourceFile::make("a.kelo", "x", {}, "x").id, a.id);
  QSet<SourceFile> set{a, b};
  EXPECT_EQ(set.size(), 2);
}

TEST(SourceFile, TemplatesAndSampleCheckCleanWithTheRealEngine) {
  const bridge::EngineCalls& engine = bridge::Kelo::engine();
  const struct {
    QString name;
    QString text;
    qsizetype lines;
  } rows[] = {
      {SourceFile::baseName(Kind::bot), SourceFile::templateText(Kind::bot), 10},
      {SourceFile::baseName(Kind::indicator), SourceFile::templateText(Kind::indicator), 5},
      {SourceFile::baseName(Kind::library), SourceFile::templateText(Kind::library), 7},
      {SourceFile::sampleName(), SourceFile::sampleText(), 34},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(r.text.count(u'\n') + 1, r.lines) << r.name.toStdString();
    EXPECT_FALSE(r.text.endsWith(u'\n'));
    const bridge::CheckResult check = engine.check(r.text, r.name);
    EXPECT_TRUE(check.ok) << r.name.toStdString();
    EXPECT_TRUE(check.diagnostics.isEmpty()) << r.name.toStdString();
  }
  EXPECT_EQ(SourceFile::kindOf(SourceFile::baseName(Kind::indicator),
                               SourceFile::templateText(Kind::indicator)),
            Kind::indicator);

  const bridge::InputSchema inputs = engine.inputs(SourceFile::sampleText(), "golden-cross.kelo");
  ASSERT_TRUE(inputs.ok);
  QStringList names, groups, labels;
  for (const auto& i : inputs.inputs) names << i.name;
  for (const auto& g : inputs.groups) labels << g.label;
  EXPECT_EQ(names, (QStringList{"fast", "slow", "volume", "stopPips", "takePips"}));
  EXPECT_EQ(labels, (QStringList{"Signal", "Risk"}));
}

TEST(SourceFile, SampleStartsAndEndsAsWritten) {
  const QStringList lines = SourceFile::sampleText().split(u'\n');
  EXPECT_EQ(lines[0], QStringLiteral("bot \"Golden Cross\" {"));
  EXPECT_EQ(lines[13],
            QStringLiteral(
                "input int  stopPips = 45   { label: \"Stop loss (pips)\", min: 5, max: 500 }"));
  EXPECT_EQ(lines[32], QStringLiteral("    comment: \"cross up\")"));
  EXPECT_EQ(lines[33], QStringLiteral("}"));
  EXPECT_EQ(SourceFile::templateText(Kind::library).split(u'\n')[5],
            QStringLiteral("  return lots(riskMoney / (stopPips * perPip))"));
}

}  // namespace
}  // namespace zx::model
