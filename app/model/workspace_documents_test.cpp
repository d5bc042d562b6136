#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include "model/file_size_limit.h"
#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::bytesOf;
using testing::Publications;
using testing::put;
using testing::Rig;
using testing::settle;
using Kind = SourceFile::Kind;

QStringList names(const Workspace& w) {
  QStringList out;
  for (const SourceFile& f : w.files()) out << f.name;
  return out;
}

qsizetype checks(const Rig& rig) {
  return rig.engine.names().count();
}

TEST(WorkspaceDocuments, NewFileNames) {
  const struct {
    QList<Kind> made;
    QStringList names;  // after the sample
  } rows[] = {
      {{Kind::bot, Kind::bot}, {"untitled-bot.kelo", "untitled-bot-2.kelo"}},
      {{Kind::bot, Kind::bot, Kind::bot},
       {"untitled-bot.kelo", "untitled-bot-2.kelo", "untitled-bot-3.kelo"}},
      {{Kind::library, Kind::library}, {"untitled.kelolib", "untitled-2.kelolib"}},
      {{Kind::indicator}, {"untitled-indicator.kelo"}},
  };
  for (const auto& r : rows) {
    Rig rig;
    Workspace& w = rig.start();
    for (Kind k : r.made) w.newFile(k);
    EXPECT_EQ(names(w).mid(1), r.names);
  }

  // Only open names count: with untitled-bot-2 alone open, the base name is free.
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  w.newFile(Kind::bot);
  w.closeFile(w.files()[1]);
  w.newFile(Kind::bot);
  EXPECT_EQ(names(w).mid(1), (QStringList{"untitled-bot-2.kelo", "untitled-bot.kelo"}));
}

TEST(WorkspaceDocuments, NewFileIsSelectedUnsavedAndChecked) {
  Rig rig;
  Workspace& w = rig.start();
  w.setReport(bridge::BacktestReport{});
  w.setBuildMessage(QStringLiteral("old"));
  rig.engine.fake.checkReply.diagnostics = {{"error", "KELO2001", "m", 1, 1, 1, 2}};
  Publications pubs(w);
  w.newFile(Kind::library);
  EXPECT_EQ(pubs.take(), (QStringList{"files", "selectedFileID", "report", "buildMessage"}));
  const SourceFile f = *w.selected();
  EXPECT_EQ(f.name, "untitled.kelolib");
  EXPECT_EQ(f.text, SourceFile::templateText(Kind::library));
  EXPECT_EQ(f.savedText, "");
  EXPECT_TRUE(f.hasUnsavedChanges());
  EXPECT_EQ(w.report(), std::nullopt);
  EXPECT_EQ(w.buildMessage(), std::nullopt);
  settle();
  EXPECT_EQ(rig.engine.names().mid(2),
            (QStringList{"check untitled.kelolib", "inputs untitled.kelolib"}));
  EXPECT_EQ(pubs.take(), (QStringList{"diagnostics", "schema", "lastCheckMilliseconds"}));
  EXPECT_EQ(w.errorCount(), 1);
}

