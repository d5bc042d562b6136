// Encoding of value records back to JSON, the mirror of strict_json.h: required
// fields are always written, an absent optional is left out (never written as null).
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace zx::decode {

// Writes `key` only when `value` holds something.
template <class T>
void insertOptional(QJsonObject& o, const QString& key, const std::optional<T>& value) {
  if (value) o.insert(key, QJsonValue(*value));
}

// Writes `key` as `encode` (a function or a member function) applied to the value, only
// when `value` holds something.
template <class T, class F>
void insertOptional(QJsonObject& o, const QString& key, const std::optional<T>& value, F&& encode) {
  if (value) o.insert(key, std::invoke(encode, *value));
}

// Plain values (texts, numbers, flags) as a JSON array.
template <class T>
QJsonArray values(const QList<T>& items) {
  QJsonArray out;
  for (const T& item : items) out.append(QJsonValue(item));
  return out;
}

// Records as a JSON array, each written by its own `encode()`.
template <class R>
QJsonArray records(const QList<R>& items) {
  QJsonArray out;
  for (const R& item : items) out.append(item.encode());
  return out;
}

// A map of records as a JSON object keyed by the map's keys.
template <class R>
QJsonObject recordMap(const QMap<QString, R>& entries) {
  QJsonObject out;
  for (auto it = entries.begin(); it != entries.end(); ++it) out.insert(it.key(), it->encode());
  return out;
}

}  // namespace zx::decode
