#include "decode/strict_json.h"

#include <QLatin1String>
#include <cstring>

namespace zx::decode {
namespace {

QString describe(const Value& v) {
  switch (v.kind) {
    case JsonKind::null:
      return QStringLiteral("null");
    case JsonKind::boolean:
      return QStringLiteral("a truth value");
    case JsonKind::number:
      return QStringLiteral("the number %1").arg(v.number(), 0, 'g', 17);
    case JsonKind::text:
      return QStringLiteral("text");
    case JsonKind::list:
      return QStringLiteral("a list");
    case JsonKind::object:
      return QStringLiteral("an object");
    case JsonKind::none:
      break;
  }
  return QStringLiteral("nothing");
}

// The field named by a key the reader could not match at once, or -1.
int fieldIndex(const Field* fields, int count, int next, const JsonReader::RawText& raw) {
  if (raw.form != JsonReader::TextForm::escaped) {
    for (int k = 0; k < count; ++k) {
      const int i = (next + k) % count;
      const std::string_view key = fields[i].key();
      if (key.size() == raw.size && std::memcmp(key.data(), raw.data, key.size()) == 0) {
        return i;
      }
    }
    return -1;
  }
  const QString name = JsonReader::toString(raw);
  for (int i = 0; i < count; ++i) {
    const std::string_view key = fields[i].key();
    if (name == QLatin1String(key.data(), qsizetype(key.size()))) return i;
  }
  return -1;
}

}  // namespace

QString Decoder::path(const QString& key) const {
  QString out;
  auto addMember = [&out](const QString& name) {
    if (!out.isEmpty()) out += u'.';
    out += name;
  };
  for (int i = 0; i < depth_; ++i) {
    const Segment& s = path_[i];
    if (s.index == kMember) {
      addMember(QString::fromUtf8(s.member, qsizetype(s.memberSize)));
    } else if (s.index == kEntry) {
      out += QStringLiteral("[\"%1\"]").arg(*s.entry);
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

void Decoder::failType(const QString& expected, const Value& v) {
  if (reader_) reader_->skip(v);
  if (failed_ || (reader_ && reader_->broken())) return;
  if (v.kind == JsonKind::null) return failMissing();
  failed_ = true;
  detail_ = QStringLiteral("Expected %1 at %2, found %3.").arg(expected, path(), describe(v));
}

bool Decoder::passOver(const Value& v) {
  if (reader_) reader_->skip(v);
  return true;
}

QString Decoder::characters(const JsonReader::RawText& raw) {
  if (raw.form != JsonReader::TextForm::ascii || raw.size == 0 || raw.size > kInternedSize) {
    return JsonReader::toString(raw);
  }
  const auto first = static_cast<unsigned char>(raw.data[0]);
  const auto last = static_cast<unsigned char>(raw.data[raw.size - 1]);
  Interned& slot = interned_[(raw.size * 31 + first * 7 + last) % kInternedSlots];
  if (slot.size != raw.size || std::memcmp(slot.bytes, raw.data, raw.size) != 0) {
    slot.size = raw.size;
    std::memcpy(slot.bytes, raw.data, raw.size);
    slot.text = JsonReader::toString(raw);
  }
  return slot.text;
}

QString text(Decoder& d, const Value& v) {
  if (d.passedOver(v)) return {};
  if (v.kind != JsonKind::text) {
    d.failType(QStringLiteral("text"), v);
    return {};
  }
  return d.characters(d.reader().text());
}

JsonReader::RawText rawText(Decoder& d, const Value& v) {
  if (d.passedOver(v)) return {};
  if (v.kind != JsonKind::text) {
    d.failType(QStringLiteral("text"), v);
    return {};
  }
  return d.reader().text();
}

void notOfType(Decoder& d, const Value& v, const char* expected) {
  if (d.passedOver(v)) return;
  d.failType(QLatin1String(expected), v);
}

AnyValue anyValue(Decoder& d, const Value& v) {
  if (d.passedOver(v)) return {};
  AnyValue out{v.kind, {}};
  if (v.kind == JsonKind::text) {
    out.text = JsonReader::toString(d.reader().text());
  } else {
    d.reader().skip(v);
  }
  return out;
}

void record(Decoder& d, const Value& v, std::initializer_list<Field> fields) {
  if (d.passedOver(v)) return;
  if (v.kind != JsonKind::object) return d.failType(QStringLiteral("an object"), v);
  const Field* const first = fields.begin();
  const int count = int(fields.size());
  std::uint64_t seen = 0;
  // Failures by field; a repeated key replaces its earlier verdict.
  std::vector<std::pair<int, QString>> failures;
  JsonReader& r = d.reader();
  int next = 0;  // members mostly come in field order
  if (r.objectFirst()) {
    do {
      int index = -1;
      JsonReader::RawText raw;
      if (next == count) next = 0;
      if (next < count && r.keyIs(first[next].key())) {
        index = next;
      } else {
        raw = r.key();
      }
      const Value member = r.value();
      if (d.failed()) break;
      if (index < 0) index = fieldIndex(first, count, next, raw);
      if (index < 0) {
        r.skip(member);
        continue;
      }
      next = index + 1;
      seen |= std::uint64_t(1) << index;
      if (!failures.empty()) {
        std::erase_if(failures, [index](const auto& f) { return f.first == index; });
      }
      const Field& field = first[index];
      auto step = d.member(field.key());
      if (member.kind == JsonKind::null && !field.takesNull()) {
        if (field.optional()) {
          field.clear();
        } else {
          d.failMissing();
        }
      } else {
        field.read(d, member);
      }
      if (std::optional<QString> failure = d.takeFailure()) {
        failures.emplace_back(index, std::move(*failure));
      }
    } while (r.objectNext());
  }
  if (r.broken()) return;
  for (int i = 0; i < count; ++i) {
    for (auto& [index, detail] : failures) {
      if (index == i) return d.failWith(detail);
    }
    if (!(seen & (std::uint64_t(1) << i)) && !first[i].optional()) {
      const std::string_view key = first[i].key();
      return d.failMissing(QString::fromLatin1(key.data(), qsizetype(key.size())));
    }
  }
}

}  // namespace zx::decode
