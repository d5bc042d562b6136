#include "model/text_files.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <utility>
#include <vector>

#include "model/file_size_limit.h"
#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::bytesOf;
using testing::put;

// Every entry under `folder`, links not followed, as paths relative to it.
QStringList everythingIn(const QString& folder) {
  QStringList out;
  QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
  out.sort();
  return out;
}

QString linkTarget(const QString& path) {
  char buffer[4096];
  const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
  return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

struct stat statOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
  return st;
}

// What `write` returns when run by uid and gid 12345, also a member of group 23456: the
// error, "saved", or why the change of user failed.
QString asAnotherUser(const std::function<std::optional<QString>()>& write) {
  int channel[2];
  if (::pipe(channel) != 0) return QStringLiteral("no pipe");
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(channel[0]);
    ::close(channel[1]);
    return QStringLiteral("no fork");
  }
  if (pid == 0) {
    ::close(channel[0]);
    const gid_t groups[] = {23456};
    QByteArray answer;
    if (::setgroups(1, groups) != 0 || ::setgid(12345) != 0 || ::setuid(12345) != 0) {
      answer = "could not change user";
    } else {
      answer = write().value_or(QStringLiteral("saved")).toUtf8();
    }
    (void)!::write(channel[1], answer.constData(), static_cast<size_t>(answer.size()));
    ::_exit(0);
  }
  ::close(channel[1]);
  QByteArray answer;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    answer.append(buffer, n);
  }
  ::close(channel[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return QString::fromUtf8(answer);
}

TEST(TextFiles, DecodesStrictUtf8) {
  EXPECT_EQ(decodeText("a\xC3\xA9", "p").text, QStringLiteral("a\u00E9"));
  const char* refused[] = {"a\xC3(b", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\xE2\x82"};
  for (const char* bytes : refused) {
    const TextRead r = decodeText(QByteArray(bytes), "/tmp/x.kelo");
    ASSERT_FALSE(r.ok()) << bytes;
    EXPECT_EQ(*r.error, QStringLiteral("/tmp/x.kelo is not valid UTF-8 text."));
  }
  // NUL is text like any other.
  EXPECT_EQ(decodeText(QByteArray("a\0b", 3), "p").text.size(), 3);
}

TEST(TextFiles, LineBreaksAndByteOrderMark) {
  const struct {
    QByteArray disk;
    const char16_t* memory;
    bool crlf;
    bool bom;
    QByteArray saved;  // what writing the text back gives
  } rows[] = {
      {"a\r\nb\r\n", u"a\nb\n", true, false, "a\r\nb\r\n"},
      {"\xEF\xBB\xBFx\ny", u"x\ny", false, true, "\xEF\xBB\xBFx\ny"},
      {"\xEF\xBB\xBF\xEF\xBB\xBFx", u"\uFEFFx", false, true, "\xEF\xBB\xBF\xEF\xBB\xBFx"},
      {"a\rb", u"a\nb", false, false, "a\nb"},
      {"a\r\nb\nc", u"a\nb\nc", true, false, "a\r\nb\r\nc"},
      {"a\nb\r\n", u"a\nb\n", false, false, "a\nb\n"},
      {"a\r\rb", u"a\n\nb", false, false, "a\n\nb"},
      {"", u"", false, false, ""},
  };
  for (const auto& r : rows) {
    const TextRead read = decodeText(r.disk, "p");
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.text, QStringView(r.memory).toString()) << r.disk.toStdString();
    EXPECT_EQ(read.format.crlf, r.crlf) << r.disk.toStdString();
    EXPECT_EQ(read.format.bom, r.bom) << r.disk.toStdString();
    EXPECT_EQ(encodeText(read.text, read.format), r.saved) << r.disk.toStdString();
  }
}

TEST(TextFiles, RefusesWhatIsNotAScript) {
  QTemporaryDir dir;
  const QString folder = dir.filePath("sub");
  QDir().mkpath(folder);
  TextRead r = readTextFile(folder);
  EXPECT_EQ(r.error, folder + " is not a regular file.");

  const QString fifo = dir.filePath("pipe");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  r = readTextFile(fifo);  // returns at once instead of waiting for a writer
  EXPECT_EQ(r.error, fifo + " is not a regular file.");

  const QString big = dir.filePath("big.kelo");
  put(big, QByteArray(17 * 1024 * 1024, 'a'));
  r = readTextFile(big);
  EXPECT_EQ(r.error, big + " is larger than 16 MiB.");

  const QString exact = dir.filePath("exact.kelo");
  put(exact, QByteArray(kMaxTextFileBytes, 'a'));
  EXPECT_TRUE(readTextFile(exact).ok());

  const QString missing = dir.filePath("missing.kelo");
  r = readTextFile(missing);
  EXPECT_EQ(r.error, "No such file or directory (" + missing + ")");
}

TEST(TextFiles, WritesAtomicallyKeepingModeAndLinks) {
  QTemporaryDir dir;
  const QString target = dir.filePath("a.kelo");
  put(target, "old");
  ASSERT_EQ(chmod(target.toLocal8Bit().constData(), 0640), 0);
  EXPECT_EQ(writeTextFile(target, "new\ntext", {true, false}), std::nullopt);
  EXPECT_EQ(bytesOf(target), "new\r\ntext");
  struct stat st {};
  ASSERT_EQ(stat(target.toLocal8Bit().constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const QString link = dir.filePath("link.kelo");
  ASSERT_TRUE(QFile::link(target, link));
  EXPECT_EQ(writeTextFile(link, "via link", {}), std::nullopt);
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(bytesOf(target), "via link");

  const QString gone = dir.filePath("gone/x.kelo");
  EXPECT_EQ(writeTextFile(gone, "x", {}), "No such file or directory (" + gone + ")");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{"a.kelo", "link.kelo"}));

  // A text read and written unchanged gives the same bytes.
  const QByteArray original("\xEF\xBB\xBFline one\r\nline \xC3\xA9\r\n");
  put(target, original);
  const TextRead read = readTextFile(target);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(writeTextFile(target, read.text, read.format), std::nullopt);
  EXPECT_EQ(bytesOf(target), original);
}

TEST(TextFiles, FollowsLinksAsTheSystemDoes) {
  // One entry of a folder: a link to `link`, else a file holding `bytes`, else a folder.
  struct Entry {
    const char* path;
    const char* link;
    const char* bytes;
  };
  const struct {
    const char* name;
    std::vector<Entry> entries;
    const char* saved;  // the path written to
    std::optional<const char*> error;
    std::vector<std::pair<const char*, const char*>> after;  // bytes, or none for nothing there
  } rows[] = {
      {"a link out of a folder reached through an alias",
       {{"real", nullptr, nullptr},
        {"real/sub", nullptr, nullptr},
        {"alias", "real/sub", nullptr},
        {"real/sub/link.kelo", "../target.kelo", nullptr},
        {"real/target.kelo", nullptr, "real old"},
        {"target.kelo", nullptr, "unrelated"}},
       "alias/link.kelo",
       std::nullopt,
       {{"real/target.kelo", "edited"}, {"target.kelo", "unrelated"}}},
      {"a dangling link out of a folder reached through an alias",
       {{"real", nullptr, nullptr},
        {"real/sub", nullptr, nullptr},
        {"alias", "real/sub", nullptr},
        {"real/sub/link.kelo", "../target.kelo", nullptr}},
       "alias/link.kelo",
       std::nullopt,
       {{"real/target.kelo", "edited"}, {"target.kelo", nullptr}}},
      {"a dangling chain, each link read from its own folder",
       {{"real", nullptr, nullptr},
        {"real/sub", nullptr, nullptr},
        {"alias", "real/sub", nullptr},
        {"real/sub/link.kelo", "../next.kelo", nullptr},
        {"real/next.kelo", "sub/../sub/final.kelo", nullptr}},
       "alias/link.kelo",
       std::nullopt,
       {{"real/sub/final.kelo", "edited"}, {"final.kelo", nullptr}, {"sub/final.kelo", nullptr}}},
      {"a dangling link through a linked folder",
       {{"real", nullptr, nullptr},
        {"real/sub", nullptr, nullptr},
        {"alias", "real/sub", nullptr},
        {"real/sub/link.kelo", "../../alias/new.kelo", nullptr}},
       "alias/link.kelo",
       std::nullopt,
       {{"real/sub/new.kelo", "edited"}}},
      {"a loop of two links",
       {{"loop.kelo", "other.kelo", nullptr}, {"other.kelo", "loop.kelo", nullptr}},
       "loop.kelo",
       "Too many levels of symbolic links",
       {}},
      {"a link to itself",
       {{"self.kelo", "self.kelo", nullptr}},
       "self.kelo",
       "Too many levels of symbolic links",
       {}},
      {"a link to a missing folder",
       {{"link.kelo", "missing/x.kelo", nullptr}},
       "link.kelo",
       "No such file or directory",
       {{"missing", nullptr}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString root = dir.path();
    QStringList expected;
    for (const Entry& e : row.entries) {
      const QString path = root + u'/' + QString::fromUtf8(e.path);
      expected << QString::fromUtf8(e.path);
      if (e.link) {
        ASSERT_EQ(::symlink(e.link, QFile::encodeName(path).constData()), 0) << e.path;
      } else if (e.bytes) {
        put(path, e.bytes);
      } else {
        ASSERT_TRUE(QDir().mkdir(path)) << e.path;
      }
    }
    const QString saved = root + u'/' + QString::fromUtf8(row.saved);
    const std::optional<QString> error = writeTextFile(saved, "edited", {});
    if (row.error) {
      EXPECT_EQ(error, QString::fromUtf8(*row.error) + " (" + saved + ")");
    } else {
      EXPECT_EQ(error, std::nullopt);
    }
    for (const auto& [path, bytes] : row.after) {
      const QString at = root + u'/' + QString::fromUtf8(path);
      if (bytes) {
        EXPECT_EQ(bytesOf(at), QByteArray(bytes)) << path;
        if (!expected.contains(QString::fromUtf8(path))) expected << QString::fromUtf8(path);
      } else {
        EXPECT_FALSE(QFileInfo(at).exists() || QFileInfo(at).isSymLink()) << path;
      }
    }
    // Every link is still the link it was, and nothing is left beside the files.
    for (const Entry& e : row.entries) {
      if (!e.link) continue;
      EXPECT_EQ(linkTarget(root + u'/' + QString::fromUtf8(e.path)), QString::fromUtf8(e.link))
          << e.path;
    }
    expected.sort();
    EXPECT_EQ(everythingIn(root), expected);
  }

  // Forty links are followed to the file they end at, as the system does; one more is
  // too many.
  for (const int links : {40, 41}) {
    SCOPED_TRACE(links);
    QTemporaryDir dir;
    const auto step = [&](int i) { return dir.filePath(QStringLiteral("l%1.kelo").arg(i)); };
    for (int i = 1; i <= links; ++i) {
      ASSERT_TRUE(QFile::link(QStringLiteral("l%1.kelo").arg(i + 1), step(i)));
    }
    const std::optional<QString> error = writeTextFile(step(1), "edited", {});
    if (links == 40) {
      EXPECT_EQ(error, std::nullopt);
      EXPECT_EQ(bytesOf(step(41)), "edited");
    } else {
      EXPECT_EQ(error, "Too many levels of symbolic links (" + step(1) + ")");
      EXPECT_TRUE(QFileInfo(step(41)).isSymLink());
      EXPECT_FALSE(QFileInfo::exists(step(42)));
    }
  }
}

TEST(TextFiles, SavesAnyNameTheFolderTakes) {
  const struct {
    const char* name;
    QString fileName;
  } rows[] = {
      {"250 bytes", QString(245, u'n') + ".kelo"},
      {"255 bytes", QString(250, u'n') + ".kelo"},
      {"255 bytes of two-byte characters", QString(125, u'\u00E9') + ".kelo"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_LE(row.fileName.toUtf8().size(), 255);
    QTemporaryDir dir;
    const QString target = dir.filePath(row.fileName);
    // Made, then replaced.
    EXPECT_EQ(writeTextFile(target, "first", {}), std::nullopt);
    EXPECT_EQ(bytesOf(target), QByteArray("first"));
    EXPECT_EQ(writeTextFile(target, "second", {}), std::nullopt);
    EXPECT_EQ(bytesOf(target), QByteArray("second"));
    EXPECT_EQ(everythingIn(dir.path()), QStringList{row.fileName});
  }
}

TEST(TextFiles, KeepsTheOwnerAndGroup) {
  {
    // Root of a user namespace may lack these ids.
    QTemporaryDir dir;
    const QString probe = dir.filePath("probe");
    put(probe, "");
    if (::chown(QFile::encodeName(probe).constData(), 12345, 23456) != 0) {
      GTEST_SKIP() << "this user cannot give a file to user 12345 and group 23456";
    }
  }
  // Written by root: the file stays its owner's, mode and set-id bits included.
  for (const mode_t mode : {0640, 06755}) {
    SCOPED_TRACE(QString::number(mode, 8).toStdString());
    QTemporaryDir dir;
    const QString target = dir.filePath("theirs.kelo");
    put(target, "old");
    ASSERT_EQ(::chown(QFile::encodeName(target).constData(), 12345, 12345), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), mode), 0);
    EXPECT_EQ(writeTextFile(target, "new", {}), std::nullopt);
    const struct stat st = statOf(target);
    EXPECT_EQ(st.st_uid, 12345u);
    EXPECT_EQ(st.st_gid, 12345u);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(bytesOf(target), "new");
  }

  // In a folder shared by group 23456, another member saves: the file becomes theirs, as
  // it must, but stays the group's.
  QTemporaryDir dir;
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  const QString shared = dir.filePath("shared");
  ASSERT_TRUE(QDir().mkdir(shared));
  ASSERT_EQ(::chown(QFile::encodeName(shared).constData(), 0, 23456), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0775), 0);
  const QString target = shared + "/team.kelo";
  put(target, "old");
  ASSERT_EQ(::chown(QFile::encodeName(target).constData(), 54321, 23456), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0664), 0);
  EXPECT_EQ(asAnotherUser([&] { return writeTextFile(target, "new", {}); }), "saved");
  struct stat st = statOf(target);
  EXPECT_EQ(st.st_uid, 12345u);
  EXPECT_EQ(st.st_gid, 23456u);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  EXPECT_EQ(bytesOf(target), "new");

  // A folder the user may not write keeps its file, and says why.
  const QString locked = dir.filePath("locked");
  ASSERT_TRUE(QDir().mkdir(locked));
  ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0755), 0);
  const QString open = locked + "/open.kelo";
  put(open, "old");
  ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0666), 0);
  EXPECT_EQ(asAnotherUser([&] { return writeTextFile(open, "new", {}); }),
            "Permission denied (" + open + ")");
  EXPECT_EQ(bytesOf(open), "old");
  EXPECT_EQ(everythingIn(locked), QStringList{"open.kelo"});
}

