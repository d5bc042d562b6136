// The bottom panel's lists: what each row holds, the table headers, and the panel itself.
#include <QClipboard>
#include <QGuiApplication>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include "panels/bottom_panel.h"
#include "panels/journal_list.h"
#include "panels/journal_model.h"
#include "panels/problems_list.h"
#include "panels/problems_model.h"
#include "panels/row_delegate.h"
#include "panels/tester_panel.h"
#include "panels/trades_model.h"
#include "panels/views_test_support.h"

namespace zx::views {
namespace {

bridge::Diagnostic diagnostic(const char* severity, const char* message, qint64 line, qint64 column,
                              const char* code = "KELO3001") {
  bridge::Diagnostic d;
  d.severity = severity;
  d.code = code;
  d.message = message;
  d.line = line;
  d.column = column;
  return d;
}

bridge::JournalLine journal(qint64 bar, const char* level, const char* message, qint64 time) {
  return bridge::JournalLine{bar, time, level, message};
}

QString display(const QAbstractItemModel& m, int row) {
  return m.data(m.index(row, 0), Qt::DisplayRole).toString();
}

TEST(ListModels, ProblemRowsByPosition) {
  ProblemsModel m;
  const bridge::Diagnostic same = diagnostic("warning", "unused 'x'", 3, 1, "KELO3030");
  m.setDiagnostics(
      {diagnostic("error", "expected ')'", 1234, 5), same, same, diagnostic("fatal", "odd", 1, 1)});
  ASSERT_EQ(m.rowCount(), 4);
  EXPECT_EQ(display(m, 0), "error\texpected ')'\tKELO3001\t1234:5");
  EXPECT_EQ(display(m, 2), "warning\tunused 'x'\tKELO3030\t3:1") << "equal findings, two rows";
  EXPECT_EQ(m.cell(0, 0).tone, Tone::sell);
  EXPECT_EQ(m.cell(1, 0).tone, Tone::warning);
  EXPECT_EQ(m.cell(3, 0).tone, Tone::warning) << "only exactly \"error\" is red";
  EXPECT_EQ(m.cell(0, 3).text, "1234:5");
  EXPECT_FALSE(m.hasHeader());
}

TEST(ListModels, JournalTable) {
  JournalModel m;
  EXPECT_EQ(m.rowCount(), 1);
  EXPECT_EQ(display(m, 0), "Bar\tLevel\tMessage\tTime");
  EXPECT_EQ(m.flags(m.index(0, 0)), Qt::NoItemFlags);

  m.setLines({journal(1, "info", "msg1", 0), journal(2, "Warn", "msg2", 1700000000000),
              journal(2, "Warn", "msg2", 1700000000000), journal(7, "warn", "msg3", -1)});
  ASSERT_EQ(m.rowCount(), 5);
  EXPECT_EQ(display(m, 2), "2\tWARN\tmsg2\t14 Nov 22:13");
  EXPECT_EQ(display(m, 3), display(m, 2)) << "duplicates stay";
  EXPECT_EQ(display(m, 4), "7\tWARN\tmsg3\t\u2014");
  EXPECT_EQ(m.cell(1, 1).tone, Tone::muted);
  EXPECT_EQ(m.cell(3, 1).tone, Tone::warning);
  EXPECT_TRUE(m.flags(m.index(1, 0)) & Qt::ItemIsSelectable);
  EXPECT_EQ(m.data(m.index(4, 0), Qt::ToolTipRole).toString(), "msg3");
  EXPECT_FALSE(m.data(m.index(0, 0), Qt::ToolTipRole).isValid());

  EXPECT_EQ(m.messages({m.index(4, 0), m.index(0, 0), m.index(2, 0), m.index(2, 0)}), "msg2\nmsg3");
}

TEST(ListModels, TradesTable) {
  bridge::Trade t;
  t.side = "Buy";
  t.openPrice = 1.1;
  t.closePrice = 1.23456789;
  t.profit = -1234.5;
  t.reason = "take profit";
  TradesModel m;
  const QList<bridge::Trade> trades{t};
  m.setTrades(trades, 5, "USD");
  EXPECT_EQ(m.trades().constData(), trades.constData()) << "shares the report's list";
  EXPECT_EQ(display(m, 0), "Side\tIn\tOut\tProfit USD\tExit");
  EXPECT_EQ(display(m, 1), "BUY\t1.10000\t1.23457\t-1,234.50\ttarget");
  EXPECT_EQ(m.cell(0, 0).tone, Tone::sell);
  EXPECT_EQ(m.cell(0, 3).tone, Tone::sell);
  EXPECT_EQ(m.cell(0, 4).tone, Tone::buy);

  m.setTrades({}, 12, "");
  EXPECT_EQ(m.rowCount(), 1) << "the header alone";
  EXPECT_EQ(display(m, 0), "Side\tIn\tOut\tProfit \tExit");
  m.setTrades(trades, -2, "EUR");
  EXPECT_EQ(m.cell(0, 1).text, "1");
  m.setTrades(trades, 12, "EUR");
  EXPECT_EQ(m.cell(0, 1).text, "1.10000000");
}

using model::Workspace;
using testing::Rig;
using testing::settle;
using testing::Window;

QString label(BottomPanel& panel, BottomTab tab) {
  return panel.tabs()->tabButton(int(tab))->label();
}

bridge::BacktestReport reportWithJournal(QList<bridge::JournalLine> lines) {
  bridge::BacktestReport r;
  r.ok = true;
  r.startingBalance = 10000;
  r.journal = std::move(lines);
  return r;
}

TEST(BottomPanel, TabLabelsFollowTheModel) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* panel = window.show(new BottomPanel(w, {}));
  EXPECT_EQ(label(*panel, BottomTab::problems), "Problems");
  EXPECT_EQ(label(*panel, BottomTab::tester), "Tester");
  EXPECT_EQ(label(*panel, BottomTab::journal), "Journal");

