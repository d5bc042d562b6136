// The texts, numbers and decoding rules of the panels, case by case.
#include "panels/tester_format.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <cmath>
#include <ctime>
#include <limits>

#include "model/text_order.h"
#include "panels/broker_logo.h"
#include "panels/equity_scale.h"
#include "panels/number_entry.h"
#include "panels/sign_in_text.h"
#include "panels/views_test_support.h"

namespace zx::views {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(TesterFormat, Amounts) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1234.5, "1,234.50"},
      {-56.789, "-56.79"},
      {0, "0.00"},
      {1234567, "1,234,567.00"},
      {0.125, "0.12"},
      {0.375, "0.38"},
      {999.995, "1,000.00"},
      {-0.001, "-0.00"},
      {-0.0, "0.00"},
      {kNaN, "NaN"},
      {kInf, "\u221E"},
      {-kInf, "-\u221E"},
      {1e20, "100,000,000,000,000,000,000.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(formatAmount(c.value), QString::fromUtf8(c.text)) << c.value;
  // The largest double has 309 whole digits.
  EXPECT_EQ(formatAmount(std::numeric_limits<double>::max()).size(), 309 + 102 + 3);
}

TEST(TesterFormat, PricesLabelsAndFigures) {
  EXPECT_EQ(formatPrice(1.1, 5), "1.10000");
  EXPECT_EQ(formatPrice(1.1, -2), "1");
  EXPECT_EQ(formatPrice(1.1, 12), "1.10000000");
  EXPECT_EQ(formatPrice(-0.5, 1), "-0.5");
  EXPECT_EQ(formatPrice(1e300, 8).size(), 301 + 9);

  const struct {
    double value;
    const char* text;
  } labels[] = {{10500, "10.5k"}, {-2500, "-2.5k"},  {950, "950"},
                {999, "999"},     {999.6, "1000"},   {1000, "1.0k"},
                {-1500, "-1.5k"}, {99950, "100.0k"}, {0, "0"}};
  for (const auto& c : labels) EXPECT_EQ(compactLabel(c.value), c.text) << c.value;

  EXPECT_EQ(percentText(66.666), "67%");
  EXPECT_EQ(percentText(62.5), "62%");
  EXPECT_EQ(percentText(0), "0%");
  EXPECT_EQ(factorText(-1), "none");
  EXPECT_EQ(factorText(0), "0.00");
  EXPECT_EQ(factorText(1.456), "1.46");
  EXPECT_EQ(factorText(1.005), "1.00");

  EXPECT_EQ(amountTone(0), Tone::buy);
  EXPECT_EQ(amountTone(-0.01), Tone::sell);
  EXPECT_EQ(amountTone(kNaN), Tone::sell);

  EXPECT_EQ(countText(0, "bar replayed", "bars replayed"), "0 bars replayed");
  EXPECT_EQ(countText(1, "bar replayed", "bars replayed"), "1 bar replayed");
  EXPECT_EQ(countText(12345, "bar replayed", "bars replayed"), "12345 bars replayed");
}

TEST(TesterFormat, TradeAndJournalCodes) {
  const struct {
    const char* reason;
    const char* code;
    Tone tone;
  } exits[] = {{"stop loss", "stop", Tone::sell},     {"take profit", "target", Tone::buy},
               {"end of test", "end", Tone::muted},   {"close all", "all", Tone::muted},
               {"closed by bot", "bot", Tone::muted}, {"", "bot", Tone::muted},
               {"Stop loss", "bot", Tone::muted}};
  for (const auto& c : exits) {
    EXPECT_EQ(exitCode(c.reason), c.code) << c.reason;
    EXPECT_EQ(exitTone(c.reason), c.tone) << c.reason;
  }
  EXPECT_EQ(sideText("sell"), "SELL");
  EXPECT_EQ(sideTone("sell"), Tone::sell);
  EXPECT_EQ(sideText("Buy"), "BUY");
  EXPECT_EQ(sideTone("Buy"), Tone::sell);
  EXPECT_EQ(sideTone("buy"), Tone::buy);

  const struct {
    const char* level;
    Tone tone;
  } levels[] = {{"error", Tone::sell}, {"warn", Tone::warning},  {"alert", Tone::accent},
                {"Warn", Tone::muted}, {"WARNING", Tone::muted}, {"", Tone::muted},
                {"info", Tone::muted}};
  for (const auto& c : levels) EXPECT_EQ(levelTone(c.level), c.tone) << c.level;
}

