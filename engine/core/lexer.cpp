#include "core/lexer.h"

#include <array>
#include <limits>
#include <utility>

#include "core/lexer_chars.h"
#include "core/lexer_codes.h"
#include "core/unicode_class.h"

namespace kelo_core::lexer {

using diag::Position;
using token::Token;
using token::TokenKind;

namespace {

// What an ASCII character can start; the main loop dispatches on it.
enum class Start : std::uint8_t {
  Other,
  Blank,
  LineFeed,
  Slash,
  Quote,
  Hash,
  Digit,
  Dot,
  Letter,
  Punct
};

constexpr std::array<Start, 128> make_starts() {
  std::array<Start, 128> starts{};
  for (char c : std::string_view(" \t\r")) starts[static_cast<unsigned char>(c)] = Start::Blank;
  starts['\n'] = Start::LineFeed;
  starts['/'] = Start::Slash;
  starts['\''] = Start::Quote;
  starts['"'] = Start::Quote;
  starts['#'] = Start::Hash;
  starts['.'] = Start::Dot;
  for (char c = '0'; c <= '9'; ++c) starts[static_cast<unsigned char>(c)] = Start::Digit;
  for (char c = 'a'; c <= 'z'; ++c) starts[static_cast<unsigned char>(c)] = Start::Letter;
  for (char c = 'A'; c <= 'Z'; ++c) starts[static_cast<unsigned char>(c)] = Start::Letter;
  starts['_'] = Start::Letter;
  for (char c : token::kPunctuation) starts[static_cast<unsigned char>(c)] = Start::Punct;
  return starts;
}

constexpr std::array<Start, 128> kStarts = make_starts();

// For each ASCII character, the codes of the operators starting with it in table
// order, so trying them in turn keeps "longest first" as the table defines it.
constexpr std::size_t kOperatorSlots = 4;
using OperatorStarts = std::array<std::array<std::uint8_t, kOperatorSlots>, 128>;

constexpr OperatorStarts make_operator_starts() {
  OperatorStarts starts{};
  for (std::size_t i = 0; i < token::kOperators.size(); ++i) {
    auto& slots = starts[static_cast<unsigned char>(token::kOperators[i][0])];
    std::size_t j = 0;
    while (j < kOperatorSlots && slots[j] != 0) ++j;
    if (j == kOperatorSlots) throw "too many operators share a first character";
    slots[j] = static_cast<std::uint8_t>(i + 1);
  }
  return starts;
}

constexpr OperatorStarts kOperatorStarts = make_operator_starts();

bool is_ascii_identifier_continue(unsigned char c) {
  return c < 0x80 && (kStarts[c] == Start::Letter || kStarts[c] == Start::Digit);
}

void increment(std::uint32_t& counter) {
  if (counter != std::numeric_limits<std::uint32_t>::max()) ++counter;
}

}  // namespace

std::vector<Token> lex(std::string_view source, diag::Diagnostics& diagnostics) {
  return Lexer(source).run(diagnostics);
}

Lexer::Lexer(std::string_view source) : src_(source) {}

void Lexer::advance_by(std::size_t count) {
  for (std::size_t i = 0; i < count && i_ < src_.size(); ++i) advance();
}

void Lexer::push(TokenKind kind, std::string&& text, Position start, double value) {
  Token& t = emit(kind, start);
  t.text = std::move(text);
  t.value = value;
}

Token& Lexer::emit(TokenKind kind, Position start, std::uint8_t code) {
  // Built in place: moving a finished token would copy its short text twice. The fields
  // are stored one by one; a span built aside and copied whole reads back its own
  // narrower stores, which stalls on every token.
  Token& t = tokens_.emplace_back();
  t.span.start = start;
  t.span.end = here();
  t.kind = kind;
  t.code = code;
  return t;
}

bool Lexer::may_end_statement() const {
  return tokens_.empty() ? last_terminates_ : can_terminate(tokens_);
}

// One pass of the main loop; the text must not be at its end.
[[gnu::always_inline]] inline void Lexer::scan(diag::Diagnostics& diagnostics) {
  const auto byte = static_cast<unsigned char>(src_[i_]);
  const Start kind = byte < 0x80 ? kStarts[byte] : Start::Other;
  if (kind == Start::Blank) {
    // A run of blanks (indentation, mostly) at once, without a position for each.
    std::size_t end = i_ + 1;
    while (end < src_.size() && static_cast<unsigned char>(src_[end]) < 0x80 &&
           kStarts[static_cast<unsigned char>(src_[end])] == Start::Blank) {
      ++end;
    }
    advance_ascii(end - i_);
    return;
  }
  const Position start = here();
  switch (kind) {
    case Start::Blank:
      break;
    case Start::LineFeed:
      advance();
      if (depth_ == 0 && may_end_statement()) {
        emit(TokenKind::Newline, start).text.push_back('\n');
      }
      break;
    case Start::Slash:
      if (peek_ascii(1) == U'*') {
        block_comment(start, diagnostics);
      } else if (peek_ascii(1) == U'/') {
        line_comment();
      } else {
        operator_or_unexpected(start, diagnostics);
      }
      break;
    case Start::Quote:
      text_literal(start, diagnostics);
      break;
    case Start::Hash:
      colour_literal(start, diagnostics);
      break;
    case Start::Digit:
      if (at_time_literal()) {
        time_literal(start);
      } else {
        number(start, diagnostics);
      }
      break;
    case Start::Dot:
      if (chars::is_digit(peek_ascii(1))) {
        number(start, diagnostics);
      } else {
        operator_or_unexpected(start, diagnostics);
      }
      break;
    case Start::Letter:
      identifier(start);
      break;
    case Start::Punct: {
      if (byte == '(' || byte == '[') increment(depth_);
      if ((byte == ')' || byte == ']') && depth_ > 0) --depth_;
      advance_ascii(1);
      const auto code =
          static_cast<std::uint8_t>(token::kPunctuation.find(static_cast<char>(byte)) + 1);
      emit(TokenKind::Punct, start, code).text.push_back(static_cast<char>(byte));
      break;
    }
    case Start::Other:
      if (chars::is_identifier_start(peek())) {
        identifier(start);
      } else {
        operator_or_unexpected(start, diagnostics);
      }
      break;
  }
}

void Lexer::finish() {
  // The end: a Newline where a statement may end, then always an Eof.
  const Position end = here();
  if (!ended_) {
    ended_ = true;
    if (may_end_statement()) {
      emit(TokenKind::Newline, end).text.push_back('\n');
      return;
    }
  }
  if (!done_) {
    done_ = true;
    emit(TokenKind::Eof, end);
  }
}

std::vector<Token> Lexer::run(diag::Diagnostics& diagnostics) {
  // Real sources hold well under one token per two characters; reserving that much
  // avoids regrowing, and pages never touched cost nothing.
  tokens_.reserve(src_.size() / 2 + 2);
  while (i_ < src_.size()) scan(diagnostics);
  while (!done_) finish();
  return std::move(tokens_);
}

bool Lexer::fill(std::vector<Token>& out, std::size_t limit, diag::Diagnostics& diagnostics) {
  tokens_.swap(out);
  while (tokens_.size() < limit && !done_) {
    if (i_ < src_.size()) {
      scan(diagnostics);
    } else {
      finish();
    }
  }
  if (!tokens_.empty()) last_terminates_ = can_terminate(tokens_);
  tokens_.swap(out);
  return !done_;
}

bool Lexer::can_terminate(const std::vector<Token>& tokens) {
  if (tokens.empty()) return false;
  const Token& last = tokens.back();
  switch (last.kind) {
    case TokenKind::Identifier:
    case TokenKind::Int:
    case TokenKind::Num:
    case TokenKind::Text:
    case TokenKind::Duration:
    case TokenKind::Time:
    case TokenKind::Color:
      return true;
    case TokenKind::Keyword: {
      using token::fixed_code;
      const std::uint8_t code = token::code_of(last);
      return code == fixed_code(TokenKind::Keyword, "now") ||
             code == fixed_code(TokenKind::Keyword, "true") ||
             code == fixed_code(TokenKind::Keyword, "none") ||
             code == fixed_code(TokenKind::Keyword, "false") ||
             code == fixed_code(TokenKind::Keyword, "break") ||
             code == fixed_code(TokenKind::Keyword, "return") ||
             code == fixed_code(TokenKind::Keyword, "continue");
    }
    case TokenKind::Punct: {
      using token::fixed_code;
      const std::uint8_t code = token::code_of(last);
      return code == fixed_code(TokenKind::Punct, ")") ||
             code == fixed_code(TokenKind::Punct, "]") || code == fixed_code(TokenKind::Punct, "}");
    }
    default:
      return false;
  }
}

void Lexer::block_comment(Position start, diag::Diagnostics& diagnostics) {
  advance_ascii(2);
  std::size_t nesting = 1;
  while (i_ < src_.size()) {
    const char c = src_[i_];
    if (c == '/' && peek_ascii(1) == U'*') {
      ++nesting;
      advance_ascii(2);
    } else if (c == '*' && peek_ascii(1) == U'/') {
      advance_ascii(2);
      if (--nesting == 0) return;
    } else {
      advance();
    }
  }
  diagnostics.error(codes::kUnterminatedComment, diag::Span{start, here()});
}

void Lexer::line_comment() {
  // Up to the line feed, which stays for the main loop; the column still counts the
  // characters passed, for a comment that ends the text.
  const std::size_t feed = src_.find('\n', i_);
  const std::size_t stop = feed == std::string_view::npos ? src_.size() : feed;
  advance_ascii(utf8::ascii_end(src_.substr(0, stop), i_) - i_);
  while (i_ < stop) advance();
}

void Lexer::identifier(Position start) {
  // The text is written into the token in place; its span is set once it is read.
  Token& t = emit(TokenKind::Identifier, start);
  std::string& text = t.text;
  std::size_t end = i_;
  while (end < src_.size() && is_ascii_identifier_continue(static_cast<unsigned char>(src_[end]))) {
    ++end;
  }
  if (end > i_ && (end == src_.size() || static_cast<unsigned char>(src_[end]) < 0x80)) {
    // All ASCII on one line: copy the run at once and move the column by its length.
    const std::size_t count = end - i_;
    text.assign(src_.data() + i_, count);
    advance_ascii(count);
  } else {
    while (chars::is_identifier_continue(peek())) {
      utf8::append(text, peek());
      advance();
    }
  }
  t.span.end = here();
  t.code = token::keyword_code(text);
  if (t.code != 0) t.kind = TokenKind::Keyword;
}

void Lexer::operator_or_unexpected(Position start, diag::Diagnostics& diagnostics) {
  const char32_t first = peek();
  if (first < 0x80) {
    for (std::uint8_t code : kOperatorStarts[first]) {
      if (code == 0) break;
      const std::string_view op = token::kOperators[code - 1];
      std::size_t i = 1;
      while (i < op.size() && peek_ascii(i) == static_cast<char32_t>(op[i])) ++i;
      if (i == op.size()) {
        advance_ascii(op.size());
        emit(TokenKind::Operator, start, code).text.assign(op.data(), op.size());
        return;
      }
    }
  }
  std::string character;
  utf8::append(character, peek());
  advance();
  diagnostics.error(codes::kUnexpectedCharacter, diag::Span{start, here()}, character);
}

}  // namespace kelo_core::lexer
