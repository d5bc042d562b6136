// Number, duration, text, colour and date/time literals.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "core/lexer.h"
#include "core/lexer_chars.h"
#include "core/lexer_codes.h"
#include "core/numeric.h"
#include "core/utf8.h"

namespace kelo_core::lexer {

using diag::Position;
using token::TokenKind;

namespace {

// Milliseconds per unit, or 0 for a suffix that is no duration unit.
double duration_unit(std::string_view suffix) {
  if (suffix == "ms") return 1;
  if (suffix == "s") return 1000;
  if (suffix == "m") return 60000;
  if (suffix == "h") return 3600000;
  if (suffix == "d") return 86400000;
  if (suffix == "w") return 604800000;
  return 0;
}

// Days since 1970-01-01 of a proleptic Gregorian date. Floor division keeps years
// before 0001 right (y is -1 for January of year 0).
std::int64_t days_from_civil(std::int64_t year, std::int64_t month, std::int64_t day) {
  const std::int64_t y = month < 3 ? year - 1 : year;
  const std::int64_t era = numeric::floor_div(y, 400);
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = numeric::floor_mod(month + 9, 12);
  const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// A run of one or two ASCII digits and nothing else, else nothing.
std::optional<std::int64_t> read_small_number(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Zero-padded to `width` characters, a minus sign counting toward the width.
void append_padded(std::string& out, std::int64_t value, std::size_t width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  const std::size_t used = digits.size() + (value < 0 ? 1 : 0);
  if (value < 0) out += '-';
  if (used < width) out.append(width - used, '0');
  out += digits;
}

}  // namespace

void Lexer::number(Position start, diag::Diagnostics& diagnostics) {
  std::string text;
  // Digits and underscores, all ASCII on one line; the digits are kept.
  auto read_digits = [&] {
    std::size_t j = i_;
    for (; j < src_.size(); ++j) {
      const char c = src_[j];
      if (c >= '0' && c <= '9') {
        text.push_back(c);
      } else if (c != '_') {
        break;
      }
    }
    advance_ascii(j - i_);
  };
  read_digits();
  bool fractional = false;
  // A "." without a digit after it is left alone, so 1..5 is a range.
  if (peek_ascii(0) == U'.' && chars::is_digit(peek_ascii(1))) {
    text.push_back('.');
    advance_ascii(1);
    read_digits();
    fractional = true;
  }
  const char32_t e = peek_ascii(0);
  const char32_t after = peek_ascii(1);
  if ((e == U'e' || e == U'E') && (chars::is_digit(after) || ((after == U'+' || after == U'-') &&
                                                              chars::is_digit(peek_ascii(2))))) {
    text.push_back('e');
    advance_ascii(1);
    if (peek_ascii(0) == U'+' || peek_ascii(0) == U'-') {
      text.push_back(static_cast<char>(peek_ascii(0)));
      advance_ascii(1);
    }
    while (chars::is_digit(peek_ascii(0))) {
      text.push_back(static_cast<char>(peek_ascii(0)));
      advance_ascii(1);
    }
    fractional = true;
  }
  // A whole number of up to 15 digits is exact as a double, so it needs no parser.
  double value = 0;
  if (!fractional && text.size() <= 15) {
    std::uint64_t whole = 0;
    for (char c : text) whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
    value = static_cast<double>(whole);
  } else {
    value = numeric::parse_double(text).value_or(0.0);
  }

  std::string suffix;
  while (chars::is_identifier_continue(peek())) {
    utf8::append(suffix, peek());
    advance();
  }
  if (suffix.empty()) {
    push(fractional ? TokenKind::Num : TokenKind::Int, std::move(text), start, value);
    return;
  }
  if (const double unit = duration_unit(suffix); unit != 0) {
    push(TokenKind::Duration, text + suffix, start, value * unit);
    return;
  }
  diagnostics.error(codes::kUnknownSuffix, diag::Span{start, here()}, suffix);
  push(TokenKind::Num, std::move(text), start, value);
}

void Lexer::text_literal(Position start, diag::Diagnostics& diagnostics) {
  const char32_t quote = peek();
  advance();
  std::string content;
  auto unterminated = [&] {
    diagnostics.error(codes::kUnterminatedText, diag::Span{start, here()});
  };
  while (true) {
    // Plain ASCII up to the quote, a backslash or a line feed is copied as a run.
    std::size_t j = i_;
    while (j < src_.size()) {
      const auto b = static_cast<unsigned char>(src_[j]);
      if (b >= 0x80 || b == quote || b == '\\' || b == '\n') break;
      ++j;
    }
    if (j > i_) {
      content.append(src_.data() + i_, j - i_);
      advance_ascii(j - i_);
    }
    // The line feed is left in place so that it can still end the statement.
    if (at_end() || peek_ascii(0) == U'\n') {
      unterminated();
      break;
    }
    const char32_t c = peek();
    advance();
    if (c == quote) break;
    if (c != U'\\') {
      utf8::append(content, c);
      continue;
    }
    // A backslash as the last character escapes nothing; never read past the end.
    if (at_end()) {
      unterminated();
      break;
    }
    const char32_t escaped = peek();
    advance();
    switch (escaped) {
      case U'0':
        content.push_back('\0');
        break;
      case U'n':
        content.push_back('\n');
        break;
      case U'r':
        content.push_back('\r');
        break;
      case U't':
        content.push_back('\t');
        break;
      case U'u': {
        char32_t code = 0;
        int digits = 0;
        while (digits < 4 && chars::is_hex_digit(peek_ascii(0))) {
          code = code * 16 + static_cast<char32_t>(chars::hex_value(peek_ascii(0)));
          advance_ascii(1);
          ++digits;
        }
        const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        if (digits > 0 && !surrogate) utf8::append(content, code);
        break;
      }
      default:
        utf8::append(content, escaped);
        break;
    }
  }
  push(TokenKind::Text, std::move(content), start);
}

void Lexer::colour_literal(Position start, diag::Diagnostics& diagnostics) {
  advance_ascii(1);  // "#"
  std::string digits;
  while (chars::is_hex_digit(peek_ascii(0))) {
    digits.push_back(static_cast<char>(peek_ascii(0)));
    advance_ascii(1);
  }
  const std::size_t n = digits.size();
  if (n != 3 && n != 4 && n != 6 && n != 8) {
    diagnostics.error(codes::kBadColour, diag::Span{start, here()}, std::to_string(n));
  }
  std::string expanded;
  if (n == 3 || n == 4) {
    for (char d : digits) expanded.append(2, d);
  } else {
    expanded = digits;
  }
  if (expanded.size() == 6) expanded += "ff";
  double value = 0;
  if (expanded.size() == 8) {
    std::uint32_t word = 0;
    for (char d : expanded) word = word * 16 + static_cast<std::uint32_t>(chars::hex_value(static_cast<char32_t>(d)));
    value = word;
  }
  push(TokenKind::Color, "#" + digits, start, value);
}

bool Lexer::at_time_literal() const {
  // DDDD.DD.DD
  for (std::size_t i = 0; i < 10; ++i) {
    const char32_t c = peek_ascii(i);
    const bool ok = (i == 4 || i == 7) ? c == U'.' : chars::is_digit(c);
    if (!ok) return false;
  }
  return true;
}

void Lexer::time_literal(Position start) {
  auto two_digits = [&](std::size_t at) {
    return static_cast<std::int64_t>((peek_ascii(at) - U'0') * 10 + (peek_ascii(at + 1) - U'0'));
  };
  const std::int64_t year = two_digits(0) * 100 + two_digits(2);
  const std::int64_t month = two_digits(5);
  const std::int64_t day = two_digits(8);
  advance_ascii(10);

  std::int64_t hour = 0, minute = 0, second = 0;
  if (peek_ascii(0) == U' ') {
    std::size_t k = 0;
    while (peek_ascii(k) == U' ') ++k;
    if (chars::is_digit(peek_ascii(k)) && chars::is_digit(peek_ascii(k + 1)) &&
        peek_ascii(k + 2) == U':') {
      hour = two_digits(k);
      // Two characters, or what is left: a non-ASCII one is no digit, in bytes as in
      // characters.
      const std::size_t at = i_ + k + 3;
      minute = read_small_number(at <= src_.size() ? src_.substr(at, 2) : std::string_view())
                   .value_or(0);
      // Near the end of the text this stops at the end rather than past it.
      advance_by(k + 5);
      if (peek_ascii(0) == U':' && chars::is_digit(peek_ascii(1)) &&
          chars::is_digit(peek_ascii(2))) {
        second = two_digits(1);
        advance_ascii(3);
      }
    }
  }

  const std::int64_t days = days_from_civil(year, month, day);
  const double value = static_cast<double>(days * 86400000 + hour * 3600000 + minute * 60000 + second * 1000);
  std::string text;
  text.reserve(19);
  append_padded(text, year, 4);
  text += '.';
  append_padded(text, month, 2);
  text += '.';
  append_padded(text, day, 2);
  text += ' ';
  append_padded(text, hour, 2);
  text += ':';
  append_padded(text, minute, 2);
  text += ':';
  append_padded(text, second, 2);
  push(TokenKind::Time, std::move(text), start, value);
}

}  // namespace kelo_core::lexer
