// Strict decoding of JSON straight into value records, over the one JSON reader
// (decode/json_reader.h); no document tree is built.
//
// A required key that is missing, null or of the wrong JSON type fails the whole
// decode; optional keys (a std::optional target) may be missing or null; keys a record
// does not read are ignored (a repeated key counts once, the last time); whole numbers
// must be exact; NaN and infinities are not JSON and never get this far. The failure
// reported is the one a reader taking each record's fields in their declared order
// would meet first, with the path where it happened; a text that is not JSON at all
// fails with the reader's reason instead, wherever that lies.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "decode/json_reader.h"

namespace zx::decode {

// One value as the reader began it; a decoder reads it on (or skips it) exactly once.
using Value = JsonReader::Value;
using JsonKind = JsonReader::Kind;

class Decoder {
 public:
  bool failed() const { return failed_ || (reader_ && reader_->broken()); }
  // What went wrong and where, e.g. "Expected text at data.session.login, found a number."
  const QString& detail() const { return detail_; }

  // Records the first failure only; `problem` is completed with the current path.
  void fail(const QString& problem, const QString& key = {});
  // Records the first failure only, with `detail` as the whole text.
  void failWith(const QString& detail);
  void failMissing(const QString& key = {});
  // Fails as "Expected <expected> at <path>, found <what v is>." and passes `v` over.
  void failType(const QString& expected, const Value& v);

  // Descent into a member, an element or a map entry, undone by the returned guard. The
  // reader nests at most kMaxDepth levels, and each level adds at most one step.
  class Step {
   public:
    Step(Decoder& d, std::string_view member, const QString* entry, qsizetype index) : d_(d) {
      d_.path_[d_.depth_++] = {member.data(), member.size(), entry, index};
    }
    ~Step() { --d_.depth_; }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

   private:
    Decoder& d_;
  };
  Step member(std::string_view key) { return Step(*this, key, nullptr, kMember); }
  Step element(qsizetype index) { return Step(*this, {}, nullptr, index); }
  Step entry(const QString& key) { return Step(*this, {}, &key, kEntry); }

  QString path(const QString& key = {}) const;

  // The reader of the document being decoded (see document()).
  JsonReader& reader() { return *reader_; }
  // Passes over `v` when this decode has already failed; true when it has.
  bool passedOver(const Value& v) { return failed() && passOver(v); }
  // The characters of a text; short plain texts that come again share one string, so a
  // long list of records holds each repeated word ("info", "buy") once.
  QString characters(const JsonReader::RawText& raw);

  // The failure of the value just read, cleared, so that the next one starts afresh.
  std::optional<QString> takeFailure() {
    if (!failed_) return std::nullopt;
    failed_ = false;
    return std::exchange(detail_, QString());
  }

 private:
  template <class F>
  friend auto document(Decoder& d, QByteArrayView json, F&& root)
      -> std::optional<std::invoke_result_t<F&, Decoder&, const Value&>>;

  bool passOver(const Value& v);

  static constexpr qsizetype kMember = -1;
  static constexpr qsizetype kEntry = -2;
  // Plain data, so the path's room costs nothing until used.
  struct Segment {
    const char* member;
    std::size_t memberSize;
    const QString* entry;
    qsizetype index;
  };
  static constexpr std::uint32_t kInternedSize = 12;
  static constexpr std::uint32_t kInternedSlots = 32;
  struct Interned {
    std::uint32_t size = 0;
    char bytes[kInternedSize];
    QString text;
  };

