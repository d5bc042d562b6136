// Decoding of one engine reply into its record.
#pragma once

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

namespace Kelo {

// Decodes `reply` (one JSON object) as the record `R`; on failure answers nothing and
// sets `*error` when given. An empty reply is not JSON and fails like any other.
template <class R>
std::optional<R> decode(const QString& reply, KeloError* error = nullptr) {
  decode::Decoder d;
  std::optional<R> out = decode::document(d, reply.toUtf8(), &R::decode);
  if (!out && error) error->text = d.detail() + u'\n' + excerpt(reply, 400);
  return out;
}

}  // namespace Kelo
}  // namespace zx::bridge
