// A pull reader over JSON text, the one JSON reader of the application.
//
// It never builds a tree: the decoders ask for one value after another and read it
// straight into their records, skipping what they do not name. Its grammar, and the
// reason and offset of each syntax error, are those replies have always been judged by
// (QJsonDocument's), so a refused reply reads exactly as before: a byte order mark may
// open the text, the top level is a list or an object, at most 1024 levels nest, an
// unknown escape stands for the character itself, "1." and ".5" are numbers, and a
// number beyond a double's range (or rounding to zero from non-zero digits) is refused.
//
// The common shapes (plain texts, whole numbers, separators without white space) are
// read inline here; everything else, errors included, in json_reader.cpp.
#pragma once

#include <QString>
#include <QtGlobal>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zx::decode {

class JsonReader {
 public:
  enum class Kind : unsigned char { none, null, boolean, number, text, list, object };

  // The start of one value. Texts, lists and objects are read on by the calls below;
  // literals and numbers are whole already. Small enough to travel in registers.
  struct Value {
    Kind kind = Kind::none;  // none: a syntax error ended the reading
    bool flag = false;
    bool whole = false;  // an exact 64-bit integer, in `integer`
    union {
      qint64 integer = 0;
      double fraction;  // when not whole; finite, never -0
    };
    double number() const { return whole ? double(integer) : fraction; }
  };

  // What a text held, so that plain ones need no decoding.
  enum class TextForm : unsigned char { ascii, utf8, escaped };
  struct RawText {
    const char* data = nullptr;  // between the quotes, escapes as written
    std::uint32_t size = 0;
    TextForm form = TextForm::ascii;
    std::string_view bytes() const { return {data, size}; }
  };

  static constexpr int kMaxDepth = 1024;

  explicit JsonReader(std::string_view json)
      : at_(json.data()), begin_(json.data()), end_(json.data() + json.size()) {}

  bool broken() const { return error_ != Error::none; }
  // "The data is not valid JSON: <reason> at offset <n>."
  QString syntaxError() const;

  // The top-level value, which must be a list or an object.
  Value beginDocument();
  // Anything after the top-level value but white space is an error.
  void endDocument();

  // The next value of the list or object being read.
  Value value() {
    if (at_ < end_) {
      const char c = *at_;
      if (c == '"') {
        ++at_;
        return textValue();
      }
      if ((c >= '0' && c <= '9') || c == '-') {
        Value v;
        if (wholeNumber(v)) return v;
      }
      if ((c == '{' || c == '[') && depth_ < kMaxDepth) {
        ++at_;
        enter(c == '[');
        Value v;
        v.kind = c == '[' ? Kind::list : Kind::object;
        return v;
      }
    }
    return valueSlow();
  }

  // A list begun by value(): whether an element follows (first, then after each one).
  bool listFirst();
  bool listNext() {
    if (at_ < end_ && *at_ == ',') {
      ++at_;
      return true;
    }
    return listNextSlow();
  }
  // An object begun by value(): whether a member follows; its key is read by key() or
  // keyIs().
  bool objectFirst();
  bool objectNext() {
    if (end_ - at_ > 1 && at_[0] == ',' && at_[1] == '"') {
      at_ += 2;
      return true;
    }
    return objectNextSlow();
  }
  RawText key();
  // Whether the member's key is exactly `key` (plain ASCII, no quote or backslash), written
  // with its colon right after it; if so the reader is past both. Records whose members
  // come in the order they name them read their keys this way, without a scan.
  bool keyIs(std::string_view key) {
    const auto n = qsizetype(key.size());
    if (end_ - at_ <= n + 1 || at_[n] != '"' || at_[n + 1] != ':') return false;
    // Keys are short: a plain loop beats a call.
    for (qsizetype i = 0; i < n; ++i) {
      if (at_[i] != key[size_t(i)]) return false;
    }
    at_ += n + 2;
    return true;
  }

  // A text begun by value(), as written; nothing once broken.
  RawText text() {
    const char* start = at_;
    const char* stop = plainRunEnd(at_, end_);
    // A plain text closed before the input's end: its container still has to close.
    if (stop + 1 < end_ && *stop == '"') {
      at_ = stop + 1;
      return {start, std::uint32_t(stop - start), TextForm::ascii};
    }
    return textSlow(start, stop);
  }
  // For decoders of one fixed layout, which try it first and go back to the general
  // reading where it does not hold. Nothing here fails the reading or opens a level.
  const char* position() const { return at_; }
  void rewind(const char* to) { at_ = to; }
  bool canNest() const { return depth_ < kMaxDepth; }
  // The exact bytes `expected`, read past when they come next.
  bool literalIs(std::string_view expected) {
    const auto n = qsizetype(expected.size());
    if (end_ - at_ < n) return false;
    for (qsizetype i = 0; i < n; ++i) {
      if (at_[i] != expected[size_t(i)]) return false;
    }
    at_ += n;
    return true;
  }
  // After an opening quote: a plain ASCII text that something follows.
  bool plainText(RawText& out) {
    const char* stop = plainRunEnd(at_, end_);
    if (stop + 1 >= end_ || *stop != '"') return false;
    out = {at_, std::uint32_t(stop - at_), TextForm::ascii};
    at_ = stop + 1;
    return true;
  }
  // A whole number of at most 18 digits that something other than a digit, a fraction
  // or an exponent follows.
  bool plainWhole(qint64& out) {
    Value v;
    if (at_ == end_ || !wholeNumber(v)) return false;
    out = v.integer;
    return true;
  }

