// The Tester tab: its states, the results (notice strip, figures, chart, trades, split),
// the settings strip and its number boxes.
#include "panels/tester_panel.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QTextEdit>

#include "panels/bottom_panel.h"
#include "panels/equity_chart.h"
#include "panels/journal_list.h"
#include "panels/number_box.h"
#include "panels/spinner.h"
#include "panels/tester_results.h"
#include "panels/tester_settings.h"
#include "panels/trades_model.h"
#include "panels/trades_table.h"
#include "panels/views_test_support.h"

namespace zx::views {
namespace {

using model::Workspace;
using model::testing::Publications;
using testing::descendant;
using testing::descendants;
using testing::dragBy;
using testing::Rig;
using testing::settle;
using testing::Window;
using Field = Workspace::Field;

bridge::Trade trade(const char* side, double open, double profit, const char* reason) {
  bridge::Trade t;
  t.side = side;
  t.openPrice = open;
  t.closePrice = open;
  t.profit = profit;
  t.reason = reason;
  return t;
}

bridge::BacktestReport report(double netProfit = 2345.678, QList<double> equity = {}) {
  bridge::BacktestReport r;
  r.ok = true;
  r.startingBalance = 10000;
  r.netProfit = netProfit;
  r.winRate = 66.666;
  r.profitFactor = -1;
  r.maxDrawdown = 0;
  r.equity = equity;
  r.trades = {trade("buy", 1.1, 5, "take profit"), trade("sell", 1.2, -3, "stop loss"),
              trade("Buy", 1.3, 0, "closed by bot")};
  return r;
}

client::Session session() {
  client::Session s;
  s.login = QStringLiteral("5001");
  s.brokerName = QStringLiteral("Acme");
  return s;
}

QList<client::SymbolRow> symbols(std::initializer_list<const char*> names) {
  QList<client::SymbolRow> out;
  for (const char* n : names) {
    client::SymbolRow r;
    r.sym = n;
    out << r;
  }
  return out;
}

QString progressText(TesterPanel& panel) {
  auto* label = descendant<theme::KitLabel>(panel.content());
  return label ? label->text() : QString();
}

TEST(TesterPanel, StatesInOrder) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* panel = window.show(new TesterPanel(w));
  EXPECT_EQ(panel->state(), TesterPanel::State::empty);
  auto* empty = dynamic_cast<theme::EmptyState*>(panel->content());
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->title(), "No backtest yet");
  EXPECT_EQ(empty->detail(),
            "Run one to see the equity curve, the trades and the statistics. Results come from "
            "recorded prices, not a forecast.");

  // Testing beats a report.
  w.setReport(report());
  w.setIsTesting(true);
  settle();
  EXPECT_EQ(panel->state(), TesterPanel::State::progress);
  EXPECT_EQ(progressText(*panel), "Replaying bars");
  EXPECT_TRUE(descendants<TesterResults>(panel).isEmpty());
  auto* spinner = descendant<Spinner>(panel->content());
  ASSERT_TRUE(spinner);
  EXPECT_TRUE(spinner->animating());
  w.setSession(session());
  settle();
  EXPECT_EQ(progressText(*panel), "Loading prices");
  window.widget()->hide();
  EXPECT_FALSE(descendant<Spinner>(panel->content())->animating()) << "only while visible";
  window.widget()->show();

  // Errors beat results.
  bridge::BacktestReport failed = report();
  failed.errors = {"a", "b"};
  w.setIsTesting(false);
  w.setReport(failed);
  settle();
  EXPECT_EQ(panel->state(), TesterPanel::State::errors);
  QTextEdit* errors = panel->errorList();
  ASSERT_TRUE(errors);
  EXPECT_TRUE(errors->isReadOnly());
  EXPECT_EQ(errors->toPlainText(), "The bot stopped with errors\na\nb");
  EXPECT_EQ(errors->document()->blockCount(), 3);
  EXPECT_TRUE(descendants<theme::StatFigure>(panel).isEmpty());
  EXPECT_TRUE(descendants<EquityChart>(panel).isEmpty());
  EXPECT_TRUE(descendants<TradesTable>(panel).isEmpty());
}