  w.setDiagnostics({diagnostic("warning", "unused", 1, 1)});
  EXPECT_EQ(label(*panel, BottomTab::problems), "Problems  1");
  QList<bridge::Diagnostic> many(1234, diagnostic("error", "x", 1, 1));
  w.setDiagnostics(many);
  EXPECT_EQ(label(*panel, BottomTab::problems), "Problems  1234");

  w.setReport(reportWithJournal({}));
  EXPECT_EQ(label(*panel, BottomTab::journal), "Journal");
  w.setReport(reportWithJournal(
      {journal(1, "info", "a", 1), journal(2, "info", "b", 1), journal(3, "info", "c", 1)}));
  EXPECT_EQ(label(*panel, BottomTab::journal), "Journal  3");
}

TEST(BottomPanel, RunButton) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* panel = window.show(new BottomPanel(w, {}));
  theme::KitButton* run = panel->runButton();
  EXPECT_FALSE(run->isVisible()) << "Problems";
  panel->setTab(BottomTab::journal);
  EXPECT_FALSE(run->isVisible()) << "Journal";
  panel->setTab(BottomTab::tester);
  EXPECT_TRUE(run->isVisible());
  EXPECT_EQ(run->title(), "Run");
  EXPECT_TRUE(run->isEnabled());

  w.setDiagnostics({diagnostic("warning", "unused", 1, 1)});
  EXPECT_TRUE(run->isEnabled()) << "warnings alone never disable it";
  w.setDiagnostics({diagnostic("error", "bad", 1, 1)});
  EXPECT_FALSE(run->isEnabled());
  w.setDiagnostics({});

  w.setIsTesting(true);
  EXPECT_EQ(run->title(), "Running");
  EXPECT_FALSE(run->isEnabled());
  w.setIsTesting(false);