TEST(TesterFormat, JournalStampIgnoresTheMachinesZone) {
  qputenv("TZ", "America/New_York");
  tzset();
  const struct {
    qint64 ms;
    const char* text;
  } cases[] = {{0, "\u2014"},
               {-5, "\u2014"},
               {1700000000000, "14 Nov 22:13"},
               {1700000039999, "14 Nov 22:13"},
               {1725235200000, "2 Sept 00:00"}};
  for (const auto& c : cases) EXPECT_EQ(journalStamp(c.ms), QString::fromUtf8(c.text)) << c.ms;
}

QList<double> series(qsizetype n) {
  QList<double> out;
  for (qsizetype i = 0; i < n; ++i) out.append(double(i));
  return out;
}

TEST(EquityScale, Sampling) {
  const QList<double> thousand = sampled(series(1000), 900);
  ASSERT_EQ(thousand.size(), 900);
  EXPECT_EQ(thousand.mid(0, 11), (QList<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11}));
  EXPECT_EQ(thousand.last(), 998);

  const QList<double> ninehundredone = sampled(series(901), 900);
  ASSERT_EQ(ninehundredone.size(), 900);
  EXPECT_EQ(ninehundredone.last(), 899);

  const QList<double> nine = series(900);
  const QList<double> same = sampled(nine, 900);
  EXPECT_EQ(same, nine);
  EXPECT_EQ(same.constData(), nine.constData()) << "shared, not copied";
  EXPECT_TRUE(sampled({}, 900).isEmpty());
  EXPECT_TRUE(sampled(series(5), 0).isEmpty());
}

TEST(EquityScale, Domain) {
  const struct {
    QList<double> points;
    double start;
    ValueRange domain;
  } cases[] = {
      {{}, 10000, {9980, 10020}},
      {{9500, 10400, 10000}, 10000, {9365, 10535}},
      {{99, 101}, 100, {98, 102}},
      {{5}, 10000, {4, 10001}},
      {{12000}, 10000, {9976, 12024}},
      // Values that are not finite stay out of the range.
      {{kNaN, 12000, kInf, -kInf}, 10000, {9976, 12024}},
      {{kNaN}, 10000, {9980, 10020}},
      // Without a finite start the points alone decide.
      {{100}, kNaN, {99, 101}},
      {{}, kInf, {-1, 1}},
  };
  for (const auto& c : cases) {
    const ValueRange got = equityDomain(c.points, c.start);
    EXPECT_DOUBLE_EQ(got.lo, c.domain.lo) << c.start;
    EXPECT_DOUBLE_EQ(got.hi, c.domain.hi) << c.start;
  }
}

TEST(EquityScale, Ticks) {
  EXPECT_EQ(ticks(9365, 10535), (QList<double>{9500, 10000, 10500}));
  EXPECT_EQ(ticks(0, 899), (QList<double>{0, 200, 400, 600, 800}));
  EXPECT_EQ(ticks(98, 102), (QList<double>{98, 99, 100, 101, 102}));
  const QList<double> around = ticks(-0.3, 0.7);
  ASSERT_FALSE(around.isEmpty());
  for (double v : around) {
    if (v == 0) {
      EXPECT_FALSE(std::signbit(v)) << "zero reads 0, not -0";
    }
  }
  EXPECT_TRUE(ticks(5, 5).isEmpty());
  EXPECT_TRUE(ticks(5, 4).isEmpty());
  EXPECT_TRUE(ticks(-kInf, kInf).isEmpty());
  EXPECT_TRUE(ticks(kNaN, 1).isEmpty());
  EXPECT_LE(ticks(-1e308, 1e308).size(), 64);
}