TEST(TesterPanel, NoticeStripAndFigures) {
  Rig rig;
  Workspace& w = rig.start();
  w.setReport(report(-1234.5));
  Window window;
  auto* panel = window.show(new TesterPanel(w));
  TesterResults* results = panel->results();
  ASSERT_TRUE(results);

  const struct {
    bool live;
    bool converted;
    const char* currency;
    const char* source;
    bool currencyShown;
  } pills[] = {{false, false, "EUR", "Sample prices", false},
               {false, true, "EUR", "Sample prices", false},
               {true, false, "EUR", "Broker prices", true},
               {true, true, "EUR", "Broker prices", false}};
  for (const auto& c : pills) {
    w.setUsingLiveData(c.live);
    w.setCurrencyConverted(c.converted);
    w.setReportCurrency(c.currency);
    EXPECT_EQ(results->sourcePill()->text(), c.source);
    EXPECT_EQ(results->sourcePill()->tone(),
              c.live ? theme::StatusPill::Tone::good : theme::StatusPill::Tone::warn);
    EXPECT_EQ(results->currencyPill()->isVisible(), c.currencyShown);
  }
  EXPECT_EQ(results->currencyPill()->text(), "Profit in EUR");
  w.setDataNotice("From the broker");
  EXPECT_EQ(results->notice()->text(), "From the broker");
  EXPECT_EQ(panel->results(), results) << "updated in place";

  w.setReportCurrency("USD");
  QStringList labels, values;
  for (theme::StatFigure* f : results->figures()) {
    labels << f->label();
    values << f->value();
  }
  EXPECT_EQ(labels, (QStringList{"Net profit USD", "Trades", "Win rate", "Profit factor",
                                 "Max drawdown USD"}));
  EXPECT_EQ(values, (QStringList{"-1,234.50", "3", "67%", "none", "0.00"}));
  EXPECT_EQ(results->barsReplayed()->text(), "0 bars replayed");
  EXPECT_EQ(results->tradesCount()->text(), "3");

  const theme::Palette& p = window.palette();
  const QList<theme::StatFigure*>& f = results->figures();
  EXPECT_TRUE(testing::anyNear(testing::grab(f[0]), p.sell));
  EXPECT_FALSE(testing::anyNear(testing::grab(f[0]), p.buy));
  EXPECT_TRUE(testing::anyNear(testing::grab(f[4]), p.sell)) << "drawdown 0 is still red";

  w.setReport(report(0));
  settle();
  const QImage zero = testing::grab(panel->results()->figures()[0]);
  EXPECT_EQ(panel->results()->figures()[0]->value(), "0.00");
  EXPECT_TRUE(testing::anyNear(zero, p.buy));
  EXPECT_FALSE(testing::anyNear(zero, p.sell));
}

TEST(TesterPanel, ChartColoursAndRule) {
  Rig rig;
  Workspace& w = rig.start();
  Window window({600, 300});
  const theme::Palette& p = window.palette();
  auto* chart = window.show(new EquityChart);
  QList<double> equity;
  for (int i = 0; i < 2000; ++i) equity << 10000 + (i % 50) * 10;
  chart->setSeries(equity, 10000, 0);
  EXPECT_EQ(chart->points().size(), 900);
  QImage shot = testing::grab(chart);
  EXPECT_TRUE(testing::anyNear(shot, p.buy, {}, 40));
  EXPECT_FALSE(testing::anyNear(shot, p.sell, {}, 40));
  chart->setSeries(equity, 10000, -0.01);
  shot = testing::grab(chart);
  EXPECT_TRUE(testing::anyNear(shot, p.sell, {}, 40));
  EXPECT_FALSE(testing::anyNear(shot, p.buy, {}, 40));
  EXPECT_EQ(chart->accessibleName(), "Equity");

  // No equity: no line, and the dashed rule halfway down the 9980...10020 domain.
  chart->setSeries({}, 10000, 5);
  shot = testing::grab(chart);
  const QColor background = shot.pixelColor(5, 5);
  EXPECT_FALSE(testing::anyNear(shot, p.buy, {}, 40));
  // Rows of the values v: 284 - (v - 9980) / 40 * 268; a grid line runs under the rule.
  const QRect rule(16, 150, 400, 1);
  const QColor grid = shot.pixelColor(100, 217);  // the 9990 grid line
  EXPECT_FALSE(testing::near(grid, background, 3));
  const int dashed = testing::differing(shot, grid, rule, 3);
  EXPECT_GT(dashed, 150);
  EXPECT_LT(dashed, 260) << "dashes: three on, three off";
  EXPECT_EQ(testing::differing(shot, background, rule.translated(0, 3), 3), 0);
  (void)w;
}

