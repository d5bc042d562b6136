#include "theme/focus_home.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "theme/icon_button.h"
#include "theme/kit_button.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

// A window with a home text, a field and the two kit buttons.
struct Window {
  QWidget window;
  QLineEdit* home = new QLineEdit(&window);
  QLineEdit* field = new QLineEdit(&window);
  KitButton* button = new KitButton("Run", &window);
  IconButton* icon = new IconButton(Glyph(), "Reference", &window);

  Window() {
    auto* column = new QVBoxLayout(&window);
    for (QWidget* w : {static_cast<QWidget*>(home), static_cast<QWidget*>(field),
                       static_cast<QWidget*>(button), static_cast<QWidget*>(icon)}) {
      column->addWidget(w);
    }
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  QString focus() const {
    QWidget* f = QApplication::focusWidget();
    return f == home     ? "home"
           : f == field  ? "field"
           : f == button ? "button"
           : f == icon   ? "icon"
                         : "other";
  }
};

TEST(FocusHome, AClickOnAKitButtonGivesTheKeyboardBack) {
  test::app();
  const struct {
    const char* what;
    bool home;  // the window has one
    std::function<void(Window&)> act;
    const char* focus;
  } rows[] = {
      {"a click on a button", true, [](Window& w) { QTest::mouseClick(w.button, Qt::LeftButton); },
       "home"},
      {"a click on an icon button", true,
       [](Window& w) { QTest::mouseClick(w.icon, Qt::LeftButton); }, "home"},
      {"a press released outside the button", true,
       [](Window& w) {
         QTest::mousePress(w.button, Qt::LeftButton);
         QTest::mouseRelease(w.button, Qt::LeftButton, {}, QPoint(-20, -20));
       },
       "field"},
      {"Space on a button chosen by Tab", true,
       [](Window& w) {
         w.button->setFocus(Qt::TabFocusReason);
         QTest::keyClick(w.button, Qt::Key_Space);
       },
       "button"},
      {"a click in a window without a home", false,
       [](Window& w) { QTest::mouseClick(w.button, Qt::LeftButton); }, "field"},
      {"a click while the home is hidden", true,
       [](Window& w) {
         w.home->hide();
         QTest::mouseClick(w.button, Qt::LeftButton);
       },
       "field"},
  };
  for (const auto& r : rows) {
    Window w;
    if (r.home) setFocusHome(&w.window, w.home);
    w.field->setFocus(Qt::MouseFocusReason);
    r.act(w);
    EXPECT_EQ(w.focus(), r.focus) << r.what;
  }
}

}  // namespace
}  // namespace zx::theme
