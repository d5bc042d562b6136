#include "theme/split_handle.h"

#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include "theme/test_app.h"

namespace zx::theme {
namespace {

TEST(SplitLayout, BottomKeepsItsBoundsAndTopTakesTheRest) {
  struct Row {
    double height, bottomHeight, minTop, minBottom;
    SplitSizes expected;
  };
  const Row rows[] = {
      {600, 250, 200, 120, {250, 349}}, {600, 500, 200, 120, {400, 199}},
      {600, 50, 200, 120, {120, 479}},  {250, 250, 200, 120, {120, 129}},
      {250, 10, 200, 120, {120, 129}},  {100, 300, 200, 120, {120, 0}},
      {100, 300, 0, 120, {120, 0}},
  };
  for (const Row& r : rows) {
    const SplitSizes s = splitLayout(r.height, r.bottomHeight, r.minTop, r.minBottom);
    EXPECT_EQ(s.bottom, r.expected.bottom) << r.height << " " << r.bottomHeight;
    EXPECT_EQ(s.top, r.expected.top) << r.height << " " << r.bottomHeight;
  }
}

// A window with a pane whose width follows the handle, as the root view's sidebar does.
struct HandleWindow {
  QWidget window;
  QWidget* left = new QWidget;
  SplitHandle* handle;
  QWidget* right = new QWidget;
  QList<double> edits;

  HandleWindow(bool inverted, double value) {
    handle = new SplitHandle(Size::sidebarRange, inverted);
    auto* row = new QHBoxLayout(&window);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    (inverted ? right : left)->setFixedWidth(int(value));
    row->addWidget(left, inverted ? 1 : 0);
    row->addWidget(handle);
    row->addWidget(right, inverted ? 0 : 1);
    handle->setValue(value);
    QObject::connect(handle, &SplitHandle::valueEdited, &window, [this, inverted](double v) {
      edits << v;
      (inverted ? right : left)->setFixedWidth(int(v));
    });
    window.resize(900, 300);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  QPoint lineAt(int dy = 150) const { return handle->mapTo(&window, QPoint(0, dy)); }

  // One drag through the window, in window coordinates: press beside the line, move by
  // each offset in turn (from the press), release.
  void drag(const QList<int>& offsets, int pressOffset = 3) {
    QWindow* w = window.windowHandle();
    const QPoint press = lineAt() + QPoint(pressOffset, 0);
    QTest::mousePress(w, Qt::LeftButton, {}, press);
    for (int dx : offsets) QTest::mouseMove(w, press + QPoint(dx, 0));
    QTest::mouseRelease(w, Qt::LeftButton, {}, press + QPoint(offsets.last(), 0));
  }
};

TEST(SplitHandle, DragsFromTheCapturedStartAndClamps) {
  test::app();
  struct Row {
    bool inverted;
    QList<int> offsets;
    QList<double> edits;
  };
  const Row rows[] = {
      {false, {50}, {290}},           {false, {200}, {360}},
      {false, {-100}, {200}},         {true, {50}, {200}},
      {true, {-50}, {290}},           {false, {200, 260}, {360}},
      {false, {200, 60}, {360, 300}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.offsets.last());
    HandleWindow hw(r.inverted, 240);
    hw.drag(r.offsets);
    EXPECT_EQ(hw.edits, r.edits);
    EXPECT_EQ(hw.handle->value(), r.edits.last());
  }
}

TEST(SplitHandle, APressWithoutAPixelOfMovementEmitsNothing) {
  test::app();
  HandleWindow hw(false, 240);
  QWidget* grip = hw.handle->grip();
  const QPointF local(4, 100);
  const QPointF global = grip->mapToGlobal(local.toPoint());
  const auto send = [&](QEvent::Type type, QPointF offset, Qt::MouseButtons buttons) {
    QMouseEvent e(type, local + offset, global + offset, Qt::LeftButton, buttons, {});
    QApplication::sendEvent(grip, &e);
  };
  send(QEvent::MouseButtonPress, {}, Qt::LeftButton);
  // Qt hands widgets whole-pixel global positions, so under half a pixel is no move at all.
  send(QEvent::MouseMove, {0.4, 0.4}, Qt::LeftButton);
  send(QEvent::MouseMove, {0, 0}, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, {0.4, 0.4}, Qt::NoButton);
  EXPECT_TRUE(hw.edits.isEmpty()) << hw.edits.size() << " " << hw.edits.value(0);
  // A stored value outside the range lays out as given; the first drag clamps it.
  HandleWindow wide(false, 500);
  EXPECT_EQ(wide.left->width(), 500);
  wide.drag({-10});
  EXPECT_EQ(wide.edits, QList<double>{360});
}

TEST(SplitHandle, GripShowsTheResizeCursorAndStaysOnTop) {
  test::app();
  HandleWindow hw(false, 240);
  EXPECT_EQ(hw.handle->grip()->cursor().shape(), Qt::SplitHCursor);
  EXPECT_FALSE(hw.window.testAttribute(Qt::WA_SetCursor));
  EXPECT_EQ(hw.handle->grip()->geometry(), QRect(hw.handle->x() - 4, 0, 9, hw.window.height()));
  // A sibling created later, lying over the strip.
  auto* late = new QWidget(&hw.window);
  late->setGeometry(hw.handle->x() - 20, 0, 40, hw.window.height());
  late->show();
  EXPECT_EQ(hw.window.childAt(hw.lineAt() + QPoint(3, 0)), hw.handle->grip());
  hw.drag({50});
  EXPECT_EQ(hw.edits, QList<double>{290});
}

struct SplitWindow {
  QWidget window;
  VerticalSplit* split;
  QList<double> edits;