TEST(NumberEntry, TextAndParse) {
  EXPECT_EQ(numberText(12500.75, 0), "12501");
  EXPECT_EQ(numberText(2.5, 0), "2");
  EXPECT_EQ(numberText(3.5, 0), "4");
  EXPECT_EQ(numberText(10000, 0), "10000");

  const struct {
    const char* text;
    double value;
  } accepted[] = {{"1,000", 1000}, {"1,2,3", 123}, {"1.234,5", 1.2345},
                  {"1.5e3", 1500}, {"0x10", 16},   {"+5", 5},
                  {"inf", kInf},   {"-2.5", -2.5}, {"1e400", kInf}};
  for (const auto& c : accepted) {
    const std::optional<double> got = parseNumber(QString::fromUtf8(c.text));
    ASSERT_TRUE(got.has_value()) << c.text;
    EXPECT_EQ(*got, c.value) << c.text;
  }
  const std::optional<double> nan = parseNumber("nan");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));

  const QString rejected[] = {"",
                              " 5",
                              "5 ",
                              "\t5",
                              "abc",
                              "1_000",
                              ",",
                              "\n5",
                              QString(u'\0') + u'5',
                              QStringLiteral("5") + QChar(u'\0') + u'1',
                              QStringLiteral("\uFF15")};
  for (const QString& text : rejected)
    EXPECT_FALSE(parseNumber(text).has_value()) << text.toStdString();
}

TEST(NumberEntry, Clamps) {
  const struct {
    double typed;
    double stored;
  } balances[] = {{50, 100}, {250000, 250000}, {kNaN, 100}, {kInf, 10000}, {-kInf, 100}};
  for (const auto& c : balances) EXPECT_EQ(clampBalance(c.typed, 10000), c.stored) << c.typed;

  const struct {
    double typed;
    qint64 stored;
  } bars[] = {{100, 200},
              {300000, 200000},
              {1234.9, 1234},
              {-5, 200},
              {-0.5, 200},
              {1e19, 200000},
              {-1e19, 200},
              {kInf, 200000},
              {-kInf, 200},
              {kNaN, 5000},
              {9223372036854775808.0, 200000},
              {-9223372036854775808.0, 200}};
  for (const auto& c : bars) EXPECT_EQ(clampBars(c.typed, 5000), c.stored) << c.typed;
}

TEST(SignInText, CountsAndTrim) {
  EXPECT_EQ(serverCount(std::nullopt), "");
  EXPECT_EQ(serverCount(0), "");
  EXPECT_EQ(serverCount(-2), "");
  EXPECT_EQ(serverCount(1), "1 server");
  EXPECT_EQ(serverCount(2), "2 servers");
  EXPECT_EQ(serverCount(12), "12 servers");

  EXPECT_EQ(characterCount(" a"), 2);
  EXPECT_EQ(characterCount(model::trimBlanks(u" a")), 1);
  EXPECT_EQ(model::trimBlanks(u"\u00A0ab\t"), "ab");
  EXPECT_EQ(model::trimBlanks(u"\nab"), "\nab");
  EXPECT_EQ(characterCount(QStringLiteral("e\u0301")), 1);
  EXPECT_EQ(characterCount(QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA")), 1);
  EXPECT_EQ(characterCount(""), 0);
}

QByteArray png(int width, int height, bool noise = false) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::red);
  if (noise) {
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
      auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) line[x] = random.generate();
    }
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QString dataUrl(const QByteArray& bytes) {
  return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(bytes.toBase64());
}

