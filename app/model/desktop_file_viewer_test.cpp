// The file-manager seam on a private session bus: the test runs itself again under
// dbus-run-session, so the user's own bus and file manager are never touched.
#include "model/desktop_file_viewer.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>

#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

constexpr char kInner[] = "ZX_FILE_VIEWER_INNER";
const QString kService = QStringLiteral("org.freedesktop.FileManager1");

class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public:
  QList<QStringList> uris;
  QStringList startupIds;

 public slots:
  void ShowItems(const QStringList& items, const QString& startupId) {
    uris << items;
    startupIds << startupId;
  }
};

struct Opener {
  bool answer = false;
  QList<QUrl> folders;
  DesktopFileViewer::FolderOpener fn() {
    return [this](const QUrl& folder) {
      folders << folder;
      return answer;
    };
  }
};

// Reveals `path` and waits for the answer; none when it never came.
std::optional<bool> reveal(DesktopFileViewer& viewer, const QString& path) {
  std::optional<bool> shown;
  QObject context;
  viewer.reveal(path, &context, [&](bool s) { shown = s; });
  EXPECT_FALSE(shown.has_value());  // never before the call returns
  QElapsedTimer clock;
  clock.start();
  while (!shown && clock.elapsed() < 2 * DesktopFileViewer::kTimeoutMs) QTest::qWait(5);
  return shown;
}

void onPrivateBus() {
  testing::testApp();
  const QString path = QString::fromUtf8("/home/u/a b/\u00E9.kelo");
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
  FakeFileManager manager;
  QDBusConnection service =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-manager"));
  ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService(kService));

  Opener opener;
  DesktopFileViewer viewer(QDBusConnection::sessionBus(), opener.fn());
  EXPECT_EQ(reveal(viewer, path), true);
  EXPECT_EQ(manager.uris, QList<QStringList>{{"file:///home/u/a%20b/%C3%A9.kelo"}});
  EXPECT_EQ(manager.startupIds, QStringList{""});
  EXPECT_TRUE(opener.folders.isEmpty());

  // No file manager: the folder opens instead, and its answer is the answer.
  service.unregisterService(kService);
  for (const bool answer : {true, false}) {
    opener.answer = answer;
    EXPECT_EQ(reveal(viewer, path), answer);
  }
  EXPECT_EQ(opener.folders,
            (QList<QUrl>{QUrl::fromLocalFile("/home/u/a b"), QUrl::fromLocalFile("/home/u/a b")}));
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-manager"));
}

TEST(DesktopFileViewer, OnAPrivateSessionBus) {
  if (qEnvironmentVariableIsSet(kInner)) return onPrivateBus();
  const QString session = QStandardPaths::findExecutable("dbus-run-session");
  if (session.isEmpty()) GTEST_SKIP() << "needs dbus-run-session";
  testing::testApp();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(kInner, "1");
  env.remove("DBUS_SESSION_BUS_ADDRESS");
  QProcess child;
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(session, {"--", QCoreApplication::applicationFilePath(),
                        "--gtest_filter=DesktopFileViewer.OnAPrivateSessionBus"});
  ASSERT_TRUE(child.waitForFinished(60000)) << "the private bus session did not finish";
  const QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(DesktopFileViewer, WithoutABusTheFolderOpensAtOnce) {
  testing::testApp();
  Opener opener;
  opener.answer = true;
  DesktopFileViewer viewer(QDBusConnection(QStringLiteral("zx-never-connected")), opener.fn());
  EXPECT_EQ(reveal(viewer, "/tmp/x/a.kelo"), true);
  EXPECT_EQ(opener.folders, QList<QUrl>{QUrl::fromLocalFile("/tmp/x")});

  // A context gone before the answer: no answer at all.
  bool called = false;
  auto context = std::make_unique<QObject>();
  viewer.reveal("/tmp/x/a.kelo", context.get(), [&](bool) { called = true; });
  context.reset();
  testing::settle();
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace zx::model

#include "desktop_file_viewer_test.moc"
