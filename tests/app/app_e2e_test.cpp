// The application end to end on the real engine, as `main` builds it: the Golden Cross
// sample checked, built into a bundle through the real save panel, backtested, drawn in
// light and dark, and closed through the real question. One case: each case would need
// a process of its own.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>
#include <optional>

#include "editor/kelo_editor.h"
#include "editor/kelo_text_view.h"
#include "panels/application_setup.h"
#include "panels/bottom_panel.h"
#include "shell/editor_pane.h"
#include "shell/inputs_panel.h"
#include "shell/process_start.h"
#include "shell/sidebar.h"
#include "shell/top_bar.h"
#include "shell/zentrix_code_app.h"
#include "theme/theme.h"

namespace zx::views {
namespace {

QString hex(const QColor& c) {
  return c.name(QColor::HexRgb).toUpper();
}

// Every text the widgets under `root` show to a reader: accessible names and values,
// labels' and buttons' texts.
QStringList shownTexts(const QWidget* root) {
  QStringList out;
  for (const QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisible()) continue;
    out << w->accessibleName() << w->accessibleDescription();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) out << button->text();
  }
  out.removeAll(QString());
  return out;
}

// Answers the next modal dialog of type T, polled every 20 ms for up to 5 s; rejects
// whatever else turns up, so a wrong dialog cannot hang the test.
template <class T>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(T*)> answer) : answer_(std::move(answer)) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
    clock_.start();
  }
  bool answered() const { return answered_; }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<T*>(modal)) {
      timer_.stop();
      answered_ = true;
      answer_(dialog);
    } else if (clock_.elapsed() > 5000) {
      timer_.stop();
      if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
    }
  }

  std::function<void(T*)> answer_;
  QTimer timer_;
  QElapsedTimer clock_;
  bool answered_ = false;
};

bool waitFor(const std::function<bool()>& done) {
  return QTest::qWaitFor(done, 10000);
}

