#include "core/lexer.h"

namespace kelo_core::lexer {

std::vector<token::Token> lex(std::string_view source, diag::Diagnostics& diagnostics) {
  return Lexer(source).run(diagnostics);
}

Lexer::Lexer(std::string_view) {}

std::vector<token::Token> Lexer::run(diag::Diagnostics&) {
  tokens_.push_back(token::Token{"", {}, 0, token::TokenKind::Eof});
  return std::move(tokens_);
}

bool Lexer::can_terminate(const std::vector<token::Token>&) { return false; }

std::string Lexer::slice(const std::u32string&, std::size_t, std::size_t) { return {}; }

void Lexer::number(diag::Position, diag::Diagnostics&) {}

}  // namespace kelo_core::lexer
