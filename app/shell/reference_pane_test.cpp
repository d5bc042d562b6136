#include "shell/reference_pane.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include "bridge/fake_engine.h"
#include "bridge/kelo_calls.h"
#include "shell/reference_detail.h"
#include "shell/reference_list.h"
#include "shell/reference_rows.h"
#include "shell/root_view.h"
#include "shell/shell_test_support.h"
#include "shell/zentrix_code_app.h"
#include "theme/fake_system_appearance.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

using bridge::Completion;

// The rows as shown: "[Indicators 3]" for a header ("+" when folded), "ema*" when chosen.
QString shownRows(const ReferenceRows& rows) {
  QStringList out;
  for (int i = 0; i < rows.size(); ++i) {
    const ReferenceRows::Row& r = rows.row(i);
    if (r.header) {
      out << QString("[%1 %2%3]").arg(r.title).arg(r.count).arg(r.collapsed ? "+" : "");
    } else {
      out << r.entry.name + (r.selected ? "*" : "");
    }
  }
  return out.join(' ');
}

struct PaneRig {
  bridge::FakeEngine engine;
  std::unique_ptr<QWidget> host = (testing::testApp(), std::make_unique<QWidget>());
  ReferencePane* pane = nullptr;

  explicit PaneRig(const theme::Palette& palette = theme::lightPalette(),
                   QList<Completion> reply = testing::sampleCompletions()) {
    engine.completionsReply = std::move(reply);
    theme::PaletteScope::set(host.get(), palette);
    pane = new ReferencePane(engine, host.get());
  }
  ReferencePane& show(int width = 300, int height = 520) {
    host->resize(width, height);
    pane->resize(width, height);
    pane->show();
    host->show();
    QTest::qWait(10);
    return *pane;
  }
  ReferenceList* list() const { return pane->list(); }
  const ReferenceRows& rows() const { return *pane->rows(); }
  QString shown() const { return shownRows(rows()); }
  QPoint centreOfRow(int row) const { return list()->visualRect(rows().index(row)).center(); }
  void click(int row) const {
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, centreOfRow(row));
  }
  void type(const QString& text) const { QTest::keyClicks(pane->searchField()->lineEdit(), text); }
};

const char kEverything[] =
    "[Price data 1] close [Indicators 3] ema sma ta [General 4] Alpha Zeta alpha beta";

TEST(ReferencePane, FoldsSectionsByHeaderClicks) {
  PaneRig rig;
  ReferencePane& pane = rig.show();
  EXPECT_EQ(pane.countLabel()->text(), "9");
  EXPECT_EQ(rig.shown(), kEverything);

  rig.click(rig.rows().findHeader("Indicators"));
  EXPECT_EQ(rig.shown(), "[Price data 1] close [Indicators 3+] [General 4] Alpha Zeta alpha beta");
  EXPECT_EQ(pane.countLabel()->text(), "9");
  rig.click(rig.rows().findHeader("Indicators"));
  EXPECT_EQ(rig.shown(), kEverything);
  // Folding outlives a search that changes the section's entries.
  rig.click(rig.rows().findHeader("General"));
  rig.type("ta");
  EXPECT_EQ(rig.shown(), "[Indicators 2] ta ta.rsi [General 2+]");
  EXPECT_EQ(pane.countLabel()->text(), "4");
}