TEST(AppEndToEnd, GoldenCross) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("config")).toUtf8());
  // No keyring, no portal, and no libdbus autolaunch under Xvfb.
  qputenv("DBUS_SESSION_BUS_ADDRESS",
          "unix:path=" + tmp.filePath(QStringLiteral("no-bus")).toUtf8());
  qputenv("ZENTRIX_API_BASE", "http://127.0.0.1:1");
  const bool onX = qgetenv("QT_QPA_PLATFORM") == "xcb";
  if (!onX) {
    // The offscreen screen, as large as a desktop's.
    const QString config = tmp.filePath(QStringLiteral("screen.json"));
    QFile f(config);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({"screens":[{"name":"zx","x":0,"y":0,"width":1920,"height":1080,)"
            R"("logicalDpi":96,"logicalBpi":96,"dpr":1}]})");
    f.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
  }
  QString artifacts = qEnvironmentVariable("ZX_ARTIFACT_DIR");
  if (artifacts.isEmpty()) artifacts = QStringLiteral(ZX_DEFAULT_ARTIFACT_DIR);
  QDir().mkpath(artifacts);
  QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);

  static int argc = 1;
  static char name[] = "zentrixcode";
  static char* argv[] = {name, nullptr};
  std::optional<QApplication> application;
  {
    PlatformFailureGuard guard;
    application.emplace(argc, argv);
  }
  prepareApplication();
  std::unique_ptr<ZentrixCodeApp> app = ZentrixCodeApp::production();
  app->show();
  MainWindow& window = app->window();
  RootView& root = app->root();
  model::Workspace& w = app->workspace();

  // The first check.
  ASSERT_TRUE(waitFor([&] {
    return root.sidebar()->inputsPanel() && root.sidebar()->inputsPanel()->countText() == "5";
  }));
  EXPECT_EQ(window.windowHandle()->title(), "golden-cross.kelo");
  EXPECT_EQ(root.topBar()->pill()->text(), "Ready");
  EXPECT_FALSE(root.topBar()->unsavedDot()->isVisible());
  const QStringList problems = shownTexts(root.bottomPanel());
  EXPECT_TRUE(problems.contains("Problems")) << problems.join(" | ").toStdString();
  EXPECT_TRUE(problems.contains("No problems")) << problems.join(" | ").toStdString();
  EXPECT_EQ(root.editorPane()->header()->title(), "golden-cross.kelo");
  EXPECT_EQ(root.editorPane()->kindPill()->text(), "Bot");
  EXPECT_EQ(root.editorPane()->lineCountLabel()->text(), "34 lines");
  EXPECT_EQ(root.statusItem("Kelo")->value(), "1.0.0");
  EXPECT_EQ(root.statusItem("Kind")->value(), "Bot");

  // Build, through the real save panel.
  const QString out = tmp.filePath(QStringLiteral("out"));
  QDir().mkpath(out);
  const QString bundle = QDir(out).filePath(QStringLiteral("golden-cross.zxb"));
  QString panelTitle, proposed;
  {
    ModalAnswer<QFileDialog> answer([&](QFileDialog* panel) {
      panelTitle = panel->windowTitle();
      proposed = QFileInfo(panel->selectedFiles().value(0)).fileName();
      panel->selectFile(bundle);
      QMetaObject::invokeMethod(panel, "accept", Qt::QueuedConnection);
    });
    QTest::mouseClick(root.topBar()->buildButton(), Qt::LeftButton);
    EXPECT_TRUE(answer.answered());
  }
  EXPECT_EQ(panelTitle, "Build golden-cross.kelo");
  EXPECT_EQ(proposed, "golden-cross.zxb");
  QFile built(bundle);
  ASSERT_TRUE(built.open(QIODevice::ReadOnly));
  EXPECT_EQ(built.read(4), "ZXB1");
  EXPECT_EQ(
      w.buildMessage().value_or(QString()),
      QStringLiteral("Built golden-cross.zxb \u00b7 %1 bytes \u00b7 5 inputs").arg(built.size()));
  EXPECT_FALSE(w.buildFailed());
  EXPECT_EQ(root.buildMessage()->text(), w.buildMessage().value_or(QString()));
  EXPECT_TRUE(root.buildMessage()->isVisible());

  // Run the test.
  QTest::mouseClick(root.topBar()->runTestButton(), Qt::LeftButton);
  EXPECT_EQ(root.bottomPanel()->tab(), BottomTab::tester);
  EXPECT_EQ(root.topBar()->runTestButton()->title(), "Running");
  EXPECT_FALSE(root.topBar()->runTestButton()->isEnabled());
  ASSERT_TRUE(waitFor([&] { return !w.isTesting() && w.report(); }));
  const bridge::BacktestReport& report = *w.report();
  EXPECT_TRUE(report.ok);
  EXPECT_EQ(report.trades.size(), 5);
  EXPECT_EQ(report.equity.size(), 4800);
  ASSERT_EQ(report.journal.size(), 1);
  EXPECT_EQ(report.journal[0].message, "Golden Cross ready on EURUSD");
  ASSERT_TRUE(waitFor([&] { return root.bottomHeight() == 400; }));  // the panel's growth
  const QStringList tester = shownTexts(root.bottomPanel());
  for (const char* text :
       {"Sample prices", "Generated prices, not a real market.", "4800 bars replayed",
        "Net profit USD", "235.67", "Trades", "5", "Win rate", "60%", "Profit factor", "3.55",
        "Max drawdown USD", "79.95"}) {
    EXPECT_TRUE(tester.contains(QString::fromUtf8(text)))
        << text << " in " << tester.join(" | ").toStdString();
  }
  EXPECT_EQ(root.bottomPanel()->journalLabel(), "Journal  1");
  EXPECT_EQ(root.bottomHeight(), 400);
  EXPECT_EQ(root.editorSplit()->shownSizes().bottom, 400);

  // Light and dark, saved for a look.
  const auto picture = [&] {
    QTest::qWait(onX ? 300 : 50);
    return onX ? window.screen()->grabWindow(window.winId()).toImage() : window.grab().toImage();
  };
  const auto at = [&](const QImage& image, QWidget* w, QPoint p) {
    return hex(image.pixelColor(w->mapTo(&window, p)));
  };
  QMenu* picker = app->menus().viewMenu()->actions()[2]->menu();
  const struct {
    int item;
    const char* file;
    const char* status;
    const char* bar;
  } looks[] = {{1, "zentrixcode-light", "#FBFBFD", "#FFFFFF"},
               {2, "zentrixcode-dark", "#0C1128", "#0D1230"},
               {0, nullptr, "#FBFBFD", "#FFFFFF"}};
  for (const auto& look : looks) {
    picker->actions()[look.item]->trigger();
    const QImage image = picture();
    if (look.file) {
      const QString file = QString::fromUtf8(look.file) + (onX ? "-xvfb" : "") + ".png";
      EXPECT_TRUE(image.save(QDir(artifacts).filePath(file))) << file.toStdString();
    }
    EXPECT_EQ(at(image, root.statusBar(), QPoint(4, 12)), look.status) << look.item;
    EXPECT_EQ(at(image, root.topBar(), QPoint(20, 30)), look.bar) << look.item;
  }

  // Closing with unsaved work: Escape keeps the window; "Discard" closes it and ends the loop.
  editor::KeloTextView* text = root.editorPane()->editor()->textView();
  text->setFocus();
  QTest::keyClicks(text, QStringLiteral("x"));
  ASSERT_TRUE(w.selected()->hasUnsavedChanges());
  QString question;
  {
    ModalAnswer<QMessageBox> answer([&](QMessageBox* box) {
      question = box->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(answer.answered());
  }
  EXPECT_EQ(question, "Save the changes to golden-cross.kelo before closing?");
  EXPECT_TRUE(window.isVisible());

  ModalAnswer<QMessageBox> discard([&](QMessageBox* box) {
    for (QAbstractButton* b : box->buttons()) {
      if (b->text() == "Discard") b->click();
    }
  });
  QTimer::singleShot(0, &window, [&] { window.close(); });
  QTimer::singleShot(20000, application->instance(), [] { QCoreApplication::exit(2); });
  EXPECT_EQ(application->exec(), 0);
  EXPECT_TRUE(discard.answered());
  EXPECT_FALSE(window.isVisible());

  app.reset();
}

}  // namespace
}  // namespace zx::views