  JsonReader* reader_ = nullptr;
  Interned interned_[kInternedSlots];
  int depth_ = 0;
  Segment path_[JsonReader::kMaxDepth + 1];
  bool failed_ = false;
  QString detail_;
};

// Plain values. Each fails the decoder (and answers a neutral value) unless `v` is of
// the stated JSON type; null counts as missing.
QString text(Decoder& d, const Value& v);
// A text as written, valid until the next read; for callers that only compare it.
JsonReader::RawText rawText(Decoder& d, const Value& v);
// The failure of the three below, when `v` is not of their type.
void notOfType(Decoder& d, const Value& v, const char* expected);
inline bool boolean(Decoder& d, const Value& v) {
  if (v.kind == JsonKind::boolean && !d.failed()) return v.flag;
  notOfType(d, v, "a truth value");
  return false;
}
inline double number(Decoder& d, const Value& v) {
  if (v.kind == JsonKind::number && !d.failed()) return v.number();
  notOfType(d, v, "a number");
  return 0;
}
// An exact whole number within 64 bits.
inline qint64 integer(Decoder& d, const Value& v) {
  if (v.kind == JsonKind::number && v.whole && !d.failed()) return v.integer;
  notOfType(d, v, "a whole number");
  return 0;
}

// A member of any JSON type: its type, and its characters when it is text.
struct AnyValue {
  JsonKind kind = JsonKind::none;  // none: the member is missing
  QString text;
};
AnyValue anyValue(Decoder& d, const Value& v);

// Each element of a JSON array, handed to `element(Decoder&, const Value&)` in order;
// after a failing element the rest are only checked.
template <class F>
void forEach(Decoder& d, const Value& v, F&& element) {
  if (d.passedOver(v)) return;
  if (v.kind != JsonKind::list) return d.failType(QStringLiteral("a list"), v);
  JsonReader& r = d.reader();
  if (!r.listFirst()) return;
  qsizetype i = 0;
  do {
    const Value e = r.value();
    if (d.passedOver(e)) continue;
    auto step = d.element(i++);
    element(d, e);
  } while (r.listNext());
}

// A JSON array, each element decoded by `element(Decoder&, const Value&)`.
template <class F>
auto list(Decoder& d, const Value& v, F&& element)
    -> QList<std::invoke_result_t<F&, Decoder&, const Value&>> {
  QList<std::invoke_result_t<F&, Decoder&, const Value&>> out;
  forEach(d, v, [&](Decoder& d, const Value& e) { out.push_back(element(d, e)); });
  if (d.failed()) return {};
  return out;
}

// A JSON object read as a map from its keys to values decoded by `value`. Of several
// failing entries the one with the first key (in text order) is reported.
template <class F>
auto map(Decoder& d, const Value& v, F&& value)
    -> QMap<QString, std::invoke_result_t<F&, Decoder&, const Value&>> {
  QMap<QString, std::invoke_result_t<F&, Decoder&, const Value&>> out;
  if (d.passedOver(v)) return out;
  if (v.kind != JsonKind::object) {
    d.failType(QStringLiteral("an object"), v);
    return out;
  }
  JsonReader& r = d.reader();
  QMap<QString, QString> failures;
  if (r.objectFirst()) {
    do {
      const QString key = JsonReader::toString(r.key());
      const Value e = r.value();
      if (d.failed()) break;
      auto step = d.entry(key);
      auto item = value(d, e);
      failures.remove(key);
      if (std::optional<QString> failure = d.takeFailure()) {
        out.remove(key);
        failures.insert(key, *failure);
      } else {
        out.insert(key, std::move(item));
      }
    } while (r.objectNext());
  }
  if (!failures.isEmpty()) d.failWith(failures.first());
  if (d.failed()) return {};
  return out;
}

// One field of a record: its key and where its value goes. The target's type says how
// to read it (QString, bool, double, qint64, a record with a static
// `decode(Decoder&, const Value&)`, a QList or QMap of those) and whether it is
// optional (a std::optional). A third argument reads the value instead:
// `decode(Decoder&, const Value&)` returning the target's (inner) type.
class Field {
 public:
  template <class T>
  Field(std::string_view key, T& target)
      : key_(key),
        target_(&target),
        optional_(IsOptional<T>::value),
        any_(std::is_same_v<T, AnyValue>),
        read_(&readInto<T>) {}

  template <class T, class F>
  Field(std::string_view key, T& target, const F& decode)  // F: a lambda or a function pointer
      : key_(key),
        target_(&target),
        decode_(&decode),
        optional_(IsOptional<T>::value),
        any_(false),
        read_(&readWith<T, F>) {}

