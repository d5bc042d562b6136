// The editor on the Golden Cross sample repeated to 10,030 lines, coloured with the real
// engine's tokens and underlined with the real check's findings. A keystroke is a key
// event to the text view followed by a synchronous repaint of the text and the gutter.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextEdit>
#include <chrono>
#include <memory>

#include "bench/golden_cross_sample.h"
#include "bridge/kelo_calls.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_highlighter.h"
#include "editor/kelo_text_view.h"
#include "editor/line_gutter.h"
#include "editor/sample_colours.h"
#include "editor/text_search.h"

namespace {

using namespace zx::editor;
using Clock = std::chrono::steady_clock;

constexpr int kLines = 10030;

const QString& bigSource() {
  static const QString text = [] {
    const QString sample = QString::fromUtf8(kelo_bench::kGoldenCross);
    const auto sampleLines = sample.count(u'\n');
    QString out;
    for (qsizetype lines = 0; lines < kLines; lines += sampleLines) out += sample;
    return out;
  }();
  return text;
}

const QList<zx::bridge::Diagnostic>& bigFindings() {
  static const auto found =
      zx::bridge::Kelo::check(bigSource(), QStringLiteral("bench.kelo")).diagnostics;
  return found;
}

// A shown editor holding the big source, coloured and underlined.
std::unique_ptr<KeloEditor> bigEditor() {
  auto editor = std::make_unique<KeloEditor>(zx::bridge::Kelo::engine());
  editor->resize(1000, 800);
  editor->setColours(lightSampleColours());
  editor->show();
  QSignalSpy coloured(editor.get(), &KeloEditor::coloured);
  editor->setText(bigSource());
  coloured.wait(10000);
  editor->setDiagnostics(bigFindings());
  QApplication::processEvents();
  return editor;
}

void placeCaretAtLine(KeloTextView* view, int line) {
  QTextCursor c(view->document()->findBlockByNumber(line - 1));
  view->setTextCursor(c);
  view->ensureCursorVisible();
  QApplication::processEvents();
}

void send(QWidget* view, Qt::Key key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(view, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(view, &release);
}

void paint(QTextEdit* view, QWidget* gutter) {
  view->viewport()->repaint();
  if (gutter) gutter->repaint();
}

int lineOf(const std::string& where) {
  if (where == "top") return 10;
  if (where == "middle") return kLines / 2;
  return kLines - 40;
}

// Times `timed` per iteration, runs `undo` outside the clock, and reports the worst.
template <typename Timed, typename Undo>
void timeKeystrokes(benchmark::State& state, Timed timed, Undo undo) {
  double worst = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    timed();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    worst = std::max(worst, ms);
    state.SetIterationTime(ms / 1000);
    undo();
    QApplication::processEvents();  // token results land here, as between real keys
  }
  state.counters["max_ms"] = worst;
}

// An "x" typed at the caret until it is painted, taken back between keys.
void timeTypedX(benchmark::State& state, KeloTextView* view) {
  timeKeystrokes(
      state,
      [&] {
        send(view, Qt::Key_X, QStringLiteral("x"));
        paint(view, view->gutter());
      },
      [&] { send(view, Qt::Key_Backspace, QString()); });
}

void BM_TypeCharacter(benchmark::State& state, const std::string& where) {
  auto editor = bigEditor();
  KeloTextView* view = editor->textView();
  placeCaretAtLine(view, lineOf(where));
  timeTypedX(state, view);
}
BENCHMARK_CAPTURE(BM_TypeCharacter, top, std::string("top"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeCharacter, middle, std::string("middle"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TypeCharacter, end, std::string("end"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_Return(benchmark::State& state) {
  auto editor = bigEditor();
  KeloTextView* view = editor->textView();
  placeCaretAtLine(view, lineOf("top"));
  timeKeystrokes(
      state,
      [&] {
        send(view, Qt::Key_Return, QStringLiteral("\r"));
        paint(view, view->gutter());
      },
      [&] { send(view, Qt::Key_Backspace, QString()); });
}
BENCHMARK(BM_Return)->Name("BM_Return/top")->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Backspace(benchmark::State& state) {
  auto editor = bigEditor();
  KeloTextView* view = editor->textView();
  placeCaretAtLine(view, lineOf("top"));
  send(view, Qt::Key_End, QString());
  timeKeystrokes(
      state,
      [&] {
        send(view, Qt::Key_Backspace, QString());
        paint(view, view->gutter());
      },
      [&] { send(view, Qt::Key_X, QStringLiteral("x")); });
}
BENCHMARK(BM_Backspace)->Name("BM_Backspace/top")->UseManualTime()->Unit(benchmark::kMillisecond);

// A script holding one line of 100,000 characters ("let v = 0 + 1 + 1 …": tens of
// thousands of tokens), coloured by the real engine, the caret in the line's middle.
std::unique_ptr<KeloEditor> longLineEditor() {
  QString line = QStringLiteral("let v = 0");
  while (line.size() < 100000) line += QStringLiteral(" + 1");
  auto editor = std::make_unique<KeloEditor>(zx::bridge::Kelo::engine());
  editor->resize(1000, 800);
  editor->setColours(lightSampleColours());
  editor->show();
  QSignalSpy coloured(editor.get(), &KeloEditor::coloured);
  editor->setText(QStringLiteral("// one long line\n") + line + QStringLiteral("\nplot(v)\n"));
  coloured.wait(10000);
  KeloTextView* view = editor->textView();
  QTextCursor caret(view->document()->findBlockByNumber(1));
  caret.setPosition(caret.position() + int(line.size() / 2));
  view->setTextCursor(caret);
  view->ensureCursorVisible();
  QApplication::processEvents();
  paint(view, view->gutter());
  return editor;
}

void BM_KeystrokeOnAHundredThousandCharacterLineIsPainted(benchmark::State& state) {
  auto editor = longLineEditor();
  timeTypedX(state, editor->textView());
}
BENCHMARK(BM_KeystrokeOnAHundredThousandCharacterLineIsPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One blink of an idle caret on that line: the caret's rectangle asked for and repainted.
void BM_CaretBlinkOnAHundredThousandCharacterLine(benchmark::State& state) {
  auto editor = longLineEditor();
  KeloTextView* view = editor->textView();
  for (auto _ : state) view->viewport()->repaint(view->cursorRect());
}
BENCHMARK(BM_CaretBlinkOnAHundredThousandCharacterLine)->Unit(benchmark::kMicrosecond);

// Qt's own document layout with a highlighter attached: the baseline the row layout
// is judged against.
class DigitHighlighter : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;
  void highlightBlock(const QString& text) override {
    for (int i = 0; i < text.size(); ++i) {
      if (text[i].isDigit()) setFormat(i, 1, QColor(0xB4530A));
    }
  }
};

void BM_TypeCharacterStockLayout(benchmark::State& state) {
  QTextEdit view;
  view.setAcceptRichText(false);
  view.setLineWrapMode(QTextEdit::NoWrap);
  view.resize(1000, 800);
  view.show();
  new DigitHighlighter(view.document());
  view.setPlainText(bigSource());
  QApplication::processEvents();
  placeCaretAtLine(reinterpret_cast<KeloTextView*>(&view), lineOf("top"));
  timeKeystrokes(
      state,
      [&] {
        send(&view, Qt::Key_X, QStringLiteral("x"));
        paint(&view, nullptr);
      },
      [&] { send(&view, Qt::Key_Backspace, QString()); });
}
BENCHMARK(BM_TypeCharacterStockLayout)
    ->Name("BM_TypeCharacterStockLayout/top")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ApplyFreshTokens(benchmark::State& state) {
  auto editor = bigEditor();
  auto* highlighter = editor->findChild<KeloHighlighter*>();
  const QList<TokenSpan> fresh = highlighter->tokens();
  // The same list with one line's tokens changed, as after typing on that line.
  QList<TokenSpan> edited = fresh;
  const int line = editor->textView()->document()->findBlockByNumber(5000).position();
  for (TokenSpan& s : edited) {
    if (s.start >= line && s.start < line + 40) s.kind = TokenKind::Number;
  }
  bool flip = false;
  for (auto _ : state) {
    highlighter->applyTokens((flip = !flip) ? edited : fresh);
  }
  state.counters["tokens"] = double(fresh.size());
}
BENCHMARK(BM_ApplyFreshTokens)->Unit(benchmark::kMillisecond);

void BM_ApplyDiagnostics(benchmark::State& state) {
  auto editor = bigEditor();
  const QList<zx::bridge::Diagnostic> found = bigFindings();
  QList<zx::bridge::Diagnostic> other = found;
  other.removeLast();
  bool flip = false;
  for (auto _ : state) {
    editor->setDiagnostics((flip = !flip) ? other : found);
    paint(editor->textView(), nullptr);
  }
  state.counters["findings"] = double(found.size());
}
BENCHMARK(BM_ApplyDiagnostics)->Unit(benchmark::kMillisecond);

void BM_ReplaceText(benchmark::State& state) {
  auto editor = bigEditor();
  const QString other = bigSource() + QStringLiteral("\n");
  bool flip = false;
  for (auto _ : state) {
    editor->setText((flip = !flip) ? other : bigSource());
    paint(editor->textView(), editor->textView()->gutter());
  }
}
BENCHMARK(BM_ReplaceText)->Unit(benchmark::kMillisecond);

void BM_PaletteSwitch(benchmark::State& state) {
  auto editor = bigEditor();
  bool flip = false;
  for (auto _ : state) {
    editor->setColours((flip = !flip) ? darkSampleColours() : lightSampleColours());
    paint(editor->textView(), editor->textView()->gutter());
  }
}
BENCHMARK(BM_PaletteSwitch)->Unit(benchmark::kMillisecond);

void BM_FindCount(benchmark::State& state) {
  auto editor = bigEditor();
  qsizetype found = 0;
  for (auto _ : state) {
    found = findMatches(editor->text(), QStringLiteral("symbol"), {}).size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["matches"] = double(found);
}
BENCHMARK(BM_FindCount)->Unit(benchmark::kMillisecond);

void BM_TokensOnWorker(benchmark::State& state) {
  qsizetype spans = 0;
  for (auto _ : state) {
    spans = spansOf(zx::bridge::Kelo::engine().tokens(bigSource()), bigSource()).size();
  }
  state.counters["spans"] = double(spans);
}
BENCHMARK(BM_TokensOnWorker)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