TEST(TesterPanel, TradesTable) {
  Rig rig;
  Workspace& w = rig.start();
  bridge::BacktestReport none = report();
  none.trades.clear();
  w.setReport(none);
  Window window;
  auto* panel = window.show(new TesterPanel(w));
  TradesModel* model = panel->results()->trades()->tradesModel();
  EXPECT_EQ(model->rowCount(), 1) << "the header row alone";
  EXPECT_EQ(model->index(0, 0).data().toString(), "Side\tIn\tOut\tProfit USD\tExit");
  w.setReportCurrency("");
  EXPECT_EQ(model->index(0, 0).data().toString(), "Side\tIn\tOut\tProfit \tExit");
  w.setPriceDigits(5);
  w.setReport(report());
  settle();
  model = panel->results()->trades()->tradesModel();
  EXPECT_EQ(model->cell(0, 1).text, "1.10000");
  EXPECT_EQ(model->trades().constData(), w.report()->trades.constData()) << "shared, not copied";
}

TEST(TesterPanel, SplitKeepsItsHeightUntilTheTabCloses) {
  Rig rig;
  Workspace& w = rig.start();
  w.setReport(report());
  Window window({1000, 640});
  auto* bottom = window.show(new BottomPanel(w, {}));
  bottom->setTab(BottomTab::tester);
  settle();
  auto* panel = qobject_cast<TesterPanel*>(bottom->view());
  ASSERT_TRUE(panel);
  theme::VerticalSplit* split = panel->results()->split();
  EXPECT_EQ(split->shownSizes().bottom, 168);

  dragBy(split->grip(), QPoint(0, -60));
  EXPECT_EQ(panel->tradesHeight(), 228);
  dragBy(split->grip(), QPoint(0, 2000));
  EXPECT_EQ(split->shownSizes().bottom, 96);
  dragBy(split->grip(), QPoint(0, -2000));
  settle();
  // The bottom leaves 96 to the top, less the 1-px divider.
  EXPECT_EQ(split->shownSizes().bottom, split->height() - 96);
  EXPECT_EQ(split->shownSizes().top, 95);
  dragBy(split->grip(), QPoint(0, 2000));
  dragBy(split->grip(), QPoint(0, -40));
  const double kept = panel->tradesHeight();

  // A new run keeps the height; leaving the tab forgets it.
  w.setReport(report());
  settle();
  EXPECT_EQ(panel->results()->split()->bottomHeight(), kept);
  bottom->setTab(BottomTab::journal);
  bottom->setTab(BottomTab::tester);
  settle();
  panel = qobject_cast<TesterPanel*>(bottom->view());
  EXPECT_EQ(panel->results()->split()->shownSizes().bottom, 168);
}

TEST(TesterSettings, SignedOutStrip) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  EXPECT_EQ(strip->height(), 44);
  QStringList texts;
  for (auto* l : descendants<theme::KitLabel>(strip)) texts << l->text();
  EXPECT_TRUE(texts.contains("Sign in to replay your broker's own price history."));
  EXPECT_EQ(strip->balanceBox()->lineEdit()->text(), "10000");
  EXPECT_EQ(strip->barsBox()->lineEdit()->text(), "5000");
  EXPECT_FALSE(strip->symbolPicker());

  Publications published(w);
  QTest::mouseClick(strip->signInButton(), Qt::LeftButton);
  EXPECT_TRUE(w.wantsSignIn());
  EXPECT_EQ(published.take(), QStringList{"wantsSignIn"});
}

