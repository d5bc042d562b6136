#include "client/api_error.h"

namespace zx::client {
namespace {

// An error page or a decoder's detail can be megabytes long; a message box cannot.
constexpr qsizetype kDisplayLimit = 2000;

}  // namespace

QString trimForDisplay(const QString& text) {
  if (text.size() <= kDisplayLimit) return text;
  qsizetype cut = kDisplayLimit;
  if (text.at(cut - 1).isHighSurrogate()) --cut;
  return text.left(cut) + QChar(0x2026);
}

APIError APIError::http(int status, const QString& serverText) {
  return APIError(Kind::http, status, trimForDisplay(serverText));
}

APIError APIError::decoding(const QString& detail) {
  return APIError(Kind::decoding, 0, trimForDisplay(detail));
}

QString APIError::errorDescription() const {
  switch (kind_) {
    case Kind::http:
      if (!text_.isEmpty()) return text_;
      return QStringLiteral("The server replied %1.").arg(status_);
    case Kind::decoding:
      return QStringLiteral("The server sent something unexpected. ") + text_;
    case Kind::badURL:
      return QStringLiteral("That server address is not valid.");
    case Kind::notSignedIn:
      return QStringLiteral("Sign in to your Zentrix account first.");
  }
  return {};
}

QString ClientError::message() const {
  if (const APIError* e = api()) return e->errorDescription();
  return transport()->message;
}

}  // namespace zx::client
