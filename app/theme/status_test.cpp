#include <gtest/gtest.h>

#include <QFontMetricsF>

#include "theme/empty_state.h"
#include "theme/fonts.h"
#include "theme/section_label.h"
#include "theme/stat_figure.h"
#include "theme/status_bar.h"
#include "theme/status_pill.h"
#include "theme/tabular_text.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

using test::hex;

TEST(SectionLabel, CapitalsPaddingAndHeight) {
  test::app();
  struct Row {
    const char16_t* text;
    const char16_t* shown;
  };
  for (const Row& r : {Row{u"indicators", u"INDICATORS"}, Row{u"straße", u"STRASSE"},
                       Row{u"Price data", u"PRICE DATA"}}) {
    SectionLabel label(QString::fromUtf16(r.text));
    EXPECT_EQ(label.shownText(), QString::fromUtf16(r.shown));
    EXPECT_EQ(label.accessibleName(), QString::fromUtf16(r.shown));
  }
  SectionLabel label("indicators");
  const int line = int(std::ceil(QFontMetricsF(font(FontStyle::micro)).height()));
  EXPECT_EQ(label.sizeHint().height(), 16 + line + 4);
  label.resize(240, label.sizeHint().height());
  const QImage shot = label.grab().toImage();
  const int ink = test::firstInkX(shot, QRect(0, 16, 60, line), hex(test::pixelAt(shot, 0, 0)));
  EXPECT_GE(ink, 16);
  EXPECT_LE(ink, 17);
}

TEST(StatusBar, PillsKeepTheirTextAndTheBarItsHeight) {
  test::app();
  StatusPill pill("Profit in EUR", StatusPill::Tone::warn);
  EXPECT_EQ(pill.text(), "Profit in EUR");
  EXPECT_EQ(pill.accessibleName(), "Profit in EUR");
  const QFontMetricsF micro(font(FontStyle::micro));
  EXPECT_EQ(pill.sizeHint(), QSize(int(std::ceil(micro.horizontalAdvance("Profit in EUR"))) + 16,
                                   int(std::ceil(micro.height())) + 8));

  StatusBar bar;
  StatusItem* version = bar.addItem("Kelo", "1.0.0");
  auto* tall = new QWidget;
  tall->setFixedHeight(40);
  bar.addWidget(tall);
  bar.addStretch();
  bar.resize(600, 80);
  EXPECT_EQ(bar.height(), 24);
  EXPECT_EQ(version->accessibleName(), "Kelo");
  EXPECT_EQ(version->accessibleDescription(), "1.0.0");
  const QImage shot = bar.grab().toImage();
  EXPECT_EQ(hex(test::pixelAt(shot, 300, 0)), "#F0F0F2");
  EXPECT_EQ(hex(test::pixelAt(shot, 596, 12)), "#FBFBFD");
  EXPECT_EQ(version->x(), 16);
  // Equal digit advances keep changing figures from moving what follows them.
  EXPECT_TRUE(digitsShareAdvance(font(FontStyle::caption)));
  EXPECT_EQ(tabularWidth(font(FontStyle::caption), u"1111"),
            tabularWidth(font(FontStyle::caption), u"8888"));
}

TEST(StatFigure, ValueShrinksByWholePixelsThenIsCut) {
  test::app();
  const QString value = "1,234,567.89";
  const qreal full = tabularWidth(uiFont(17, QFont::Bold), value);
  StatFigure figure("Net profit", value);
  figure.resize(400, 80);
  EXPECT_EQ(figure.valuePixelSize(), 17);
  EXPECT_EQ(figure.shownValue(), value);

  figure.resize(24 + int(full / 2), 80);
  EXPECT_GE(figure.valuePixelSize(), 8);
  EXPECT_LT(figure.valuePixelSize(), 17);
  EXPECT_EQ(figure.shownValue(), value);
  EXPECT_LE(tabularWidth(uiFont(figure.valuePixelSize(), QFont::Bold), value), full / 2);

  figure.resize(24 + int(full / 3), 80);
  EXPECT_EQ(figure.valuePixelSize(), 8);
  EXPECT_TRUE(figure.shownValue().endsWith(QChar(0x2026)));

  StatFigure caption("Maximum drawdown of the equity over the whole of the backtest period", "3");
  caption.resize(130, 80);
  const QStringList lines = caption.shownLabelLines();
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].endsWith(QChar(0x2026)));
  EXPECT_GT(caption.heightForWidth(130), StatFigure("Short", "3").heightForWidth(130));
  EXPECT_EQ(caption.accessibleName(), caption.label());
  EXPECT_EQ(caption.accessibleDescription(), "3");
}

TEST(EmptyState, GlyphTitleAndDetailLineUp) {
  test::app();
  EmptyState icon(Icon::indicators, "No backtest yet", "Run one to see the equity curve.", 16);
  icon.resize(400, 300);
  EXPECT_EQ(icon.glyphRect(), QRectF(16, 16, 16, 16));
  EXPECT_EQ(icon.textX(), 40);
  EmptyState symbol(Glyph::ofSymbol("checkmark"), "No problems",
                    "Build it to a bundle, or run a backtest. Nothing else to do here.", 16);
  symbol.resize(400, 300);
  EXPECT_EQ(symbol.glyphRect(), QRectF(16, 17, 16, 16));
  const QImage shot = symbol.grab().toImage();
  const QString behind = hex(test::pixelAt(shot, 0, 0));
  const int titleInk = test::firstInkX(shot, QRect(34, 16, 20, 16), behind);
  EXPECT_GE(titleInk, 40);
  EXPECT_LE(titleInk, 41);
  const int detailInk = test::firstInkX(shot, QRect(34, 36, 20, 12), behind);
  EXPECT_GE(detailInk, 40);
  EXPECT_LE(detailInk, 41);
  // A narrow pane wraps the detail and grows, never clips.
  EXPECT_GT(symbol.heightForWidth(150), symbol.heightForWidth(400));
  EXPECT_EQ(symbol.accessibleName(), "No problems");
}

}  // namespace
}  // namespace zx::theme