TEST(NumberBox, CommitsClampAndShowTheStoredValue) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  const struct {
    bool balance;
    const char* typed;
    double stored;
    const char* shown;
  } cases[] = {
      {true, "50", 100, "100"},           {true, "12,500.75", 12500.75, "12501"},
      {true, "250000", 250000, "250000"}, {true, "abc", 250000, "250000"},
      {true, "inf", 250000, "250000"},    {true, "-inf", 100, "100"},
      {false, "1234.9", 1234, "1234"},    {false, "100", 200, "200"},
      {false, "1e19", 200000, "200000"},  {false, "nan", 200000, "200000"},
      {false, " 5", 200000, "200000"},
  };
  for (const auto& c : cases) {
    NumberBox* box = c.balance ? strip->balanceBox() : strip->barsBox();
    box->lineEdit()->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), c.typed);
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(c.balance ? w.testBalance() : double(w.testBars()), c.stored) << c.typed;
    EXPECT_EQ(box->lineEdit()->text(), c.shown) << c.typed;
  }
}

TEST(NumberBox, FocusRules) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  NumberBox* balance = strip->balanceBox();
  QLineEdit* edit = balance->lineEdit();
  Publications published(w);
  const auto commits = [&] { return published.take().count("testBalance"); };
  const theme::Palette& p = window.palette();
  const auto border = [&] { return testing::grab(balance).pixelColor(0, balance->height() / 2); };

  strip->barsBox()->lineEdit()->setFocus(Qt::MouseFocusReason);
  published.take();
  EXPECT_FALSE(balance->focused());
  EXPECT_TRUE(testing::near(border(), p.border, 20));
  edit->setFocus(Qt::MouseFocusReason);
  EXPECT_TRUE(balance->focused());
  EXPECT_TRUE(testing::near(border(), p.accent, 20));
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_FALSE(balance->focused());
  EXPECT_TRUE(testing::near(border(), p.border, 20));
  EXPECT_EQ(commits(), 0) << "focus in and out with nothing typed writes nothing";

  edit->setFocus(Qt::TabFocusReason);
  edit->selectAll();
  QTest::keyClicks(edit, "20000");
  QTest::keyClick(edit, Qt::Key_Return);
  QTest::keyClick(edit, Qt::Key_Tab);
  EXPECT_EQ(commits(), 1) << "Return writes; the Tab after it has nothing new";
  EXPECT_EQ(w.testBalance(), 20000);
  edit->setFocus(Qt::TabFocusReason);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(commits(), 1) << "Return writes the shown value again";

  // Typed text survives an outside change while focused; the focus loss commits it.
  edit->setFocus(Qt::TabFocusReason);
  edit->selectAll();
  QTest::keyClicks(edit, "3000");
  w.setTestBalance(7777);
  EXPECT_EQ(edit->text(), "3000");
  published.take();

  // Another window taking the focus commits nothing and keeps the accent border.
  QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QCoreApplication::sendEvent(edit, &away);
  EXPECT_EQ(commits(), 0);
  EXPECT_TRUE(balance->focused());
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QCoreApplication::sendEvent(edit, &popup);
  EXPECT_EQ(commits(), 0);

  strip->barsBox()->lineEdit()->setFocus(Qt::MouseFocusReason);
  EXPECT_EQ(commits(), 1);
  EXPECT_EQ(w.testBalance(), 3000);
  EXPECT_EQ(edit->text(), "3000");
  w.setTestBalance(4000);
  EXPECT_EQ(edit->text(), "4000") << "not focused: follows the model";
}

TEST(NumberBox, AVariantSwitchWhileTyping) {
  Rig rig;
  Workspace& w = rig.start();
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  QLineEdit* edit = strip->balanceBox()->lineEdit();
  edit->setFocus(Qt::MouseFocusReason);
  edit->selectAll();
  QTest::keyClicks(edit, "999");
  w.setSession(session());
  settle();
  EXPECT_EQ(w.testBalance(), 999) << "the focus leaving the old strip commits what was typed";
  ASSERT_TRUE(strip->balanceBox());
  EXPECT_EQ(strip->balanceBox()->lineEdit()->text(), "999");
}