  const qsizetype before = rig.engine.names().count(u"backtest golden-cross.kelo"_qs);
  QTest::mouseClick(run, Qt::LeftButton);
  EXPECT_EQ(panel->tab(), BottomTab::tester) << "Run never changes the tab";
  EXPECT_EQ(run->title(), "Running");
  QTest::mouseClick(run, Qt::LeftButton);  // disabled: ignored
  ASSERT_TRUE(model::testing::waitFor(w, Workspace::Field::report));
  settle();
  EXPECT_EQ(rig.engine.names().count(u"backtest golden-cross.kelo"_qs) - before, 1);
}

TEST(BottomPanel, OnlyTheSelectedTabsViewExists) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* panel = window.show(new BottomPanel(w, {}));
  QList<BottomTab> changed;
  QObject::connect(panel, &BottomPanel::tabChanged, [&](BottomTab t) { changed << t; });
  const auto counts = [&] {
    settle();
    return QList<qsizetype>{panel->findChildren<ProblemsList*>().size(),
                            panel->findChildren<TesterPanel*>().size(),
                            panel->findChildren<JournalList*>().size()};
  };
  EXPECT_EQ(counts(), (QList<qsizetype>{1, 0, 0}));
  QTest::mouseClick(panel->tabs()->tabButton(int(BottomTab::journal)), Qt::LeftButton);
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 0, 1}));
  EXPECT_EQ(changed, QList<BottomTab>{BottomTab::journal});
  panel->setTab(BottomTab::tester);
  EXPECT_EQ(counts(), (QList<qsizetype>{0, 1, 0}));
  EXPECT_EQ(changed.size(), 1) << "setTab emits nothing";
}

