#include "model/text_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "model/file_size_limit.h"
#include "model/workspace_test_support.h"

namespace zx::model {
namespace {

using testing::bytesOf;
using testing::put;

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
