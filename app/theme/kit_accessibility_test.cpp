#include "theme/kit_accessibility.h"

#include <gtest/gtest.h>

#include <QAccessibleActionInterface>
#include <QSignalSpy>
#include <functional>
#include <memory>

#include "theme/empty_state.h"
#include "theme/kit_label.h"
#include "theme/section_label.h"
#include "theme/stat_figure.h"
#include "theme/status_bar.h"
#include "theme/status_pill.h"
#include "theme/test_app.h"
#include "theme/underline_tabs.h"

namespace zx::theme {
namespace {

// What a screen reader hears of a widget.
struct Heard {
  QAccessible::Role role;
  QString name;
  QString description;
  friend bool operator==(const Heard&, const Heard&) = default;
};
void PrintTo(const Heard& h, std::ostream* os) {
  *os << "role 0x" << std::hex << int(h.role) << std::dec << " \"" << h.name.toStdString()
      << "\" \"" << h.description.toStdString() << "\"";
}

Heard heard(QWidget* widget) {
  QAccessibleInterface* i = QAccessible::queryAccessibleInterface(widget);
  if (!i) return {QAccessible::NoRole, {}, {}};
  return {i->role(), i->text(QAccessible::Name), i->text(QAccessible::Description)};
}

TEST(KitAccessibility, PaintedTextsAreStaticText) {
  test::app();
  using Make = std::function<QWidget*()>;
  const struct {
    const char* what;
    Make make;
    Heard expected;
  } rows[] = {
      {"label",
       [] { return new KitLabel("Checked", FontStyle::caption, &Palette::muted); },
       {QAccessible::StaticText, "Checked", ""}},
      {"section caption",
       [] { return new SectionLabel("Bots"); },
       {QAccessible::StaticText, "BOTS", ""}},
      {"pill",
       [] { return new StatusPill("Bot", StatusPill::Tone::accent); },
       {QAccessible::StaticText, "Bot", ""}},
      {"status item",
       [] { return new StatusItem("Ln", "12"); },
       {QAccessible::StaticText, "Ln", "12"}},
      {"statistic",
       [] { return new StatFigure("Net profit", "1,234.50"); },
       {QAccessible::StaticText, "Net profit", "1,234.50"}},
      {"empty state",
       [] { return new EmptyState(Glyph(), "No problems", "The last check found nothing.", 16); },
       {QAccessible::StaticText, "No problems", "The last check found nothing."}},
  };
  for (const auto& r : rows) {
    std::unique_ptr<QWidget> w(r.make());
    EXPECT_EQ(heard(w.get()), r.expected) << r.what;
  }
  // A figure's caption and value stay current.
  StatFigure figure("Win rate", "50.0%");
  figure.setValue("62.5%");
  EXPECT_EQ(heard(&figure), (Heard{QAccessible::StaticText, "Win rate", "62.5%"}));
}

TEST(KitAccessibility, TabsArePageTabsOfAPageTabList) {
  test::app();
  UnderlineTabs strip({{0, "Problems"}, {1, "Tester"}, {2, "Journal"}});
  strip.setSelection(0);
  QSignalSpy edited(&strip, &UnderlineTabs::selectionEdited);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&strip);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->role(), QAccessible::PageTabList);
  QStringList names;
  for (TabButton* tab : strip.tabButtons()) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(tab);
    ASSERT_TRUE(i);
    EXPECT_EQ(i->role(), QAccessible::PageTab);
    EXPECT_EQ(i->parent(), list);
    EXPECT_TRUE(i->state().selectable);
    names << i->text(QAccessible::Name) + (i->state().selected ? "*" : "");
  }
  EXPECT_EQ(names, QStringList({"Problems*", "Tester", "Journal"}));

  // Pressing a tab through accessibility chooses it as a click does.
  QAccessibleInterface* tester = QAccessible::queryAccessibleInterface(strip.tabButton(1));
  ASSERT_TRUE(tester->actionInterface());
  EXPECT_TRUE(
      tester->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  tester->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(edited.count(), 1);
  EXPECT_EQ(strip.selection(), 1);
  EXPECT_TRUE(tester->state().selected);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(strip.tabButton(0))->state().selected);
}

}  // namespace
}  // namespace zx::theme
