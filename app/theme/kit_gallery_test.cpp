// The kit gallery in light, then switched to dark through the palette scope: grabs saved
// beside the test, and the colours of each component pinned point by point.
#include "theme/kit_gallery.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "theme/palette_scope.h"
#include "theme/test_app.h"

namespace zx::theme {
namespace {

using test::hex;
using test::near;

struct Probe {
  const char* what;
  QWidget* widget;
  QPointF at;
  QString light;
  QString dark;
};

QColor colourIn(const QImage& shot, const KitGallery& gallery, QWidget* w, QPointF at) {
  const QPoint origin = w->mapTo(&gallery, QPoint(0, 0));
  return test::pixelAt(shot, origin.x() + at.x(), origin.y() + at.y());
}

std::vector<Probe> probes(KitGallery& g) {
  const auto w2 = [](QWidget* w) { return w->width() / 2.0; };
  const auto h2 = [](QWidget* w) { return w->height() / 2.0; };
  QWidget* handle = g.handle;
  const QPoint handleAt = handle->mapTo(&g, QPoint(0, 0));
  (void)handleAt;
  return {
      {"button fill", g.buttonNormal, {6, 14}, "#FFFFFF", "#121838"},
      {"button border", g.buttonNormal, {w2(g.buttonNormal), 0}, "#D4D4D9", "#222A52"},
      {"hovered button border", g.buttonHovered, {w2(g.buttonHovered), 0}, "#0071E3", "#3D7BFF"},
      {"hovered button fill", g.buttonHovered, {6, 14}, "#FFFFFF", "#121838"},
      {"primary fill", g.buttonPrimary, {6, 14}, "#0071E3", "#3D7BFF"},
      {"primary top", g.buttonPrimary, {w2(g.buttonPrimary), 0}, "#0071E3", "#3D7BFF"},
      {"destructive fill", g.buttonDestructive, {6, 14}, "#D0342C", "#FF453A"},
      {"disabled primary", g.buttonPrimaryDisabled, {6, 14}, "#99C6F3", "#203C83"},
      {"icon button fill", g.iconNormal, {4, 14}, "#FFFFFF", "#121838"},
      {"icon button border", g.iconNormal, {14, 0}, "#D4D4D9", "#222A52"},
      {"hovered icon fill", g.iconHovered, {4, 14}, "#F5F5F7", "#1C2450"},
      {"hovered icon border", g.iconHovered, {14, 0}, "#0071E3", "#3D7BFF"},
      {"active icon fill", g.iconActive, {4, 14}, "#EEF4FF", "#1B2C60"},
      {"active icon border", g.iconActive, {14, 0}, "#0071E3", "#3D7BFF"},
      {"active hovered fill", g.iconActiveHovered, {4, 14}, "#EEF4FF", "#1B2C60"},
      {"active hovered border", g.iconActiveHovered, {14, 0}, "#0071E3", "#3D7BFF"},
      {"field fill", g.fieldEmpty, {g.fieldEmpty->width() - 4.0, 14}, "#F5F5F7", "#1C2450"},
      {"field border", g.fieldEmpty, {w2(g.fieldEmpty), 0}, "#D4D4D9", "#222A52"},
      {"focused border", g.fieldFocused, {w2(g.fieldFocused), 0}, "#0071E3", "#3D7BFF"},
      {"focused ring 1", g.fieldFocused, {w2(g.fieldFocused), 1}, "#C9DDF3", "#223470"},
      {"focused ring 2", g.fieldFocused, {w2(g.fieldFocused), 2}, "#C9DDF3", "#223470"},
      {"focused fill", g.fieldFocused, {w2(g.fieldFocused), 3}, "#F5F5F7", "#1C2450"},
      {"header", g.header, {w2(g.header), 15}, "#FFFFFF", "#0D1230"},
      {"header hairline", g.header, {w2(g.header), 29}, "#DEDEE3", "#1A2146"},
      {"underline", g.tabs->tabButton(1), {w2(g.tabs->tabButton(1)), 36}, "#0071E3", "#3D7BFF"},
      {"tab hairline", g.tabs->tabButton(1), {w2(g.tabs->tabButton(1)), 37}, "#DEDEE3", "#1A2146"},
      {"status bar top", g.statusBar, {w2(g.statusBar), 0}, "#F0F0F2", "#1A2146"},
      {"status bar", g.statusBar, {g.statusBar->width() - 4.0, 12}, "#FBFBFD", "#0C1128"},
      {"pill good", g.pillGood, {4, h2(g.pillGood)}, "#DFEDE3", "#122C35"},
      {"pill bad", g.pillBad, {4, h2(g.pillBad)}, "#F8E2E1", "#2F1931"},
      {"pill warn", g.pillWarn, {4, h2(g.pillWarn)}, "#EAE1D1", "#39353D"},
      {"pill neutral", g.pillNeutral, {4, h2(g.pillNeutral)}, "#F5F5F7", "#1C2450"},
      {"pill accent", g.pillAccent, {4, h2(g.pillAccent)}, "#EEF4FF", "#1B2C60"},
      {"selected row", g.rowSelected, {12, 14}, "#EEF4FF", "#1B2C60"},
      {"row margin", g.rowSelected, {3, 14}, "#FFFFFF", "#0D1230"},
      {"hovered row", g.rowHovered, {12, 14}, "#F5F5F7", "#18204A"},
      {"plain row", g.rowPlain, {12, 14}, "#FFFFFF", "#0D1230"},
      {"handle line", handle, {0, 40}, "#D4D4D9", "#222A52"},
      {"left of handle", g.handleLeft, {g.handleLeft->width() - 2.0, 40}, "#FBFBFD", "#0C1128"},
      {"right of handle", g.handleRight, {2, 40}, "#FFFFFF", "#121838"},
      {"split divider", g.split->divider(), {20, 0}, "#D4D4D9", "#222A52"},
      {"hairline soft", g.hairlineSoft, {20, 0}, "#DEDEE3", "#1A2146"},
      {"hairline plain", g.hairlinePlain, {20, 0}, "#D4D4D9", "#222A52"},
      {"bare button border", g.bare, {w2(g.bare), 0}, "#D4D4D9", "#D4D4D9"},
      {"bare button fill", g.bare, {6, 14}, "#FFFFFF", "#FFFFFF"},
  };
}

TEST(KitGallery, LightThenDarkThroughTheScope) {
  test::app();
  KitGallery gallery;
  gallery.resize(980, 760);
  gallery.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gallery));
  gallery.enterStates();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&gallery));  // the focused field's ring
  ASSERT_TRUE(test::tweensAtRest(&gallery));
  const QImage light = gallery.grab().toImage();
  PaletteScope::set(gallery.content, darkPalette());
  QCoreApplication::processEvents();
  const QImage dark = gallery.grab().toImage();
  const QDir here(QCoreApplication::applicationDirPath());
  light.save(here.filePath("kit-gallery-light.png"));
  dark.save(here.filePath("kit-gallery-dark.png"));

  for (const Probe& p : probes(gallery)) {
    SCOPED_TRACE(p.what);
    const QColor l = colourIn(light, gallery, p.widget, p.at);
    const QColor d = colourIn(dark, gallery, p.widget, p.at);
    EXPECT_TRUE(near(l, QColor(p.light)))
        << hex(l).toStdString() << " not " << p.light.toStdString();
    EXPECT_TRUE(near(d, QColor(p.dark))) << hex(d).toStdString() << " not " << p.dark.toStdString();
  }
}

}  // namespace
}  // namespace zx::theme