TEST(ProblemsList, EmptyStateAndRows) {
  Rig rig;
  Workspace& w = rig.start();
  w.setDiagnostics({});
  Window window;
  QList<bridge::Diagnostic> jumps;
  auto* list = window.show(new ProblemsList(w, [&](const bridge::Diagnostic& d) { jumps << d; }));
  EXPECT_EQ(list->findChildren<QListView*>().size(), 0);
  auto* empty = testing::descendant<theme::EmptyState>(list);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->title(), "No problems");
  EXPECT_EQ(empty->detail(), "The file compiles. Build it to a bundle, or run a backtest.");

  const bridge::Diagnostic same = diagnostic("warning", "unused 'x'", 3, 1);
  const bridge::Diagnostic last = diagnostic("error", "expected ')'", 1234, 5);
  w.setDiagnostics({diagnostic("error", "first", 1, 1), same, same, last});
  settle();
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  EXPECT_FALSE(testing::descendant<theme::EmptyState>(list));
  ASSERT_EQ(view->model()->rowCount(), 4);
  EXPECT_TRUE(view->model()->index(3, 0).data().toString().endsWith("\t1234:5"));

  // A click on the stretch between the message and the code of the second row.
  QSignalSpy clicked(view, &QListView::clicked);
  const QRect row1 = view->visualRect(view->model()->index(1, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    QPoint(row1.width() / 2, row1.center().y()));
  ASSERT_EQ(jumps.size(), 1);
  EXPECT_EQ(jumps[0], same);
  const QRect row2 = view->visualRect(view->model()->index(2, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    QPoint(row2.width() / 2, row2.center().y()));
  ASSERT_EQ(clicked.size(), 2);
  EXPECT_EQ(clicked[1][0].value<QModelIndex>().row(), 2) << "equal findings keep their own rows";
  EXPECT_EQ(jumps.size(), 2);

  view->setFocus();
  view->setCurrentIndex(view->model()->index(3, 0));
  QTest::keyClick(view, Qt::Key_Return);
  ASSERT_EQ(jumps.size(), 3);
  EXPECT_EQ(jumps[2], last);
  QTest::keyClick(view, Qt::Key_Up);
  QTest::keyClick(view, Qt::Key_Enter);
  ASSERT_EQ(jumps.size(), 4);
  EXPECT_EQ(jumps[3], same);
}

TEST(ProblemsList, DotsAndHover) {
  Rig rig;
  Workspace& w = rig.start();
  w.setDiagnostics({diagnostic("error", "bad", 1, 1), diagnostic("fatal", "odd", 2, 1),
                    diagnostic("warning", "meh", 3, 1)});
  Window window({800, 200});
  auto* list = window.show(new ProblemsList(w, {}));
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  const theme::Palette& p = window.palette();
  const auto rowRect = [&](int row) { return view->visualRect(view->model()->index(row, 0)); };
  QImage shot = testing::grab(view->viewport());
  // The 6-px dot sits 16 px in, centred in the row.
  EXPECT_TRUE(testing::near(shot.pixelColor(19, rowRect(0).center().y()), p.sell));
  EXPECT_TRUE(testing::near(shot.pixelColor(19, rowRect(1).center().y()), p.warning));

  QTest::mouseMove(view->viewport(), QPoint(400, rowRect(1).center().y()));
  settle();
  shot = testing::grab(view->viewport());
  for (int row = 0; row < 3; ++row) {
    const QColor at = shot.pixelColor(400, rowRect(row).top() + 2);
    EXPECT_EQ(testing::near(at, p.rowHover, 2), row == 1) << row;
  }
}

// A long message gives way first: the code and the whole position stay at the trailing
// end, the position in a frame at least 52 wide that grows to fit it.
TEST(ProblemsList, PositionStaysWhole) {
  Rig rig;
  Workspace& w = rig.start();
  const std::string message =
      QString(QStringLiteral("expected an expression here ")).repeated(20).toStdString();
  const struct {
    const char* message;
    qint64 line, column;
    const char* position;
  } rows[] = {
      {message.c_str(), 5, 100000, "5:100000"},
      {"short", 12, 5, "12:5"},
      {message.c_str(), 123456789, 987654321, "123456789:987654321"},
      {"short", 1, 1, "1:1"},
  };
  QList<bridge::Diagnostic> found;
  for (const auto& row : rows) {
    found << diagnostic("error", row.message, row.line, row.column, "KELO2001");
  }
  w.setDiagnostics(found);
  Window window({640, 200});
  auto* list = window.show(new ProblemsList(w, {}));
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  const QFontMetricsF caption(theme::font(theme::FontStyle::caption));
  const QFontMetricsF table(theme::font(theme::FontStyle::table));
  for (int i = 0; i < int(std::size(rows)); ++i) {
    const auto& row = rows[i];
    const QModelIndex index = view->model()->index(i, 0);
    const QRect rect = view->visualRect(index);
    const QList<RowDelegate::Cell> cells = RowDelegate::layoutCells(rect, index);
    ASSERT_EQ(cells.size(), 4) << row.position;
    const RowDelegate::Cell& position = cells[3];
    EXPECT_EQ(position.shown, row.position);
    EXPECT_EQ(position.frame.width(),
              std::max(52.0, std::ceil(caption.horizontalAdvance(row.position))))
        << row.position;
    EXPECT_NEAR(position.frame.right(), rect.right() + 1 - 16, 0.01) << "at the trailing end";
    EXPECT_EQ(cells[2].shown, "KELO2001") << row.position;
    EXPECT_LE(cells[2].frame.right(), position.frame.left()) << row.position;
    const bool cut = table.horizontalAdvance(row.message) > cells[1].frame.width();
    EXPECT_EQ(cut, row.message == message.c_str()) << row.position;
    EXPECT_EQ(cells[1].shown.endsWith(QChar(0x2026)), cut) << row.position;
  }
}

// A row draws its text on one line whatever it holds: the text engine breaks at a line or
// paragraph separator even on one line. A quoted one, as the engine's message for a stray
// character quotes it, shows by its code.
TEST(ProblemsList, SeparatorsInAMessageStayOnTheRow) {
  Rig rig;
  Workspace& w = rig.start();
  const struct {
    const char16_t* message;
    const char16_t* shown;
  } rows[] = {
      {u"Unexpected character 'q'", u"Unexpected character 'q'"},
      {u"Unexpected character '\u2028'", u"Unexpected character 'U+2028'"},
      {u"Unexpected character '\u2029'", u"Unexpected character 'U+2029'"},
      {u"Unexpected\u2028 text\u2029 here", u"Unexpected  text  here"},
  };
  QList<bridge::Diagnostic> found;
  for (const auto& row : rows) {
    found << diagnostic("error", "", 1, 1);
    found.last().message = QString::fromUtf16(row.message);
  }
  w.setDiagnostics(found);
  Window window({800, 200});
  auto* list = window.show(new ProblemsList(w, {}));
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  const QImage shot = testing::grab(view->viewport());
  // The rows' inked lines in the message column, relative to each row's top.
  QList<std::pair<int, int>> inked;
  for (int i = 0; i < int(std::size(rows)); ++i) {
    const QModelIndex index = view->model()->index(i, 0);
    const QRect rect = view->visualRect(index);
    const QList<RowDelegate::Cell> cells = RowDelegate::layoutCells(rect, index);
    ASSERT_EQ(cells.size(), 4);
    EXPECT_EQ(cells[1].shown, QString::fromUtf16(rows[i].shown)) << i;
    const QColor background = shot.pixelColor(2, rect.center().y());
    int top = -1;
    int bottom = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = int(cells[1].frame.left()); x < int(cells[1].frame.right()); ++x) {
        if (testing::near(shot.pixelColor(x, y), background, 60)) continue;
        if (top < 0) top = y - rect.top();
        bottom = y - rect.top();
        break;
      }
    }
    inked.append({top, bottom});
    EXPECT_EQ(inked[i], inked[0]) << "row " << i << " inks the lines of a one-line row";
  }
  EXPECT_GT(inked[0].first, 0) << "the text lies inside its row";
}

