#include "editor/diagnostic_ranges.h"

#include <gtest/gtest.h>

#include "bridge/kelo_calls.h"
#include "editor/text_spans.h"

namespace zx::editor {
namespace {

using bridge::Diagnostic;
using bridge::Token;

std::optional<Utf16Range> rangeOn(const QString& text, qint64 line, qint64 column, qint64 endLine,
                                  qint64 endColumn) {
  return lineRange(text, lineStarts(text), line, column, endLine, endColumn);
}

TEST(LineStarts, CountEveryLineButTheEmptyOneAfterAFinalBreak) {
  EXPECT_EQ(lineStarts(u"ab\ncdef"_qs), (QList<int>{0, 3, 7}));
  EXPECT_EQ(lineStarts(u"ab"_qs), (QList<int>{0, 2}));
  EXPECT_EQ(lineStarts(u"ab\n"_qs), (QList<int>{0, 3}));
  EXPECT_EQ(lineStarts(QString()), (QList<int>{0}));
}

TEST(LineRange, MapsFindingsToUtf16Ranges) {
  struct Row {
    QString text;
    qint64 line, column, endLine, endColumn;
    std::optional<Utf16Range> expected;
  };
  const QString t = u"ab\ncdef"_qs;
  const Row rows[] = {
      {t, 2, 1, 2, 4, Utf16Range{3, 6}},  // "cde"
      {t, 1, 2, 2, 3, Utf16Range{1, 5}},
      {t, 2, 2, 3, 1, Utf16Range{4, 7}},
      {t, 1, 1, 3, 1, std::nullopt},      // more than two lines
      {t, 2, 3, 2, 3, Utf16Range{5, 6}},  // collapsed: one unit
      {t, 2, 4, 2, 2, Utf16Range{6, 7}},  // backwards
      {t, 2, 5, 2, 6, std::nullopt},      // starts at the end of the text
      {t, 3, 1, 3, 2, std::nullopt},
      {t, 4, 1, 4, 2, std::nullopt},
      {t, 0, 1, 0, 2, std::nullopt},
      {t, 1, 1, 0, 2, std::nullopt},  // end line below 1
      {u"ab\n"_qs, 2, 1, 2, 2, std::nullopt},
      {u"a😀b"_qs, 1, 3, 1, 4, Utf16Range{3, 4}},     // "b", not the low surrogate
      {u"a😀b"_qs, 1, 2, 1, 2, Utf16Range{1, 3}},     // a collapsed span keeps the pair whole
      {u"ab\ncd"_qs, 1, 4, 1, 6, Utf16Range{3, 5}},  // columns past the line end go on
      // Hostile numbers neither overflow nor reach outside the text.
      {t, INT64_MAX, 1, INT64_MAX, 2, std::nullopt},
      {t, 1, INT64_MIN, 1, INT64_MAX, Utf16Range{0, 7}},
      {t, 1, INT64_MAX, 2, INT64_MIN, std::nullopt},
      {t, 2, 1, INT64_MIN, 1, std::nullopt},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(rangeOn(r.text, r.line, r.column, r.endLine, r.endColumn), r.expected)
        << r.text.toStdString() << " " << r.line << ":" << r.column << "-" << r.endLine << ":"
        << r.endColumn;
  }
}

TEST(LineRange, RealEngineFindingsPastAWideCharacter) {
  const QString source = u"let s = \"😀\" + y\n"_qs;
  ASSERT_EQ(source.size(), 17);
  const QList<Diagnostic> found = bridge::Kelo::check(source, u"a.kelo"_qs).diagnostics;
  const QList<int> starts = lineStarts(source);
  bool sawUndefined = false;
  bool sawUnused = false;
  for (const Diagnostic& d : found) {
    const auto range = lineRange(source, starts, d.line, d.column, d.endLine, d.endColumn);
    if (d.code == u"KELO3004"_qs) {
      sawUndefined = true;
      EXPECT_EQ(d.message, u"'y' is not defined"_qs);
      EXPECT_EQ(range, (Utf16Range{15, 16}));
      EXPECT_EQ(source.mid(15, 1), u"y"_qs);
    }
    if (d.code == u"KELO3030"_qs) {
      sawUnused = true;
      EXPECT_EQ(range, (Utf16Range{0, 17}));
    }
  }
  EXPECT_TRUE(sawUndefined);
  EXPECT_TRUE(sawUnused);
}

TEST(TokenSpans, ConvertRealEngineOffsetsToUtf16) {
  struct Row {
    QString source;
    QList<TokenSpan> expected;
  };
  const Row rows[] = {
      {u"\"😀\"\nlet x = 1"_qs,
       {{0, 4, TokenKind::Text},
        {5, 8, TokenKind::Keyword},
        {11, 12, TokenKind::Punctuation},
        {13, 14, TokenKind::Number}}},
      {u"\"é\"\nlet x = 1"_qs,
       {{0, 3, TokenKind::Text},
        {4, 7, TokenKind::Keyword},
        {10, 11, TokenKind::Punctuation},
        {12, 13, TokenKind::Number}}},
  };
  for (const Row& r : rows) {
    const QList<Token> tokens = bridge::Kelo::tokens(r.source);
    ASSERT_EQ(tokens.size(), 5) << r.source.toStdString();
    EXPECT_EQ(tokens[2].kind, u"identifier"_qs);  // coloured by nothing
    EXPECT_EQ(spansOf(tokens, r.source), r.expected) << r.source.toStdString();
  }
}

TEST(TokenSpans, SkipTokensOutsideTheText) {
  struct Row {
    Token token;
    std::optional<TokenSpan> expected;
  };
  const Row rows[] = {
      {{u"keyword"_qs, 1, 3, 1}, TokenSpan{1, 3, TokenKind::Keyword}},
      {{u"number"_qs, 3, 2, 1}, std::nullopt},
      {{u"number"_qs, -1, 1, 1}, std::nullopt},
      {{u"text"_qs, 2, 5, 1}, std::nullopt},
      {{u"color"_qs, 2, 2, 1}, TokenSpan{2, 3, TokenKind::Colour}},
      {{u"punctuation"_qs, 4, 4, 1}, std::nullopt},
      {{u"identifier"_qs, 0, 1, 1}, std::nullopt},
      {{u"comment"_qs, 0, 1, 1}, std::nullopt},
      {{u"builtin"_qs, INT64_MIN, INT64_MAX, 1}, std::nullopt},
  };
  for (const Row& r : rows) {
    const QList<TokenSpan> spans = spansOf({r.token}, u"abcd"_qs);
    if (r.expected) {
      EXPECT_EQ(spans, QList<TokenSpan>{*r.expected}) << r.token.kind.toStdString();
    } else {
      EXPECT_TRUE(spans.isEmpty()) << r.token.kind.toStdString() << " " << r.token.start;
    }
  }
  // Out of order from the engine: sorted by start.
  const QList<TokenSpan> sorted =
      spansOf({{u"number"_qs, 2, 3, 1}, {u"keyword"_qs, 0, 1, 1}}, u"abcd"_qs);
  EXPECT_EQ(sorted, (QList<TokenSpan>{{0, 1, TokenKind::Keyword}, {2, 3, TokenKind::Number}}));
}

TEST(ShiftSpans, FollowTheTextAndDropWhatAnEditCutsInto) {
  struct Row {
    int from, removed, added;
    QList<TokenSpan> expected;
  };
  const QList<TokenSpan> spans = {
      {0, 3, TokenKind::Keyword}, {4, 5, TokenKind::Text}, {6, 9, TokenKind::Number}};
  const Row rows[] = {
      {3, 0, 1, {{0, 3, TokenKind::Keyword}, {5, 6, TokenKind::Text}, {7, 10, TokenKind::Number}}},
      {1, 0, 2, {{6, 7, TokenKind::Text}, {8, 11, TokenKind::Number}}},
      {4, 1, 0, {{0, 3, TokenKind::Keyword}, {5, 8, TokenKind::Number}}},
      {3, 1, 1, {{0, 3, TokenKind::Keyword}, {4, 5, TokenKind::Text}, {6, 9, TokenKind::Number}}},
      {0, 9, 0, {}},
  };
  for (const Row& r : rows) {
    QList<TokenSpan> moved = spans;
    shiftSpans(moved, r.from, r.removed, r.added);
    EXPECT_EQ(moved, r.expected) << r.from << "," << r.removed << "," << r.added;
  }
}

TEST(NarrowedEdit, IsWhatReallyChangedWithinTheReport) {
  struct Row {
    const char* what;
    QString before, after;
    TextEdit reported, expected;
  };
  const Row rows[] = {
      {"a key", u"if x"_qs, u"if ax"_qs, {3, 0, 1}, {3, 0, 1}},
      {"a commit over its block", u"a\nif x\nb"_qs, u"a\nif abx\nb"_qs, {2, 5, 7}, {5, 0, 2}},
      {"a replacement keeps its shared ends", u"abcd"_qs, u"axyd"_qs, {0, 4, 4}, {1, 2, 2}},
      {"past the last block's end", u"ab"_qs, u"abc"_qs, {0, 3, 4}, {2, 0, 1}},
      {"a removal", u"a\nbc"_qs, u"a\nc"_qs, {2, 2, 1}, {2, 1, 0}},
      {"nothing changed", u"ab"_qs, u"ab"_qs, {0, 2, 2}, {2, 0, 0}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(narrowedEdit(r.before, r.after, r.reported), r.expected) << r.what;
  }
}

TEST(Underlines, ErrorsAndEverythingElse) {
  const QList<Diagnostic> found = {
      {u"warning"_qs, u"KELO3030"_qs, u"w"_qs, 1, 1, 1, 2},
      {u"error"_qs, u"KELO3004"_qs, u"e"_qs, 2, 1, 2, 4},
      {u"note"_qs, u"KELO9999"_qs, u"n"_qs, 1, 2, 1, 3},
      {u"error"_qs, u"KELO3004"_qs, u"gone"_qs, 9, 1, 9, 2},
  };
  EXPECT_EQ(underlinesOf(found, u"ab\ncdef"_qs),
            (QList<Underline>{{0, 1, false}, {1, 2, false}, {3, 6, true}}));
}

}  // namespace
}  // namespace zx::editor
