// Painting costs of the kit: icons and symbols, a list row through the delegate painter,
// a palette switch over a window of kit widgets, and a whole gallery frame per palette.
// Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "theme/kit_gallery.h"
#include "theme/theme.h"

namespace {

using namespace zx::theme;

QApplication& app() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "theme_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = new QApplication(argc, argv);
  return *instance;
}

// Each of the 15 kit icons and 17 symbols at 14 px, weight 1.7; one per iteration.
void BM_PaintIcon(benchmark::State& state) {
  app();
  QImage image(14, 14, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  const QStringList symbols = symbolNames();
  const int count = int(kAllIcons.size()) + int(symbols.size());
  const QRectF square(0, 0, 14, 14);
  int i = 0;
  for (auto _ : state) {
    if (i < int(kAllIcons.size())) {
      paintIcon(painter, kAllIcons[i], square, 1.7, Qt::black);
    } else {
      paintSymbol(painter, symbols[i - int(kAllIcons.size())], square, 11, QFont::Medium,
                  Qt::black);
    }
    i = (i + 1) % count;
  }
  benchmark::DoNotOptimize(image.constBits());
}
BENCHMARK(BM_PaintIcon);

// One reference-pane row: fill, glyph and a label cut to fit.
void BM_PaintSidebarRow(benchmark::State& state) {
  app();
  QImage image(240, 28, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  SidebarRowLook look;
  look.label = "indicators.movingAverageConvergenceDivergenceWithSignal";
  look.selected = true;
  look.leading = Glyph::ofSymbol("function", 11, QFont::Medium);
  for (auto _ : state) paintSidebarRow(painter, image.rect(), look, darkPalette());
  benchmark::DoNotOptimize(image.constBits());
}
BENCHMARK(BM_PaintSidebarRow);

// PaletteScope::set on a window of 1,000 kit widgets: the walk, the events and update(),
// without painting. Alternates light and dark, one switch per iteration.
void BM_PaletteSwitch(benchmark::State& state) {
  app();
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  for (int i = 0; i < 250; ++i) {
    auto* row = new QWidget;
    auto* inner = new QHBoxLayout(row);
    inner->addWidget(new SidebarRow(QString("file-%1.kelo").arg(i), Glyph::ofSymbol("cpu")));
    inner->addWidget(new StatusPill("Bot", StatusPill::Tone::accent));
    inner->addWidget(new Hairline(Qt::Vertical, true));
    layout->addWidget(row);
  }
  bool dark = false;
  for (auto _ : state) {
    dark = !dark;
    PaletteScope::set(&window, dark ? darkPalette() : lightPalette());
  }
  state.counters["widgets"] = double(window.findChildren<QWidget*>().size());
}
BENCHMARK(BM_PaletteSwitch)->Unit(benchmark::kMicrosecond);

// A whole gallery frame rendered in the light (0) or dark (1) palette.
void BM_GalleryFrame(benchmark::State& state) {
  app();
  KitGallery gallery;
  gallery.resize(980, 760);
  PaletteScope::set(gallery.content, state.range(0) ? darkPalette() : lightPalette());
  QImage image(gallery.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    gallery.render(&painter);
  }
}
BENCHMARK(BM_GalleryFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