  std::string_view key() const { return key_; }
  // Optional: may be missing or null. An AnyValue target takes any member, null
  // included, and is never required.
  bool optional() const { return optional_ || any_; }
  bool takesNull() const { return any_; }
  // Reads a present, non-null value into the target.
  void read(Decoder& d, const Value& v) const { read_(&d, &v, target_, decode_); }
  // Makes the target absent (optional fields only).
  void clear() const { read_(nullptr, nullptr, target_, decode_); }

  template <class T>
  static T value(Decoder& d, const Value& v);

 private:
  template <class T>
  struct IsOptional : std::false_type {};
  template <class T>
  struct IsOptional<std::optional<T>> : std::true_type {};

  // No decoder and no value: clear the target.
  using Read = void (*)(Decoder*, const Value*, void*, const void*);

  template <class T>
  static void readInto(Decoder* d, const Value* v, void* target, const void*) {
    T& t = *static_cast<T*>(target);
    if constexpr (IsOptional<T>::value) {
      if (!v) return t.reset();
      auto value = Field::value<typename T::value_type>(*d, *v);
      if (d->failed()) return t.reset();
      t = std::move(value);
    } else {
      if (v) t = Field::value<T>(*d, *v);
    }
  }

  template <class T, class F>
  static void readWith(Decoder* d, const Value* v, void* target, const void* decode) {
    T& t = *static_cast<T*>(target);
    if constexpr (IsOptional<T>::value) {
      if (!v) return t.reset();
      auto value = (*static_cast<const F*>(decode))(*d, *v);
      if (d->failed()) return t.reset();
      t = std::move(value);
    } else {
      if (v) t = (*static_cast<const F*>(decode))(*d, *v);
    }
  }

  std::string_view key_;
  void* target_;
  const void* decode_ = nullptr;
  bool optional_;
  bool any_;
  Read read_;
};

// The members of one JSON object read into their fields, in the order the object
// writes them; fails unless `v` is an object. At most 64 fields.
void record(Decoder& d, const Value& v, std::initializer_list<Field> fields);

template <class T>
struct IsQList : std::false_type {};
template <class T>
struct IsQList<QList<T>> : std::true_type {};
template <class T>
struct IsQMap : std::false_type {};
template <class T>
struct IsQMap<QMap<QString, T>> : std::true_type {};

template <class T>
T Field::value(Decoder& d, const Value& v) {
  if constexpr (std::is_same_v<T, QString>) {
    return text(d, v);
  } else if constexpr (std::is_same_v<T, bool>) {
    return boolean(d, v);
  } else if constexpr (std::is_same_v<T, double>) {
    return number(d, v);
  } else if constexpr (std::is_same_v<T, qint64>) {
    return integer(d, v);
  } else if constexpr (std::is_same_v<T, AnyValue>) {
    return anyValue(d, v);
  } else if constexpr (IsQList<T>::value) {
    return list(d, v, &Field::value<typename T::value_type>);
  } else if constexpr (IsQMap<T>::value) {
    return map(d, v, &Field::value<typename T::mapped_type>);
  } else {
    return T::decode(d, v);
  }
}

// Reads `json` (an object or an array at the top) with `root(Decoder&, const Value&)`.
// A text that is not JSON fails with the reader's reason, whatever else failed.
template <class F>
auto document(Decoder& d, QByteArrayView json, F&& root)
    -> std::optional<std::invoke_result_t<F&, Decoder&, const Value&>> {
  JsonReader reader(std::string_view(json.data(), size_t(json.size())));
  d.reader_ = &reader;
  std::optional<std::invoke_result_t<F&, Decoder&, const Value&>> out;
  const Value top = reader.beginDocument();
  if (!reader.broken()) {
    auto value = root(d, top);
    reader.endDocument();
    if (!d.failed()) out = std::move(value);
  }
  if (reader.broken()) {
    d.failed_ = true;
    d.detail_ = reader.syntaxError();
    out.reset();
  }
  d.reader_ = nullptr;
  return out;
}

}  // namespace zx::decode
