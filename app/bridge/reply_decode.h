// Decoding of one engine reply into its record.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

#include "bridge/records.h"
#include "decode/strict_json.h"

namespace zx::bridge {

// Why a reply did not decode. Nothing shows it; callers replace the reply by a fallback.
struct KeloError {
  QString text;  // the reader's reason, "\n", then the reply's first 400 characters
};

// The start of `text`: its first `count` user-perceived characters, all of it when shorter.
QString excerpt(const QString& text, qsizetype count);

// Whether `bytes` is well-formed UTF-8 without a byte order mark, so that reading it as
// text and writing it back gives the same bytes.
bool isPlainUtf8(QByteArrayView bytes);

namespace Kelo {

// Decodes `reply` (one JSON object) as the record `R`; on failure answers nothing and
// sets `*error` when given. An empty reply is not JSON and fails like any other.
template <class R>
std::optional<R> decode(const QString& reply, KeloError* error = nullptr) {
  decode::Decoder d;
  std::optional<R> out = decode::document(d, QByteArrayView(reply.toUtf8()), &R::decode);
  if (!out && error) error->text = d.detail() + u'\n' + excerpt(reply, 400);
  return out;
}

// The same for a reply still in the engine's UTF-8. A well-formed reply, which is every
// reply the engine writes, is read where it lies instead of being copied into text and
// back; any other is read as text first, which turns each bad sequence into U+FFFD.
template <class R>
std::optional<R> decodeUtf8(QByteArrayView reply, KeloError* error = nullptr) {
  if (!isPlainUtf8(reply)) return decode<R>(QString::fromUtf8(reply), error);
  decode::Decoder d;
  std::optional<R> out = decode::document(d, reply, &R::decode);
  if (!out && error) error->text = d.detail() + u'\n' + excerpt(QString::fromUtf8(reply), 400);
  return out;
}

}  // namespace Kelo
}  // namespace zx::bridge