// What a run uses after typing into the Balance box, with the box still focused or not.
TEST(NumberBox, RunUsesWhatWasTyped) {
  enum class Then { run, returnThenRun, returnTabThenRun };
  const struct {
    const char* typed;
    Then then;
    double balance;  // the run's
    const char* shown;
  } cases[] = {
      {"50000", Then::run, 50000, "50000"},
      {"12500.75", Then::run, 12500.75, "12501"},
      {"12500.75", Then::returnThenRun, 12500.75, "12501"},
      {"12500.75", Then::returnTabThenRun, 12500.75, "12501"},
      {"1,234.5", Then::returnThenRun, 1234.5, "1234"},
      {"-inf", Then::returnThenRun, 100, "100"},
      {"-inf", Then::run, 100, "100"},
      {"inf", Then::run, 10000, "10000"},
      {"abc", Then::run, 10000, "10000"},
  };
  for (const auto& c : cases) {
    Rig rig;
    Workspace& w = rig.start();
    Window window;
    auto* bottom = window.show(new BottomPanel(w, {}));
    bottom->setTab(BottomTab::tester);
    settle();
    auto* panel = qobject_cast<TesterPanel*>(bottom->view());
    ASSERT_TRUE(panel);
    QLineEdit* edit = panel->settings()->balanceBox()->lineEdit();
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, c.typed);
    if (c.then != Then::run) QTest::keyClick(edit, Qt::Key_Return);
    if (c.then == Then::returnTabThenRun) QTest::keyClick(edit, Qt::Key_Tab);
    QTest::mouseClick(bottom->runButton(), Qt::LeftButton);
    ASSERT_TRUE(model::testing::waitFor(w, Field::report)) << c.typed;
    ASSERT_TRUE(rig.engine.fake.lastBacktest().has_value());
    EXPECT_EQ(rig.engine.fake.lastBacktest()->balance, c.balance) << c.typed << int(c.then);
    EXPECT_EQ(w.testBalance(), c.balance) << c.typed << int(c.then);
    EXPECT_EQ(edit->text(), c.shown) << c.typed << int(c.then);
  }
}

// Where `edit` draws the first character of its text, in its own coordinates, found with
// its own hit test: a point left of a character's middle falls before it.
double textStart(QLineEdit* edit) {
  testing::grab(edit);  // the scroll follows the cursor when painted
  const QString text = edit->text();
  const double y = edit->height() / 2.0;
  int x = -4 * edit->width();
  while (x < 4 * edit->width() &&
         edit->inputMethodQuery(Qt::ImCursorPosition, QPointF(x, y)).toInt() < 1) {
    ++x;
  }
  return x - QFontMetricsF(edit->font()).horizontalAdvance(text.left(1)) / 2;
}