TEST(WorkspaceDocuments, OpenFromDisk) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.kelo"), bad = dir.filePath("bad.kelo"),
                c = dir.filePath("c.kelolib");
  put(a, "bot \"A\" {}\r\n");
  put(bad, "a\xC3(b");
  put(c, "library \"C\" {}");
  Rig rig;
  Workspace& w = rig.start();
  rig.dialogs.openAnswers = {{a, bad, c}};
  w.openFromDisk();
  const FilePanel& panel = rig.dialogs.lastPanel();
  EXPECT_EQ(panel.title, "Open a Kelo file");
  EXPECT_TRUE(panel.multiple);
  EXPECT_EQ(panel.filters, QStringList{"Kelo files (*.kelo *.kelolib)"});
  EXPECT_EQ(names(w), (QStringList{"golden-cross.kelo", "a.kelo", "c.kelolib"}));
  EXPECT_EQ(w.selected()->name, "c.kelolib");
  EXPECT_EQ(w.files()[1].url, a);
  EXPECT_EQ(w.files()[1].text, "bot \"A\" {}\n");
  EXPECT_FALSE(w.files()[1].hasUnsavedChanges());
  EXPECT_TRUE(w.files()[1].format.crlf);
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Could not open bad.kelo: " + bad + " is not valid UTF-8 text.");
  settle();
  EXPECT_EQ(rig.engine.names().mid(2), (QStringList{"check c.kelolib", "inputs c.kelolib"}));

  // An open path selects its document and keeps the edits; a skipped one still checks.
  w.setSelectedFileID(w.files()[0].id);
  QList<SourceFile> files = w.files();
  files[1].text = "edited";
  w.setFiles(files);
  rig.dialogs.openAnswers = {{dir.path() + "/./a.kelo"}, {bad}};
  w.openFromDisk();
  EXPECT_EQ(w.selected()->name, "a.kelo");
  EXPECT_EQ(w.selected()->text, "edited");
  EXPECT_EQ(w.files().size(), 3);
  settle();
  w.openFromDisk();
  settle();
  EXPECT_EQ(w.files().size(), 3);
  EXPECT_EQ(rig.engine.names().mid(4),
            (QStringList{"check a.kelo", "inputs a.kelo", "check a.kelo", "inputs a.kelo"}));

  // Cancel changes nothing and checks nothing.
  Publications pubs(w);
  w.openFromDisk();
  settle();
  EXPECT_TRUE(pubs.names().isEmpty());
  EXPECT_EQ(checks(rig), 8);
  EXPECT_EQ(rig.dialogs.unexpected, QList<FakeDialogs::Kind>{FakeDialogs::Kind::openFiles});
}

TEST(WorkspaceDocuments, SaveAndSaveAs) {
  QTemporaryDir dir;
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  settle();
  const SourceFile f = *w.selected();
  rig.dialogs.saveAnswers = {dir.filePath("strategy.kelo")};
  Publications pubs(w);
  w.save(f);
  const FilePanel& panel = rig.dialogs.lastPanel();
  EXPECT_EQ(panel.title, "Save untitled-bot.kelo");
  EXPECT_EQ(panel.fileName, "untitled-bot.kelo");
  EXPECT_EQ(panel.defaultSuffix, "kelo");
  EXPECT_EQ(panel.filters, QStringList{"Kelo files (*.kelo *.kelolib)"});
  EXPECT_EQ(pubs.take(), (QStringList{"files", "files", "files", "buildFailed", "buildMessage"}));
  const SourceFile saved = *w.selected();
  EXPECT_EQ(bytesOf(dir.filePath("strategy.kelo")), f.text.toUtf8());
  EXPECT_EQ(saved.url, dir.filePath("strategy.kelo"));
  EXPECT_EQ(saved.name, "strategy.kelo");
  EXPECT_EQ(saved.savedText, saved.text);
  EXPECT_FALSE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Saved strategy.kelo");

  // The next save writes with no panel; no check follows a save.
  w.setSelectedText("changed");
  ASSERT_TRUE(testing::waitFor(w, Workspace::Field::lastCheckMilliseconds));
  const qsizetype before = checks(rig);
  w.save(*w.selected());
  EXPECT_EQ(rig.dialogs.kinds.size(), 1);
  EXPECT_EQ(bytesOf(dir.filePath("strategy.kelo")), "changed");
  settle();
  EXPECT_EQ(checks(rig), before);

  // A library proposes its own suffix; the panel starts in the last build folder.
  w.setLastBuildFolder(dir.path());
  w.newFile(Kind::library);
  w.saveAs(*w.selected());
  EXPECT_EQ(rig.dialogs.lastPanel().defaultSuffix, "kelolib");
  EXPECT_EQ(rig.dialogs.lastPanel().folder, dir.path());
  // A saved document's panel starts in its own folder.
  w.saveAs(w.files()[1]);
  EXPECT_EQ(rig.dialogs.lastPanel().folder, dir.path());
  EXPECT_EQ(rig.dialogs.lastPanel().title, "Save strategy.kelo");
}

