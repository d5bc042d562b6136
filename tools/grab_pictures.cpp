// Writes offscreen pictures of the editor, the editor pane and the reference pane, light
// and dark, into a folder, to look at what a change draws:
//   build/tools/zx_grab_pictures <folder>
// It uses the desktop's fonts, as the application does; run it with
// FONTCONFIG_FILE=$PWD/build/test-fonts/fonts.conf to draw with the fonts the tests see.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <functional>

#include "bench/golden_cross_sample.h"
#include "bridge/kelo_calls.h"
#include "client/fake_platform_client.h"
#include "editor/find_bar.h"
#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "editor/sample_colours.h"
#include "model/fake_dialogs.h"
#include "model/fake_file_viewer.h"
#include "model/source_file.h"
#include "model/workspace.h"
#include "panels/application_setup.h"
#include "shell/editor_pane.h"
#include "shell/reference_list.h"
#include "shell/reference_pane.h"
#include "shell/reference_rows.h"
#include "theme/theme.h"

namespace {

namespace Kelo = zx::bridge::Kelo;

// A colouring or a check that has not come by then never will.
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

bool fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  return false;
}

// A Golden Cross sample with a misspelt name and a wide character, so that a picture
// shows an underline and an emoji beside the colours.
QString withAProblem(QString sample) {
  return sample.replace(u"return status.ok"_qs, u"return status.okay + \"😀\""_qs);
}

// The editor alone, with the find bar's matches and a caret line.
bool grabEditor(const QDir& folder, const QString& name, const zx::editor::EditorColours& colours) {
  using zx::editor::KeloEditor;
  const QString source = withAProblem(QString::fromUtf8(kelo_bench::kGoldenCross));
  KeloEditor editor(Kelo::engine());
  QSignalSpy coloured(&editor, &KeloEditor::coloured);
  editor.resize(760, 820);
  editor.setColours(colours);
  editor.show();
  editor.setText(source);
  if (!coloured.wait(kWaitMs)) return fail("the editor was not coloured");
  editor.setDiagnostics(Kelo::check(source, u"golden-cross.kelo"_qs).diagnostics);
  QApplication::setActiveWindow(&editor);
  editor.textView()->setFocus();
  editor.findActions()[0]->trigger();
  QTest::keyClicks(editor.findBar()->findField(), u"pips"_qs);
  editor.findActions()[4]->trigger();
  editor.jumpTo(22, 9);
  QTest::qWait(20);
  return save(editor, folder, u"editor-"_qs + name);
}

// The editor pane on a workspace checked by the engine, then with no document open.
bool grabEditorPane(const QDir& folder, const QString& name, const zx::theme::Palette& palette) {
  using zx::model::Workspace;
  zx::client::FakePlatformClient client;
  zx::model::FakeDialogs dialogs;
  zx::model::FakeFileViewer viewer;
  Workspace workspace(Kelo::engine(), client, dialogs, viewer);
  QWidget host;
  zx::theme::PaletteScope::set(&host, palette);
  auto* pane = new zx::views::EditorPane(workspace, Kelo::engine(), &host);
  host.resize(760, 560);
  pane->resize(760, 560);
  host.show();
  bool checked = false;
  QObject::connect(&workspace, &Workspace::changed, &host, [&](Workspace::Field f) {
    checked = checked || f == Workspace::Field::lastCheckMilliseconds;
  });
  workspace.setSelectedText(withAProblem(zx::model::SourceFile::sampleText()));
  if (!QTest::qWaitFor([&] { return checked && !workspace.diagnostics().isEmpty(); }, kWaitMs)) {
    return fail("the editor pane's text was not checked");
  }
  pane->editor()->jumpTo(12, 5);
  QSignalSpy coloured(pane->editor(), &zx::editor::KeloEditor::coloured);
  coloured.wait(kWaitMs);
  QTest::qWait(100);
  bool ok = save(*pane, folder, u"editor-pane-"_qs + name);
  workspace.setSelectedFileID(std::nullopt);
  QTest::qWait(20);
  return save(*pane, folder, u"editor-pane-empty-"_qs + name) && ok;
}

// The reference pane with a section folded and the keyboard's outline, then with an
// entry chosen and another under the pointer, then searching.
bool grabReferencePane(const QDir& folder, const QString& name, const zx::theme::Palette& palette) {
  using zx::views::ReferenceList;
  QWidget host;
  zx::theme::PaletteScope::set(&host, palette);
  auto* pane = new zx::views::ReferencePane(Kelo::engine(), &host);
  host.resize(300, 640);
  pane->resize(300, 640);
  host.show();
  QTest::qWait(10);
  ReferenceList* list = pane->list();
  const zx::views::ReferenceRows& rows = *pane->rows();
  const auto centreOf = [&](int row) { return list->visualRect(rows.index(row)).center(); };
  const auto click = [&](int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centreOf(row));
  };
  if (rows.findHeader(u"Price data"_qs) < 0 || rows.findEntry(u"sma"_qs) < 0) {
    return fail("the reference lists no Price data section or no sma");
  }
  click(rows.findHeader(u"Price data"_qs));
  list->setFocus();
  QTest::qWait(20);
  bool ok = save(*pane, folder, u"reference-pane-folded-"_qs + name);
  click(rows.findEntry(u"sma"_qs));
  // "sma" 90 px down, under the pinned Indicators header.
  const int sma = rows.findEntry(u"sma"_qs);
  list->verticalScrollBar()->setValue(list->visualRect(rows.index(sma)).top() +
                                      list->verticalScrollBar()->value() - 90);
  QTest::mouseMove(list->viewport(), centreOf(rows.findEntry(u"stoch"_qs)));
  QTest::qWait(20);
  ok = save(*pane, folder, u"reference-pane-"_qs + name) && ok;
  QTest::keyClicks(pane->searchField()->lineEdit(), u"avg"_qs);
  QTest::qWait(20);
  return save(*pane, folder, u"reference-pane-search-"_qs + name) && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  zx::views::prepareApplication();
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
  for (const bool dark : {false, true}) {
    const QString name = dark ? u"dark"_qs : u"light"_qs;
    const auto colours = dark ? zx::editor::darkSampleColours() : zx::editor::lightSampleColours();
    const auto palette = dark ? zx::theme::darkPalette() : zx::theme::lightPalette();
    ok = grabEditor(folder, name, colours) && ok;
    ok = grabEditorPane(folder, name, palette) && ok;
    ok = grabReferencePane(folder, name, palette) && ok;
  }
  return ok ? 0 : 1;
}
