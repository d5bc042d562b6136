// The vectorised whole-text passes against the plain definition, at lengths around the
// vector widths, with the characters they look for at both ends.
#include <gtest/gtest.h>

#include "editor/text_scan.h"

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

}  // namespace
}  // namespace zx::editor