TEST(WorkspaceDocuments, FailedOrCancelledSaveKeepsTheDocument) {
  QTemporaryDir dir;
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  const SourceFile f = *w.selected();
  const QString gone = dir.filePath("missing/x.kelo");
  rig.dialogs.saveAnswers = {gone, std::nullopt};
  w.save(f);
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Could not save: No such file or directory (" + gone + ")");
  EXPECT_EQ(*w.selected(), f);

  Publications pubs(w);
  w.saveAs(f);
  EXPECT_TRUE(pubs.names().isEmpty());
  EXPECT_TRUE(w.selected()->hasUnsavedChanges());
}

TEST(WorkspaceDocuments, SaveOnAFullDiskKeepsEverything) {
  const QByteArray old("bot \"Old\" {}\n");
  const struct {
    const char* name;
    qsizetype size;  // of the edited text
    rlim_t limit;    // the largest file the process may write
  } rows[] = {
      {"a short script", 51, 16},
      {"a script past Qt's 16 KiB buffer", 20 * 1024, 8 * 1024},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString path = dir.filePath("full.kelo");
    put(path, old);
    Rig rig;
    Workspace& w = rig.start();
    rig.dialogs.openAnswers = {{path}};
    w.openFromDisk();
    w.setSelectedText(QString(row.size, u'x'));
    const SourceFile edited = *w.selected();
    {
      testing::FileSizeLimit limit(row.limit);
      w.save(edited);
    }
    EXPECT_EQ(w.buildMessage(), "Could not save: File too large (" + path + ")");
    EXPECT_TRUE(w.buildFailed());
    EXPECT_EQ(*w.selected(), edited);
    EXPECT_TRUE(w.selected()->hasUnsavedChanges());
    EXPECT_EQ(bytesOf(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"full.kelo"});
  }
}

