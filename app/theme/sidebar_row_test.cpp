#include "theme/sidebar_row.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "theme/palette_scope.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

using test::hex;

TEST(SidebarRow, ClicksAnywhereWithTheLeftButtonOnly) {
  test::app();
  SidebarRow row("golden-cross.kelo", Glyph::ofSymbol("cpu"));
  row.resize(240, 28);
  QSignalSpy clicks(&row, &SidebarRow::clicked);
  QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(3, 14));
  EXPECT_EQ(clicks.size(), 1);
  QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(180, 14));
  EXPECT_EQ(clicks.size(), 2);
  QTest::mouseClick(&row, Qt::RightButton, {}, QPoint(100, 14));
  EXPECT_EQ(clicks.size(), 2);
  EXPECT_EQ(row.height(), 28);
  EXPECT_EQ(row.accessibleName(), "golden-cross.kelo");
}

TEST(SidebarRow, FillsShowAtOnceAndSelectionWins) {
  test::app();
  SidebarRow row("rsi-bands.kelo", Glyph::ofSymbol("chart.xyaxis.line"));
  row.resize(240, 28);
  // An unselected row paints nothing: what lies behind shows, as in its outer margin.
  const QString behind = hex(test::pixelAt(row, 3, 14));
  EXPECT_EQ(hex(test::pixelAt(row, 12, 14)), behind);
  QEnterEvent enter(QPointF(100, 14), QPointF(100, 14), row.mapToGlobal(QPointF(100, 14)));
  QApplication::sendEvent(&row, &enter);
  EXPECT_EQ(hex(test::pixelAt(row, 12, 14)), "#F5F5F7");  // the first grab after the move
  EXPECT_EQ(hex(test::pixelAt(row, 3, 14)), behind);      // the margin stays unfilled
  row.setSelected(true);
  EXPECT_EQ(hex(test::pixelAt(row, 12, 14)), "#EEF4FF");
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&row, &leave);
  EXPECT_EQ(hex(test::pixelAt(row, 12, 14)), "#EEF4FF");
}

TEST(SidebarRow, LabelStartsAfterTheGlyphColumnAndLongOnesAreCut) {
  test::app();
  SidebarRow row("Label", Glyph());
  row.resize(240, 28);
  const QImage shot = row.grab().toImage();
  const int ink =
      test::firstInkX(shot, QRect(0, 6, shot.width(), 16), hex(test::pixelAt(shot, 0, 0)));
  EXPECT_GE(ink, 39);
  EXPECT_LE(ink, 40);
  EXPECT_TRUE(row.toolTip().isEmpty());

  const QString longLabel = "a-very-long-strategy-name-that-does-not-fit-in-the-sidebar.kelo";
  SidebarRow cut(longLabel, Glyph::ofSymbol("cpu"));
  cut.resize(240, 28);
  cut.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&cut));
  SidebarRowLook look = cut.look();
  EXPECT_TRUE(sidebarRowLabelIsCut(240, look));
  EXPECT_TRUE(cut.toolTip().replace(QChar::Nbsp, u' ').contains(longLabel));
  cut.resize(800, 28);
  EXPECT_TRUE(cut.toolTip().isEmpty());
}

TEST(SidebarRow, TrailingDotAndDelegatePaintMatchTheWidget) {
  test::app();
  SidebarRow row("helpers.kelolib", Glyph::ofSymbol("books.vertical"));
  row.setTrailingDot(true);
  row.setSelected(true);
  row.resize(240, 28);
  const QImage shot = row.grab().toImage();
  // A 5 x 5 accent dot ending 16 px from the right.
  EXPECT_EQ(hex(test::pixelAt(shot, 240 - 16 - 2.5, 14)), "#0071E3");
  EXPECT_EQ(hex(test::pixelAt(shot, 240 - 16 + 0.5, 14)), "#EEF4FF");
  EXPECT_EQ(hex(test::pixelAt(shot, 240 - 16 - 5.5, 14)), "#EEF4FF");
  EXPECT_EQ(hex(test::pixelAt(shot, 240 - 18.5, 14 - 3.5)), "#EEF4FF");

  QImage painted(shot.size(), QImage::Format_ARGB32_Premultiplied);
  painted.setDevicePixelRatio(shot.devicePixelRatio());
  painted.fill(row.palette().color(QPalette::Window));
  {
    QPainter painter(&painted);
    paintSidebarRow(painter, row.rect(), row.look(), PaletteScope::of(&row));
  }
  EXPECT_EQ(painted.convertToFormat(shot.format()), shot);
}

}  // namespace
}  // namespace zx::theme
