#include "theme/kit_gallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "theme/palette_scope.h"

namespace zx::theme {
namespace {

enum GalleryTab { problems, tester, journal };

// A plain area in one palette colour.
class Swatch : public QWidget {
 public:
  Swatch(QColor Palette::*role, QWidget* parent = nullptr) : QWidget(parent), role_(role) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), PaletteScope::of(this).*role_);
  }

 private:
  QColor Palette::*role_;
};

class PanelArea : public Swatch {
 public:
  explicit PanelArea(QWidget* parent = nullptr) : Swatch(&Palette::panel, parent) {}
};

QHBoxLayout* row(QVBoxLayout* column, int spacing = 12) {
  auto* r = new QHBoxLayout;
  r->setSpacing(spacing);
  column->addLayout(r);
  return r;
}

void enter(QWidget* w) {
  const QPointF inside(w->width() / 2.0, w->height() / 2.0);
  QEnterEvent event(inside, w->mapTo(w->window(), inside), w->mapToGlobal(inside));
  QApplication::sendEvent(w, &event);
}

}  // namespace

KitGallery::KitGallery(QWidget* parent) : QWidget(parent) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  content = new PanelArea;
  outer->addWidget(content);
  auto* bareStrip = new QWidget;
  auto* bareRow = new QHBoxLayout(bareStrip);
  bareRow->setContentsMargins(16, 8, 16, 8);
  bare = new KitButton("No host", Glyph::ofSymbol("hammer"));
  bareRow->addWidget(bare);
  bareRow->addStretch();
  outer->addWidget(bareStrip);

  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(16, 16, 16, 16);
  column->setSpacing(12);

  auto* buttons = row(column);
  buttonNormal = new KitButton("Build", Glyph::ofSymbol("hammer"));
  buttonHovered = new KitButton("Hovered", Glyph::ofSymbol("hammer"));
  buttonPrimary = new KitButton("Run test", Glyph::ofSymbol("play.fill"), KitButton::Tone::primary);
  buttonPrimaryDisabled =
      new KitButton("Running", Glyph::ofSymbol("play.fill"), KitButton::Tone::primary);
  buttonPrimaryDisabled->setEnabled(false);
  buttonDestructive = new KitButton("Delete", Glyph(), KitButton::Tone::destructive);
  buttonIcon = new KitButton("New", Icon::plus);
  for (QWidget* w :
       {static_cast<QWidget*>(buttonNormal), static_cast<QWidget*>(buttonHovered),
        static_cast<QWidget*>(buttonPrimary), static_cast<QWidget*>(buttonPrimaryDisabled),
        static_cast<QWidget*>(buttonDestructive), static_cast<QWidget*>(buttonIcon)}) {
    buttons->addWidget(w);
  }
  iconNormal = new IconButton(Glyph::ofSymbol("sidebar.right"), "Kelo reference");
  iconHovered = new IconButton(Icon::indicators, "Indicators");
  iconActive = new IconButton(Glyph::ofSymbol("sidebar.right"), "Kelo reference");
  iconActive->setActive(true);
  iconActiveHovered = new IconButton(Icon::plus, "New file");
  iconActiveHovered->setActive(true);
  for (IconButton* b : {iconNormal, iconHovered, iconActive, iconActiveHovered}) {
    buttons->addWidget(b);
  }
  buttons->addStretch();

  auto* fields = row(column);
  fieldEmpty = new KitField("Search the standard library");
  fieldText = new KitField("Search broker");
  fieldText->setText("Zentrix Markets");
  fieldFocused = new KitField("Focused");
  for (KitField* f : {fieldEmpty, fieldText, fieldFocused}) fields->addWidget(f);

  header = new PanelHeader("Reference");
  header->addTrailing(new StatusPill("Indicator", StatusPill::Tone::accent));
  auto* count = new KitLabel("128 lines", FontStyle::caption, &Palette::muted);
  count->setTabularDigits(true);
  header->addTrailing(count);
  column->addWidget(header);

  tabs = new UnderlineTabs({{problems, "Problems 3"}, {tester, "Tester"}, {journal, "Journal"}});
  tabs->setSelection(tester);
  tabs->setTrailing(new KitButton("Run", Glyph::ofSymbol("play.fill"), KitButton::Tone::primary));
  column->addWidget(tabs);

  auto* lists = row(column, 16);
  auto* rows = new QVBoxLayout;
  rows->setSpacing(0);
  section = new SectionLabel("indicators");
  rows->addWidget(section);
  rowSelected = new SidebarRow("golden-cross.kelo", Glyph::ofSymbol("cpu"));
  rowSelected->setSelected(true);
  rowSelected->setTrailingDot(true);
  rowPlain = new SidebarRow("rsi-bands.kelo", Glyph::ofSymbol("chart.xyaxis.line"));
  rowHovered = new SidebarRow("helpers.kelolib", Glyph::ofSymbol("books.vertical"));
  rowLong = new SidebarRow("a-very-long-strategy-name-that-does-not-fit.kelo",
                           Glyph::ofSymbol("function", 11, QFont::Medium));
  for (SidebarRow* r : {rowSelected, rowPlain, rowHovered, rowLong}) {
    r->setFixedWidth(240);
    rows->addWidget(r);
  }
  lists->addLayout(rows);

  auto* pills = new QVBoxLayout;
  pills->setSpacing(8);
  pillNeutral = new StatusPill("Library", StatusPill::Tone::neutral);
  pillAccent = new StatusPill("Bot", StatusPill::Tone::accent);
  pillGood = new StatusPill("Broker prices", StatusPill::Tone::good);
  pillBad = new StatusPill("2 errors", StatusPill::Tone::bad);
  pillWarn = new StatusPill("Profit in EUR", StatusPill::Tone::warn);
  for (StatusPill* p : {pillNeutral, pillAccent, pillGood, pillBad, pillWarn}) pills->addWidget(p);
  pills->addStretch();
  lists->addLayout(pills);

  auto* empties = new QVBoxLayout;
  emptySymbol = new EmptyState(Glyph::ofSymbol("checkmark"), "No problems",
                               "The file compiles. Build it to a bundle, or run a backtest.", 16);
  emptyIcon = new EmptyState(Icon::indicators, "No backtest yet",
                             "Run one to see the equity curve, the trades and the statistics.", 16);
  empties->addWidget(emptySymbol);
  empties->addWidget(emptyIcon);
  lists->addLayout(empties, 1);

  auto* stats = row(column, 0);
  const char* labels[3] = {"Net profit", "Win rate", "Maximum drawdown over the whole test"};
  const char* values[3] = {"1,234.56", "61.5%", "-312.40"};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) stats->addWidget(new Hairline(Qt::Vertical, true));
    figures[i] = new StatFigure(labels[i], values[i]);
    stats->addWidget(figures[i], 1);
  }
  figures[0]->setTone(&Palette::buy);
  figures[2]->setTone(&Palette::sell);

  auto* splits = row(column, 0);
  handleLeft = new Swatch(&Palette::surfaceSunken);
  handleLeft->setFixedSize(120, 90);
  handle = new SplitHandle(Size::sidebarRange);
  handle->setValue(120);
  handleRight = new Swatch(&Palette::surface);
  handleRight->setFixedSize(120, 90);
  splits->addWidget(handleLeft);
  splits->addWidget(handle);
  splits->addWidget(handleRight);
  splits->addSpacing(24);
  split =
      new VerticalSplit(new Swatch(&Palette::surface), new Swatch(&Palette::surfaceSunken), 30, 30);
  split->setBottomHeight(40);
  split->setFixedSize(240, 90);
  splits->addWidget(split);
  splits->addStretch();

  hairlineSoft = new Hairline(Qt::Horizontal, true);
  hairlinePlain = new Hairline;
  column->addWidget(hairlineSoft);
  column->addWidget(hairlinePlain);

  statusBar = new StatusBar;
  statusBar->addItem("Kelo", "1.0.0");
  statusBar->addItem("Ln", "12");
  statusBar->addItem("Col", "4");
  statusBar->addItem("Checked", "3 ms");
  statusBar->addItem("Kind", "Bot");
  statusBar->addStretch();
  auto* message = new KitLabel("Built golden-cross.zxb", FontStyle::caption, &Palette::buy);
  message->setElideMode(Qt::ElideMiddle);
  statusBar->addWidget(message);
  column->addWidget(statusBar);
  column->addStretch();

  PaletteScope::set(content, lightPalette());
}

void KitGallery::enterStates() {
  for (QWidget* w :
       {static_cast<QWidget*>(buttonHovered), static_cast<QWidget*>(buttonPrimaryDisabled),
        static_cast<QWidget*>(iconHovered), static_cast<QWidget*>(iconActiveHovered),
        static_cast<QWidget*>(rowHovered)}) {
    enter(w);
  }
  activateWindow();
  fieldFocused->setFocus(Qt::OtherFocusReason);
}

}  // namespace zx::theme
