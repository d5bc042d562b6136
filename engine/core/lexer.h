// Turns one Kelo source file into tokens. Newlines are significant: the lexer emits a
// Newline token only where a statement may end, never inside ( ) or [ ] and never
// after an operator, so the parser sees no other line breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/diag.h"
#include "core/token.h"
#include "core/utf8.h"

namespace kelo_core::lexer {

// Lexes UTF-8 source (invalid sequences read as U+FFFD). Reports KELO1001-1005 into
// `diagnostics` (appended, never cleared) and always returns a list that ends with an
// Eof token. Never fails.
std::vector<token::Token> lex(std::string_view source, diag::Diagnostics& diagnostics);

class Lexer {
 public:
  // `source` must outlive the lexer.
  explicit Lexer(std::string_view source);

  // Runs the main loop once over the whole text and hands over the tokens.
  std::vector<token::Token> run(diag::Diagnostics& diagnostics);

  // Appends the next tokens to `out` until it holds `limit` of them (at least one step
  // of the main loop more) or the Eof token is in; false once the Eof token is out. A
  // caller lexing a chunk at a time sees the same tokens and findings, in the same order,
  // as run() gives.
  bool fill(std::vector<token::Token>& out, std::size_t limit, diag::Diagnostics& diagnostics);

  // Whether the last token may end a statement; false for an empty list.
  static bool can_terminate(const std::vector<token::Token>& tokens);

  // Reads a number or a duration (with its suffix) starting at pos.
  void number(diag::Position start, diag::Diagnostics& diagnostics);

 private:
  // Lexing reads the UTF-8 bytes in place. `i_` is the byte index of the next character
  // and `offset_` its index among characters, which positions count; the two move
  // together over ASCII, the bulk of any source.
  bool at_end() const { return i_ >= src_.size(); }
  // The next character, decoded; NUL at the end, which starts and continues nothing.
  char32_t peek() const {
    if (i_ >= src_.size()) return U'\0';
    const auto b = static_cast<unsigned char>(src_[i_]);
    if (b < 0x80) return b;
    std::size_t at = i_;
    return utf8::next(src_, at);
  }
  // The character `ahead` places on, when every character before it is ASCII; any
  // other byte reads as U+FFFD, which matches none of the ASCII characters that
  // lookahead compares against. NUL past the end.
  char32_t peek_ascii(std::size_t ahead) const {
    if (ahead >= src_.size() - i_) return U'\0';
    const auto b = static_cast<unsigned char>(src_[i_ + ahead]);
    return b < 0x80 ? b : utf8::kReplacement;
  }
  diag::Position here() const {
    constexpr std::size_t kMax = UINT32_MAX;
    return diag::Position{static_cast<std::uint32_t>(offset_ < kMax ? offset_ : kMax), line_,
                          column_};
  }
  void advance() {
    if (i_ >= src_.size()) return;
    const auto b = static_cast<unsigned char>(src_[i_]);
    if (b == '\n') {
      if (line_ != UINT32_MAX) ++line_;
      column_ = 1;
      ++i_;
    } else {
      if (column_ != UINT32_MAX) ++column_;
      if (b < 0x80) {
        ++i_;
      } else {
        utf8::next(src_, i_);
      }
    }
    ++offset_;
  }
  // Moves over `count` ASCII characters on one line, known to be there.
  void advance_ascii(std::size_t count) {
    i_ += count;
    offset_ += count;
    const std::size_t column = column_ + count;
    column_ = static_cast<std::uint32_t>(column < UINT32_MAX ? column : UINT32_MAX);
  }
  void advance_by(std::size_t count);
  void scan(diag::Diagnostics& diagnostics);
  // One of the closing tokens at the end of the text: a Newline, then the Eof.
  void finish();
  // can_terminate() of every token emitted so far, also those already handed out.
  bool may_end_statement() const;
  void push(token::TokenKind kind, std::string&& text, diag::Position start, double value = 0);
  // Appends a token spanning start..here() and returns it for its text to be filled in.
  token::Token& emit(token::TokenKind kind, diag::Position start, std::uint8_t code = 0);

  void block_comment(diag::Position start, diag::Diagnostics& diagnostics);
  void line_comment();
  void text_literal(diag::Position start, diag::Diagnostics& diagnostics);
  void colour_literal(diag::Position start, diag::Diagnostics& diagnostics);
  bool at_time_literal() const;
  void time_literal(diag::Position start);
  void identifier(diag::Position start);
  void operator_or_unexpected(diag::Position start, diag::Diagnostics& diagnostics);

  std::string_view src_;
  std::vector<token::Token> tokens_;
  std::size_t i_ = 0;
  std::size_t offset_ = 0;
  std::uint32_t line_ = 1;
  std::uint32_t column_ = 1;
  std::uint32_t depth_ = 0;
  bool last_terminates_ = false;  // of the tokens handed out by fill()
  bool ended_ = false;            // the end of the text was reached
  bool done_ = false;             // the Eof token is out
};

}  // namespace kelo_core::lexer
