#include "panels/broker_logo.h"

#include <QBuffer>
#include <QImageReader>

namespace zx::views {

namespace {

bool withinSideLimit(QSize size) {
  return size.width() <= kLogoSideLimit && size.height() <= kLogoSideLimit;
}

}  // namespace

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
  // Any format the installed image plugins read, told by its content.
  QImageReader reader(&buffer);
  if (!reader.canRead()) return {};
  // The size the header states is checked before anything is decoded, so a small payload
  // cannot claim a huge image; a format that cannot state it is not decoded at all.
  const QSize stated = reader.size();
  if (!stated.isValid() || !withinSideLimit(stated)) return {};
  QImage image = reader.read();
  // Held to the same limits should the header have understated it.
  if (image.isNull() || !withinSideLimit(image.size())) return {};
  return image;
}

}  // namespace zx::views