TEST(ReferencePane, ThePinnedHeaderFoldsItsOwnSection) {
  PaneRig rig;
  ReferencePane& pane = rig.show(300, 340);
  ReferenceList* list = rig.list();
  EXPECT_EQ(list->pinned().section, -1);

  // Scrolled into the rows of Indicators, its header is pinned over the chosen "ema".
  rig.click(rig.rows().findEntry("ema"));
  ASSERT_GT(list->verticalScrollBar()->maximum(), 100);
  const int ema = rig.rows().findEntry("ema");
  list->verticalScrollBar()->setValue(list->visualRect(rig.rows().index(ema)).top() +
                                      list->verticalScrollBar()->value() + 2);
  const ReferenceList::Pinned pin = list->pinned();
  ASSERT_EQ(pin.section, 1);
  EXPECT_EQ(pin.rect, QRect(0, 0, list->viewport()->width(), 24));
  // The chosen row runs from y -2 to 26: only its last two rows of pixels show.
  list->clearFocus();
  const QImage image = list->viewport()->grab().toImage();
  const int x = list->viewport()->width() - 60;
  EXPECT_EQ(image.pixelColor(x, 2).name().toUpper(), "#FBFBFD");
  EXPECT_EQ(image.pixelColor(x, 22).name().toUpper(), "#FBFBFD");
  EXPECT_EQ(image.pixelColor(x, 24).name().toUpper(), "#EEF4FF");

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 12));
  EXPECT_EQ(rig.shown(), "[Price data 1] close [Indicators 3+] [General 4] Alpha Zeta alpha beta");
  EXPECT_TRUE(pane.state().isCollapsed("Indicators"));
  EXPECT_FALSE(pane.state().isCollapsed("General"));
}

TEST(ReferencePane, TheNextHeaderPushesThePinnedOneUp) {
  PaneRig rig;
  rig.show(300, 210);
  ReferenceList* list = rig.list();
  const int general = rig.rows().findHeader("General");
  const int value = list->verticalScrollBar()->value();
  // General's header 10 px below the top: the pinned Indicators header is pushed up by 14.
  list->verticalScrollBar()->setValue(list->visualRect(rig.rows().index(general)).top() + value -
                                      10);
  const ReferenceList::Pinned pin = list->pinned();
  ASSERT_EQ(pin.section, 1);
  EXPECT_EQ(pin.rect.top(), -14);
}

TEST(ReferencePane, TheChosenEntryStaysInTheDetail) {
  PaneRig rig;
  ReferencePane& pane = rig.show();
  EXPECT_TRUE(pane.detail()->isHidden());

  rig.click(rig.rows().findEntry("ema"));
  ASSERT_TRUE(pane.detail()->isVisible());
  EXPECT_EQ(pane.detail()->nameLabel()->text(), "ema");
  EXPECT_EQ(pane.detail()->typeLabel()->text(), "(series, int) -> series");
  EXPECT_EQ(pane.detail()->summaryLabel()->text(), "Exponential moving average");
  EXPECT_TRUE(pane.detail()->summaryLabel()->isVisible());
  EXPECT_EQ(rig.shown(), QString(kEverything).replace("ema", "ema*"));
  const Qt::TextInteractionFlags selectable =
      Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
  EXPECT_EQ(pane.detail()->typeLabel()->textInteractionFlags() & selectable, selectable);

  rig.type("close");
  EXPECT_EQ(rig.shown(), "[Price data 1] close");
  EXPECT_TRUE(pane.detail()->isVisible());
  EXPECT_EQ(pane.detail()->nameLabel()->text(), "ema");

  rig.pane->searchField()->lineEdit()->clear();
  rig.type("beta");
  rig.click(rig.rows().findEntry("beta"));
  EXPECT_EQ(pane.detail()->nameLabel()->text(), "beta");
  EXPECT_FALSE(pane.detail()->summaryLabel()->isVisible());
}

TEST(ReferencePane, FollowsAPaletteChangeAtOnce) {
  PaneRig rig;
  ReferencePane& pane = rig.show();
  rig.click(rig.rows().findEntry("ema"));
  const auto headerPixel = [&] {
    const QPoint at = rig.list()->visualRect(rig.rows().index(0)).topRight() + QPoint(-60, 2);
    return rig.list()->viewport()->grab().toImage().pixelColor(at).name().toUpper();
  };
  EXPECT_EQ(headerPixel(), "#FBFBFD");
  theme::PaletteScope::set(rig.host.get(), theme::darkPalette());
  EXPECT_EQ(headerPixel(), "#0C1128");
  EXPECT_EQ(pane.detail()->typeLabel()->palette().color(QPalette::WindowText),
            theme::darkPalette().accent);
  EXPECT_EQ(pane.detail()->summaryLabel()->palette().color(QPalette::WindowText),
            theme::darkPalette().textTertiary);
}

