#include "interface/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "core/utf8.h"
#include "json/json.h"

namespace kelo {

namespace {

constexpr char kHex[] = "0123456789abcdef";

bool is_ascii(unsigned char c) {
  return c < 0x80;
}

// Splits the bytes into alternating runs of ASCII and non-ASCII bytes, in order. An
// invalid UTF-8 subpart never spans an ASCII byte, so repairing each non-ASCII run alone
// matches repairing the whole text.
template <class Ascii, class Other>
void for_each_run(std::string_view bytes, Ascii&& ascii, Other&& other) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const bool in_ascii = is_ascii(static_cast<unsigned char>(bytes[i]));
    std::size_t end = in_ascii ? kelo_core::utf8::ascii_end(bytes, i + 1) : i + 1;
    while (end < bytes.size() && is_ascii(static_cast<unsigned char>(bytes[end])) == in_ascii)
      ++end;
    if (in_ascii) {
      ascii(bytes.substr(i, end - i));
    } else {
      other(bytes.substr(i, end - i));
    }
    i = end;
  }
}

// Appends a run of non-ASCII bytes, each maximal invalid subpart as one U+FFFD.
void repair(std::string& out, std::string_view run) {
  for (char32_t cp : kelo_core::utf8::decode(run)) kelo_core::utf8::append(out, cp);
}

}  // namespace

void append_lenient_utf8(std::string& out, std::string_view bytes) {
  for_each_run(
      bytes, [&](std::string_view ascii) { out += ascii; },
      [&](std::string_view run) { repair(out, run); });
}

std::string read_text(const char* text) {
  std::string out;
  if (text == nullptr) return out;
  const std::string_view bytes(text);
  out.reserve(bytes.size());
  append_lenient_utf8(out, bytes);
  return out;
}

void append_escaped(std::string& out, std::string_view text) {
  for_each_run(
      text, [&](std::string_view ascii) { kelo_json::append_escaped(out, ascii); },
      [&](std::string_view run) { repair(out, run); });
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
  kelo_json::append_number(out, value);
}

void append_finite_or_null(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  append_number(out, value);
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

void append_default_json(std::string& out, const kelo_compile::inputs::InputValue& value,
                         NonFinite non_finite) {
  using Tag = kelo_compile::inputs::InputValue::Tag;
  switch (value.tag) {
    case Tag::None:
      out += "null";
      return;
    case Tag::Bool:
      append_bool(out, value.boolean);
      return;
    case Tag::Int:
    case Tag::Time:
      append_integer(out, value.integer);
      return;
    case Tag::Num:
    case Tag::Duration:
      if (non_finite == NonFinite::Null) {
        append_finite_or_null(out, value.number);
      } else {
        append_number(out, value.number);
      }
      return;
    case Tag::Text:
      append_quoted(out, value.text);
      return;
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
        append_default_json(out, value.list[i], non_finite);
      }
      out += ']';
      return;
    }
  }
  out += "null";
}

std::string default_json(const kelo_compile::inputs::InputValue& value, NonFinite non_finite) {
  std::string out;
  append_default_json(out, value, non_finite);
  return out;
}

}  // namespace kelo
