#include "model/number_text.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>

#include "model/text_order.h"

namespace zx::model {
namespace {

TEST(NumberText, CountGroupsByThrees) {
  const struct {
    qint64 n;
    const char* text;
  } rows[] = {
      {5000, "5,000"},        {12, "12"},
      {1234567, "1,234,567"}, {0, "0"},
      {999, "999"},           {1000, "1,000"},
      {-1234, "-1,234"},      {std::numeric_limits<qint64>::min(), "-9,223,372,036,854,775,808"},
  };
  for (const auto& r : rows) EXPECT_EQ(count(r.n), QString::fromLatin1(r.text)) << r.n;
}

TEST(NumberText, GroupDigitsKeepsSignAndFraction) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"1234567.89", "1,234,567.89"},
      {"-1234.50", "-1,234.50"},
      {"0.25", "0.25"},
      {"+100000", "+100,000"},
      {"", ""},
      {"12345.67891", "12,345.67891"},
      {"nan", "nan"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(groupDigits(QString::fromLatin1(r.in)), QString::fromLatin1(r.out)) << r.in;
  }
}

TEST(NumberText, DateTextIsUtcBritish) {
  const struct {
    qint64 ms;
    const char* text;
  } rows[] = {
      {1704153600000, "2 Jan 24"}, {1709856000000, "8 Mar 24"},  {1725148800000, "1 Sept 24"},
      {-1, "31 Dec 69"},           {1729350000000, "19 Oct 24"},
  };
  for (const auto& r : rows) EXPECT_EQ(dateText(r.ms), QString::fromLatin1(r.text)) << r.ms;
  // The process time zone plays no part.
  const QByteArray old = qgetenv("TZ");
  qputenv("TZ", "America/New_York");
  tzset();
  EXPECT_EQ(dateText(-1), QStringLiteral("31 Dec 69"));
  EXPECT_EQ(dateText(1704153600000), QStringLiteral("2 Jan 24"));
  if (old.isNull()) {
    qunsetenv("TZ");
  } else {
    qputenv("TZ", old);
  }
  tzset();
  // The extremes format without failing.
  dateText(std::numeric_limits<qint64>::min());
  dateText(std::numeric_limits<qint64>::max());
}

TEST(TextOrder, CodePointOrder) {
  EXPECT_TRUE(codePointLess(u"A\uFF5E", u"A\U0001F600"));
  EXPECT_FALSE(codePointLess(u"A\U0001F600", u"A\uFF5E"));
  // UTF-16 order differs exactly there.
  EXPECT_TRUE(QStringView(u"A\U0001F600") < QStringView(u"A\uFF5E"));

  QStringList names{"EURUSD.m", "eurusd", "AUDUSD", "EURUSD", "GBPUSD", ""};
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return codePointLess(a, b); });
  EXPECT_EQ(names, (QStringList{"", "AUDUSD", "EURUSD", "EURUSD.m", "GBPUSD", "eurusd"}));
  EXPECT_FALSE(codePointLess(u"same", u"same"));
}

TEST(TextOrder, TrimBlanksKeepsLineBreaks) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } rows[] = {
      {u"  strategy  ", u"strategy"},
      {u"\tx\t", u"x"},
      {u"   ", u""},
      {u"\u00A0\u2003name\u3000", u"name"},
      {u"\nname\n", u"\nname\n"},
      {u" a b ", u"a b"},
      {u"\r x", u"\r x"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(trimBlanks(QStringView(r.in)), QString::fromUtf16(r.out))
        << QString::fromUtf16(r.in).toStdString();
  }
}

}  // namespace
}  // namespace zx::model
