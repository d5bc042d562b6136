#include "model/text_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>

namespace zx::model {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// The system's own reason for `error` ("No space left on device"), naming the file.
QString failure(int error, const QString& path) {
  return QStringLiteral("%1 (%2)").arg(qt_error_string(error), path);
}

// The file a path finally names: links followed, also to a file that does not exist yet.
QString resolveLinks(const QString& path) {
  QFileInfo info(path);
  for (int depth = 0; depth < 40 && info.isSymLink(); ++depth) info.setFile(info.symLinkTarget());
  return info.filePath();
}

// False with errno set at the first write that fails; a short write is carried on.
bool writeAll(int fd, const QByteArray& bytes) {
  const char* next = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, next, static_cast<size_t>(left));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += written;
    left -= written;
  }
  return true;
}

// A new file in the folder of `target` that nobody else uses: its descriptor (-1 with
// errno set) and its path.
int createBeside(const QString& target, QString* created) {
  const QFileInfo info(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QString candidate = info.path() + QStringLiteral("/.") + info.fileName() + u'.' +
                              QString::number(QRandomGenerator::global()->generate(), 36);
    // 0666 less the umask, as any new file; an existing file's mode is copied later.
    const int fd = ::open(QFile::encodeName(candidate).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      *created = candidate;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

TextRead readTextFile(const QString& path) {
  TextRead result;
  const QFileInfo info(path);
  // Checked before opening: opening a FIFO for reading waits for a writer.
  if (info.exists() && !info.isFile()) {
    result.error = QStringLiteral("%1 is not a regular file.").arg(path);
    return result;
  }
  if (info.exists() && info.size() > kMaxTextFileBytes) {
    result.error = QStringLiteral("%1 is larger than 16 MiB.").arg(path);
    return result;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    result.error = QStringLiteral("%1 (%2)").arg(file.errorString(), path);
    return result;
  }
  // The file may have grown since it was measured.
  const QByteArray bytes = file.read(kMaxTextFileBytes + 1);
  if (file.error() != QFileDevice::NoError) {
    result.error = QStringLiteral("%1 (%2)").arg(file.errorString(), path);
    return result;
  }
  if (bytes.size() > kMaxTextFileBytes) {
    result.error = QStringLiteral("%1 is larger than 16 MiB.").arg(path);
    return result;
  }
  return decodeText(bytes, path);
}

TextRead decodeText(const QByteArray& bytes, const QString& path) {
  TextRead result;
  QByteArrayView body(bytes);
  if (body.startsWith(kBom)) {
    result.format.bom = true;
    body = body.sliced(kBom.size());
  }
  // Stateless reports a sequence cut off at the end; ConvertInitialBom keeps a second
  // mark as the character it is instead of dropping it unseen.
  QStringDecoder decoder(QStringDecoder::Utf8,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
  QString text = decoder.decode(body);
  if (decoder.hasError()) {
    result.error = QStringLiteral("%1 is not valid UTF-8 text.").arg(path);
    return result;
  }
  const qsizetype lf = body.indexOf('\n');
  const qsizetype cr = body.indexOf('\r');
  result.format.crlf = cr >= 0 && cr + 1 == lf;
  result.text = normalizeLineBreaks(text);
  return result;
}

QString normalizeLineBreaks(const QString& text) {
  if (!text.contains(u'\r')) return text;
  QString out = text;
  out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  out.replace(u'\r', u'\n');
  return out;
}

QByteArray encodeText(const QString& text, TextFormat format) {
  QByteArray bytes;
  if (format.bom) bytes = kBom;
  if (format.crlf) {
    QString crlf = text;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    bytes += crlf.toUtf8();
  } else {
    bytes += text.toUtf8();
  }
  return bytes;
}

std::optional<QString> writeTextFile(const QString& path, const QString& text, TextFormat format) {
  const QByteArray target = QFile::encodeName(resolveLinks(path));
  struct stat existing {};
  const bool exists = ::stat(target.constData(), &existing) == 0;
  // Opening a FIFO or a device to write to it may wait for ever, and a rename would put a
  // plain file in its place.
  if (exists && !S_ISREG(existing.st_mode)) {
    return QStringLiteral("%1 is not a regular file.").arg(path);
  }
  // The rename would replace a file the user may not write, so it is asked first.
  if (exists && ::access(target.constData(), W_OK) != 0) return failure(errno, path);

  // The text goes to a file of its own, which replaces the target only once every write,
  // the sync to disk and the close have succeeded: a full disk leaves the old bytes and
  // reports the system's reason.
  QString created;
  const int fd = createBeside(QFile::decodeName(target), &created);
  if (fd < 0) return failure(errno, path);
  const QByteArray temporary = QFile::encodeName(created);
  // Best effort, as a new file would have the umask's mode anyway.
  if (exists) (void)::fchmod(fd, existing.st_mode & 07777);
  int error = 0;
  if (!writeAll(fd, encodeText(text, format))) {
    error = errno;
  } else if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP) {
    // EINVAL and ENOTSUP: a file system that cannot sync, which is no failure to write.
    error = errno;
  }
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error == 0 && ::rename(temporary.constData(), target.constData()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.constData());
    return failure(error, path);
  }
  return std::nullopt;
}

bool sameFile(const QString& a, const QString& b) {
  struct stat first {};
  struct stat second {};
  const bool firstExists = ::stat(QFile::encodeName(a).constData(), &first) == 0;
  const bool secondExists = ::stat(QFile::encodeName(b).constData(), &second) == 0;
  if (firstExists && secondExists) {
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
  if (firstExists || secondExists) return false;
  return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace zx::model