TEST(WorkspaceDocuments, OneFileIsOneDocument) {
  enum class Act { open, saveAs, rename };
  const struct {
    const char* name;
    QStringList opened;  // in order, each then edited; "gone.kelo" is deleted after
    Act act;             // on the last document opened
    const char* target;  // the file opened or saved to, or the new name
    const char* message;
    QStringList documents;  // after the sample
    const char* selected;
  } rows[] = {
      {"a link, then its target",
       {"link.kelo"},
       Act::open,
       "a.kelo",
       "",
       {"link.kelo"},
       "link.kelo"},
      {"a file, then a link to it", {"a.kelo"}, Act::open, "link.kelo", "", {"a.kelo"}, "a.kelo"},
      {"a file, then a hard link to it",
       {"a.kelo"},
       Act::open,
       "hard.kelo",
       "",
       {"a.kelo"},
       "a.kelo"},
      {"save as onto an open file",
       {"a.kelo", "b.kelo"},
       Act::saveAs,
       "a.kelo",
       "Could not save: a.kelo is the file of the open document a.kelo",
       {"a.kelo", "b.kelo"},
       "b.kelo"},
      {"save as onto a link to an open file",
       {"a.kelo", "b.kelo"},
       Act::saveAs,
       "link.kelo",
       "Could not save: link.kelo is the file of the open document a.kelo",
       {"a.kelo", "b.kelo"},
       "b.kelo"},
      {"rename onto an open file",
       {"a.kelo", "b.kelo"},
       Act::rename,
       "a",
       "Could not rename: a.kelo is the file of the open document a.kelo",
       {"a.kelo", "b.kelo"},
       "b.kelo"},
      {"rename onto an open file gone from disk",
       {"gone.kelo", "b.kelo"},
       Act::rename,
       "gone",
       "Could not rename: gone.kelo is the file of the open document gone.kelo",
       {"gone.kelo", "b.kelo"},
       "b.kelo"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const auto at = [&](const QString& name) { return dir.filePath(name); };
    put(at("a.kelo"), "A");
    put(at("b.kelo"), "B");
    put(at("gone.kelo"), "G");
    ASSERT_TRUE(QFile::link(at("a.kelo"), at("link.kelo")));
    ASSERT_EQ(::link(QFile::encodeName(at("a.kelo")).constData(),
                     QFile::encodeName(at("hard.kelo")).constData()),
              0);
    Rig rig;
    Workspace& w = rig.start();
    for (const QString& name : row.opened) {
      rig.dialogs.openAnswers = {{at(name)}};
      w.openFromDisk();
      w.setSelectedText(w.selected()->text + " edited");
    }
    QFile::remove(at("gone.kelo"));
    QMap<QString, QByteArray> before;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
      before[name] = bytesOf(at(name));
    const QList<SourceFile> open = w.files();

    const QString target = QString::fromUtf8(row.target);
    switch (row.act) {
      case Act::open:
        rig.dialogs.openAnswers = {{at(target)}};
        w.openFromDisk();
        break;
      case Act::saveAs:
        rig.dialogs.saveAnswers = {at(target)};
        w.saveAs(*w.selected());
        break;
      case Act::rename:
        w.rename(*w.selected(), target);
        break;
    }

    EXPECT_EQ(w.buildMessage().value_or(""), QString::fromUtf8(row.message));
    EXPECT_EQ(w.buildFailed(), *row.message != 0);
    EXPECT_EQ(names(w).mid(1), row.documents);
    EXPECT_EQ(w.selected()->name, row.selected);
    EXPECT_EQ(w.files(), open) << "every document keeps its file, text and unsaved edits";
    QMap<QString, QByteArray> after;
    for (const QString& name : QDir(dir.path()).entryList(QDir::Files))
      after[name] = bytesOf(at(name));
    EXPECT_EQ(after, before);
  }
}

TEST(WorkspaceDocuments, LineEndingsAndMarkSurviveASave) {
  QTemporaryDir dir;
  const struct {
    QByteArray disk;
    const char* memory;
    QByteArray saved;
  } rows[] = {
      {"a\r\nb\r\n", "a\nb\n", "a\r\nb\r\n"},
      {"\xEF\xBB\xBFx\n", "x\n", "\xEF\xBB\xBFx\n"},
      {"a\rb", "a\nb", "a\nb"},
      {"a\r\nb\nc", "a\nb\nc", "a\r\nb\r\nc"},
  };
  int n = 0;
  for (const auto& r : rows) {
    const QString path = dir.filePath(QStringLiteral("f%1.kelo").arg(++n));
    put(path, r.disk);
    Rig rig;
    Workspace& w = rig.start();
    rig.dialogs.openAnswers = {{path}};
    w.openFromDisk();
    ASSERT_EQ(w.selected()->text, r.memory);
    EXPECT_FALSE(w.selected()->hasUnsavedChanges());
    w.save(*w.selected());
    EXPECT_EQ(bytesOf(path), r.saved);
  }
}

TEST(WorkspaceDocuments, Rename) {
  QTemporaryDir dir;
  const QString folder = dir.path();
  const struct {
    const char* typed;
    const char* from;  // the document's name before
    const char* name;  // after
    std::optional<QString> message;
  } rows[] = {
      {"  strategy  ", "a.kelo", "strategy.kelo", std::nullopt},
      {"helpers", "a.kelolib", "helpers.kelolib", std::nullopt},
      {"notes.txt", "a.kelo", "notes.txt", std::nullopt},
      {"a.b", "a.kelolib", "a.b", std::nullopt},
      {"\tx\t", "a.kelo", "x.kelo", std::nullopt},
      {"a.kelo", "a.kelo", "a.kelo", std::nullopt},
      {"   ", "a.kelo", "a.kelo", std::nullopt},
      {"a/b", "a.kelo", "a.kelo", "Could not rename: \"a/b\" is not a valid file name"},
      {"../x.kelo", "a.kelo", "a.kelo", "Could not rename: \"../x.kelo\" is not a valid file name"},
      {"..", "a.kelo", "a.kelo", "Could not rename: \"..\" is not a valid file name"},
      {".", "a.kelo", "a.kelo", "Could not rename: \".\" is not a valid file name"},
  };
  for (const auto& r : rows) {
    const QString from = folder + "/" + r.from;
    put(from, "text");
    Rig rig;
    Workspace& w = rig.start();
    rig.dialogs.openAnswers = {{from}};
    w.openFromDisk();
    settle();
    const qsizetype before = checks(rig);
    w.rename(*w.selected(), QString::fromUtf8(r.typed));
    const SourceFile f = *w.selected();
    EXPECT_EQ(f.name, r.name) << r.typed;
    EXPECT_EQ(f.url, folder + "/" + r.name) << r.typed;
    EXPECT_EQ(bytesOf(folder + "/" + r.name), "text") << r.typed;
    EXPECT_EQ(w.buildMessage(), r.message) << r.typed;
    EXPECT_EQ(w.buildFailed(), r.message.has_value()) << r.typed;
    settle();
    EXPECT_EQ(checks(rig), before) << r.typed;
    QFile::remove(folder + "/" + r.name);
  }

  // A name holding NUL is refused like a slash.
  Rig rig;
  Workspace& w = rig.start();
  w.rename(*w.selected(), QStringLiteral("a") + QChar(0) + "b");
  EXPECT_EQ(w.selected()->name, "golden-cross.kelo");
  EXPECT_TRUE(w.buildFailed());
  // A never-saved document only changes its name.
  w.rename(*w.selected(), "x");
  EXPECT_EQ(w.selected()->name, "x.kelo");
  EXPECT_EQ(w.selected()->url, std::nullopt);
}

TEST(WorkspaceDocuments, RenameNeverOverwritesAndTheNextSaveFollows) {
  QTemporaryDir dir;
  const QString a = dir.filePath("a.kelo"), b = dir.filePath("b.kelo");
  put(a, "mine");
  put(b, "theirs");
  Rig rig;
  Workspace& w = rig.start();
  rig.dialogs.openAnswers = {{a}};
  w.openFromDisk();
  w.rename(*w.selected(), "b");
  EXPECT_EQ(w.selected()->name, "a.kelo");
  EXPECT_EQ(w.selected()->url, a);
  EXPECT_EQ(bytesOf(b), "theirs");
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Could not rename: Destination file exists (" + b + ")");

  w.rename(*w.selected(), " strategy ");
  EXPECT_FALSE(QFile::exists(a));
  EXPECT_EQ(w.selected()->url, dir.filePath("strategy.kelo"));
  w.setSelectedText("new text");
  w.save(*w.selected());
  EXPECT_EQ(bytesOf(dir.filePath("strategy.kelo")), "new text");
}

TEST(WorkspaceDocuments, ASuccessfulRenameClearsOnlyARenameFailure) {
  const struct {
    const char* name;
    bool saved;           // the document has a file, a.kelo, beside a file b.kelo
    const char* first;    // typed first: "save" saves instead
    const char* then;     // typed next
    const char* message;  // the status line after both, or none
    bool failed;
    QStringList published;  // by the second rename
  } rows[] = {
      {"a refused name, then a good one",
       true,
       "a/b",
       "c",
       nullptr,
       false,
       {"files", "files", "buildFailed", "buildMessage"}},
      {"a taken name, then a free one",
       true,
       "b",
       "c",
       nullptr,
       false,
       {"files", "files", "buildFailed", "buildMessage"}},
      {"a refused name, then a good one, never saved",
       false,
       "a/b",
       "c",
       nullptr,
       false,
       {"files", "buildFailed", "buildMessage"}},
      {"a refused name, then the same name",
       true,
       "a/b",
       "a",
       nullptr,
       false,
       {"files", "buildFailed", "buildMessage"}},
      {"a refused name, then blanks",
       true,
       "a/b",
       "  ",
       "Could not rename: \"a/b\" is not a valid file name",
       true,
       {}},
      {"a refused name, then a taken one",
       true,
       "a/b",
       "b",
       nullptr,
       true,
       {"buildFailed", "buildMessage"}},
      {"a save, then a rename", true, "save", "c", "Saved a.kelo", false, {"files", "files"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    QTemporaryDir dir;
    const QString a = dir.filePath("a.kelo"), b = dir.filePath("b.kelo");
    put(a, "mine");
    put(b, "theirs");
    Rig rig;
    Workspace& w = rig.start();
    if (r.saved) {
      rig.dialogs.openAnswers = {{a}};
      w.openFromDisk();
    } else {
      w.newFile(Kind::bot);
    }
    if (QByteArray(r.first) == "save") {
      w.save(*w.selected());
    } else {
      w.rename(*w.selected(), r.first);
      ASSERT_TRUE(w.buildFailed());
    }
    Publications pubs(w);
    w.rename(*w.selected(), r.then);
    EXPECT_EQ(pubs.take(), r.published);
    if (r.message) {
      EXPECT_EQ(w.buildMessage(), QString::fromUtf8(r.message));
    } else if (r.failed) {
      EXPECT_EQ(w.buildMessage(), "Could not rename: Destination file exists (" + b + ")");
    } else {
      EXPECT_EQ(w.buildMessage(), std::nullopt);
    }
    EXPECT_EQ(w.buildFailed(), r.failed);
  }
}

TEST(WorkspaceDocuments, Reveal) {
  QTemporaryDir dir;
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  w.reveal(*w.selected());
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "untitled-bot.kelo has not been saved to disk yet");
  EXPECT_TRUE(rig.viewer.paths.isEmpty());

  rig.dialogs.saveAnswers = {dir.filePath("strategy.kelo")};
  w.save(*w.selected());
  settle();
  Publications pubs(w);
  w.reveal(*w.selected());
  settle();
  EXPECT_EQ(rig.viewer.paths, QStringList{dir.filePath("strategy.kelo")});
  EXPECT_TRUE(pubs.take().isEmpty());

  rig.viewer.shown = false;
  w.reveal(*w.selected());
  settle();
  EXPECT_TRUE(w.buildFailed());
  EXPECT_EQ(w.buildMessage(), "Could not show strategy.kelo in the file manager");
}

TEST(WorkspaceDocuments, ConfirmDelete) {
  QTemporaryDir dir;
  const QString path = dir.filePath("g.kelo");
  put(path, "saved");
  const struct {
    bool saved;
    bool edited;
    const char* text;
  } rows[] = {
      {false, false, "This file has never been saved, so its contents will be lost."},
      {true, false, "The file stays on disk at %1. Only this window closes it."},
      {true, true,
       "The file stays on disk at %1. Only this window closes it. Its unsaved changes will be "
       "lost."},
  };
  for (const auto& r : rows) {
    Rig rig;
    Workspace& w = rig.start();
    if (r.saved) {
      rig.dialogs.openAnswers = {{path}};
      w.openFromDisk();
      w.closeFile(w.files()[0]);
    }
    if (r.edited) w.setSelectedText("edited");
    settle();
    const SourceFile f = *w.selected();
    const QList<SourceFile> before = w.files();
    rig.dialogs.askAnswers = {1, 0};
    w.confirmDelete(f);
    const Alert& alert = rig.dialogs.lastAlert();
    EXPECT_EQ(alert.style, Alert::Style::warning);
    EXPECT_EQ(alert.message, "Remove " + f.name + "?");
    EXPECT_EQ(alert.informativeText, QString::fromUtf8(r.text).replace("%1", path));
    EXPECT_EQ(alert.buttons, (QStringList{"Remove", "Cancel"}));
    EXPECT_EQ(alert.defaultIndex, 0);
    EXPECT_EQ(alert.cancelIndex, 1);
    EXPECT_EQ(w.files(), before);
    w.confirmDelete(f);
    EXPECT_TRUE(w.files().isEmpty());
    if (r.saved) {
      EXPECT_EQ(bytesOf(path), "saved");
    }
  }
}

TEST(WorkspaceDocuments, CloseFixesTheSelection) {
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  w.newFile(Kind::indicator);
  w.select(w.files()[1]);
  w.setBuildMessage(QStringLiteral("kept"));
  w.setReport(bridge::BacktestReport{});
  settle();
  qsizetype before = checks(rig);
  Publications pubs(w);
  w.closeFile(w.files()[1]);
  EXPECT_EQ(pubs.take(), (QStringList{"files", "selectedFileID"}));
  EXPECT_EQ(w.selected()->name, "golden-cross.kelo");
  settle();
  EXPECT_EQ(rig.engine.names().mid(before),
            (QStringList{"check golden-cross.kelo", "inputs golden-cross.kelo"}));

  before = checks(rig);
  w.closeFile(w.files()[1]);  // not selected
  settle();
  EXPECT_EQ(w.selected()->name, "golden-cross.kelo");
  EXPECT_EQ(checks(rig), before);

  w.closeFile(w.files()[0]);
  EXPECT_EQ(w.selectedFileID(), std::nullopt);
  settle();
  EXPECT_EQ(rig.engine.calls().last().what, "inputs untitled.kelo");
  EXPECT_EQ(rig.engine.calls().last().source, "");
  EXPECT_EQ(w.buildMessage(), "kept");
  EXPECT_TRUE(w.report().has_value());
}

TEST(WorkspaceDocuments, APanelThatTurnsTheLoopSeesTheWorldChange) {
  QTemporaryDir dir;
  Rig rig;
  Workspace& w = rig.start();
  w.newFile(Kind::bot);
  const SourceFile f = *w.selected();
  // The document closes while its save panel is open: nothing is written.
  rig.dialogs.saveAnswers = {dir.filePath("x.kelo")};
  rig.dialogs.whileOpen = [&] {
    w.closeFile(f);
    settle();
  };
  Publications pubs(w);
  w.saveAs(f);
  const QStringList during = pubs.take();
  EXPECT_FALSE(QFile::exists(dir.filePath("x.kelo")));
  EXPECT_EQ(during.count("buildMessage"), 0);
  EXPECT_EQ(during.count("files"), 1);  // the close only

  // A check published while the panel is open leaves the save intact.
  w.newFile(Kind::bot);
  const SourceFile g = *w.selected();
  rig.dialogs.saveAnswers = {dir.filePath("y.kelo")};
  rig.dialogs.whileOpen = [&] {
    w.runCheck(true);
    settle();
  };
  w.saveAs(g);
  EXPECT_EQ(w.selected()->name, "y.kelo");
  EXPECT_FALSE(w.selected()->hasUnsavedChanges());
  EXPECT_EQ(w.buildMessage(), "Saved y.kelo");
}

TEST(WorkspaceDocuments, EditorBinding) {
  Rig rig;
  Workspace& w = rig.start();
  const qsizetype before = checks(rig);
  Publications pubs(w);
  w.setSelectedText(w.selected()->text);  // equal: nothing
  EXPECT_TRUE(pubs.take().isEmpty());
  w.setSelectedText("bot \"X\" {}");
  EXPECT_EQ(pubs.take(), QStringList{"files"});
  EXPECT_EQ(w.files()[0].text, "bot \"X\" {}");
  EXPECT_TRUE(w.files()[0].hasUnsavedChanges());
  EXPECT_TRUE(testing::waitFor(w, Workspace::Field::lastCheckMilliseconds));
  EXPECT_EQ(rig.engine.calls().at(before).source, "bot \"X\" {}");

  w.setSelectedFileID(std::nullopt);
  w.setSelectedText("ignored");
  settle(250);
  EXPECT_EQ(w.files()[0].text, "bot \"X\" {}");
  EXPECT_EQ(checks(rig), before + 2);
}

}  // namespace
}  // namespace zx::model