TEST(TextFiles, AChangeIsSeenWithoutWaitingOnAFifoOrTrustingAnUnreadableFile) {
  QTemporaryDir dir;
  ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
  const QString fifo = dir.filePath("pipe.kelo");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  EXPECT_FALSE(fileChanged(fifo, FileDigest::of({})));  // returns at once

  const QString path = dir.filePath("f.kelo");
  put(path, "same");
  const FileDigest known = readTextFile(path).digest;
  EXPECT_FALSE(fileChanged(path, known));
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
  const auto check = [&]() -> std::optional<QString> {
    if (fileChanged(path, known)) return QStringLiteral("changed");
    return std::nullopt;
  };
  // Root reads any file; another user may not read this one.
  EXPECT_EQ(::geteuid() == 0 ? asAnotherUser(check) : check().value_or("saved"), "changed");
}

TEST(TextFiles, AFailedWriteKeepsTheOldBytes) {
  const QByteArray old("old bytes\n");
  const struct {
    const char* name;
    qsizetype size;  // of the new text
    rlim_t limit;    // the largest file the process may write
    bool saved;
  } rows[] = {
      {"a 51-byte script", 51, 16, false},
      {"a script past Qt's 16 KiB buffer", 20 * 1024, 8 * 1024, false},
      {"a script just past the limit", 4097, 4096, false},
      {"a script within the limit", 4096, 4096, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QTemporaryDir dir;
    const QString target = dir.filePath("full.kelo");
    put(target, old);
    const QString text(row.size, u'k');
    std::optional<QString> error;
    {
      testing::FileSizeLimit limit(row.limit);
      error = writeTextFile(target, text, {});
    }
    if (row.saved) {
      EXPECT_EQ(error, std::nullopt);
      EXPECT_EQ(bytesOf(target), text.toUtf8());
    } else {
      EXPECT_EQ(error, "File too large (" + target + ")");
      EXPECT_EQ(bytesOf(target), old);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"full.kelo"});
  }

  // A file the user may not write stays as it is (root may write any).
  if (::geteuid() != 0) {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked.kelo");
    put(locked, old);
    ASSERT_EQ(chmod(locked.toLocal8Bit().constData(), 0444), 0);
    EXPECT_EQ(writeTextFile(locked, "new", {}), "Permission denied (" + locked + ")");
    EXPECT_EQ(bytesOf(locked), old);
  }

  // Never opened for writing: that could wait for a reader for ever.
  QTemporaryDir dir;
  const QString fifo = dir.filePath("pipe.kelo");
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(writeTextFile(fifo, "x", {}), fifo + " is not a regular file.");
  EXPECT_FALSE(QFileInfo(fifo).isFile());
}

}  // namespace
}  // namespace zx::model
