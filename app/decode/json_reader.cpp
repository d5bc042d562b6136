#include "decode/json_reader.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <system_error>

namespace zx::decode {
namespace {

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `p` (lead byte 0x80 or above), or 0:
// no overlong forms, no surrogates, nothing past U+10FFFF.
int sequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char c = p[0];
  const auto room = end - p;
  if (c >= 0xC2 && c <= 0xDF) return room >= 2 && isContinuation(p[1]) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    if (room < 3 || !isContinuation(p[1]) || !isContinuation(p[2])) return 0;
    if (c == 0xE0 && p[1] < 0xA0) return 0;   // overlong
    if (c == 0xED && p[1] >= 0xA0) return 0;  // a surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (room < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3])) {
      return 0;
    }
    if (c == 0xF0 && p[1] < 0x90) return 0;   // overlong
    if (c == 0xF4 && p[1] >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

QString JsonReader::syntaxError() const {
  const char* reason = "";
  switch (error_) {
    case Error::none:
      return {};
    case Error::unterminatedObject:
      reason = "unterminated object";
      break;
    case Error::missingNameSeparator:
      reason = "missing name separator";
      break;
    case Error::unterminatedArray:
      reason = "unterminated array";
      break;
    case Error::missingValueSeparator:
      reason = "missing value separator";
      break;
    case Error::illegalValue:
      reason = "illegal value";
      break;
    case Error::terminationByNumber:
      reason = "invalid termination by number";
      break;
    case Error::illegalNumber:
      reason = "illegal number";
      break;
    case Error::illegalEscapeSequence:
      reason = "invalid escape sequence";
      break;
    case Error::illegalUtf8String:
      reason = "invalid UTF8 string";
      break;
    case Error::unterminatedString:
      reason = "unterminated string";
      break;
    case Error::missingObject:
      reason = "object is missing after a comma";
      break;
    case Error::deepNesting:
      reason = "too deeply nested document";
      break;
    case Error::garbageAtEnd:
      reason = "garbage at the end of the document";
      break;
  }
  return QStringLiteral("The data is not valid JSON: %1 at offset %2.")
      .arg(QLatin1String(reason))
      .arg(errorOffset_);
}

void JsonReader::fail(Error e, const char* at) {
  if (error_ != Error::none) return;
  error_ = e;
  errorOffset_ = at - begin_;
  at_ = end_;
}

bool JsonReader::deepNesting() {
  fail(Error::deepNesting, at_);
  return false;
}

JsonReader::Error JsonReader::unterminated() const {
  const int top = depth_ - 1;
  const bool list = (lists_[top / 64] >> (top % 64)) & 1;
  return list ? Error::unterminatedArray : Error::unterminatedObject;
}

JsonReader::Value JsonReader::beginDocument() {
  Value v;
  // A byte order mark counts only with something after it.
  if (end_ - at_ > 3 && std::memcmp(at_, "\xEF\xBB\xBF", 3) == 0) at_ += 3;
  skipSpace();
  if (at_ == end_) {
    fail(Error::illegalValue, at_);
    return v;
  }
  const char c = *at_++;
  if (c != '[' && c != '{') {
    fail(Error::illegalValue, at_);
    return v;
  }
  enter(c == '[');
  v.kind = c == '[' ? Kind::list : Kind::object;
  return v;
}

void JsonReader::endDocument() {
  if (broken()) return;
  skipSpace();
  if (at_ != end_) fail(Error::garbageAtEnd, at_);
}

JsonReader::Value JsonReader::valueSlow() {
  Value v;
  if (broken()) return v;
  skipSpace();
  if (at_ == end_) {
    fail(unterminated(), at_);
    return v;
  }
  switch (*at_) {
    case '"':
      ++at_;
      return textValue();
    case '[':
    case '{': {
      const bool list = *at_++ == '[';
      if (enter(list)) v.kind = list ? Kind::list : Kind::object;
      return v;
    }
    case ']':
    case '}':
      ++at_;
      fail(Error::missingObject, at_);
      return v;
    case ',':
      ++at_;
      fail(Error::illegalValue, at_);
      return v;
    case 't':
    case 'f':
    case 'n':
      literal(v);
      return v;
    default:
      numberValue(v);
      return v;
  }
}

void JsonReader::literal(Value& v) {
  const char c = *at_++;
  const std::string_view rest = c == 't' ? "rue" : c == 'f' ? "alse" : "ull";
  // A literal must leave at least one character after it.
  if (end_ - at_ <= qsizetype(rest.size())) {
    fail(Error::illegalValue, at_);
    return;
  }
  for (const char expected : rest) {
    if (*at_++ != expected) {
      fail(Error::illegalValue, at_);
      return;
    }
  }
  v.kind = c == 'n' ? Kind::null : Kind::boolean;
  v.flag = c == 't';
}

void JsonReader::numberValue(Value& v) {
  const char* start = at_;
  const bool negative = *at_ == '-';
  if (negative) ++at_;
  const char* digits = at_;
  if (at_ < end_ && *at_ == '0') {
    ++at_;
  } else {
    while (at_ < end_ && isDigit(*at_)) ++at_;
  }
  const char* digitsEnd = at_;
  bool exact = true;  // no fraction and no exponent
  if (at_ < end_ && *at_ == '.') {
    exact = false;
    ++at_;
    while (at_ < end_ && isDigit(*at_)) ++at_;
  }
  if (at_ < end_ && (*at_ == 'e' || *at_ == 'E')) {
    exact = false;
    ++at_;
    if (at_ < end_ && (*at_ == '+' || *at_ == '-')) ++at_;
    while (at_ < end_ && isDigit(*at_)) ++at_;
  }
  if (at_ == end_) {
    fail(Error::terminationByNumber, at_);
    return;
  }
  if (exact && digitsEnd > digits) {
    // Whole numbers within 64 bits stay exact; larger ones are read as doubles below.
    std::uint64_t magnitude = 0;
    bool fits = true;
    for (const char* p = digits; p < digitsEnd && fits; ++p) {
      const unsigned d = unsigned(*p - '0');
      fits = magnitude <= (std::numeric_limits<std::uint64_t>::max() - d) / 10;
      magnitude = magnitude * 10 + d;
    }
    const std::uint64_t limit = std::uint64_t(std::numeric_limits<qint64>::max()) + negative;
    if (fits && magnitude <= limit) {
      v.kind = Kind::number;
      v.whole = true;
      v.integer = negative ? qint64(0 - magnitude) : qint64(magnitude);
      return;
    }
  }
  double d = 0;
  const auto [end, ec] = std::from_chars(start, at_, d);
  if (ec != std::errc() || end != at_) {
    fail(Error::illegalNumber, at_);
    return;
  }
  if (d == 0) d = 0;  // -0 reads as 0
  v.kind = Kind::number;
  v.fraction = d;
  constexpr double kTwo63 = 9223372036854775808.0;
  if (d >= -kTwo63 && d < kTwo63 && double(qint64(d)) == d) {
    v.whole = true;
    v.integer = qint64(d);
  }
}

// Goes on from `p`, the first byte of text `start` that is not plain ASCII.
JsonReader::RawText JsonReader::scanText(const char* start, const char* stop) {
  RawText t;
  const auto* p = reinterpret_cast<const unsigned char*>(stop);
  const auto* end = reinterpret_cast<const unsigned char*>(end_);
  for (;;) {
    p = reinterpret_cast<const unsigned char*>(plainRunEnd(reinterpret_cast<const char*>(p), end_));
    if (p == end) {
      // Cut short: reported one past the end, as ever.
      error_ = Error::unterminatedString;
      errorOffset_ = (end_ - begin_) + 1;
      at_ = end_;
      return {};
    }
    const unsigned char c = *p;
    if (c == '"') break;
    if (c == '\\') {
      // A backslash that ends the input is an open text while it is the text's first
      // escape, and a bad escape after one: the two reasons replies were always given.
      const bool first = t.form != TextForm::escaped;
      t.form = TextForm::escaped;
      if (++p == end) {
        fail(first ? Error::unterminatedString : Error::illegalEscapeSequence, end_);
        return {};
      }
      if (*p++ != 'u') continue;
      if (end - p < 4) {
        fail(Error::illegalEscapeSequence, reinterpret_cast<const char*>(p));
        return {};
      }
      for (int i = 0; i < 4; ++i, ++p) {
        if (hexValue(*p) < 0) {
          fail(Error::illegalEscapeSequence, reinterpret_cast<const char*>(p));
          return {};
        }
      }
      continue;
    }
    const int length = sequenceLength(p, end);
    if (length == 0) {
      fail(Error::illegalUtf8String, reinterpret_cast<const char*>(p));
      return {};
    }
    if (t.form == TextForm::ascii) t.form = TextForm::utf8;
    p += length;
  }
  const char* close = reinterpret_cast<const char*>(p);
  t.data = start;
  t.size = std::uint32_t(close - start);
  at_ = close + 1;
  return t;
}

JsonReader::RawText JsonReader::textSlow(const char* start, const char* stop) {
  if (broken()) return {};
  RawText t = scanText(start, stop);
  if (broken()) return {};
  // A text that ends the whole input leaves its container open.
  if (at_ == end_) {
    fail(Error::unterminatedString, at_);
    return {};
  }
  return t;
}

bool JsonReader::listFirst() {
  if (broken()) return false;
  skipSpace();
  if (at_ == end_) {
    fail(Error::unterminatedArray, at_);
    return false;
  }
  if (*at_ == ']') {
    ++at_;
    leave();
    return false;
  }
  return true;
}

bool JsonReader::listNextSlow() {
  if (broken()) return false;
  skipSpace();
  if (at_ == end_) {
    fail(Error::unterminatedArray, at_);
    return false;
  }
  const char c = *at_++;
  if (c == ',') return true;
  if (c == ']') {
    leave();
    return false;
  }
  // Anything else is a missing comma, unless only white space follows it.
  skipSpace();
  fail(at_ == end_ ? Error::unterminatedArray : Error::missingValueSeparator, at_);
  return false;
}

bool JsonReader::objectFirst() {
  if (broken()) return false;
  skipSpace();
  if (at_ == end_) {
    fail(Error::unterminatedObject, at_);
    return false;
  }
  const char c = *at_++;
  if (c == '"') return true;
  if (c == '}') {
    leave();
    return false;
  }
  fail(Error::unterminatedObject, at_);
  return false;
}

bool JsonReader::objectNextSlow() {
  if (broken()) return false;
  skipSpace();
  if (at_ == end_) {
    fail(Error::unterminatedObject, at_);
    return false;
  }
  const char c = *at_++;
  if (c == '}') {
    leave();
    return false;
  }
  if (c != ',') {
    fail(Error::unterminatedObject, at_);
    return false;
  }
  skipSpace();
  if (at_ == end_) {
    fail(Error::unterminatedObject, at_);
    return false;
  }
  const char next = *at_++;
  if (next == '"') return true;
  fail(next == '}' ? Error::missingObject : Error::unterminatedObject, at_);
  return false;
}

JsonReader::RawText JsonReader::key() {
  RawText k = text();
  if (broken()) return {};
  skipSpace();
  if (at_ == end_) {
    fail(Error::missingNameSeparator, at_);
    return {};
  }
  if (*at_++ != ':') {
    fail(Error::missingNameSeparator, at_);
    return {};
  }
  return k;
}

void JsonReader::skip(const Value& v) {
  switch (v.kind) {
    case Kind::text:
      text();
      return;
    case Kind::list:
      if (listFirst()) {
        do {
          skip(value());
        } while (listNext());
      }
      return;
    case Kind::object:
      if (objectFirst()) {
        do {
          key();
          skip(value());
        } while (objectNext());
      }
      return;
    default:
      return;
  }
}

QString JsonReader::toString(const RawText& raw) {
  const std::string_view b = raw.bytes();
  if (raw.form == TextForm::ascii) return QString::fromLatin1(b.data(), qsizetype(b.size()));
  if (raw.form == TextForm::utf8) return QString::fromUtf8(b.data(), qsizetype(b.size()));
  // Never longer than its bytes: every escape and sequence gives at most as many units.
  QString out(qsizetype(b.size()), Qt::Uninitialized);
  QChar* o = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(b.data());
  const auto* end = p + b.size();
  while (p < end) {
    const unsigned char c = *p++;
    if (c == '\\') {
      const unsigned char e = *p++;
      switch (e) {
        case 'b':
          *o++ = u'\b';
          break;
        case 'f':
          *o++ = u'\f';
          break;
        case 'n':
          *o++ = u'\n';
          break;
        case 'r':
          *o++ = u'\r';
          break;
        case 't':
          *o++ = u'\t';
          break;
        case 'u': {
          char16_t unit = 0;
          for (int i = 0; i < 4; ++i) unit = char16_t(unit * 16 + hexValue(*p++));
          *o++ = QChar(unit);
          break;
        }
        default:
          *o++ = QChar(char16_t(e));  // the character itself, as Latin-1
          break;
      }
      continue;
    }
    if (c < 0x80) {
      *o++ = QChar(char16_t(c));
      continue;
    }
    const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    char32_t code = c & (0x7F >> length);
    for (int i = 1; i < length; ++i) code = (code << 6) | (*p++ & 0x3F);
    if (code >= 0x10000) {
      *o++ = QChar(QChar::highSurrogate(code));
      *o++ = QChar(QChar::lowSurrogate(code));
    } else {
      *o++ = QChar(char16_t(code));
    }
  }
  out.truncate(o - out.constData());
  return out;
}

}  // namespace zx::decode
