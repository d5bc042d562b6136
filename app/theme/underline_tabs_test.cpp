#include "theme/underline_tabs.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "theme/fonts.h"
#include "theme/kit_label.h"
#include "theme/palette_scope.h"
#include "theme/panel_header.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

enum Tab { problems, tester, journal };

struct Strip {
  UnderlineTabs tabs{{{problems, "Problems"}, {tester, "Tester"}, {journal, "Journal"}}};
  Strip(int selection) {
    tabs.setSelection(selection);
    tabs.resize(600, 38);
    tabs.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&tabs));
    // Showing the window gives the first tab keyboard focus; its ring is not under test here.
    if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  }
};

TEST(UnderlineTabs, TabsTouchAndOnlyTheSelectedOneIsUnderlined) {
  test::app();
  Strip s(tester);
  int x = 0;
  for (TabButton* b : s.tabs.tabButtons()) {
    SCOPED_TRACE(b->label().toStdString());
    const QFont& f = font(b->active() ? FontStyle::tableStrong : FontStyle::table);
    EXPECT_EQ(b->x(), x);
    EXPECT_EQ(b->width(), int(std::ceil(QFontMetricsF(f).horizontalAdvance(b->label()))) + 24);
    EXPECT_EQ(b->height(), 38);
    x += b->width();
  }
  const QImage shot = s.tabs.grab().toImage();
  TabButton* active = s.tabs.tabButton(tester);
  for (int px = 0; px < s.tabs.width(); ++px) {
    const bool under = px >= active->x() && px < active->x() + active->width();
    EXPECT_EQ(test::hex(test::pixelAt(shot, px, 36)), under ? "#0071E3" : "#FFFFFF") << px;
    EXPECT_EQ(test::hex(test::pixelAt(shot, px, 37)), "#DEDEE3") << px;
  }
  // The first label begins 12 px in: the tab's own padding.
  const int firstInk = test::firstInkX(shot, QRect(0, 8, 40, 22), "#FFFFFF");
  EXPECT_GE(firstInk, 12);
  EXPECT_LE(firstInk, 14);
}

TEST(UnderlineTabs, NoMatchUnderlinesNoneAndClicksEmitOnce) {
  test::app();
  Strip s(99);
  const QImage shot = s.tabs.grab().toImage();
  for (int px = 0; px < s.tabs.width(); ++px) {
    EXPECT_EQ(test::hex(test::pixelAt(shot, px, 36)), "#FFFFFF") << px;
  }
  QSignalSpy edits(&s.tabs, &UnderlineTabs::selectionEdited);
  s.tabs.setSelection(problems);
  EXPECT_EQ(edits.size(), 0);
  QTest::mouseClick(s.tabs.tabButton(tester), Qt::LeftButton);
  ASSERT_EQ(edits.size(), 1);
  EXPECT_EQ(edits[0][0].toInt(), int(tester));
  EXPECT_EQ(s.tabs.selection(), int(tester));
  EXPECT_TRUE(s.tabs.tabButton(tester)->active());
  EXPECT_TRUE(s.tabs.tabButton(tester)->isChecked());
  EXPECT_FALSE(s.tabs.tabButton(problems)->isChecked());
}

TEST(UnderlineTabs, HoverShowsAtOnceAndTrailingSits16FromTheRight) {
  test::app();
  Strip s(problems);
  TabButton* journalTab = s.tabs.tabButton(journal);
  const QImage before = journalTab->grab().toImage();
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), journalTab->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(journalTab, &enter);
  EXPECT_TRUE(journalTab->hovering());
  EXPECT_NE(journalTab->grab().toImage(), before);  // no animation: the first grab shows it

  auto* trailing = new QLabel("trail");
  s.tabs.setTrailing(trailing);
  QTest::qWait(0);
  QApplication::processEvents();
  EXPECT_EQ(trailing->geometry().right() + 1, s.tabs.width() - 16);
  s.tabs.setTrailing(nullptr);
  s.tabs.setTabLabel(journal, "Journal 12");
  EXPECT_EQ(journalTab->label(), "Journal 12");
}

TEST(PanelHeader, LongTitleIsCutAndKeepsFourPixelsBeforeTheTrailing) {
  test::app();
  PanelHeader header("A very long panel title that cannot possibly fit in this header");
  auto* count = new KitLabel("128", FontStyle::caption, &Palette::muted);
  header.addTrailing(count);
  header.resize(220, 30);
  header.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&header));
  KitLabel* title = header.titleLabel();
  EXPECT_EQ(title->x(), 16);
  EXPECT_EQ(count->x() - (title->x() + title->width()), 4);
  EXPECT_EQ(count->x() + count->width(), 220 - 16);
  EXPECT_TRUE(title->isCut());
  EXPECT_TRUE(title->shownText().endsWith(QChar(0x2026)));
  EXPECT_EQ(header.height(), 30);
  EXPECT_EQ(header.accessibleName(), header.title());
}

}  // namespace
}  // namespace zx::theme
