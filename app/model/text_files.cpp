#include "model/text_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace zx::model {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// The system's own reason for `error` ("No space left on device"), naming the file.
QString failure(int error, const QString& path) {
  return QStringLiteral("%1 (%2)").arg(qt_error_string(error), path);
}

// The system's limit on links followed in one lookup.
constexpr int kMaxLinks = 40;

// The real path of an existing `path` (a folder, say); empty with errno set otherwise.
QByteArray realPath(const QByteArray& path) {
  char* real = ::realpath(path.constData(), nullptr);
  if (!real) return {};
  QByteArray out(real);
  ::free(real);
  return out;
}

// The file `path` finally names, links followed as the system follows them; empty with
// errno set when it names none (ELOOP for a loop). A link's ".." leaves the folder the link
// really is in, not the one it was reached through, so a link to a file not made yet is
// followed step by step from that real folder.
QByteArray resolveLinks(QByteArray path) {
  // An existing file, or a failure other than a missing file: a loop, a folder not searchable.
  if (QByteArray real = realPath(path); !real.isEmpty() || errno != ENOENT) return real;
  for (int links = 0;; ++links) {
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : path.left(slash == 0 ? 1 : slash);
    QByteArray at = realPath(folder);
    if (at.isEmpty()) return {};
    if (!at.endsWith('/')) at += '/';
    at += path.mid(slash + 1);
    char target[PATH_MAX];
    const ssize_t size = ::readlink(at.constData(), target, sizeof target);
    if (size < 0) return errno == ENOENT || errno == EINVAL ? at : QByteArray();  // EINVAL: no link
    if (links == kMaxLinks) {
      errno = ELOOP;
      return {};
    }
    if (size == static_cast<ssize_t>(sizeof target)) {
      errno = ENAMETOOLONG;
      return {};
    }
    path = size > 0 && target[0] == '/'
               ? QByteArray(target, size)
               : at.left(at.lastIndexOf('/') + 1) + QByteArray(target, size);
  }
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

// A new file in `folder` (ending in "/") that nobody else uses: its descriptor (-1 with
// errno set) and its path. The name is short whatever the target's, which may already
// have the longest name the folder takes.
int createIn(const QByteArray& folder, QByteArray* created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const QByteArray candidate =
        folder + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
    // 0666 less the umask, as any new file; an existing file's mode is copied later.
    const int fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) {
      *created = candidate;
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

// After a rename the folder holds the new name only in memory until it is synced itself:
// a crash could bring the old file back. The file is in place by then, so the save stands
// and a failure goes to the application's warnings only.
void syncFolder(const QByteArray& folder) {
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    if (::fsync(fd) != 0) error = errno;
    ::close(fd);
  }
  // EINVAL and ENOTSUP: a file system that cannot sync a folder, which is no failure.
  if (error != 0 && error != EINVAL && error != ENOTSUP) {
    qWarning("The folder %s was not synced after a save: %s", folder.constData(),
             qPrintable(qt_error_string(error)));
  }
}

}  // namespace

FileDigest FileDigest::of(const QByteArray& bytes) {
  return {bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)};
}

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
  result.digest = FileDigest::of(bytes);
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
  return writeFileBytes(path, encodeText(text, format));
}

std::optional<QString> writeFileBytes(const QString& path, const QByteArray& bytes) {
  const QByteArray target = resolveLinks(QFile::encodeName(path));
  // Also a link loop: writing beside it would replace the link with a plain file.
  if (target.isEmpty()) return failure(errno, path);
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
  const QByteArray folder = target.left(target.lastIndexOf('/') + 1);
  QByteArray temporary;
  const int fd = createIn(folder, &temporary);
  if (fd < 0) return failure(errno, path);
  if (exists) {
    // Best effort, as a new file would belong to the user anyway: root saving a user's
    // file leaves it theirs, and a member of a shared folder's group can keep the group.
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0 && errno == EPERM) {
      (void)::fchown(fd, static_cast<uid_t>(-1), existing.st_gid);
    }
    // After the owner: a change of owner clears the set-id bits.
    (void)::fchmod(fd, existing.st_mode & 07777);
  }
  int error = 0;
  if (!writeAll(fd, bytes)) {
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
  syncFolder(folder);
  return std::nullopt;
}

bool fileChanged(const QString& path, const std::optional<FileDigest>& known) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (!known || st.st_size != known->size) return true;
  // O_NONBLOCK: a FIFO put there since the stat must not hold the window.
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  QFile file;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return true;
  }
  QCryptographicHash hash(QCryptographicHash::Sha256);
  return !hash.addData(&file) || hash.result() != known->sha256;
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
