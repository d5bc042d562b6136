#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>

#include "bridge/kelo_calls.h"
#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::Publications;
using testing::Rig;
using testing::settle;

// A private home, so the desktop folder is ours to make or leave out.
class BuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldHome_ = qgetenv("HOME");
    oldConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", "");
  }
  void TearDown() override {
    qputenv("HOME", oldHome_);
    qputenv("XDG_CONFIG_HOME", oldConfig_);
  }
  QString home() const { return home_.path(); }

  QTemporaryDir home_;
  QByteArray oldHome_, oldConfig_;
};

TEST_F(BuildTest, ThePanelProposesTheDesktopOrHome) {
  for (const bool desktop : {true, false}) {
    if (desktop) QDir(home()).mkdir("Desktop");
    if (!desktop) QDir(home()).rmdir("Desktop");
    Rig rig;
    Workspace& w = rig.start();
    const qsizetype before = rig.engine.calls().size();
    Publications pubs(w);
    w.build(true);
    const FilePanel& panel = rig.dialogs.lastPanel();
    EXPECT_EQ(panel.title, "Build golden-cross.kelo");
    EXPECT_EQ(panel.acceptLabel, "Build");
    EXPECT_EQ(panel.fileName, "golden-cross.zxb");
    EXPECT_EQ(panel.folder, desktop ? home() + "/Desktop" : home());
    EXPECT_EQ(panel.filters, QStringList{"Kelo bundle (*.zxb)"});
    EXPECT_EQ(panel.defaultSuffix, "zxb");
    // Cancelled: no engine call, nothing published.
    EXPECT_EQ(rig.engine.calls().size(), before);
    EXPECT_TRUE(pubs.names().isEmpty());
    EXPECT_EQ(w.lastBuildFolder(), std::nullopt);
  }
}

TEST_F(BuildTest, ReportsTheEngineResult) {
  QTemporaryDir out;
  const QString first = out.filePath("golden-cross.zxb");
  const QString second = out.filePath("sub/other.zxb");
  const struct {
    bridge::BuildResult reply;
    QString target;
    bool failed;
    const char* message;
    std::optional<QString> lastBuilt;
  } rows[] = {
      {{true, first, 5120, 3, 5, std::nullopt},
       first,
       false,
       "Built golden-cross.zxb \u00B7 5120 bytes \u00B7 5 inputs",
       first},
      {{true, {}, {}, {}, {}, {}},
       first,
       false,
       "Built golden-cross.zxb \u00B7 0 bytes \u00B7 0 inputs",
       first},
      {{false, {}, {}, {}, {}, QString("x")}, second, true, "x", first},
      {{false, {}, {}, {}, {}, {}}, second, true, "The build failed", first},
  };
  Rig rig;
  Workspace& w = rig.start();
  w.setSelectedText("unsaved edit");
  for (const auto& r : rows) {
    rig.engine.fake.buildReply = r.reply;
    rig.dialogs.saveAnswers = {r.target};
    Publications pubs(w);
    w.build(true);
    EXPECT_EQ(w.buildFailed(), r.failed);
    EXPECT_EQ(w.buildMessage(), QString::fromUtf8(r.message));
    EXPECT_EQ(w.lastBuiltURL(), r.lastBuilt);
    EXPECT_EQ(w.lastBuildFolder(), QFileInfo(r.target).path());
    const auto call = rig.engine.calls().last();
    EXPECT_EQ(call.what, "build golden-cross.kelo " + r.target);
    EXPECT_EQ(call.source, "unsaved edit");
    QStringList expected{"lastBuildFolder", "buildFailed", "buildMessage"};
    if (r.reply.ok) expected << "lastBuiltURL";
    EXPECT_EQ(pubs.names(), expected);
  }
}

TEST_F(BuildTest, TargetsAndFolders) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    const char* text;
    const char* target;
  } rows[] = {
      {"bands.kelolib", "indicator \"B\" {}", "bands.zxb"},
      {"ema.kelo", "indicator \"E\" {}", "ema.zxi"},
      {"a.kelo.kelo", "bot \"A\" {}", "a.zxb"},
      {"notes.txt", "bot \"A\" {}", "notes.txt.zxb"},
      {"my.kelolibrary", "bot", "myrary.zxb"},
  };
  for (const auto& r : rows) {
    Rig rig;
    Workspace& w = rig.start();
    w.setFiles({SourceFile::make(r.name, r.text, std::nullopt, QString())});
    w.setSelectedFileID(w.files()[0].id);
    w.setLastBuildFolder(dir.path());
    w.build(false);
    EXPECT_EQ(rig.engine.calls().last().what,
              QStringLiteral("build %1 %2/%3").arg(r.name, dir.path(), r.target));
    EXPECT_TRUE(rig.dialogs.kinds.isEmpty());
  }

  // A saved document proposes its own folder even after a build elsewhere.
  Rig rig;
  Workspace& w = rig.start();
  const QString saved = dir.filePath("s/strategy.kelo");
  QDir(dir.path()).mkdir("s");
  rig.dialogs.saveAnswers = {saved, dir.filePath("elsewhere.zxb")};
  w.save(*w.selected());
  w.build(true);
  EXPECT_EQ(rig.dialogs.lastPanel().folder, dir.filePath("s"));
  w.build(true);
  EXPECT_EQ(rig.dialogs.lastPanel().folder, dir.filePath("s"));
  EXPECT_EQ(rig.dialogs.lastPanel().fileName, "strategy.zxb");
  // A never-saved one proposes the last build folder.
  w.newFile(SourceFile::Kind::indicator);
  w.build(true);
  EXPECT_EQ(rig.dialogs.lastPanel().folder, dir.path());
  EXPECT_EQ(rig.dialogs.lastPanel().filters, QStringList{"Kelo indicator bundle (*.zxi)"});
  EXPECT_EQ(rig.dialogs.lastPanel().defaultSuffix, "zxi");

  // Nothing selected: nothing happens. No bundle yet: nothing to reveal.
  const qsizetype asked = rig.dialogs.kinds.size();
  w.setSelectedFileID(std::nullopt);
  w.build(true);
  w.revealLastBuild();
  settle();
  EXPECT_EQ(rig.dialogs.kinds.size(), asked);
  EXPECT_TRUE(rig.viewer.paths.isEmpty());
}

