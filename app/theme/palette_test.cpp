#include "theme/palette.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include "theme/fonts.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

TEST(Palette, SchemesPickTheirPalettesAndEqualityIsMemberwise) {
  EXPECT_EQ(paletteFor(ColorScheme::dark), darkPalette());
  EXPECT_EQ(paletteFor(ColorScheme::light), lightPalette());
  EXPECT_NE(lightPalette(), darkPalette());
  Palette changed = lightPalette();
  changed.syntax.punctuation = QColor(0x6E, 0x6E, 0x74);
  EXPECT_NE(changed, lightPalette());
  changed = lightPalette();
  changed.warning = QColor(0x8A, 0x5A, 0x01);
  EXPECT_NE(changed, lightPalette());
}

TEST(Palette, SharedValuesStaySeparateFields) {
  const Palette& light = lightPalette();
  for (const QColor& c : {light.windowBackground, light.panel, light.surface}) {
    EXPECT_EQ(c, QColor(0xFF, 0xFF, 0xFF));
  }
  EXPECT_EQ(darkPalette().borderSoft, QColor(0x1A, 0x21, 0x46));
  EXPECT_EQ(darkPalette().gridline, QColor(0x1A, 0x21, 0x46));
  EXPECT_EQ(light.windowBackground.alpha(), 255);
}

TEST(Palette, DerivedQtPaletteGivesStockWidgetsTheKitColours) {
  const Palette& dark = darkPalette();
  const QPalette q = qtPalette(dark);
  EXPECT_EQ(q.color(QPalette::Window), QColor(0x04, 0x06, 0x0E));
  EXPECT_EQ(q.color(QPalette::Text), QColor(0xF5, 0xF5, 0xF7));
  EXPECT_EQ(q.color(QPalette::Highlight), dark.selection);
  EXPECT_EQ(q.color(QPalette::PlaceholderText), dark.muted);
  EXPECT_EQ(q.color(QPalette::Disabled, QPalette::Text), dark.muted);
  EXPECT_EQ(q.color(QPalette::Inactive, QPalette::Window), dark.windowBackground);
}

TEST(Palette, MixAndOpacity) {
  EXPECT_EQ(mixColor(Qt::white, Qt::black, 0), QColor(Qt::white));
  EXPECT_EQ(mixColor(Qt::white, Qt::black, 1), QColor(Qt::black));
  EXPECT_EQ(withOpacity(QColor(0x0071E3), 0.18).alphaF(),
            QColor::fromRgbF(0, 0, 0, 0.18f).alphaF());
  PaletteColor none;
  EXPECT_TRUE(none.isNone());
  EXPECT_EQ(none.resolve(darkPalette(), &Palette::text), darkPalette().text);
  EXPECT_EQ(PaletteColor(&Palette::sell).resolve(darkPalette(), &Palette::text),
            darkPalette().sell);
}

TEST(Fonts, StylesAskTheirWeightsAndShowTheirPixelSizes) {
  test::app();
  struct Row {
    FontStyle style;
    int weight;
    int pixels;
  };
  const Row rows[] = {
      {FontStyle::display, 700, 20},     {FontStyle::title, 600, 15},
      {FontStyle::emphasis, 600, 13},    {FontStyle::body, 400, 13},
      {FontStyle::bodyStrong, 600, 13},  {FontStyle::table, 400, 12},
      {FontStyle::tableStrong, 600, 12}, {FontStyle::caption, 400, 11},
      {FontStyle::micro, 600, 10},       {FontStyle::code, 400, 13},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(int(row.style));
    EXPECT_EQ(font(row.style).weight(), row.weight);
    EXPECT_EQ(QFontInfo(font(row.style)).pixelSize(), row.pixels);
  }
  EXPECT_TRUE(QFontInfo(theme::font(FontStyle::code)).fixedPitch());
  EXPECT_FALSE(QFontInfo(theme::font(FontStyle::body)).fixedPitch());
  EXPECT_DOUBLE_EQ(theme::font(FontStyle::body).pointSizeF(), 12.5 * 0.75);
}

}  // namespace
}  // namespace zx::theme
