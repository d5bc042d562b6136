// Saving over a file another program changed since the document read or wrote it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::bytesOf;
using testing::put;
using testing::Rig;

const QByteArray kTheirs("bot \"B\" {}\n");

// What happens to f.kelo between its opening and the save.
enum class Outside { nothing, theirs, removed, folder };

// The answers to the question, and none scripted.
constexpr int kReplace = 0, kCancel = 1, kNone = -1;

TEST(WorkspaceSave, AsksBeforeReplacingAnotherProgramsBytes) {
  const struct {
    const char* name;
    QByteArray disk;     // f.kelo when opened
    const char* edit;    // the window's text then; null: unedited
    Outside outside;     // kTheirs is as long as "bot \"A\" {}\n"
    const char* saveAs;  // Save As to this name; null: Save
    int answer;
    int saves;
    int questions;
    QByteArray bytes;     // f.kelo's after
    const char* message;  // the status line after, %1 the path; null: the earlier one kept
    bool unsaved;
  } rows[] = {
      {"unedited, same size, cancelled", "bot \"A\" {}\n", nullptr, Outside::theirs, nullptr,
       kCancel, 1, 1, kTheirs, nullptr, false},
      {"unedited, replaced, then saved again", "bot \"A\" {}\n", nullptr, Outside::theirs, nullptr,
       kReplace, 2, 1, "bot \"A\" {}\n", "Saved f.kelo", false},
      {"edited, another size, cancelled", "bot \"Old\" {}\n", "mine", Outside::theirs, nullptr,
       kCancel, 1, 1, kTheirs, nullptr, true},
      {"save as onto its own file, cancelled", "bot \"A\" {}\n", nullptr, Outside::theirs, "f.kelo",
       kCancel, 1, 1, kTheirs, nullptr, false},
      {"save as onto another file", "bot \"A\" {}\n", nullptr, Outside::theirs, "g.kelo", kNone, 1,
       0, kTheirs, "Saved g.kelo", false},
      {"CRLF, edited, saved twice", "a\r\nb\r\n", "a\nb\nc\n", Outside::nothing, nullptr, kNone, 2,
       0, "a\r\nb\r\nc\r\n", "Saved f.kelo", false},
      {"byte-order mark, saved twice", "\xEF\xBB\xBFx\n", nullptr, Outside::nothing, nullptr, kNone,
       2, 0, "\xEF\xBB\xBFx\n", "Saved f.kelo", false},
      {"deleted", "bot \"A\" {}\n", "mine", Outside::removed, nullptr, kNone, 1, 0, "mine",
       "Saved f.kelo", false},
      {"a folder in its place", "bot \"A\" {}\n", nullptr, Outside::folder, nullptr, kNone, 1, 0,
       "", "Could not save: %1 is not a regular file.", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    QTemporaryDir dir;
    const QString path = dir.filePath("f.kelo");
    put(path, r.disk);
    put(dir.filePath("g.kelo"), "g");
    Rig rig;
    Workspace& w = rig.start();
    rig.dialogs.openAnswers = {{path}};
    w.openFromDisk();
    if (r.edit) w.setSelectedText(QString::fromUtf8(r.edit));
    if (r.outside == Outside::theirs) put(path, kTheirs);
    if (r.outside == Outside::removed || r.outside == Outside::folder) QFile::remove(path);
    if (r.outside == Outside::folder) {
      ASSERT_TRUE(QDir().mkdir(path));
    }
    w.setBuildMessage(QStringLiteral("earlier"));
    w.setBuildFailed(true);
    const QList<SourceFile> before = w.files();
    if (r.answer != kNone) rig.dialogs.askAnswers = {r.answer};
    for (int i = 0; i < r.saves; ++i) {
      if (r.saveAs) {
        rig.dialogs.saveAnswers = {dir.filePath(r.saveAs)};
        w.saveAs(*w.selected());
      } else {
        w.save(*w.selected());
      }
    }

    EXPECT_EQ(rig.dialogs.kinds.count(FakeDialogs::Kind::ask), r.questions);
    if (r.questions > 0) {
      const Alert& alert = rig.dialogs.lastAlert();
      EXPECT_EQ(alert.title, "");
      EXPECT_EQ(alert.style, Alert::Style::warning);
      EXPECT_EQ(alert.message, "Another program changed f.kelo since it was opened or saved.");
      EXPECT_EQ(alert.informativeText,
                "Replace it with the text in this window? The other program's changes will be "
                "lost.");
      EXPECT_EQ(alert.buttons, (QStringList{"Replace", "Cancel"}));
      EXPECT_EQ(alert.defaultIndex, 1);
      EXPECT_EQ(alert.cancelIndex, 1);
    }
    if (r.outside != Outside::folder) {
      EXPECT_EQ(bytesOf(path), r.bytes);
    }
    if (r.message) {
      const QString message = QString::fromUtf8(r.message).replace("%1", path);
      EXPECT_EQ(w.buildMessage(), message);
      EXPECT_EQ(w.buildFailed(), message.startsWith("Could not"));
    } else {
      EXPECT_EQ(w.buildMessage(), "earlier");
      EXPECT_TRUE(w.buildFailed());
      EXPECT_EQ(w.files(), before);
    }
    EXPECT_EQ(w.selected()->hasUnsavedChanges(), r.unsaved);
  }
}

TEST(WorkspaceSave, ReplaceWritesTheDocumentAsItIsOnceAnswered) {
  for (const bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "closed while asked" : "edited while asked");
    QTemporaryDir dir;
    const QString path = dir.filePath("f.kelo");
    put(path, "bot \"A\" {}\n");
    Rig rig;
    Workspace& w = rig.start();
    rig.dialogs.openAnswers = {{path}};
    w.openFromDisk();
    put(path, kTheirs);
    rig.dialogs.askAnswers = {kReplace};
    const SourceFile asked = *w.selected();
    rig.dialogs.whileOpen = [&] {
      if (closed) {
        w.closeFile(asked);
      } else {
        w.setSelectedText(QStringLiteral("later"));
      }
    };
    w.save(asked);
    EXPECT_EQ(bytesOf(path), closed ? kTheirs : QByteArray("later"));
    EXPECT_EQ(w.buildMessage(), closed ? std::nullopt : std::optional<QString>("Saved f.kelo"));
  }
}

}  // namespace
}  // namespace zx::model
