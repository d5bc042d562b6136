#include "json/json.h"

#include <cmath>

#include "core/shortest_decimal.h"

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
  kelo_core::numeric::append_shortest_decimal(out, value);
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