TEST(ReferencePane, ALongTypeWrapsWithinANarrowPane) {
  const QString type = "fn(series<num>, series<num>, series<num>, int) -> series<num>";
  const QString word = "fn(series<num>,series<num>,series<num>,series<num>)->series<num>";
  PaneRig rig(theme::lightPalette(),
              {{"long", "function", type, "", "Maths"}, {"word", "function", word, "", "Maths"}});
  ReferencePane& pane = rig.show(240, 520);
  QLabel* label = pane.detail()->typeLabel();
  rig.click(rig.rows().findEntry("long"));
  QTest::qWait(10);
  EXPECT_LE(label->geometry().right(), 240 - 16);
  EXPECT_GE(label->height(), 3 * label->fontMetrics().lineSpacing());
  EXPECT_EQ(label->text(), type);  // copied as the engine wrote it

  // A type with no break in it is cut rather than widening the whole column.
  rig.click(rig.rows().findEntry("word"));
  EXPECT_LE(pane.minimumSizeHint().width(), 240);
  EXPECT_LE(pane.detail()->minimumSizeHint().width(), 240);
}

TEST(ReferencePane, KeyboardWalksFoldsAndChooses) {
  PaneRig rig;
  ReferencePane& pane = rig.show();
  QApplication::setActiveWindow(rig.host.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(rig.host.get()));
  pane.searchField()->lineEdit()->setFocus();
  QTest::keyClick(pane.searchField()->lineEdit(), Qt::Key_Tab);
  ASSERT_TRUE(rig.list()->hasFocus());

  EXPECT_EQ(rig.list()->currentIndex().row(), 0);  // the Price data header
  QTest::keyClick(rig.list(), Qt::Key_Down);       // close
  QTest::keyClick(rig.list(), Qt::Key_Down);       // Indicators
  QTest::keyClick(rig.list(), Qt::Key_Space);
  EXPECT_TRUE(pane.state().isCollapsed("Indicators"));
  EXPECT_EQ(rig.list()->currentIndex().row(), rig.rows().findHeader("Indicators"));
  QTest::keyClick(rig.list(), Qt::Key_Down);  // General
  QTest::keyClick(rig.list(), Qt::Key_Down);  // Alpha
  QTest::keyClick(rig.list(), Qt::Key_Return);
  ASSERT_TRUE(pane.state().selection().has_value());
  EXPECT_EQ(pane.state().selection()->name, "Alpha");
}

TEST(ReferencePane, LoadsWhenFirstShownAndAgainOnlyAfterAnEmptyReply) {
  PaneRig rig;
  EXPECT_TRUE(rig.engine.calls().isEmpty());  // nothing before it is shown
  rig.show();
  EXPECT_EQ(rig.engine.calls(), QStringList{"completions "});
  rig.host->hide();
  rig.host->show();
  EXPECT_EQ(rig.engine.calls(), QStringList{"completions "});

  PaneRig empty(theme::lightPalette(), {});
  empty.show();
  EXPECT_EQ(empty.pane->countLabel()->text(), "0");
  EXPECT_EQ(empty.rows().size(), 0);
  empty.engine.completionsReply = testing::sampleCompletions();
  empty.host->hide();
  empty.host->show();
  EXPECT_EQ(empty.engine.calls(), (QStringList{"completions ", "completions "}));
  EXPECT_EQ(empty.shown(), kEverything);

  // A new pane starts afresh.
  rig.type("ta");
  rig.click(rig.rows().findEntry("ta"));
  rig.click(rig.rows().findHeader("Indicators"));
  delete rig.pane;
  rig.pane = new ReferencePane(rig.engine, rig.host.get());
  rig.show();
  EXPECT_EQ(rig.pane->state().query(), "");
  EXPECT_FALSE(rig.pane->state().selection().has_value());
  EXPECT_TRUE(rig.pane->state().collapsed().isEmpty());
  EXPECT_EQ(rig.pane->searchField()->text(), "");
  EXPECT_EQ(rig.shown(), kEverything);
}