TEST_F(BuildTest, RevealLastBuild) {
  QTemporaryDir dir;
  Rig rig;
  Workspace& w = rig.start();
  rig.engine.fake.buildReply.ok = true;
  w.setLastBuildFolder(dir.path());
  w.build(false);
  w.revealLastBuild();
  settle();
  EXPECT_EQ(rig.viewer.paths, QStringList{dir.filePath("golden-cross.zxb")});
  EXPECT_FALSE(w.buildFailed());

  // A file manager that cannot show it: the bundle's file name, as a failure.
  rig.viewer.shown = false;
  w.revealLastBuild();
  settle();
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Could not show golden-cross.zxb in the file manager");
}

TEST_F(BuildTest, TheRealEngineWritesTheBundle) {
  QTemporaryDir dir;
  testing::testApp();
  client::FakePlatformClient client;
  FakeDialogs dialogs;
  FakeFileViewer viewer;
  Workspace w(bridge::Kelo::engine(), client, dialogs, viewer);
  w.setLastBuildFolder(dir.path());
  w.build(false);
  EXPECT_FALSE(w.buildFailed()) << w.buildMessage()->toStdString();
  const QString target = dir.filePath("golden-cross.zxb");
  const qint64 size = QFileInfo(target).size();
  EXPECT_GT(size, 0);
  EXPECT_EQ(w.buildMessage(),
            QStringLiteral("Built golden-cross.zxb \u00B7 %1 bytes \u00B7 5 inputs").arg(size));

  w.setLastBuildFolder(dir.filePath("missing"));
  w.build(false);
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "No such file or directory (os error 2)");
  EXPECT_EQ(w.lastBuiltURL(), target);
}

// Every file in `folder` by name, with its bytes (a link's are its target's).
QMap<QString, QByteArray> disk(const QString& folder) {
  QMap<QString, QByteArray> out;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
    out[name] = testing::bytesOf(QDir(folder).filePath(name));
  }
  return out;
}

TEST_F(BuildTest, TheBundleNeverReplacesASource) {
  const QString bot = SourceFile::sampleText();
  const QString indicator = SourceFile::templateText(SourceFile::Kind::indicator);
  const struct {
    const char* name;
    const QString& text;  // of g.kelo, the document built
    const char* typed;    // in the panel
    const char* built;    // the bundle written; "" when refused
    const char* message;  // its start
  } rows[] = {
      {"a source's name", bot, "g.kelo", "g.kelo.zxb", "Built g.kelo.zxb \u00B7 "},
      {"no extension", bot, "g", "g.zxb", "Built g.zxb \u00B7 "},
      {"the bundle's extension", bot, "g.zxb", "g.zxb", "Built g.zxb \u00B7 "},
      {"an indicator's", indicator, "g.zxi", "g.zxi", "Built g.zxi \u00B7 "},
      {"a bot's for an indicator", indicator, "g.zxb", "g.zxb.zxi", "Built g.zxb.zxi \u00B7 "},
      {"a link to the source", bot, "link.zxb", "",
       "Could not build: link.zxb is the file of the open document g.kelo"},
      {"another open document", bot, "other.zxb", "",
       "Could not build: other.zxb is the file of the open document other.zxb"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString source = dir.filePath("g.kelo");
    const QString other = dir.filePath("other.zxb");
    testing::put(source, row.text.toUtf8());
    testing::put(other, "bot \"O\" {}\n");
    ASSERT_TRUE(QFile::link(source, dir.filePath("link.zxb")));
    const QMap<QString, QByteArray> before = disk(dir.path());

    testing::testApp();
    client::FakePlatformClient client;
    FakeDialogs dialogs;
    FakeFileViewer viewer;
    Workspace w(bridge::Kelo::engine(), client, dialogs, viewer);
    dialogs.openAnswers = {{source, other}};
    w.openFromDisk();
    w.select(w.files()[1]);
    dialogs.saveAnswers = {dir.filePath(row.typed)};
    w.build(true);

    EXPECT_TRUE(w.buildMessage().value_or("").startsWith(QString::fromUtf8(row.message)))
        << w.buildMessage().value_or("(none)").toStdString();
    EXPECT_EQ(w.buildFailed(), !*row.built);
    QMap<QString, QByteArray> expected = before;
    if (*row.built) {
      const QString bundle = dir.filePath(row.built);
      expected[row.built] = testing::bytesOf(bundle);
      EXPECT_TRUE(expected[row.built].startsWith(row.text == indicator ? "ZXI1" : "ZXB1"));
      EXPECT_EQ(w.lastBuiltURL(), bundle);
    } else {
      EXPECT_EQ(w.lastBuiltURL(), std::nullopt);
    }
    EXPECT_EQ(disk(dir.path()), expected);
    EXPECT_FALSE(w.selected()->hasUnsavedChanges());
  }
}

}  // namespace
}  // namespace zx::model
