// Strict decoding of JSON into value records.
//
// A required key that is missing, null or of the wrong JSON type fails the whole
// decode; optional keys may be missing or null; keys a record does not read are
// ignored; whole numbers must be exact. The first failure is kept with the path
// where it happened, and every later read returns a neutral value, so a record
// decoder reads straight through and the caller checks `failed()` once at the end.
#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace zx::decode {

class Decoder {
 public:
  bool failed() const { return failed_; }
  // What went wrong and where, e.g. "Expected text at data.session.login, found a number."
  const QString& detail() const { return detail_; }

  // Records the first failure only; `problem` is completed with the current path.
  void fail(const QString& problem, const QString& key = {});
  // Records the first failure only, with `detail` as the whole text.
  void failWith(const QString& detail);
  void failMissing(const QString& key);
  void failType(const QString& expected, const QJsonValue& found, const QString& key = {});

  // Descent into a member, an element or a map entry, undone by the returned guard.
  class Step {
   public:
    Step(Decoder& d, QString key, qsizetype index) : d_(d) {
      d_.path_.push_back({std::move(key), index});
    }
    ~Step() { d_.path_.pop_back(); }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    Decoder& d_;
  };
  Step member(const QString& key) { return Step(*this, key, kMember); }
  Step element(qsizetype index) { return Step(*this, {}, index); }
  Step entry(const QString& key) { return Step(*this, key, kEntry); }

  QString path(const QString& key = {}) const;

 private:
  static constexpr qsizetype kMember = -1;
  static constexpr qsizetype kEntry = -2;
  struct Segment {
    QString key;
    qsizetype index;
  };
  std::vector<Segment> path_;
  bool failed_ = false;
  QString detail_;
};

// Plain values. Each fails the decoder (and returns a neutral value) unless `v` is
// of the stated JSON type; null and undefined count as missing.
QString text(Decoder& d, const QJsonValue& v);
bool boolean(Decoder& d, const QJsonValue& v);
double number(Decoder& d, const QJsonValue& v);
qint64 integer(Decoder& d, const QJsonValue& v);  // exact whole number within 64 bits

// A JSON array, each element decoded by `element(Decoder&, const QJsonValue&)`.
template <class F>
auto list(Decoder& d, const QJsonValue& v, F&& element)
    -> QList<std::invoke_result_t<F&, Decoder&, const QJsonValue&>> {
  QList<std::invoke_result_t<F&, Decoder&, const QJsonValue&>> out;
  if (d.failed()) return out;
  if (!v.isArray()) {
    d.failType(QStringLiteral("a list"), v);
    return out;
  }
  const QJsonArray items = v.toArray();
  out.reserve(items.size());
  for (qsizetype i = 0; i < items.size(); ++i) {
    auto step = d.element(i);
    out.push_back(element(d, items.at(i)));
    if (d.failed()) return {};
  }
  return out;
}

// A JSON object read as a map from its keys to values decoded by `value`.
template <class F>
auto map(Decoder& d, const QJsonValue& v, F&& value)
    -> QMap<QString, std::invoke_result_t<F&, Decoder&, const QJsonValue&>> {
  QMap<QString, std::invoke_result_t<F&, Decoder&, const QJsonValue&>> out;
  if (d.failed()) return out;
  if (!v.isObject()) {
    d.failType(QStringLiteral("an object"), v);
    return out;
  }
  const QJsonObject entries = v.toObject();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    auto step = d.entry(it.key());
    out.insert(it.key(), value(d, it.value()));
    if (d.failed()) return {};
  }
  return out;
}

// The members of one JSON object, read by key under the required/optional rules.
class Fields {
 public:
  // Fails the decoder unless `v` is an object.
  Fields(Decoder& d, const QJsonValue& v);

  QString text(const QString& key);
  bool boolean(const QString& key);
  double number(const QString& key);
  qint64 integer(const QString& key);
  std::optional<QString> optionalText(const QString& key);
  std::optional<bool> optionalBoolean(const QString& key);
  std::optional<double> optionalNumber(const QString& key);
  std::optional<qint64> optionalInteger(const QString& key);

  // The member exactly as given (undefined when missing), for keys of any JSON type.
  QJsonValue raw(const QString& key) const { return present(key); }

  // A required member decoded by `decode(Decoder&, const QJsonValue&)`, e.g. a nested
  // record, a list (`decode::list`) or a map (`decode::map`) passed through a lambda.
  template <class F>
  auto required(const QString& key, F&& decode)
      -> std::invoke_result_t<F&, Decoder&, const QJsonValue&> {
    using R = std::invoke_result_t<F&, Decoder&, const QJsonValue&>;
    const QJsonValue v = present(key);
    if (d_.failed()) return R{};
    if (v.isNull() || v.isUndefined()) {
      d_.failMissing(key);
      return R{};
    }
    auto step = d_.member(key);
    return decode(d_, v);
  }

  // A required member that is a list of records, each read by `R::decode`.
  template <class R>
  QList<R> records(const QString& key) {
    return required(key, [](Decoder& d, const QJsonValue& v) { return list(d, v, &R::decode); });
  }

  // An optional member: absent when missing or null.
  template <class F>
  auto optional(const QString& key, F&& decode)
      -> std::optional<std::invoke_result_t<F&, Decoder&, const QJsonValue&>> {
    const QJsonValue v = present(key);
    if (d_.failed() || v.isNull() || v.isUndefined()) return std::nullopt;
    auto step = d_.member(key);
    auto value = decode(d_, v);
    if (d_.failed()) return std::nullopt;
    return value;
  }

 private:
  QJsonValue present(const QString& key) const;

  Decoder& d_;
  QJsonObject object_;
};

// Parses `json` (an object or an array at the top) and decodes it with
// `root(Decoder&, const QJsonValue&)`. A text that is not JSON fails with the parser's
// reason.
bool parse(Decoder& d, const QByteArray& json, QJsonValue* out);

template <class F>
auto document(Decoder& d, const QByteArray& json, F&& root)
    -> std::optional<std::invoke_result_t<F&, Decoder&, const QJsonValue&>> {
  QJsonValue top;
  if (!parse(d, json, &top)) return std::nullopt;
  auto value = root(d, top);
  if (d.failed()) return std::nullopt;
  return value;
}

}  // namespace zx::decode