// Tab or Shift+Tab into the list shows where the keyboard is: the first row becomes
// current and is marked, also after a new check has replaced the rows. A click marks
// nothing, and a row made current before stays current.
TEST(ProblemsList, TabShowsTheCurrentRow) {
  Rig rig;
  Workspace& w = rig.start();
  const QList<bridge::Diagnostic> found = {diagnostic("error", "first", 1, 1),
                                           diagnostic("warning", "second", 2, 1),
                                           diagnostic("warning", "third", 3, 1)};
  w.setDiagnostics(found);
  Window window({800, 300});
  auto* before = window.show(new QPushButton(QStringLiteral("before")));
  auto* list = window.show(new ProblemsList(w, {}));
  auto* after = window.show(new QPushButton(QStringLiteral("after")));
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  const theme::Palette& p = window.palette();
  // The rows whose background shows the mark.
  const auto marked = [&] {
    settle(1);
    const QImage shot = testing::grab(view->viewport());
    QList<int> out;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
      const QRect r = view->visualRect(view->model()->index(row, 0));
      if (testing::near(shot.pixelColor(r.width() / 2, r.top() + 2), p.rowHover, 2)) out << row;
    }
    return out;
  };

  const struct {
    const char* what;
    std::function<void()> arrange;  // before the key
    QWidget* from;
    Qt::Key key;
    int current;
    QList<int> marked;
  } rows[] = {
      {"Tab", [] {}, before, Qt::Key_Tab, 0, {0}},
      {"Shift+Tab", [] {}, after, Qt::Key_Backtab, 0, {0}},
      {"Tab after a new check",
       [&] { w.setDiagnostics(found.mid(1)); },
       before,
       Qt::Key_Tab,
       0,
       {0}},
      {"Tab to a row made current before",
       [&] { view->setCurrentIndex(view->model()->index(1, 0)); },
       before,
       Qt::Key_Tab,
       1,
       {1}},
  };
  for (const auto& row : rows) {
    w.setDiagnostics(found);
    settle();
    ASSERT_EQ(list->listView(), view) << "the same view, refreshed in place";
    row.arrange();
    row.from->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(row.from, row.key);
    ASSERT_TRUE(view->hasFocus()) << row.what;
    EXPECT_EQ(view->currentIndex().row(), row.current) << row.what;
    EXPECT_TRUE(view->marksCurrent()) << row.what;
    EXPECT_EQ(marked(), row.marked) << row.what;
  }

  // Focus by a click, or with no keyboard behind it, marks nothing.
  w.setDiagnostics(found.mid(1));
  before->setFocus(Qt::MouseFocusReason);
  view->setFocus(Qt::MouseFocusReason);
  EXPECT_FALSE(view->marksCurrent());
  EXPECT_EQ(marked(), QList<int>());
}

