// Tokens as the editor takes them: the engine's token reply read token by token into a
// sink, with each highlight kind known by its place in one list instead of by its text,
// so that a long file's tokens never exist as a list of records.
#pragma once

#include <QStringView>
#include <QtGlobal>
#include <string_view>

#include "decode/strict_json.h"

namespace zx::bridge {

// The highlight kinds the engine writes, with their texts in the reply.
#define ZX_HIGHLIGHT_KINDS(X) \
  X(keyword, "keyword")       \
  X(builtin, "builtin")       \
  X(identifier, "identifier") \
  X(number, "number")         \
  X(text, "text")             \
  X(colour, "color")          \
  X(punctuation, "punctuation")

enum class HighlightKind : unsigned char {
#define ZX_KIND(name, wire) name,
  ZX_HIGHLIGHT_KINDS(ZX_KIND)
#undef ZX_KIND
      other,  // any text the list does not hold
};

HighlightKind highlightKind(QStringView wire);

// One token of the reply; offsets count characters (Unicode scalars) from 0.
struct TokenMark {
  HighlightKind kind = HighlightKind::other;
  qint64 start = 0;
  qint64 end = 0;  // exclusive
  qint64 line = 0;
  friend bool operator==(const TokenMark&, const TokenMark&) = default;
};

// Takes the tokens of one reply, in order. A reply that fails part-way is cleared, as is
// a repeated token list before its tokens come again.
class TokenSink {
 public:
  virtual ~TokenSink() = default;
  virtual void clear() = 0;
  virtual void add(const TokenMark& mark) = 0;
};

// Reads a tokens reply ({"tokens":[...]}) into `sink` under the rules of TokenList;
// false, with the sink cleared and the reason in the decoder, when it does not decode.
bool decodeTokenMarks(decode::Decoder& d, QByteArrayView reply, TokenSink& sink);

}  // namespace zx::bridge
