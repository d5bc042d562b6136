#include "theme/kit_field.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "theme/palette_scope.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

// Records the Escape presses that reach it.
class Window : public QWidget {
 public:
  int escapes = 0;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Escape) ++escapes;
  }
};

struct FieldWindow {
  Window window;
  KitField* field = new KitField("Search the standard library");
  QLineEdit* other = new QLineEdit;

  FieldWindow() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(other);
    window.resize(320, 100);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
  }
};

TEST(KitField, ClearButtonFollowsTheTextAndKeepsFocus) {
  test::app();
  for (bool focusedBefore : {true, false}) {
    SCOPED_TRACE(focusedBefore);
    FieldWindow w;
    QSignalSpy edits(w.field, &KitField::textEdited);
    w.field->setFocus();
    QTest::keyClicks(w.field->lineEdit(), "a");
    EXPECT_EQ(edits.size(), 1);
    EXPECT_EQ(edits[0][0].toString(), "a");
    EXPECT_TRUE(w.field->clearButton()->isVisible());
    if (!focusedBefore) w.other->setFocus();
    QTest::mouseClick(w.field->clearButton(), Qt::LeftButton);
    EXPECT_EQ(w.field->text(), "");
    ASSERT_EQ(edits.size(), 2);
    EXPECT_EQ(edits[1][0].toString(), "");
    EXPECT_FALSE(w.field->clearButton()->isVisible());
    EXPECT_EQ(w.field->lineEdit()->hasFocus(), focusedBefore);
    EXPECT_EQ(w.other->hasFocus(), !focusedBefore);
  }
}

TEST(KitField, SetterNeverEmitsAndTheEntryStartsAfterTheIcon) {
  test::app();
  FieldWindow w;
  QSignalSpy edits(w.field, &KitField::textEdited);
  w.field->setText("moving average");
  EXPECT_EQ(edits.size(), 0);
  EXPECT_TRUE(w.field->clearButton()->isVisible());
  EXPECT_EQ(w.field->lineEdit()->x(), 26);
  EXPECT_EQ(w.field->height(), 28);
  EXPECT_EQ(w.field->clearButton()->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(w.field->lineEdit()->placeholderText(), "Search the standard library");
  EXPECT_EQ(w.field->accessibleName(), "Search the standard library");
  w.other->setFocus();
  QTest::mouseClick(w.field, Qt::LeftButton, {}, QPoint(12, 14));  // on the search icon
  EXPECT_TRUE(w.field->lineEdit()->hasFocus());
}

TEST(KitField, EscapeClearsTextAndPassesOnWhenEmpty) {
  test::app();
  FieldWindow w;
  QSignalSpy edits(w.field, &KitField::textEdited);
  w.field->setFocus();
  QTest::keyClicks(w.field->lineEdit(), "sma");
  QTest::keyClick(w.field->lineEdit(), Qt::Key_Escape);
  EXPECT_EQ(w.field->text(), "");
  EXPECT_EQ(edits.last()[0].toString(), "");
  EXPECT_EQ(w.window.escapes, 0);
  QTest::keyClick(w.field->lineEdit(), Qt::Key_Escape);
  EXPECT_EQ(w.window.escapes, 1);
  // The clear is one undo step.
  QTest::keyClick(w.field->lineEdit(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w.field->text(), "sma");
}

TEST(KitField, AnEnclosingEscapeShortcutWins) {
  test::app();
  FieldWindow w;
  QAction close(&w.window);
  close.setShortcut(Qt::Key_Escape);
  close.setShortcutContext(Qt::WindowShortcut);
  w.window.addAction(&close);
  QSignalSpy triggered(&close, &QAction::triggered);
  w.field->setFocus();
  QTest::keyClicks(w.field->lineEdit(), "sma");
  QTest::keyClick(w.field->lineEdit(), Qt::Key_Escape);
  EXPECT_EQ(triggered.size(), 1);
  EXPECT_EQ(w.field->text(), "sma");
}

TEST(KitField, EntryTakesTheScopesColours) {
  test::app();
  QWidget root;
  auto* field = new KitField("Search", &root);
  PaletteScope::setForApplication(&root, darkPalette());
  EXPECT_EQ(field->lineEdit()->palette().color(QPalette::Text), QColor(0xF5, 0xF5, 0xF7));
  EXPECT_EQ(field->lineEdit()->palette().color(QPalette::PlaceholderText), darkPalette().muted);
  EXPECT_EQ(field->lineEdit()->palette().color(QPalette::Base).alpha(), 0);
  // Moved into a light host, it follows at once.
  QWidget light;
  PaletteScope::set(&light, lightPalette());
  field->setParent(&light);
  EXPECT_EQ(field->lineEdit()->palette().color(QPalette::Text), lightPalette().text);
  PaletteScope::setForApplication(&root, lightPalette());
}

}  // namespace
}  // namespace zx::theme