  SplitWindow(double stored, int height) {
    split = new VerticalSplit(new QWidget, new QWidget, 200, 120, &window);
    split->setBottomHeight(stored);
    split->setGeometry(0, 0, 400, height);
    QObject::connect(split, &VerticalSplit::bottomHeightEdited, &window,
                     [this](double v) { edits << v; });
    window.resize(400, height);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  void drag(int dy) {
    QWindow* w = window.windowHandle();
    const QPoint press = split->divider()->mapTo(&window, QPoint(200, 0)) + QPoint(0, 3);
    QTest::mousePress(w, Qt::LeftButton, {}, press);
    QTest::mouseMove(w, press + QPoint(0, dy));
    QTest::mouseRelease(w, Qt::LeftButton, {}, press + QPoint(0, dy));
  }
};

TEST(VerticalSplit, LaysOutAndDragsTheBottomHeight) {
  test::app();
  SplitWindow up(250, 600);
  EXPECT_EQ(up.split->top()->geometry(), QRect(0, 0, 400, 349));
  EXPECT_EQ(up.split->divider()->geometry(), QRect(0, 349, 400, 1));
  EXPECT_EQ(up.split->bottom()->geometry(), QRect(0, 350, 400, 250));
  EXPECT_EQ(up.split->grip()->cursor().shape(), Qt::SplitVCursor);
  up.drag(-80);
  EXPECT_EQ(up.edits, QList<double>{330});
  EXPECT_EQ(up.split->bottom()->height(), 330);

  SplitWindow down(250, 600);
  down.drag(200);
  EXPECT_EQ(down.edits, QList<double>{120});

  // A stored height above what fits shows 400; a drag starts from what is shown.
  SplitWindow over(900, 600);
  EXPECT_EQ(over.split->bottom()->height(), 400);
  over.drag(10);
  EXPECT_EQ(over.edits, QList<double>{390});

  // A replaced pane takes the old one's place and the grip stays on top.
  QPointer<QWidget> old = up.split->bottom();
  auto* fresh = new QWidget;
  up.split->setBottom(fresh);
  EXPECT_TRUE(old.isNull());
  EXPECT_EQ(fresh->geometry(), QRect(0, 270, 400, 330));
  EXPECT_EQ(up.window.childAt(200, 272), up.split->grip());

  // Too low for the bottom pane: everything from the top, nothing negative.
  SplitWindow low(120, 100);
  EXPECT_EQ(low.split->top()->height(), 0);
  EXPECT_EQ(low.split->bottom()->geometry(), QRect(0, 1, 400, 120));
}

}  // namespace
}  // namespace zx::theme