// Tab into a list the wheel scrolled away from the keyboard's row shows that row: the
// first one made current, or the one that already was.
TEST(ProblemsList, TabScrollsTheCurrentRowIntoView) {
  Rig rig;
  Workspace& w = rig.start();
  QList<bridge::Diagnostic> found;
  for (int line = 1; line <= 40; ++line) found << diagnostic("warning", "unused", line, 1);
  Window window({800, 300});
  auto* before = window.show(new QPushButton(QStringLiteral("before")));
  auto* list = window.show(new ProblemsList(w, {}));
  auto* after = window.show(new QPushButton(QStringLiteral("after")));
  const struct {
    const char* what;
    int madeCurrent;  // before the wheel, or -1
    QWidget* from;
    Qt::Key key;
    int current;
  } rows[] = {
      {"Tab", -1, before, Qt::Key_Tab, 0},
      {"Shift+Tab", -1, after, Qt::Key_Backtab, 0},
      {"Tab to a row made current before", 5, before, Qt::Key_Tab, 5},
  };
  for (const auto& row : rows) {
    w.setDiagnostics({});  // a fresh list, with no current row
    settle();
    w.setDiagnostics(found);
    settle();
    RowListView* view = list->listView();
    ASSERT_TRUE(view);
    // A list made afresh comes last in the focus chain.
    QWidget::setTabOrder(before, view);
    QWidget::setTabOrder(view, after);
    if (row.madeCurrent >= 0) view->setCurrentIndex(view->model()->index(row.madeCurrent, 0));
    QScrollBar* bar = view->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_TRUE(testing::waitUntil([&] {
      const QPoint at = view->viewport()->rect().center();
      QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                        Qt::NoModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(view->viewport(), &wheel);
      return bar->value() == bar->maximum();
    })) << row.what;
    row.from->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(row.from, row.key);
    ASSERT_TRUE(view->hasFocus()) << row.what;
    EXPECT_EQ(view->currentIndex().row(), row.current) << row.what;
    EXPECT_TRUE(view->viewport()->rect().contains(view->visualRect(view->currentIndex())))
        << row.what;
  }
}

TEST(JournalList, EmptyHeaderCopyAndNewRun) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* list = window.show(new JournalList(w));
  const auto emptyShown = [&] {
    settle();
    auto* empty = testing::descendant<theme::EmptyState>(list);
    return empty && !list->listView() && empty->title() == "Nothing logged yet" &&
           empty->detail() ==
               "Run a backtest. Whatever your bot writes with log.info appears here.";
  };
  EXPECT_TRUE(emptyShown()) << "no report";
  w.setReport(reportWithJournal({}));
  EXPECT_TRUE(emptyShown()) << "empty journal";

  w.setReport(reportWithJournal({journal(1, "info", "msg1", 1), journal(2, "warn", "msg2", 1),
                                 journal(3, "error", "msg3", 1)}));
  settle();
  RowListView* view = list->listView();
  ASSERT_TRUE(view);
  EXPECT_EQ(view->model()->index(0, 0).data().toString(), "Bar\tLevel\tMessage\tTime");

  const auto rowPoint = [&](int row) {
    return view->visualRect(view->model()->index(row, 0)).center();
  };
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowPoint(2));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(3));
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "msg2\nmsg3");
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowPoint(0));
  EXPECT_EQ(view->selectionModel()->selectedIndexes().size(), 2) << "the header is not selectable";
  EXPECT_EQ(view->model()->index(2, 0).data(Qt::ToolTipRole).toString(), "msg2");

  w.runBacktest();
  EXPECT_TRUE(emptyShown()) << "a new run empties the list at once";
}

}  // namespace
}  // namespace zx::views
