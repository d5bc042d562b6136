// The bottom panel's heaviest moments at 1200 x 400 logical pixels: a journal of 100,000
// lines (the engine's cap) and 200,000 trades reset and painted, a page of journal
// scrolling, the equity chart over 100,000 and 200,000 samples (smooth and zig-zag), and
// the Tester tab built and painted over a report holding all of it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>
#include <memory>

#include "bridge/fake_engine.h"
#include "client/fake_platform_client.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/workspace.h"
#include "panels/equity_chart.h"
#include "panels/journal_model.h"
#include "panels/row_list_view.h"
#include "panels/tester_panel.h"
#include "panels/trades_model.h"
#include "theme/theme.h"

namespace {

using namespace zx;

QApplication& app() {
  static int argc = 1;
  static char name[] = "panels_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *instance;
}

const QSize kSize(1200, 400);

// A shown window carrying the light palette around `content`.
std::unique_ptr<QWidget> host(QWidget* content, QSize size = kSize) {
  app();
  auto window = std::make_unique<QWidget>();
  auto* layout = new QVBoxLayout(window.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(content);
  theme::PaletteScope::set(window.get(), theme::lightPalette());
  window->resize(size);
  window->show();
  QApplication::processEvents();
  return window;
}

QList<bridge::JournalLine> journal(int n) {
  QList<bridge::JournalLine> out;
  out.reserve(n);
  const QStringList levels{"info", "warn", "error", "alert"};
  for (int i = 0; i < n; ++i) {
    out.append(
        {i, 1700000000000 + qint64(i) * 60000, levels[i % 4],
         QStringLiteral("Fast average crossed the slow one at %1; buying 0.10 lots").arg(i)});
  }
  return out;
}

QList<bridge::Trade> trades(int n) {
  QList<bridge::Trade> out;
  out.reserve(n);
  const QStringList reasons{"stop loss", "take profit", "end of test", "closed by bot"};
  for (int i = 0; i < n; ++i) {
    bridge::Trade t;
    t.ticket = i;
    t.side = i % 2 ? "buy" : "sell";
    t.openPrice = 1.08 + (i % 100) * 0.0001;
    t.closePrice = t.openPrice + ((i % 7) - 3) * 0.0003;
    t.profit = ((i % 7) - 3) * 12.5;
    t.reason = reasons[i % 4];
    out.append(t);
  }
  return out;
}

QList<double> smooth(int n) {
  QList<double> out;
  out.reserve(n);
  for (int i = 0; i < n; ++i) out.append(10000 + i * 0.01 + 400 * std::sin(i / 5000.0));
  return out;
}

// Sampled points alternate between the bottom and the top of the range.
QList<double> zigzag(int n) {
  QList<double> out;
  out.reserve(n);
  const double step = double(n) / 900;
  for (int i = 0; i < n; ++i) {
    const int mark = int(i / step);
    out.append(mark % 2 ? 12000 : 8000);
  }
  return out;
}

void BM_JournalResetAndPaint(benchmark::State& state) {
  app();
  auto* view = new views::RowListView;
  auto* model = new views::JournalModel(view);
  view->setModel(model);
  auto window = host(view);
  const QList<bridge::JournalLine> lines = journal(100000);
  for (auto _ : state) {
    model->setLines({});
    model->setLines(lines);
    QApplication::processEvents();  // the view's delayed item layout
    view->viewport()->repaint();
  }
}
BENCHMARK(BM_JournalResetAndPaint)->Unit(benchmark::kMillisecond);

void BM_JournalScrollPage(benchmark::State& state) {
  app();
  auto* view = new views::RowListView;
  auto* model = new views::JournalModel(view);
  view->setModel(model);
  auto window = host(view);
  model->setLines(journal(100000));
  view->viewport()->repaint();
  QScrollBar* bar = view->verticalScrollBar();
  for (auto _ : state) {
    const int next = bar->value() + bar->pageStep();
    bar->setValue(next > bar->maximum() ? 0 : next);
    QApplication::processEvents();
    view->viewport()->repaint();
  }
}
BENCHMARK(BM_JournalScrollPage)->Unit(benchmark::kMillisecond);

void BM_TradesResetAndPaint(benchmark::State& state) {
  app();
  auto* view = new views::RowListView;
  auto* model = new views::TradesModel(view);
  view->setModel(model);
  auto window = host(view);
  const QList<bridge::Trade> rows = trades(200000);
  for (auto _ : state) {
    model->setTrades({}, 5, "USD");
    model->setTrades(rows, 5, "USD");
    QApplication::processEvents();
    view->viewport()->repaint();
  }
}
BENCHMARK(BM_TradesResetAndPaint)->Unit(benchmark::kMillisecond);

void BM_Chart(benchmark::State& state, QList<double> (*series)(int)) {
  app();
  auto* chart = new views::EquityChart;
  auto window = host(chart);
  const QList<double> equity = series(int(state.range(0)));
  for (auto _ : state) {
    chart->setSeries(equity, 10000, 1);
    chart->repaint();
  }
}
BENCHMARK_CAPTURE(BM_Chart, smooth, smooth)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Chart, zigzag, zigzag)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);

void BM_TesterTabShown(benchmark::State& state) {
  app();
  bridge::FakeEngine engine;
  client::FakePlatformClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  model::Workspace workspace(engine, client, dialogs, viewer);
  bridge::BacktestReport report;
  report.ok = true;
  report.startingBalance = 10000;
  report.netProfit = 1234.5;
  report.equity = smooth(200000);
  report.trades = trades(20000);
  report.journal = journal(100000);
  workspace.setReport(report);
  auto window = host(new QWidget);
  auto* layout = window->layout();
  for (auto _ : state) {
    auto* panel = new views::TesterPanel(workspace);
    layout->addWidget(panel);
    panel->show();
    QApplication::processEvents();
    window->repaint();
    state.PauseTiming();
    delete panel;
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TesterTabShown)->Unit(benchmark::kMillisecond);

}  // namespace
