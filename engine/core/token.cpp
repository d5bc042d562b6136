#include "core/token.h"

namespace kelo_core::token {
namespace {

// Keywords bucketed by first letter and length; each bucket lists up to three codes.
constexpr std::size_t kMaxKeywordSize = 11;
constexpr std::size_t kBucketSlots = 3;
using KeywordBuckets =
    std::array<std::array<std::uint8_t, kBucketSlots>, 26 * (kMaxKeywordSize + 1)>;

constexpr std::size_t bucket_of(char first, std::size_t size) {
  return static_cast<std::size_t>(first - 'a') * (kMaxKeywordSize + 1) + size;
}

constexpr KeywordBuckets make_keyword_buckets() {
  KeywordBuckets buckets{};
  for (std::size_t i = 0; i < kKeywords.size(); ++i) {
    const std::string_view k = kKeywords[i];
    if (k.size() < 2 || k.size() > kMaxKeywordSize || k[0] < 'a' || k[0] > 'z')
      throw "keyword out of range";
    auto& slots = buckets[bucket_of(k[0], k.size())];
    std::size_t j = 0;
    while (j < kBucketSlots && slots[j] != 0) ++j;
    if (j == kBucketSlots) throw "keyword bucket overflow";
    slots[j] = static_cast<std::uint8_t>(i + 1);
  }
  return buckets;
}

constexpr KeywordBuckets kKeywordBuckets = make_keyword_buckets();

}  // namespace

std::string_view kind_name(TokenKind kind) {
  switch (kind) {
#define KELO_TOKEN_KIND_NAME(name) \
  case TokenKind::name:            \
    return #name;
    KELO_TOKEN_KINDS(KELO_TOKEN_KIND_NAME)
#undef KELO_TOKEN_KIND_NAME
  }
  return "?";
}

std::string Token::label() const {
  switch (kind) {
    case TokenKind::Newline:
      return "end of line";
    case TokenKind::Eof:
      return "end of file";
    default:
      return "'" + text + "'";
  }
}

std::uint8_t keyword_code(std::string_view text) {
  // Every keyword starts with a lower-case letter and has 2 to 11 characters.
  if (text.size() < 2 || text.size() > kMaxKeywordSize || text[0] < 'a' || text[0] > 'z') return 0;
  for (std::uint8_t code : kKeywordBuckets[bucket_of(text[0], text.size())]) {
    if (code == 0) return 0;
    const std::string_view keyword = kKeywords[code - 1];
    std::size_t i = 1;
    while (i < text.size() && keyword[i] == text[i]) ++i;
    if (i == text.size()) return code;
  }
  return 0;
}

bool is_keyword(std::string_view text) {
  return keyword_code(text) != 0;
}

std::uint8_t table_code(TokenKind kind, std::string_view text) {
  switch (kind) {
    case TokenKind::Keyword:
      return keyword_code(text);
    case TokenKind::Operator:
      for (std::size_t i = 0; i < kOperators.size(); ++i) {
        if (kOperators[i] == text) return static_cast<std::uint8_t>(i + 1);
      }
      return 0;
    case TokenKind::Punct:
      if (text.size() != 1) return 0;
      if (const std::size_t at = kPunctuation.find(text[0]); at != std::string_view::npos) {
        return static_cast<std::uint8_t>(at + 1);
      }
      return 0;
    default:
      return 0;
  }
}

}  // namespace kelo_core::token
