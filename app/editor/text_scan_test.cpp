// The vectorised whole-text passes against the plain definition, at lengths around the
// vector widths, with the characters they look for at both ends.
#include "editor/text_scan.h"

#include <gtest/gtest.h>

namespace zx::editor {
namespace {

TEST(TextScan, AgreeWithThePlainDefinitionAtEveryLength) {
  for (qsizetype n = 0; n <= 70; ++n) {
    for (const char16_t mark : {u'\u2029', u'\n'}) {
      QString text(n, u'a');
      for (qsizetype i = 0; i < n; i += 7) text[i] = QChar(mark);
      if (n > 0) text[n - 1] = QChar(mark);
      QString expected = text;
      expected.replace(QChar::ParagraphSeparator, u'\n');
      QString converted = text;
      paragraphsToLineFeeds(converted);
      EXPECT_EQ(converted, expected) << n;
      EXPECT_EQ(lineFeeds(text), text.count(u'\n')) << n;
      EXPECT_EQ(lineFeeds(converted), expected.count(u'\n')) << n;
    }
  }
  QString none;
  paragraphsToLineFeeds(none);
  EXPECT_TRUE(none.isNull());
  // Neighbours of the separator stay as they are.
  QString near = QStringLiteral("\u2028\u2029\u202A\u0029\u2029");
  paragraphsToLineFeeds(near);
  EXPECT_EQ(near, QStringLiteral("\u2028\n\u202A\u0029\n"));
}

TEST(TextScan, FindsRightToLeftCharactersAnywhere) {
  struct Row {
    const char* what;
    QString inserted;
    bool expected;
  };
  const Row rows[] = {
      {"Latin only", u"e"_qs, false},
      {"the last character before Hebrew", u"\u058F"_qs, false},
      {"a Hebrew letter", u"\u05D0"_qs, true},
      {"an Arabic letter", u"\u0627"_qs, true},
      {"an Arabic-Indic digit", u"\u0663"_qs, true},
      {"an Arabic thousands separator", u"\u066C"_qs, true},
      {"an extended Arabic-Indic digit, ordered as European ones", u"\u06F3"_qs, false},
      {"a Devanagari digit", u"\u0967"_qs, false},
      {"a right-to-left embedding", u"\u202B"_qs, true},
      {"a right-to-left isolate", u"\u2067"_qs, true},
      {"a left-to-right mark", u"\u200E"_qs, false},
      {"an emoji", u"\U0001F600"_qs, false},
      {"an Adlam letter, outside the Basic Multilingual Plane", u"\U0001E900"_qs, true},
  };
  for (const Row& r : rows) {
    for (const qsizetype n : {0, 1, 15, 16, 17, 70}) {
      for (const qsizetype at : {qsizetype(0), n / 2, n}) {
        QString text(n, u'a');
        text.insert(at, r.inserted);
        EXPECT_EQ(hasRightToLeft(text), r.expected) << r.what << " " << n << " " << at;
      }
    }
  }
}

}  // namespace
}  // namespace zx::editor
