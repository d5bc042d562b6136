#include "model/text_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace zx::model {
namespace {

const QByteArray kBom("\xEF\xBB\xBF");

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
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    return QStringLiteral("%1 (%2)").arg(file.errorString(), path);
  }
  const QByteArray bytes = encodeText(text, format);
  if (file.write(bytes) != bytes.size() || !file.commit()) {
    const QString error = QStringLiteral("%1 (%2)").arg(file.errorString(), path);
    file.cancelWriting();
    return error;
  }
  return std::nullopt;
}

}  // namespace zx::model
