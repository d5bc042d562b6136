// The shell's own work on the main thread. An edit of a 10,000-line file with 30 (or 3)
// others open, written into the model as the editor pane writes it (no key, no editor):
// the sidebar rows, the top bar and the title follow it. A check that publishes 1,000
// findings and 100 inputs: the pill, the inputs panel and the tab label follow it and
// paint; an equal schema again. "Run test" on the sample to the report painted in the
// Tester tab. Typing through the whole window is typing_bench; the launch, launch_bench.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <chrono>
#include <memory>

#include "bench/shell/sample_text.h"
#include "bridge/fake_engine.h"
#include "bridge/kelo_calls.h"
#include "client/fake_platform_client.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/workspace.h"
#include "panels/application_setup.h"
#include "panels/bottom_panel.h"
#include "shell/file_looks.h"
#include "shell/inputs_panel.h"
#include "shell/main_window.h"
#include "shell/sidebar.h"
#include "shell/top_bar.h"
#include "shell/zentrix_code_app.h"
#include "theme/fake_system_appearance.h"
#include "theme/theme.h"

namespace {

using namespace zx;
using Clock = std::chrono::steady_clock;

QApplication& app() {
  static int argc = 1;
  static char name[] = "shell_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* instance = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zx-no-bus");
    auto* made = new QApplication(argc, argv);
    views::prepareApplication();
    return made;
  }();
  return *instance;
}

// A workspace over fakes: an instant engine, no network, no dialogs.
struct Fakes {
  bridge::FakeEngine engine;
  client::FakePlatformClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  QTemporaryDir dir;
  QSettings settings{dir.filePath(QStringLiteral("zentrixcode.conf")), QSettings::IniFormat};
  views::ShellSettings shellSettings{settings};
  std::unique_ptr<model::Workspace> workspace;

  Fakes() {
    app();
    engine.checkReply.ok = true;
    workspace = std::make_unique<model::Workspace>(engine, client, dialogs, viewer);
    QApplication::processEvents();
  }
};

// The shell's views without the editor's: the top bar and the sidebar in the window,
// whose title follows the selection.
struct ShellViews {
  views::ViewState state;
  std::unique_ptr<views::MainWindow> window;
  views::TopBar* bar;
  views::Sidebar* sidebar;

  ShellViews(Fakes& f) {
    window = std::make_unique<views::MainWindow>(f.shellSettings, *f.workspace, f.dialogs);
    auto* root = new QWidget;
    auto* column = new QVBoxLayout(root);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    bar = new views::TopBar(
        *f.workspace, state, [] {}, [] {}, root);
    column->addWidget(bar);
    auto* row = new QHBoxLayout;
    column->addLayout(row, 1);
    sidebar = new views::Sidebar(*f.workspace, f.dialogs, root);
    sidebar->setFixedWidth(240);
    row->addWidget(sidebar);
    row->addStretch(1);
    window->setCentralWidget(root);
    model::Workspace& w = *f.workspace;
    QObject::connect(&w, &model::Workspace::changed, window.get(), [&w, this](auto field) {
      if (field != model::Workspace::Field::files &&
          field != model::Workspace::Field::selectedFileID)
        return;
      window->showSelected(views::FileLooks::of(w).selected());
    });
    theme::PaletteScope::setForApplication(window.get(), theme::lightPalette());
    window->show();
    QApplication::processEvents();
  }
};

