// The engine's JSON document model and its compact, deterministic writer.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kelo_json {

class Json;
using Array = std::vector<Json>;
using Object = std::map<std::string, Json>;  // byte-order keys, each at most once

enum class Tag : std::uint8_t { Null = 0, Bool, Int, Num, Text, Array, Object };

class Json {
 public:
  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool b) : value_(b) {}
  Json(int i) : value_(static_cast<std::int64_t>(i)) {}
  Json(std::int64_t i) : value_(i) {}
  Json(double d) : value_(d) {}
  Json(const char* s) : value_(std::string(s)) {}
  Json(std::string s) : value_(std::move(s)) {}
  Json(std::string_view s) : value_(std::string(s)) {}
  Json(kelo_json::Array a) : value_(std::move(a)) {}
  Json(kelo_json::Object o) : value_(std::move(o)) {}

  static Json object() { return Json(kelo_json::Object{}); }
  static Json array() { return Json(kelo_json::Array{}); }
  // An Array of one Text per string, in order.
  static Json texts(const std::vector<std::string>& list);

  Tag tag() const { return static_cast<Tag>(value_.index()); }

  // Inserts or replaces a member; on anything but an Object it does nothing.
  void set(std::string_view key, Json value);
  // Appends an element; on anything but an Array it does nothing.
  void push(Json value);

  const bool* as_bool() const { return std::get_if<bool>(&value_); }
  const std::int64_t* as_int() const { return std::get_if<std::int64_t>(&value_); }
  const double* as_num() const { return std::get_if<double>(&value_); }
  const std::string* as_text() const { return std::get_if<std::string>(&value_); }
  const kelo_json::Array* as_array() const { return std::get_if<kelo_json::Array>(&value_); }
  const kelo_json::Object* as_object() const { return std::get_if<kelo_json::Object>(&value_); }

  std::string encode() const;

  friend bool operator==(const Json&, const Json&) = default;

 private:
  std::variant<std::monostate, bool, std::int64_t, double, std::string, kelo_json::Array,
               kelo_json::Object>
      value_;
};

// Appends the compact JSON text of a value.
void write_value(std::string& out, const Json& value);
// Appends a text as a JSON string literal.
void write_text(std::string& out, std::string_view text);
// The same without the quotes: the double quote, backslash, line feed, carriage return and
// tab as two-character escapes, other control characters as \u00XX, all other bytes as
// they are.
void append_escaped(std::string& out, std::string_view text);

// The shortest decimal digits that read back as the same double, laid out positionally
// (never an exponent, no point for whole values, "-0" for negative zero). Non-finite
// values give "null". Every number writer of the engine goes through this.
std::string format_number(double value);
void append_number(std::string& out, double value);

}  // namespace kelo_json
