// Failures of the platform client: the platform's refusals and malformed replies
// (`APIError`), and failures of the connection itself (`TransportError`).
#pragma once

#include <QString>
#include <optional>
#include <utility>
#include <variant>

namespace zx::client {

class APIError {
 public:
  enum class Kind { http, decoding, badURL, notSignedIn };

  static APIError http(int status, const QString& serverText);
  static APIError decoding(const QString& detail);
  static APIError badURL() { return APIError(Kind::badURL, 0, {}); }
  static APIError notSignedIn() { return APIError(Kind::notSignedIn, 0, {}); }

  Kind kind() const { return kind_; }
  int status() const { return status_; }  // http only
  // The server's text (http) or the decoder's detail (decoding), trimmed to a
  // readable length.
  const QString& text() const { return text_; }

  // What the user is shown, e.g. "The server replied 502.".
  QString errorDescription() const;

  friend bool operator==(const APIError&, const APIError&) = default;

 private:
  APIError(Kind kind, int status, QString text)
      : kind_(kind), status_(status), text_(std::move(text)) {}

  Kind kind_;
  int status_;
  QString text_;
};

// The request never produced an HTTP reply.
struct TransportError {
  enum class Kind { timedOut, cancelled, connection };
  Kind kind = Kind::connection;
  QString message;  // e.g. "The request timed out." or the network layer's reason

  friend bool operator==(const TransportError&, const TransportError&) = default;
};

// Either failure; `message()` is what a view shows.
class ClientError {
 public:
  ClientError(APIError e) : value_(std::move(e)) {}
  ClientError(TransportError e) : value_(std::move(e)) {}

  const APIError* api() const { return std::get_if<APIError>(&value_); }
  const TransportError* transport() const { return std::get_if<TransportError>(&value_); }
  QString message() const;

 private:
  std::variant<APIError, TransportError> value_;
};

// The result of one asynchronous call: a value or a failure.
template <class T>
class Outcome {
 public:
  Outcome(T value) : value_(std::move(value)) {}
  Outcome(ClientError error) : value_(std::move(error)) {}
  Outcome(APIError error) : value_(ClientError(std::move(error))) {}
  Outcome(TransportError error) : value_(ClientError(std::move(error))) {}

  bool ok() const { return std::holds_alternative<T>(value_); }
  const T& value() const { return std::get<T>(value_); }
  T& value() { return std::get<T>(value_); }
  const ClientError& error() const { return std::get<ClientError>(value_); }

 private:
  std::variant<T, ClientError> value_;
};

// Shortens a text from the network for display, never splitting a character.
QString trimForDisplay(const QString& text);

}  // namespace zx::client
