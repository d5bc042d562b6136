// A pull reader over JSON text, the one JSON reader of the application.
//
// It never builds a tree: the decoders ask for one value after another and read it
// straight into their records, skipping what they do not name. Its grammar, and the
// reason and offset of each syntax error, are those replies have always been judged by
// (QJsonDocument's), so a refused reply reads exactly as before: a byte order mark may
// open the text, the top level is a list or an object, at most 1024 levels nest, an
// unknown escape stands for the character itself, "1." and ".5" are numbers, and a
// number beyond a double's range (or rounding to zero from non-zero digits) is refused.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <string_view>

namespace zx::decode {

class JsonReader {
 public:
  enum class Kind : unsigned char { none, null, boolean, number, text, list, object };

  // The start of one value. Texts, lists and objects are read on by the calls below;
  // literals and numbers are whole already.
  struct Value {
    Kind kind = Kind::none;  // none: a syntax error ended the reading
    bool flag = false;
    bool whole = false;  // `integer` holds the number exactly
    qint64 integer = 0;
    double number = 0;  // finite, never -0
  };

  // What a text held, so that plain ones need no decoding.
  enum class TextForm : unsigned char { ascii, utf8, escaped };
  struct RawText {
    std::string_view bytes;  // between the quotes, escapes as written
    TextForm form = TextForm::ascii;
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
  Value value();

  // A list begun by value(): whether an element follows (first, then after each one).
  bool listFirst();
  bool listNext();
  // An object begun by value(): whether a member follows; its key is read by key().
  bool objectFirst();
  bool objectNext();
  RawText key();

  // A text begun by value(), as written; nothing once broken.
  RawText text();
  // The rest of any value begun by value(): its content is checked and passed over.
  void skip(const Value& v);

  // The characters of a text read by text() or key().
  static QString toString(const RawText& raw);

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

  void fail(Error e, const char* at);
  void skipSpace() {
    while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r')) ++at_;
  }
  bool enter(bool list);
  void leave() { --depth_; }
  Error unterminated() const;
  RawText scanText();
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
