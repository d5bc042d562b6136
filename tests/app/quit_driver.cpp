// The application as `main` runs it, with a user who opens a bot whose every bar takes
// long, runs it, and quits with Ctrl+Q while it runs. It prints each step it took:
// "running" once the engine has the run, "quit" when it presses the keys, and "report"
// should the run end first (then it never ran long).
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "shell/process_start.h"
#include "shell/zentrix_code_app.h"

namespace {

// Each bar builds a text of 250 million characters, one at a time.
const char* const kSlowBot =
    "bot \"Slow\" {\n"
    "  version \"1.0.0\"\n"
    "}\n"
    "\n"
    "fn onBar() {\n"
    "  let s = \"x\".repeat(250000000)\n"
    "}\n";

void say(const char* step) {
  std::printf("%s\n", step);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  using zx::model::SourceFile;
  using zx::model::Workspace;
  return zx::views::runApplication(argc, argv, [](zx::views::ZentrixCodeApp& app) {
    Workspace& w = app.workspace();
    const QString text = QString::fromUtf8(kSlowBot);
    // As if opened from disk: nothing unsaved, so the quit asks nothing.
    w.setFiles({SourceFile::make(QStringLiteral("slow.kelo"), text, std::nullopt, text)});
    w.select(w.files().first());
    QObject::connect(&w, &Workspace::changed, &w, [&app](Workspace::Field field) {
      if (field == Workspace::Field::report && app.workspace().report()) say("report");
      // The last publication before the engine gets the run.
      if (field != Workspace::Field::currencyConverted || !app.workspace().isTesting()) return;
      say("running");
      QTimer::singleShot(0, &app.window(), [&app] {
        say("quit");
        QTest::keyClick(&app.window(), Qt::Key_Q, Qt::ControlModifier);
      });
    });
    app.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&app.window())) say("never active");
    QTest::keyClick(&app.window(), Qt::Key_R, Qt::ControlModifier);
  });
}
