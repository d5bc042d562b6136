#include "panels/broker_logo.h"

#include <QBuffer>
#include <QImageReader>

namespace zx::views {

QImage decodeBrokerLogo(const std::optional<QString>& source) {
  if (!source) return {};
  static const QString marker = QStringLiteral("base64,");
  const qsizetype at = source->indexOf(marker);
  if (at < 0) return {};
  const QStringView text = QStringView(*source).sliced(at + marker.size());
  // Four Base64 characters carry three bytes; refuse before decoding anything larger.
  if (text.size() > (kLogoBytesLimit + 2) / 3 * 4) return {};
  // Qt's strict mode still accepts unpadded input.
  if (text.size() % 4 != 0) return {};
  for (QChar c : text) {
    if (c.unicode() > 0x7F) return {};
  }
  QByteArray::FromBase64Result decoded =
      QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded || decoded.decoded.isEmpty() || decoded.decoded.size() > kLogoBytesLimit) {
    return {};
  }
  QByteArray bytes = std::move(decoded.decoded);
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  static const QList<QByteArray> formats = {"png", "jpeg", "jpg", "gif", "bmp"};
  if (!formats.contains(reader.format())) return {};
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kLogoSideLimit || size.height() > kLogoSideLimit) {
    return {};
  }
  return reader.read();
}

}  // namespace zx::views
