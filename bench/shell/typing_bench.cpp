// Typing into the real window on the real engine, with the Golden Cross sample repeated
// to 10,000 and 100,000 lines opened from disk as a user opens a file:
//  - a keystroke painted: a key event delivered to the editor until the window's frame is
//    painted, keys coming every 60 ms as in steady typing while the token and check
//    workers run beside them ("median_ms" and "max_ms" over the keys);
//  - a typed character coloured: from the key event until the editor applied the tokens
//    of the text holding it and the frame is painted, beside `kelo_tokens` on that text
//    ("engine_ms", "per_engine");
//  - the memory of opening the 100,000-line file: a process of its own opens it, waits for
//    its colours and its check, and reports its peak and resident set, beside the same
//    text in a plain QPlainTextEdit ("plain_peak_MB").
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/shell/sample_text.h"
#include "bridge/kelo_calls.h"
#include "client/fake_platform_client.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "kelo.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "panels/application_setup.h"
#include "shell/editor_pane.h"
#include "shell/zentrix_code_app.h"
#include "theme/fake_system_appearance.h"

namespace {

using namespace zx;
using Clock = std::chrono::steady_clock;

constexpr char kMemoryChild[] = "--memory-of-opening";

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool waitFor(const std::function<bool()>& done, int limitMs = 60000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limitMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

void processFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The whole application over the real engine, fakes for the desktop and the network,
// with `lines` lines of the sample opened from disk, coloured and checked.
struct OpenWindow {
  client::FakePlatformClient client;
  model::FakeDialogs dialogs;
  model::FakeFileViewer viewer;
  theme::FakeSystemAppearance appearance;
  QTemporaryDir dir;
  QSettings settings{dir.filePath(QStringLiteral("zentrixcode.conf")), QSettings::IniFormat};
  std::unique_ptr<views::ZentrixCodeApp> shell;
  editor::KeloEditor* editor = nullptr;
  int coloured = 0;
  bool ready = false;

  explicit OpenWindow(int lines) {
    const QString path = dir.filePath(QStringLiteral("large.kelo"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    const QString text = linesOfSample(lines);
    file.write(text.toUtf8());
    file.close();
    dialogs.openAnswers = {{path}};
    shell = std::make_unique<views::ZentrixCodeApp>(views::ZentrixCodeApp::Services{
        bridge::Kelo::engine(), client, dialogs, viewer, appearance, settings});
    shell->show();
    editor = shell->root().editorPane()->editor();
    QObject::connect(editor, &editor::KeloEditor::coloured, [this] { ++coloured; });
    shell->workspace().openFromDisk();
    const int before = coloured;
    ready = waitFor([&] { return editor->text() == text && coloured > before; });
    processFor(1000);  // the first check lands
    // The caret in the middle of the file, as when working in it.
    auto* view = editor->textView();
    QTextCursor caret(view->document()->findBlockByNumber(lines / 2));
    caret.movePosition(QTextCursor::EndOfBlock);
    view->setTextCursor(caret);
    view->ensureCursorVisible();
    view->setFocus();
    processFor(200);
  }

  void key(Qt::Key key, const QString& text) {
    QWidget* target = editor->textView();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
  }
  void type(bool letter) {
    if (letter) {
      key(Qt::Key_X, QStringLiteral("x"));
    } else {
      key(Qt::Key_Backspace, QString());
    }
  }
  void paint() { shell->window().repaint(); }
};

void BM_KeystrokePainted(benchmark::State& state) {
  OpenWindow w(int(state.range(0)));
  if (!w.ready) return state.SkipWithError("the file was not opened and coloured");
  std::vector<double> samples;
  bool letter = true;
  for (auto _ : state) {
    const auto start = Clock::now();
    w.type(letter);
    w.paint();
    const double ms = millisecondsSince(start);
    samples.push_back(ms);
    state.SetIterationTime(ms / 1000);
    letter = !letter;
    processFor(60);
  }
  std::sort(samples.begin(), samples.end());
  state.counters["median_ms"] = samples[samples.size() / 2];
  state.counters["max_ms"] = samples.back();
}
BENCHMARK(BM_KeystrokePainted)
    ->ArgName("lines")
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(60)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

double engineTokensMs(const QString& text) {
  const QByteArray source = text.toUtf8();
  const auto start = Clock::now();
  kelo_string_free(kelo_tokens(source.constData()));
  return millisecondsSince(start);
}

void BM_TypedCharacterColoured(benchmark::State& state) {
  OpenWindow w(int(state.range(0)));
  if (!w.ready) return state.SkipWithError("the file was not opened and coloured");
  double engine = 0;
  double coloured = 0;
  for (auto _ : state) {
    const int before = w.coloured;
    const auto start = Clock::now();
    w.type(true);
    if (!waitFor([&] { return w.coloured > before; })) {
      return state.SkipWithError("the character was never coloured");
    }
    w.paint();
    const double ms = millisecondsSince(start);
    state.SetIterationTime(ms / 1000);
    coloured += ms;
    engine += engineTokensMs(w.editor->text());
    // Back to the text as it was, coloured again, before the next character.
    const int undone = w.coloured;
    w.type(false);
    waitFor([&] { return w.coloured > undone; });
    processFor(200);
  }
  state.counters["engine_ms"] = engine / double(state.iterations());
  state.counters["per_engine"] = coloured / engine;
}
BENCHMARK(BM_TypedCharacterColoured)
    ->ArgName("lines")
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Peak and current resident set of this process, in MB. The peak is the memory's own
// high-water mark, which starts afresh with the program (getrusage's would be that of the
// benchmark process this one was forked from).
std::pair<double, double> residentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  double peak = 0;
  double resident = 0;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) peak = std::stod(line.substr(6)) / 1024;
    if (line.rfind("VmRSS:", 0) == 0) resident = std::stod(line.substr(6)) / 1024;
  }
  return {peak, resident};
}

// The child: opens the file (or shows it in a plain text edit) and prints its memory.
int memoryChild(int lines, bool plain) {
  if (plain) {
    QPlainTextEdit edit;
    edit.resize(1360, 880);
    edit.setPlainText(linesOfSample(lines));
    edit.show();
    processFor(1500);
    const auto [peak, resident] = residentMegabytes();
    std::printf("%.1f %.1f\n", peak, resident);
    return 0;
  }
  OpenWindow w(lines);
  if (!w.ready) return 1;
  processFor(1500);
  const auto [peak, resident] = residentMegabytes();
  std::printf("%.1f %.1f\n", peak, resident);
  return 0;
}

std::pair<double, double> memoryOfChild(int lines, bool plain) {
  QProcess child;
  QStringList arguments{QString::fromLatin1(kMemoryChild), QString::number(lines)};
  if (plain) arguments << QStringLiteral("plain");
  child.start(QCoreApplication::applicationFilePath(), arguments);
  if (!child.waitForFinished(120000) || child.exitCode() != 0) return {0, 0};
  const QStringList figures = QString::fromLatin1(child.readAllStandardOutput()).split(u' ');
  if (figures.size() != 2) return {0, 0};
  return {figures[0].toDouble(), figures[1].toDouble()};
}

void BM_OpenLargeFileMemory(benchmark::State& state) {
  const int lines = int(state.range(0));
  std::pair<double, double> opened;
  std::pair<double, double> plain;
  for (auto _ : state) {
    opened = memoryOfChild(lines, false);
    plain = memoryOfChild(lines, true);
  }
  if (opened.first == 0 || plain.first == 0) return state.SkipWithError("a child failed");
  state.counters["peak_MB"] = opened.first;
  state.counters["resident_MB"] = opened.second;
  state.counters["plain_peak_MB"] = plain.first;
}
BENCHMARK(BM_OpenLargeFileMemory)
    ->ArgName("lines")
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zx-no-bus");
  QApplication app(argc, argv);
  views::prepareApplication();
  if (argc >= 3 && qstrcmp(argv[1], kMemoryChild) == 0) {
    return memoryChild(QByteArray(argv[2]).toInt(), argc >= 4);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