TEST(BrokerLogo, DecodesOnlyStrictBoundedImages) {
  const QImage logo = decodeBrokerLogo(dataUrl(png(30, 10)));
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.size(), QSize(30, 10));
  EXPECT_FALSE(decodeBrokerLogo(QStringLiteral("base64,") + png(1, 1).toBase64()).isNull())
      << "nothing before the marker is examined";

  QString wrapped = dataUrl(png(30, 10));
  wrapped.insert(wrapped.size() / 2, u'\n');
  QString unpadded = QStringLiteral("base64,aGVsbG8");
  const QString fallbacks[] = {
      QString(),
      QStringLiteral("https://x/logo.png"),
      wrapped,
      unpadded,
      QStringLiteral("data:image/png;base64,base64,") + png(30, 10).toBase64(),
      QStringLiteral("base64,") + QByteArray("hello").toBase64(),
      QStringLiteral("BASE64,") + png(30, 10).toBase64(),
      dataUrl(png(4000, 10)),
      dataUrl(png(700, 700, true)),
      QStringLiteral("base64,"),
      QStringLiteral("base64,\u00E9AAA"),
  };
  EXPECT_TRUE(decodeBrokerLogo(std::nullopt).isNull());
  for (const QString& source : fallbacks) {
    EXPECT_TRUE(decodeBrokerLogo(source).isNull()) << source.left(60).toStdString();
  }
  EXPECT_GT(png(700, 700, true).size(), kLogoBytesLimit) << "the noise image must pass the cap";
}

QByteArray encoded(const char* format, QSize size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  EXPECT_TRUE(writer.write(image)) << format << " " << writer.errorString().toStdString();
  return bytes;
}

// Every format Qt reads on any desktop, told by content alone, within the same limits.
TEST(BrokerLogo, ReadsAnyInstalledFormatWithinTheLimits) {
  const QColor red(Qt::red);
  const struct {
    const char* format;
    QSize size;
    QSize shown;    // empty: the fallback
    QColor centre;  // invalid: not compared (grey or two-colour formats)
  } cases[] = {
      {"png", {30, 10}, {30, 10}, red}, {"bmp", {30, 10}, {30, 10}, red},
      {"ico", {30, 10}, {30, 10}, red}, {"ppm", {30, 10}, {30, 10}, red},
      {"xpm", {30, 10}, {30, 10}, red}, {"jpeg", {30, 10}, {30, 10}, {}},
      {"pgm", {30, 10}, {30, 10}, {}},  {"pbm", {30, 10}, {30, 10}, {}},
      {"xbm", {30, 10}, {30, 10}, {}},  {"ppm", {1024, 2}, {1024, 2}, red},
      {"ppm", {1025, 2}, {}, {}},       {"xpm", {2, 1025}, {}, {}},
      {"bmp", {1025, 1}, {}, {}},       {"ico", {256, 256}, {256, 256}, red},
  };
  for (const auto& c : cases) {
    const QImage logo = decodeBrokerLogo(QStringLiteral("data:image/x;base64,") +
                                         QString::fromLatin1(encoded(c.format, c.size).toBase64()));
    const std::string row = std::string(c.format) + " " + std::to_string(c.size.width());
    EXPECT_EQ(logo.isNull() ? QSize() : logo.size(), c.shown) << row;
    if (c.centre.isValid() && !logo.isNull()) {
      EXPECT_EQ(logo.pixelColor(logo.width() / 2, logo.height() / 2).rgb(), c.centre.rgb()) << row;
    }
  }
  // A one-pixel GIF (Qt reads GIF but does not write it).
  EXPECT_EQ(decodeBrokerLogo(QStringLiteral("data:image/gif;base64,R0lGODlhAQABAIAAAP8AAP///"
                                            "yH5BAAAAAAALAAAAAABAAEAAAICRAEAOw=="))
                .size(),
            QSize(1, 1));
  // Headers claiming far more than they carry are refused before anything is decoded.
  for (const QByteArray& header :
       {QByteArray("P6 100000 100000 255\n\xff\x00\x00"),
        QByteArray("/* XPM */\nstatic char* x[] = {\n\"60000 60000 1 1\",\n\"a c #ff0000\",\n")}) {
    EXPECT_TRUE(decodeBrokerLogo(QStringLiteral("base64,") + QString::fromLatin1(header.toBase64()))
                    .isNull())
        << header.left(20).toStdString();
  }
}

}  // namespace
}  // namespace zx::views
