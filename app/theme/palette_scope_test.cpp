#include "theme/palette_scope.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include "theme/test_app.h"

namespace zx::theme {
namespace {

// Counts the scope's change events it receives.
class Counter : public QWidget {
 public:
  using QWidget::QWidget;
  int changes = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == PaletteScope::changedEvent()) ++changes;
    return QWidget::event(e);
  }
};

TEST(PaletteScope, NearestHostDecides) {
  test::app();
  QWidget lone;
  EXPECT_EQ(PaletteScope::of(&lone), lightPalette());
  EXPECT_EQ(PaletteScope::of(nullptr), lightPalette());

  QWidget window;
  auto* child = new QWidget(&window);
  auto* grandchild = new QWidget(child);
  auto* sub = new QWidget(child);
  auto* subChild = new QWidget(sub);
  auto* dialog = new QDialog(&window);
  auto* dialogChild = new QWidget(dialog);
  PaletteScope::set(&window, darkPalette());
  PaletteScope::set(sub, lightPalette());
  EXPECT_TRUE(PaletteScope::isHost(&window));
  EXPECT_FALSE(PaletteScope::isHost(child));
  EXPECT_EQ(PaletteScope::of(child), darkPalette());
  EXPECT_EQ(PaletteScope::of(grandchild), darkPalette());
  EXPECT_EQ(PaletteScope::of(subChild), lightPalette());
  EXPECT_EQ(PaletteScope::of(dialogChild), darkPalette());
  EXPECT_EQ(dialog->palette().color(QPalette::Window), QColor(0x04, 0x06, 0x0E));

  // A re-parented widget reads its new scope at once: nothing is cached.
  grandchild->setParent(sub);
  EXPECT_EQ(PaletteScope::of(grandchild), lightPalette());
}

TEST(PaletteScope, ChangesReachEachWidgetInScopeOnce) {
  test::app();
  Counter window;
  auto* child = new Counter(&window);
  auto* grandchild = new Counter(child);
  auto* sub = new Counter(&window);
  auto* underSub = new Counter(sub);
  auto* dialog = new QDialog(&window);
  auto* inDialog = new Counter(dialog);
  PaletteScope::set(sub, lightPalette());
  // The window shows light already: becoming a host with light sends nothing.
  PaletteScope::set(&window, lightPalette());
  for (Counter* c : {&window, child, grandchild, sub, underSub, inDialog}) EXPECT_EQ(c->changes, 0);

  PaletteScope::set(&window, darkPalette());
  for (Counter* c : {&window, child, grandchild, inDialog}) EXPECT_EQ(c->changes, 1);
  EXPECT_EQ(sub->changes, 0);
  EXPECT_EQ(underSub->changes, 0);

  PaletteScope::set(&window, darkPalette());  // equal: nothing
  for (Counter* c : {&window, child, grandchild, inDialog}) EXPECT_EQ(c->changes, 1);

  PaletteScope::set(sub, darkPalette());
  EXPECT_EQ(sub->changes, 1);
  EXPECT_EQ(underSub->changes, 1);
  EXPECT_EQ(child->changes, 1);
}

TEST(PaletteScope, DestroyedHostIsForgotten) {
  test::app();
  auto* host = new QWidget;
  PaletteScope::set(host, darkPalette());
  EXPECT_TRUE(PaletteScope::isHost(host));
  delete host;
  QWidget fresh;
  EXPECT_EQ(PaletteScope::of(&fresh), lightPalette());
}

TEST(PaletteScope, ApplicationPaletteReachesMenusAndFields) {
  test::app();
  QWidget root;
  auto* field = new QLineEdit(&root);
  auto* menu = new QMenu(&root);
  PaletteScope::setForApplication(&root, darkPalette());
  EXPECT_EQ(menu->palette().color(QPalette::Window), QColor(0x04, 0x06, 0x0E));
  EXPECT_EQ(field->palette().color(QPalette::Text), QColor(0xF5, 0xF5, 0xF7));
  QMenu loose;
  EXPECT_EQ(loose.palette().color(QPalette::Window), QColor(0x04, 0x06, 0x0E));
  PaletteScope::setForApplication(&root, lightPalette());
  EXPECT_EQ(menu->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xFF));
}

}  // namespace
}  // namespace zx::theme
