#include "core/token.h"

namespace kelo_core::token {

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

bool is_keyword(std::string_view text) {
  // Every keyword starts with a lower-case letter and has 2 to 11 characters.
  if (text.size() < 2 || text.size() > 11 || text[0] < 'a' || text[0] > 'z') return false;
  for (std::string_view keyword : kKeywords) {
    if (keyword == text) return true;
  }
  return false;
}

}  // namespace kelo_core::token