void BM_EditShownInSidebarAndTitle(benchmark::State& state) {
  Fakes f;
  model::Workspace& w = *f.workspace;
  const QString small = linesOfSample(1000);
  QList<model::SourceFile> files;
  for (int i = 0; i < state.range(0); ++i) {
    files << model::SourceFile::make(QStringLiteral("file-%1.kelo").arg(i), small, std::nullopt,
                                     small);
  }
  const QString big = linesOfSample(10000);
  files << model::SourceFile::make(QStringLiteral("big.kelo"), big, std::nullopt, big);
  w.setFiles(files);
  w.setSelectedFileID(files.last().id);
  ShellViews views(f);
  QString text = big;
  int i = 0;
  for (auto _ : state) {
    text.insert(text.size() / 2, QChar(u'a' + i++ % 26));
    const auto start = Clock::now();
    w.setSelectedText(text);
    QApplication::processEvents();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
  state.counters["kbytes"] = double(big.size() * 2) / 1024;
}
BENCHMARK(BM_EditShownInSidebarAndTitle)
    ->Arg(30)
    ->Arg(3)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

bridge::InputSchema hundredInputs(int variant) {
  bridge::InputSchema s;
  s.ok = true;
  for (int g = 0; g < 10; ++g) {
    s.groups << bridge::InputGroup{QStringLiteral("g%1").arg(g), QStringLiteral("Group %1").arg(g),
                                   false};
    for (int i = 0; i < 10; ++i) {
      bridge::InputSpec input;
      input.name = QStringLiteral("input%1_%2").arg(g).arg(i);
      input.type = QStringLiteral("int");
      input.group = QStringLiteral("g%1").arg(g);
      input.label = QStringLiteral("Input %1.%2").arg(g).arg(i);
      input.min = 1;
      input.max = 100 + variant;
      s.inputs << input;
    }
  }
  return s;
}

QList<bridge::Diagnostic> thousandFindings(int variant) {
  QList<bridge::Diagnostic> out;
  for (int i = 0; i < 1000; ++i) {
    out << bridge::Diagnostic{i % 3 ? QStringLiteral("warning") : QStringLiteral("error"),
                              QStringLiteral("KELO3001"),
                              QStringLiteral("unknown name 'x%1'").arg(i + variant),
                              i + 1,
                              1,
                              i + 1,
                              3};
  }
  return out;
}

struct CheckViews : ShellViews {
  views::BottomPanel* panel;
  explicit CheckViews(Fakes& f) : ShellViews(f) {
    panel = new views::BottomPanel(*f.workspace, [](const bridge::Diagnostic&) {});
    static_cast<QBoxLayout*>(window->centralWidget()->layout()->itemAt(1)->layout())
        ->addWidget(panel, 1);
    window->resize(1360, 880);
    QApplication::processEvents();
  }
};

void BM_CheckPublished(benchmark::State& state) {
  Fakes f;
  model::Workspace& w = *f.workspace;
  CheckViews views(f);
  const QList<bridge::Diagnostic> findings[] = {thousandFindings(0), thousandFindings(1)};
  const bridge::InputSchema schemas[] = {hundredInputs(0), hundredInputs(1)};
  int i = 0;
  for (auto _ : state) {
    const int v = i++ % 2;
    const auto start = Clock::now();
    w.setDiagnostics(findings[v]);
    w.setSchema(schemas[v]);
    w.setLastCheckMilliseconds(v);
    QApplication::processEvents();
    views.window->repaint();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_CheckPublished)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CheckPublishedEqualSchema(benchmark::State& state) {
  Fakes f;
  model::Workspace& w = *f.workspace;
  CheckViews views(f);
  const bridge::InputSchema schema = hundredInputs(0);
  w.setSchema(schema);
  QApplication::processEvents();
  for (auto _ : state) {
    const auto start = Clock::now();
    w.setSchema(schema);
    QApplication::processEvents();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_CheckPublishedEqualSchema)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The whole application over the real engine, with fakes for the desktop and the network.
struct RealEngine {
  client::FakePlatformClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  theme::FakeSystemAppearance appearance;
  QTemporaryDir dir;
  QSettings settings{dir.filePath(QStringLiteral("zentrixcode.conf")), QSettings::IniFormat};

  std::unique_ptr<views::ZentrixCodeApp> make() {
    return std::make_unique<views::ZentrixCodeApp>(views::ZentrixCodeApp::Services{
        bridge::Kelo::engine(), client, dialogs, viewer, appearance, settings});
  }
};

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 20000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

void BM_BacktestRoad(benchmark::State& state) {
  app();
  RealEngine real;
  auto shell = real.make();
  shell->show();
  model::Workspace& w = shell->workspace();
  waitFor([&] { return shell->root().sidebar()->inputsPanel() != nullptr; });
  for (auto _ : state) {
    const auto start = Clock::now();
    shell->root().topBar()->runTestButton()->click();
    if (!waitFor([&] { return !w.isTesting() && w.report(); })) {
      state.SkipWithError("no report");
      break;
    }
    shell->window().repaint();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    // Back on another tab, so the next click shows the Tester afresh.
    shell->viewState().setBottomTab(views::BottomTab::problems);
    QApplication::processEvents();
  }
}
BENCHMARK(BM_BacktestRoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
