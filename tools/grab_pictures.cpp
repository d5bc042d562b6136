// Writes offscreen pictures of the editor, light and dark, into a folder, to look at what
// a change draws:
//   build/tools/zx_grab_pictures <folder>
// It uses the desktop's fonts, as the application does; run it with
// FONTCONFIG_FILE=$PWD/build/test-fonts/fonts.conf to draw with the fonts the tests see.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

#include "bench/golden_cross_sample.h"
#include "bridge/kelo_calls.h"
#include "editor/find_bar.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/sample_colours.h"

namespace {

// A colouring, a check or a paint that has not come by then never will.
constexpr int kWaitMs = 10000;

bool save(QWidget& widget, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name + u".png"_qs);
  if (!widget.grab().save(path)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The Golden Cross sample with a misspelt name and a wide character, so that the picture
// shows an underline, the find bar's matches and a caret line.
bool grabEditor(const QDir& folder, const QString& name, const zx::editor::EditorColours& colours) {
  using zx::editor::KeloEditor;
  const QString source = QString::fromUtf8(kelo_bench::kGoldenCross)
                             .replace(u"return status.ok"_qs, u"return status.okay + \"😀\""_qs);
  KeloEditor editor(zx::bridge::Kelo::engine());
  QSignalSpy coloured(&editor, &KeloEditor::coloured);
  editor.resize(760, 820);
  editor.setColours(colours);
  editor.show();
  editor.setText(source);
  if (!coloured.wait(kWaitMs)) {
    std::fprintf(stderr, "the editor was not coloured\n");
    return false;
  }
  editor.setDiagnostics(zx::bridge::Kelo::check(source, u"golden-cross.kelo"_qs).diagnostics);
  QApplication::setActiveWindow(&editor);
  editor.textView()->setFocus();
  editor.findActions()[0]->trigger();
  QTest::keyClicks(editor.findBar()->findField(), u"pips"_qs);
  editor.findActions()[4]->trigger();
  editor.jumpTo(22, 9);
  QTest::qWait(20);
  return save(editor, folder, u"editor-"_qs + name);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(u"."_qs)) {
    std::fprintf(stderr, "cannot make %s\n", argv[1]);
    return 1;
  }
  bool ok = true;
  ok = grabEditor(folder, u"light"_qs, zx::editor::lightSampleColours()) && ok;
  ok = grabEditor(folder, u"dark"_qs, zx::editor::darkSampleColours()) && ok;
  return ok ? 0 : 1;
}