// A number wider than the box shows its leading digits while the box has no focus, whether
// it was committed there before the focus left or set elsewhere.
TEST(NumberBox, AWideNumberShowsItsLeadingDigits) {
  const struct {
    const char* what;
    const char* typed;  // into Balance, then Return and Tab; null: stored directly
    double stored;
    const char* shown;
  } cases[] = {
      {"1e9 typed", "1e9", 1e9, "1000000000"},
      {"fifteen digits typed", "123456789012345", 123456789012345, "123456789012345"},
      {"set elsewhere", nullptr, 98765432109, "98765432109"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    Workspace& w = rig.start();
    Window window;
    auto* strip = window.show(new TesterSettings(w));
    QLineEdit* edit = strip->balanceBox()->lineEdit();
    if (c.typed) {
      edit->setFocus(Qt::MouseFocusReason);
      edit->selectAll();
      QTest::keyClicks(edit, c.typed);
      QTest::keyClick(edit, Qt::Key_Return);
      QTest::keyClick(edit, Qt::Key_Tab);
      ASSERT_FALSE(edit->hasFocus());
    } else {
      strip->barsBox()->lineEdit()->setFocus(Qt::MouseFocusReason);
      w.setTestBalance(c.stored);
    }
    EXPECT_EQ(w.testBalance(), c.stored);
    ASSERT_EQ(edit->text(), c.shown);
    const QFontMetricsF metrics(edit->font());
    ASSERT_GT(metrics.horizontalAdvance(edit->text()), edit->width()) << "wider than the box";
    EXPECT_GE(textStart(edit), 0) << "the first digit is whole";
  }
}

TEST(TesterSettings, SignedInPickers) {
  Rig rig;
  Workspace& w = rig.start();
  w.setSession(session());
  w.setSymbols(symbols({"GBPUSD", "EURUSD", "XAUUSD"}));
  w.setTestSymbol("EURUSD");
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  QComboBox* symbol = strip->symbolPicker();
  QComboBox* timeframe = strip->timeframePicker();
  ASSERT_TRUE(symbol && timeframe);
  const auto items = [](QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
  };
  EXPECT_EQ(items(symbol), (QStringList{"GBPUSD", "EURUSD", "XAUUSD"}));
  EXPECT_EQ(symbol->currentText(), "EURUSD");
  EXPECT_EQ(items(timeframe), (QStringList{"M1", "M5", "M15", "M30", "H1", "H4", "D1"}));
  EXPECT_EQ(timeframe->currentText(), "H1");

  timeframe->setFocus();
  QTest::keyClick(timeframe, Qt::Key_Down);
  EXPECT_EQ(w.testTimeframe(), 240);
  EXPECT_EQ(timeframe->currentText(), "H4");
  w.setTestTimeframe(60);
  EXPECT_EQ(timeframe->currentText(), "H1");
  w.setTestTimeframe(90);
  EXPECT_EQ(timeframe->currentIndex(), -1);

  symbol->setFocus();
  QTest::keyClick(symbol, Qt::Key_Down);
  EXPECT_EQ(w.testSymbol(), "XAUUSD");

  QList<QWidget*> order{QApplication::focusWidget()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget();
  }
  EXPECT_EQ(order, (QList<QWidget*>{symbol, timeframe, strip->balanceBox()->lineEdit(),
                                    strip->barsBox()->lineEdit(), strip->accountButton()}));

  Publications published(w);
  w.setSymbols(symbols({"AUDUSD", "EURUSD"}));
  w.setTestSymbol("NZDUSD");
  EXPECT_EQ(symbol->currentIndex(), -1) << "an unlisted symbol shows an empty picker";
  EXPECT_EQ(published.take(), (QStringList{"symbols", "testSymbol"})) << "refills never write";

  w.setLoadingSymbols(true);
  EXPECT_FALSE(symbol->isEnabled());
  w.setLoadingSymbols(false);
  EXPECT_TRUE(symbol->isEnabled());
  w.setSymbols({});
  EXPECT_EQ(symbol->count(), 0);
  EXPECT_TRUE(timeframe->isEnabled());
}

TEST(TesterSettings, AccountMenu) {
  Rig rig;
  Workspace& w = rig.start();
  rig.client.signedIn = true;
  rig.client.marketReply = client::MarketState{symbols({"EURUSD"}), "USD", {}};
  w.setSession(session());
  w.setTestBalance(2500);
  Window window;
  auto* strip = window.show(new TesterSettings(w));
  AccountButton* account = strip->accountButton();
  ASSERT_TRUE(account);
  EXPECT_EQ(account->label(), "5001 \u00B7 Acme");
  const auto action = [&](const char* text) -> QAction* {
    for (QAction* a : account->menu()->actions()) {
      if (a->text() == text) return a;
    }
    return nullptr;
  };
  QStringList shown;
  for (QAction* a : account->menu()->actions()) shown << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(shown, (QStringList{"Reload symbols", "-", "Sign out"}));

  action("Reload symbols")->trigger();
  action("Reload symbols")->trigger();
  settle();
  EXPECT_EQ(rig.client.calls.count("market"), 2) << "every click loads";

  client::Session bare;
  w.setSession(bare);
  EXPECT_EQ(account->label(), "");
  EXPECT_EQ(account->sizeHint().width(), 6) << "the dot alone";

  action("Sign out")->trigger();
  settle();
  EXPECT_FALSE(strip->accountButton());
  ASSERT_TRUE(strip->balanceBox());
  EXPECT_EQ(strip->balanceBox()->lineEdit()->text(), "2500");
  EXPECT_EQ(strip->barsBox()->lineEdit()->text(), "5000");
  EXPECT_TRUE(strip->signInButton());
}

}  // namespace
}  // namespace zx::views
