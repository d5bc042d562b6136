#include "shell/reference_state.h"

#include <gtest/gtest.h>

#include "bridge/fake_engine.h"
#include "shell/shell_test_support.h"

namespace zx::views {
namespace {

using bridge::Completion;
using testing::sampleCompletions;

// "Price data [close]; Indicators [ema, sma, ta]"
QString describe(const QList<ReferenceSection>& sections) {
  QStringList parts;
  for (const ReferenceSection& s : sections) {
    QStringList names;
    for (const Completion& c : s.entries) names << c.name;
    parts << s.title + " [" + names.join(", ") + "]";
  }
  return parts.join("; ");
}

TEST(ReferenceState, SearchCountsAndSections) {
  struct Row {
    const char* why;
    QString query;
    qsizetype count;
    QString sections;
  };
  const QString everything =
      "Price data [close]; Indicators [ema, sma, ta]; General [Alpha, Zeta, alpha, beta]";
  const Row rows[] = {
      {"empty: members hidden, Misc counted", "", 9, everything},
      {"only blanks count as empty", " \t ", 9, everything},
      {"no-break and em spaces are blanks", QString::fromUtf16(u"\u00a0\t AVERAGE \u2003"), 2,
       "Indicators [ema, sma]"},
      {"summary, any case", "AVERAGE", 2, "Indicators [ema, sma]"},
      {"members once something is typed", "rsi", 1, "Indicators [ta.rsi]"},
      {"name before summary", "ta", 4, "Indicators [ta, ta.rsi]; General [Zeta, beta]"},
      {"type is not searched", "series", 0, ""},
      {"group is not searched", "Indicators", 0, ""},
      {"a group outside the thirteen counts but is not listed", "Misc", 1, ""},
      {"a line break is not trimmed", "\nema", 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.why);
    ReferenceState state;
    bridge::FakeEngine engine;
    engine.completionsReply = sampleCompletions();
    state.load(engine);
    state.setQuery(r.query);
    EXPECT_EQ(state.matches().size(), r.count);
    EXPECT_EQ(describe(state.sections()).toStdString(), r.sections.toStdString());
  }
}

TEST(ReferenceState, SortsByCodePointAndKeepsEqualNamesInOrder) {
  bridge::FakeEngine engine;
  engine.completionsReply = {
      {QString::fromUtf16(u"\U0001F600"), "value", "a", "", "Maths"},
      {QString::fromUtf16(u"\uFF5E"), "value", "b", "", "Maths"},
      {"dup", "value", "first", "", "Maths"},
      {"b", "value", "c", "", "Maths"},
      {"dup", "function", "second", "", "Maths"},
      {"B", "value", "d", "", "Maths"},
      {"x", "value", "e", "", "Time"},
  };
  ReferenceState state;
  state.load(engine);
  const QList<ReferenceSection> sections = state.sections();
  ASSERT_EQ(sections.size(), 2);
  EXPECT_EQ(sections[0].title, "Maths");
  EXPECT_EQ(sections[1].title, "Time");
  QStringList order;
  for (const Completion& c : sections[0].entries) order << c.name + ":" + c.type;
  // UTF-16 order would put U+1F600 before U+FF5E.
  EXPECT_EQ(order,
            (QStringList{"B:d", "b:c", "dup:first", "dup:second", QString::fromUtf16(u"\uFF5E:b"),
                         QString::fromUtf16(u"\U0001F600:a")}));
}

TEST(ReferenceState, FoldingAndChoosing) {
  bridge::FakeEngine engine;
  engine.completionsReply = sampleCompletions();
  ReferenceState state;
  state.load(engine);
  EXPECT_TRUE(state.collapsed().isEmpty());
  state.toggle("Indicators");
  state.toggle("General");
  state.toggle("General");
  EXPECT_EQ(state.collapsed(), QSet<QString>{"Indicators"});
  // Folding hides rows, not sections: the derived lists are unchanged.
  EXPECT_EQ(state.sections().size(), 3);

  EXPECT_FALSE(state.selection().has_value());
  const Completion ema = sampleCompletions()[0];
  state.select(ema);
  state.setQuery("close");
  ASSERT_TRUE(state.selection().has_value());
  EXPECT_EQ(*state.selection(), ema);
  EXPECT_TRUE(state.isSelected(ema));
  EXPECT_FALSE(state.isSelected(sampleCompletions()[4]));
}

TEST(ReferenceState, LoadsOnceUnlessTheReplyWasEmpty) {
  bridge::FakeEngine empty;
  ReferenceState state;
  EXPECT_TRUE(state.load(empty));
  EXPECT_TRUE(state.load(empty));
  EXPECT_EQ(empty.calls(), (QStringList{"completions ", "completions "}));
  EXPECT_TRUE(state.sections().isEmpty());

  bridge::FakeEngine full;
  full.completionsReply = sampleCompletions();
  EXPECT_TRUE(state.load(full));
  EXPECT_FALSE(state.load(full));
  EXPECT_EQ(full.calls(), QStringList{"completions "});
  EXPECT_EQ(state.all(), sampleCompletions());
}

}  // namespace
}  // namespace zx::views
