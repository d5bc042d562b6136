#include "interface/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/utf8.h"

namespace kelo {

namespace {

constexpr char kHex[] = "0123456789abcdef";

bool is_ascii(unsigned char c) { return c < 0x80; }

// Index of the next ASCII byte from `i` on (or the end). An invalid subpart never
// spans an ASCII byte, so repairing each non-ASCII run alone matches repairing the
// whole text.
std::size_t end_of_run(std::string_view bytes, std::size_t i) {
  while (i < bytes.size() && !is_ascii(static_cast<unsigned char>(bytes[i]))) ++i;
  return i;
}

}  // namespace

void append_lenient_utf8(std::string& out, std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t ascii_end = i;
    while (ascii_end < bytes.size() && is_ascii(static_cast<unsigned char>(bytes[ascii_end])))
      ++ascii_end;
    out.append(bytes.data() + i, ascii_end - i);
    if (ascii_end == bytes.size()) break;
    const std::size_t run_end = end_of_run(bytes, ascii_end);
    const std::string_view run = bytes.substr(ascii_end, run_end - ascii_end);
    for (char32_t cp : kelo_core::utf8::decode(run)) kelo_core::utf8::append(out, cp);
    i = run_end;
  }
}

std::string read_text(const char* text) {
  std::string out;
  if (text == nullptr) return out;
  append_lenient_utf8(out, std::string_view(text));
  return out;
}

void append_escaped(std::string& out, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!is_ascii(c)) {
      const std::size_t run_end = end_of_run(text, i);
      append_lenient_utf8(out, text.substr(i, run_end - i));
      i = run_end;
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
}

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  append_escaped(out, text);
  return out;
}

void append_quoted(std::string& out, std::string_view text) {
  out += '"';
  append_escaped(out, text);
  out += '"';
}

void append_number(std::string& out, double value) {
  if (std::isnan(value)) {
    out += "NaN";
    return;
  }
  if (std::isinf(value)) {
    out += value < 0 ? "-inf" : "inf";
    return;
  }
  // Scientific mode gives the shortest round-trip digits; lay them out positionally.
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  const char* p = buf;
  const char* end = res.ptr;
  if (*p == '-') {
    out += '-';
    ++p;
  }
  char digits[24];
  int count = 0;
  while (p < end && *p != 'e') {
    if (*p != '.') digits[count++] = *p;
    ++p;
  }
  int exponent = 0;
  if (p < end) {
    ++p;  // 'e'
    if (*p == '+') ++p;
    std::from_chars(p, end, exponent);
  }
  const int point = exponent + 1;  // digits before the decimal point
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out.append(digits, static_cast<std::size_t>(count));
  } else if (point >= count) {
    out.append(digits, static_cast<std::size_t>(count));
    out.append(static_cast<std::size_t>(point - count), '0');
  } else {
    out.append(digits, static_cast<std::size_t>(point));
    out += '.';
    out.append(digits + point, static_cast<std::size_t>(count - point));
  }
}

std::string format_number(double value) {
  std::string out;
  append_number(out, value);
  return out;
}

void append_integer(std::string& out, std::int64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

void append_unsigned(std::string& out, std::uint64_t value) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, res.ptr);
}

void append_default_json(std::string& out, const kelo_compile::inputs::InputValue& value) {
  using Tag = kelo_compile::inputs::InputValue::Tag;
  switch (value.tag) {
    case Tag::None: out += "null"; return;
    case Tag::Bool: append_bool(out, value.boolean); return;
    case Tag::Int:
    case Tag::Time: append_integer(out, value.integer); return;
    case Tag::Num:
    case Tag::Duration: append_number(out, value.number); return;
    case Tag::Text: append_quoted(out, value.text); return;
    case Tag::Color: {
      out += "\"#";
      for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(value.color >> shift) & 15];
      out += '"';
      return;
    }
    case Tag::List: {
      out += '[';
      for (std::size_t i = 0; i < value.list.size(); ++i) {
        if (i > 0) out += ',';
        append_default_json(out, value.list[i]);
      }
      out += ']';
      return;
    }
  }
  out += "null";
}

std::string default_json(const kelo_compile::inputs::InputValue& value) {
  std::string out;
  append_default_json(out, value);
  return out;
}

}  // namespace kelo
