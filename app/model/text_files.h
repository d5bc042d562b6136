// Source files on disk: strict UTF-8, an optional byte-order mark and CRLF line breaks
// remembered per file, atomic writes. Everything above this layer sees LF text without
// a byte-order mark, and a file saves back in the form it was read.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace zx::model {

// How a file stores its text on disk.
struct TextFormat {
  bool crlf = false;  // its first line break is CRLF: every LF is written as CRLF
  bool bom = false;   // it starts with the UTF-8 byte-order mark

  friend bool operator==(const TextFormat&, const TextFormat&) = default;
};

// What a file held, by its bytes rather than its text: a file whose CRLF breaks or
// byte-order mark the document keeps still matches what was written.
struct FileDigest {
  qint64 size = 0;
  QByteArray sha256;

  static FileDigest of(const QByteArray& bytes);

  friend bool operator==(const FileDigest&, const FileDigest&) = default;
};

// What a read gives: the text in memory form, or a message for the user.
struct TextRead {
  QString text;
  TextFormat format;
  FileDigest digest;             // of the bytes read
  std::optional<QString> error;  // e.g. "/tmp/a.kelo is not valid UTF-8 text."

  bool ok() const { return !error.has_value(); }
};

// Larger files are refused: they are not scripts, and reading them would stall the window.
inline constexpr qint64 kMaxTextFileBytes = 16 * 1024 * 1024;

// Reads a regular file of at most kMaxTextFileBytes that is valid UTF-8. Never blocks on
// a FIFO or a device.
TextRead readTextFile(const QString& path);

// The memory form of file bytes; `path` only names the file in the error.
TextRead decodeText(const QByteArray& bytes, const QString& path);

// CRLF and lone CR become LF.
QString normalizeLineBreaks(const QString& text);

// The bytes a text is stored as in `format`.
QByteArray encodeText(const QString& text, TextFormat format);

// Replaces the file at `path` with `bytes` in one step once every byte is on disk, and
// the folder's new entry too. A symlink stays a link; its target changes, found as the
// system finds it, also one not made yet; a link loop is an error. The new file keeps
// the old one's mode, and its owner and group as far as the user may give them. On any
// failure the file keeps its old bytes and nothing is left beside it. None on success,
// else the error for the user with the system's reason, e.g. "No space left on device
// (/a/b)".
std::optional<QString> writeFileBytes(const QString& path, const QByteArray& bytes);
// writeFileBytes with `text` as stored in `format`.
std::optional<QString> writeTextFile(const QString& path, const QString& text, TextFormat format);

// Whether the file at `path` may hold other bytes than `known` (none: nothing known of
// it). No when nothing, or no regular file, is there: the write reports what stops it.
// Yes when it cannot be read. Reads only when the sizes match; never opens a FIFO.
bool fileChanged(const QString& path, const std::optional<FileDigest>& known);

// Whether `a` and `b` name one file: the same device and inode once links are followed (a
// link and its target, two hard links), or, while nothing exists at either, the same
// absolute clean path.
bool sameFile(const QString& a, const QString& b);

}  // namespace zx::model
