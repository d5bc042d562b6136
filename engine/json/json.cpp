#include "json/json.h"

#include <charconv>
#include <cmath>

namespace kelo_json {

Json Json::texts(const std::vector<std::string>& list) {
  kelo_json::Array items;
  items.reserve(list.size());
  for (const auto& s : list) items.emplace_back(s);
  return Json(std::move(items));
}

void Json::set(std::string_view key, Json value) {
  if (auto* obj = std::get_if<kelo_json::Object>(&value_)) {
    (*obj)[std::string(key)] = std::move(value);
  }
}

void Json::push(Json value) {
  if (auto* arr = std::get_if<kelo_json::Array>(&value_)) arr->push_back(std::move(value));
}

std::string Json::encode() const {
  std::string out;
  write_value(out, *this);
  return out;
}

void append_number(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  // Scientific mode of to_chars gives the shortest round-trip digits; fixed mode would
  // print the exact binary expansion of large values instead, so lay the digits out here.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
  bool negative = false;
  if (!sci.empty() && sci.front() == '-') {
    negative = true;
    sci.remove_prefix(1);
  }
  auto e = sci.find('e');
  std::string_view mantissa = sci.substr(0, e);
  int exponent = 0;
  std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(),
                  exponent);
  std::string digits;
  for (char c : mantissa) {
    if (c != '.') digits += c;
  }
  // value = 0.d1d2d3... * 10^(exponent + 1)
  int point = exponent + 1;  // digits before the decimal point
  if (negative) out += '-';
  const int count = static_cast<int>(digits.size());
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else if (point >= count) {
    out += digits;
    out.append(static_cast<std::size_t>(point - count), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(point));
    out += '.';
    out.append(digits, static_cast<std::size_t>(point), std::string::npos);
  }
}

std::string format_number(double value) {
  std::string out;
  append_number(out, value);
  return out;
}

void write_text(std::string& out, std::string_view text) {
  out += '"';
  append_escaped(out, text);
  out += '"';
}

void append_escaped(std::string& out, std::string_view text) {
  static const char hex[] = "0123456789abcdef";
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += hex[c >> 4];
          out += hex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
}

void write_value(std::string& out, const Json& value) {
  switch (value.tag()) {
    case Tag::Null: out += "null"; break;
    case Tag::Bool: out += *value.as_bool() ? "true" : "false"; break;
    case Tag::Int: out += std::to_string(*value.as_int()); break;
    case Tag::Num: append_number(out, *value.as_num()); break;
    case Tag::Text: write_text(out, *value.as_text()); break;
    case Tag::Array: {
      out += '[';
      bool first = true;
      for (const auto& item : *value.as_array()) {
        if (!first) out += ',';
        first = false;
        write_value(out, item);
      }
      out += ']';
      break;
    }
    case Tag::Object: {
      out += '{';
      bool first = true;
      for (const auto& [key, item] : *value.as_object()) {
        if (!first) out += ',';
        first = false;
        write_text(out, key);
        out += ':';
        write_value(out, item);
      }
      out += '}';
      break;
    }
  }
}

}  // namespace kelo_json
