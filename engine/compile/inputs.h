// The input schema: the user-settable parameters a program declares, in source order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ast.h"
#include "core/diag.h"

namespace kelo_compile::inputs {

struct InputValue {
  enum class Tag : std::uint8_t { None = 0, Bool, Int, Num, Text, Color, Time, Duration, List };

  Tag tag = Tag::None;
  bool boolean = false;
  std::int64_t integer = 0;  // Int, Time
  double number = 0.0;       // Num, Duration (milliseconds)
  std::uint32_t color = 0;
  std::string text;
  std::vector<InputValue> list;

  static InputValue none() { return {}; }
  static InputValue of_bool(bool b) { InputValue v; v.tag = Tag::Bool; v.boolean = b; return v; }
  static InputValue of_int(std::int64_t i) { InputValue v; v.tag = Tag::Int; v.integer = i; return v; }
  static InputValue of_num(double n) { InputValue v; v.tag = Tag::Num; v.number = n; return v; }
  static InputValue of_text(std::string s) { InputValue v; v.tag = Tag::Text; v.text = std::move(s); return v; }
  static InputValue of_color(std::uint32_t c) { InputValue v; v.tag = Tag::Color; v.color = c; return v; }
  static InputValue of_time(std::int64_t t) { InputValue v; v.tag = Tag::Time; v.integer = t; return v; }
  static InputValue of_duration(double ms) { InputValue v; v.tag = Tag::Duration; v.number = ms; return v; }
  static InputValue of_list(std::vector<InputValue> items) { InputValue v; v.tag = Tag::List; v.list = std::move(items); return v; }

  friend bool operator==(const InputValue&, const InputValue&) = default;
};

struct InputGroupSpec {
  std::string id;
  std::string label;
  std::optional<std::string> hint;
  bool advanced = false;
};

struct InputSpec {
  std::string name;
  std::string type;
  std::optional<std::string> group;
  std::optional<std::string> label;
  std::optional<std::string> hint;
  std::optional<double> min;
  std::optional<double> max;
  std::optional<double> step;
  std::optional<std::string> unit;
  bool required = false;
  bool advanced = false;
  InputValue default_value;
  std::vector<std::pair<std::string, std::string>> options;  // (value, label)
  std::optional<std::string> depends_on;
  std::uint16_t global = 0;
};

struct InputSchema {
  std::vector<InputGroupSpec> groups;
  std::vector<InputSpec> inputs;
};

// The 16 input type names, in the order the "not an input type" message lists them.
const std::vector<std::string_view>& input_types();

// The value of a literal default; anything else reports KELO3101 and gives None.
InputValue literal(const kelo_core::ast::Expr& expr, kelo_core::diag::Diagnostics& diagnostics);

// A group id: lower-cased letters and digits joined by "-"; "group" when nothing is left.
std::string slugify(std::string_view label);

// The default of an input that has no default expression, by type name.
InputValue default_for(std::string_view type_name);

}  // namespace kelo_compile::inputs

namespace kelo_compile::program {
// The number a setting expression stands for (int, num or duration literal, possibly
// negated); none otherwise.
std::optional<double> number_of(const kelo_core::ast::Expr& expr);
}  // namespace kelo_compile::program