TEST(ReferencePane, RealEngineListsEveryNonMemberUnderTheThirteenTitles) {
  testing::testApp();
  const QList<Completion> all = bridge::Kelo::completions("");
  ASSERT_FALSE(all.isEmpty());
  const auto members =
      std::count_if(all.begin(), all.end(), [](const Completion& c) { return c.kind == "member"; });
  ReferencePane pane(bridge::Kelo::engine());
  pane.resize(300, 600);
  pane.show();
  EXPECT_EQ(pane.countLabel()->text(), QString::number(all.size() - members));
  int headers = 0;
  for (int i = 0; i < pane.rows()->size(); ++i) {
    const ReferenceRows::Row& r = pane.rows()->row(i);
    if (!r.header) continue;
    ++headers;
    EXPECT_TRUE(ReferenceState::groupOrder().contains(r.title)) << r.title.toStdString();
  }
  EXPECT_GT(headers, 1);
}

// Counts the work a list's layout brings about: its scroll bar shown or hidden, its viewport
// resized, a layout requested. A list whose scroll bar keeps coming and going never lets
// the event loop rest; past a bound the watch turns the bar off, so that such a list ends
// the test with a failure instead of spinning.
class LayoutWatch final : public QObject {
 public:
  static constexpr int kFlipBound = 20;
  static constexpr int kRoundBound = 40;

  explicit LayoutWatch(ReferenceList* list) : list_(list) {
    list->installEventFilter(this);
    list->viewport()->installEventFilter(this);
    list->verticalScrollBar()->installEventFilter(this);
  }

  int flips = 0;    // scroll bar shown or hidden
  int resizes = 0;  // of the viewport
  bool brokenOff = false;

  void reset() { flips = resizes = 0; }

  // Rounds of the event loop until two in a row bring no layout work and nothing is left
  // posted; -1 when that does not come within the bound.
  int roundsToSettle() {
    int quiet = 0;
    for (int round = 1; round <= kRoundBound; ++round) {
      const int before = work_;
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents();
      quiet = work_ == before ? quiet + 1 : 0;
      if (brokenOff) return -1;
      if (quiet == 2) return round;
    }
    return -1;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::Hide:
        if (watched != list_->verticalScrollBar()) return false;
        ++flips;
        break;
      case QEvent::Resize:
        if (watched != list_->viewport()) return false;
        ++resizes;
        break;
      case QEvent::LayoutRequest:
        break;
      default:
        return false;
    }
    ++work_;
    if (flips > kFlipBound && !brokenOff) {
      brokenOff = true;
      list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    return false;
  }

 private:
  ReferenceList* list_;
  int work_ = 0;
};

// The whole window at its first size over fakes, its reference pane listing the real
// engine's library.
struct WindowRig : testing::ShellRig {
  theme::FakeSystemAppearance desktop;
  std::unique_ptr<ZentrixCodeApp> app;

  WindowRig() {
    engine.fake.completionsReply = bridge::Kelo::completions(QString());
    app = std::make_unique<ZentrixCodeApp>(
        ZentrixCodeApp::Services{engine, client, dialogs, viewer, desktop, *store});
    app->show();
    app->window().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&app->window()));
  }
  ReferencePane& pane() { return *app->root().referencePane(); }
};

