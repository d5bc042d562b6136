#include "theme/kit_button.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "theme/ease_tween.h"
#include "theme/fonts.h"
#include "theme/icon_button.h"
#include "theme/kit_field.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

void enter(QWidget* w) {
  const QPointF inside(w->width() / 2.0, w->height() / 2.0);
  QEnterEvent event(inside, inside, w->mapToGlobal(inside));
  QApplication::sendEvent(w, &event);
}

TEST(EaseTween, EasesOutAndTurnsBackFromWhatIsShown) {
  test::app();
  const QEasingCurve curve = EaseTween::easeOut();
  EXPECT_NEAR(curve.valueForProgress(0.25), 0.3782, 0.002);
  EXPECT_NEAR(curve.valueForProgress(0.5), 0.6848, 0.002);
  EXPECT_NEAR(curve.valueForProgress(0.75), 0.9065, 0.002);

  QWidget host;
  EaseTween tween(&host);
  tween.setOn(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tween.progress() > 0.2; }));
  tween.setOn(false);
  const double shown = tween.progress();
  EXPECT_GT(shown, 0.2);
  EXPECT_LT(shown, 1.0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return tween.progress() == 0.0; }));
  tween.jump(true);
  EXPECT_EQ(tween.progress(), 1.0);
}

TEST(KitButton, SizeFollowsPaddingGlyphAndTitle) {
  test::app();
  const QFontMetricsF m(font(FontStyle::bodyStrong));
  EXPECT_EQ(KitButton("").sizeHint(), QSize(24, 28));
  KitButton build("Build", Glyph::ofSymbol("hammer"));
  EXPECT_EQ(build.sizeHint(),
            QSize(12 + 14 + 6 + int(std::ceil(m.horizontalAdvance("Build"))) + 12, 28));
  KitButton plain("Build");
  EXPECT_EQ(plain.sizeHint().width(), 24 + int(std::ceil(m.horizontalAdvance("Build"))));
  KitButton icon("New", Icon::plus);
  EXPECT_EQ(icon.sizeHint().width(), 12 + 13 + 6 + int(std::ceil(m.horizontalAdvance("New"))) + 12);
  EXPECT_EQ(build.accessibleName(), "Build");
  EXPECT_FALSE(build.autoDefault());
  EXPECT_EQ(build.focusPolicy(), Qt::TabFocus);
}

TEST(KitButton, IconWinsOverSymbol) {
  test::app();
  Glyph both(Icon::plus);
  both.symbol = "hammer";
  KitButton a("New", both);
  KitButton b("New", Icon::plus);
  a.resize(a.sizeHint());
  b.resize(b.sizeHint());
  EXPECT_EQ(a.grab().toImage(), b.grab().toImage());
  KitButton c("New", Glyph::ofSymbol("hammer"));
  c.resize(b.sizeHint());
  EXPECT_NE(c.grab().toImage(), b.grab().toImage());
}

TEST(KitButton, ClicksRunOnceAndDisabledIgnoresClicksAndHover) {
  test::app();
  KitButton button("Build", Glyph::ofSymbol("hammer"));
  button.resize(button.sizeHint());
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 1);

  button.setEnabled(false);
  const QImage before = button.grab().toImage();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 1);
  enter(&button);
  ASSERT_TRUE(test::tweensAtRest(&button));
  EXPECT_FALSE(button.hovering());
  EXPECT_EQ(button.grab().toImage(), before);
  // Enabled again under the pointer: the hover look comes back.
  button.setEnabled(true);
  enter(&button);
  ASSERT_TRUE(test::tweensAtRest(&button));
  EXPECT_TRUE(button.hovering());
  EXPECT_EQ(test::hex(test::pixelAt(button, button.width() / 2.0, 0)), "#0071E3");
}

TEST(KitButton, KeyboardSpaceActivatesReturnOnlyAsDialogDefault) {
  test::app();
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QLineEdit;
  auto* button = new KitButton("Run test");
  layout->addWidget(edit);
  layout->addWidget(button);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QSignalSpy clicks(button, &QAbstractButton::clicked);

  // A click leaves the keyboard where it was.
  edit->setFocus();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 1);
  EXPECT_TRUE(edit->hasFocus());

  button->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(button->hasFocus());
  QTest::keyClick(button, Qt::Key_Space);
  EXPECT_EQ(clicks.size(), 2);
  QTest::keyClick(button, Qt::Key_Return);
  EXPECT_EQ(clicks.size(), 2);

  QDialog dialog;
  auto* dialogLayout = new QVBoxLayout(&dialog);
  auto* field = new KitField("Login");
  auto* cancel = new KitButton("Cancel");
  auto* ok = new KitButton("Sign in", Glyph(), KitButton::Tone::primary);
  ok->setDefault(true);
  dialogLayout->addWidget(field);
  dialogLayout->addWidget(cancel);
  dialogLayout->addWidget(ok);
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  field->setFocus();
  QSignalSpy okClicks(ok, &QAbstractButton::clicked);
  QSignalSpy cancelClicks(cancel, &QAbstractButton::clicked);
  QTest::keyClick(field->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(okClicks.size(), 1);
  EXPECT_EQ(cancelClicks.size(), 0);
}

TEST(IconButton, EmptyButtonStillActsAndShowsItsHelpVerbatim) {
  test::app();
  IconButton button(Glyph(), "Kelo reference");
  EXPECT_EQ(button.size(), QSize(28, 28));
  EXPECT_EQ(button.accessibleName(), "Kelo reference");
  // Rich text of the plain help: spaces kept as no-break spaces, markup escaped.
  const auto tip = [&] { return button.toolTip().replace(QChar::Nbsp, u' '); };
  EXPECT_EQ(tip(), "<p>Kelo reference</p>");
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.size(), 1);
  EXPECT_FALSE(button.active());  // the caller's state; a click does not toggle it

  button.setHelp("<b>Kelo</b> & co");
  EXPECT_EQ(tip(), "<p>&lt;b&gt;Kelo&lt;/b&gt; &amp; co</p>");
  EXPECT_EQ(button.accessibleName(), "<b>Kelo</b> & co");
}

}  // namespace
}  // namespace zx::theme