  // The rest of any value begun by value(): its content is checked and passed over.
  void skip(const Value& v);

  // The characters of a text read by text() or key().
  static QString toString(const RawText& raw);

  // The first byte from `p` that is a quote, a backslash or not ASCII, eight at a time.
  static const char* plainRunEnd(const char* p, const char* end) {
    constexpr std::uint64_t kOnes = 0x0101010101010101;
    constexpr std::uint64_t kHigh = 0x8080808080808080;
    // The lowest flagged byte of each mask is exact, so the lowest of all is the first stop.
    const auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    static_assert(std::endian::native == std::endian::little);
    while (end - p >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      const std::uint64_t stops =
          zeroBytes(w ^ (kOnes * '"')) | zeroBytes(w ^ (kOnes * '\\')) | (w & kHigh);
      if (stops != 0) return p + std::countr_zero(stops) / 8;
      p += 8;
    }
    while (p < end && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) < 0x80) ++p;
    return p;
  }

 private:
  enum class Error : unsigned char {
    none,
    unterminatedObject,
    missingNameSeparator,
    unterminatedArray,
    missingValueSeparator,
    illegalValue,
    terminationByNumber,
    illegalNumber,
    illegalEscapeSequence,
    illegalUtf8String,
    unterminatedString,
    missingObject,
    deepNesting,
    garbageAtEnd,
  };

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }
  static bool allDigits(std::uint64_t w) {
    return ((w + 0x4646464646464646) | (w - 0x3030303030303030)) & 0x8080808080808080 ? false
                                                                                      : true;
  }
  // The value of eight ASCII digits, the first in the lowest byte.
  static std::uint32_t eightDigits(std::uint64_t w) {
    w -= 0x3030303030303030;
    w = w * 10 + (w >> 8);
    const std::uint64_t pairs = 0x000000FF000000FF;
    w = (((w & pairs) * (100 + (1000000ULL << 32))) +
         (((w >> 16) & pairs) * (1 + (10000ULL << 32)))) >>
        32;
    return std::uint32_t(w);
  }

  // A whole number of at most 18 digits that something other than a fraction, exponent
  // or digit follows; anything else is left to numberValue().
  bool wholeNumber(Value& v) {
    const char* p = at_;
    const bool negative = *p == '-';
    if (negative) ++p;
    const char* digits = p;
    qint64 magnitude = 0;
    if (p < end_ && *p == '0') {
      ++p;
    } else {
      // Eight digits at a time while they last (times are thirteen), then one by one.
      std::uint64_t eight;
      while (end_ - p >= 8 && p - digits <= 10 && (std::memcpy(&eight, p, 8), allDigits(eight))) {
        magnitude = magnitude * 100000000 + qint64(eightDigits(eight));
        p += 8;
      }
      while (p < end_ && isDigit(*p) && p - digits < 18) magnitude = magnitude * 10 + (*p++ - '0');
    }
    if (p == digits || p >= end_ || isDigit(*p) || *p == '.' || *p == 'e' || *p == 'E') {
      return false;
    }
    at_ = p;
    v.kind = Kind::number;
    v.whole = true;
    v.integer = negative ? -magnitude : magnitude;
    return true;
  }

  Value textValue() {
    Value v;
    v.kind = Kind::text;
    return v;
  }

  void fail(Error e, const char* at);
  void skipSpace() {
    while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r')) ++at_;
  }
  // Opens one more level; false (and broken) past the deepest.
  bool enter(bool list) {
    if (depth_ >= kMaxDepth) return deepNesting();
    const std::uint64_t bit = std::uint64_t(1) << (depth_ % 64);
    if (list) {
      lists_[depth_ / 64] |= bit;
    } else {
      lists_[depth_ / 64] &= ~bit;
    }
    ++depth_;
    return true;
  }
  bool deepNesting();
  void leave() { --depth_; }
  Error unterminated() const;
  Value valueSlow();
  bool listNextSlow();
  bool objectNextSlow();
  RawText textSlow(const char* start, const char* stop);
  RawText scanText(const char* start, const char* stop);
  void literal(Value& v);
  void numberValue(Value& v);

  const char* at_;
  const char* begin_;
  const char* end_;
  Error error_ = Error::none;
  qsizetype errorOffset_ = 0;
  int depth_ = 0;
  // Whether each open level is a list; the kind decides the error of a value cut short.
  std::uint64_t lists_[kMaxDepth / 64 + 1] = {};
};

}  // namespace zx::decode