TEST(ReferencePane, ASearchThatEmptiesAScrollingListSettlesAtOnce) {
  struct Case {
    const char* before;  // typed first, the list still scrolling
    const char* input;
    bool pasted;
  };
  const Case cases[] = {
      {"e", "~", false},
      {"", R"(bot "Golden Cross" {)", true},
      {"", "~", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QStringLiteral("%1 then %2").arg(c.before, c.input).toStdString());
    WindowRig rig;
    ASSERT_EQ(rig.app->window().size(), QSize(1360, 880));
    ReferencePane& pane = rig.pane();
    ReferenceList* list = pane.list();
    QLineEdit* field = pane.searchField()->lineEdit();
    QScrollBar* bar = list->verticalScrollBar();
    LayoutWatch watch(list);
    QTest::mouseClick(field, Qt::LeftButton);
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClicks(field, QString::fromUtf8(c.before));
    ASSERT_GT(watch.roundsToSettle(), 0);
    ASSERT_GT(bar->maximum(), list->viewport()->height()) << "the list scrolls";
    ASSERT_TRUE(bar->isVisible());

    watch.reset();
    if (c.pasted) {
      QGuiApplication::clipboard()->setText(QString::fromUtf8(c.input));
      QTest::keySequence(field, QKeySequence::Paste);
    } else {
      QTest::keyClicks(field, QString::fromUtf8(c.input));
    }
    const int rounds = watch.roundsToSettle();
    EXPECT_GT(rounds, 0) << "still laying out after " << LayoutWatch::kRoundBound
                         << " rounds of the event loop, the scroll bar shown or hidden "
                         << watch.flips << " times";
    if (rounds < 0) continue;
    EXPECT_EQ(field->text(), QString::fromUtf8(c.before) + QString::fromUtf8(c.input));
    EXPECT_EQ(pane.countLabel()->text(), "0");
    EXPECT_EQ(list->model()->rowCount(), 0);
    EXPECT_EQ(bar->maximum(), 0);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_LE(watch.flips, 1);
    EXPECT_LE(watch.resizes, 1);

    // The window still answers: the list comes back.
    QTest::keySequence(field, QKeySequence::SelectAll);
    QTest::keyClick(field, Qt::Key_Backspace);
    ASSERT_GT(watch.roundsToSettle(), 0);
    EXPECT_EQ(pane.countLabel()->text(), QString::number(pane.state().matches().size()));
    EXPECT_TRUE(bar->isVisible());
  }
}

// Rows whose height comes near the viewport's, within the room left below the last row:
// the scroll bar shows exactly when rows and room overflow, and each height settles.
TEST(ReferencePane, ContentAboutAsHighAsTheViewportSettlesAtOnce) {
  QList<Completion> entries;
  for (int i = 0; i < 12; ++i) {
    entries.append(
        {QStringLiteral("f%1").arg(i, 2, 10, QChar('0')), "function", "() -> void", "", "Maths"});
  }
  PaneRig rig(theme::lightPalette(), entries);
  rig.show(300, 700);
  ReferenceList* list = rig.list();
  QScrollBar* bar = list->verticalScrollBar();
  ASSERT_EQ(bar->value(), 0);
  const int content = list->visualRect(rig.rows().index(rig.rows().size() - 1)).bottom() + 1;
  constexpr int kRoom = 16;
  LayoutWatch watch(list);

  // From well clear, down through the room, to just inside the rows, and back.
  QList<int> clearances;
  for (int c = kRoom + 3; c >= -3; --c) clearances << c;
  for (int c = -2; c <= kRoom + 3; ++c) clearances << c;
  for (const int clearance : clearances) {
    SCOPED_TRACE(
        QStringLiteral("viewport %1 px taller than the rows").arg(clearance).toStdString());
    const int grow = content + clearance - list->viewport()->height();
    watch.reset();
    rig.host->resize(rig.host->width(), rig.host->height() + grow);
    rig.pane->resize(rig.host->size());
    ASSERT_GT(watch.roundsToSettle(), 0)
        << "the scroll bar was shown or hidden " << watch.flips << " times";
    ASSERT_EQ(list->viewport()->height(), content + clearance);
    // Grown past the room, the list hides the bar, may show it again from the range it had
    // before it grew, and hides it for good.
    EXPECT_LE(watch.flips, 3);
    EXPECT_EQ(bar->maximum(), std::max(0, kRoom - clearance));
    EXPECT_EQ(bar->isVisible(), clearance < kRoom);
  }
}

}  // namespace
}  // namespace zx::views
