#include "decode/strict_json.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace zx::decode {
namespace {

QString describe(const QJsonValue& v) {
  switch (v.type()) {
    case QJsonValue::Null:
      return QStringLiteral("null");
    case QJsonValue::Bool:
      return QStringLiteral("a truth value");
    case QJsonValue::Double:
      return QStringLiteral("the number %1").arg(v.toDouble(), 0, 'g', 17);
    case QJsonValue::String:
      return QStringLiteral("text");
    case QJsonValue::Array:
      return QStringLiteral("a list");
    case QJsonValue::Object:
      return QStringLiteral("an object");
    case QJsonValue::Undefined:
      break;
  }
  return QStringLiteral("nothing");
}

bool isAbsent(const QJsonValue& v) {
  return v.isNull() || v.isUndefined();
}

}  // namespace

QString Decoder::path(const QString& key) const {
  QString out;
  auto addMember = [&out](const QString& name) {
    if (!out.isEmpty()) out += u'.';
    out += name;
  };
  for (const Segment& s : path_) {
    if (s.index == kMember) {
      addMember(s.key);
    } else if (s.index == kEntry) {
      out += QStringLiteral("[\"%1\"]").arg(s.key);
    } else {
      out += QStringLiteral("[%1]").arg(s.index);
    }
  }
  if (!key.isEmpty()) addMember(key);
  return out.isEmpty() ? QStringLiteral("the top level") : out;
}

void Decoder::fail(const QString& problem, const QString& key) {
  if (failed_) return;
  failed_ = true;
  detail_ = QStringLiteral("%1 at %2.").arg(problem, path(key));
}

void Decoder::failWith(const QString& detail) {
  if (failed_) return;
  failed_ = true;
  detail_ = detail;
}

void Decoder::failMissing(const QString& key) {
  fail(QStringLiteral("Missing value"), key);
}

void Decoder::failType(const QString& expected, const QJsonValue& found, const QString& key) {
  if (failed_) return;
  if (isAbsent(found)) {
    failMissing(key);
    return;
  }
  failed_ = true;
  detail_ =
      QStringLiteral("Expected %1 at %2, found %3.").arg(expected, path(key), describe(found));
}

QString text(Decoder& d, const QJsonValue& v) {
  if (d.failed()) return {};
  if (!v.isString()) {
    d.failType(QStringLiteral("text"), v);
    return {};
  }
  return v.toString();
}

bool boolean(Decoder& d, const QJsonValue& v) {
  if (d.failed()) return false;
  if (!v.isBool()) {
    d.failType(QStringLiteral("a truth value"), v);
    return false;
  }
  return v.toBool();
}

double number(Decoder& d, const QJsonValue& v) {
  if (d.failed()) return 0;
  if (!v.isDouble()) {
    d.failType(QStringLiteral("a number"), v);
    return 0;
  }
  return v.toDouble();
}

qint64 integer(Decoder& d, const QJsonValue& v) {
  if (d.failed()) return 0;
  if (!v.isDouble()) {
    d.failType(QStringLiteral("a whole number"), v);
    return 0;
  }
  // toInteger answers its fallback for fractions and out-of-range values, so two
  // different fallbacks agree exactly when the number is an exact 64-bit integer.
  const qint64 a = v.toInteger(0);
  const qint64 b = v.toInteger(1);
  if (a != b) {
    d.failType(QStringLiteral("a whole number"), v);
    return 0;
  }
  return a;
}

Fields::Fields(Decoder& d, const QJsonValue& v) : d_(d) {
  if (d_.failed()) return;
  if (!v.isObject()) {
    d_.failType(QStringLiteral("an object"), v);
    return;
  }
  object_ = v.toObject();
}

QJsonValue Fields::present(const QString& key) const {
  if (d_.failed()) return QJsonValue(QJsonValue::Undefined);
  return object_.value(key);
}

QString Fields::text(const QString& key) {
  return required(key, [](Decoder& d, const QJsonValue& v) { return decode::text(d, v); });
}
bool Fields::boolean(const QString& key) {
  return required(key, [](Decoder& d, const QJsonValue& v) { return decode::boolean(d, v); });
}
double Fields::number(const QString& key) {
  return required(key, [](Decoder& d, const QJsonValue& v) { return decode::number(d, v); });
}
qint64 Fields::integer(const QString& key) {
  return required(key, [](Decoder& d, const QJsonValue& v) { return decode::integer(d, v); });
}
std::optional<QString> Fields::optionalText(const QString& key) {
  return optional(key, [](Decoder& d, const QJsonValue& v) { return decode::text(d, v); });
}
std::optional<bool> Fields::optionalBoolean(const QString& key) {
  return optional(key, [](Decoder& d, const QJsonValue& v) { return decode::boolean(d, v); });
}
std::optional<double> Fields::optionalNumber(const QString& key) {
  return optional(key, [](Decoder& d, const QJsonValue& v) { return decode::number(d, v); });
}
std::optional<qint64> Fields::optionalInteger(const QString& key) {
  return optional(key, [](Decoder& d, const QJsonValue& v) { return decode::integer(d, v); });
}

bool parse(Decoder& d, const QByteArray& json, QJsonValue* out) {
  if (d.failed()) return false;
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError) {
    d.failWith(QStringLiteral("The data is not valid JSON: %1 at offset %2.")
                   .arg(error.errorString())
                   .arg(error.offset));
    return false;
  }
  if (doc.isObject()) {
    *out = doc.object();
  } else if (doc.isArray()) {
    *out = doc.array();
  } else {
    d.failWith(QStringLiteral("The data is not valid JSON: nothing at the top level."));
    return false;
  }
  return true;
}

}  // namespace zx::decode
