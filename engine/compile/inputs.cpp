// Inputs: literal defaults, settings, group ids, the schema and the "<inputs>" function.
#include "compile/inputs.h"

#include <cmath>

#include "compile/compiler.h"
#include "compile/slug.h"
#include "core/numeric.h"
#include "json/json.h"

namespace kelo_compile {

namespace inputs {

using IV = InputValue;
namespace K = kelo_core::ast;

const std::vector<std::string_view>& input_types() {
  static const std::vector<std::string_view> types = {
      "int",    "num",       "bool",   "text",   "lots",   "price",  "time",  "duration",
      "color",  "symbol",    "timeframe", "source", "select", "secret", "model", "file"};
  return types;
}

InputValue literal(const K::Expr& expr, kelo_core::diag::Diagnostics& diagnostics) {
  using E = K::ExprKind;
  const auto& n = expr.kind.node;
  if (auto* v = std::get_if<E::Int>(&n)) return IV::of_int(v->value);
  if (auto* v = std::get_if<E::Num>(&n)) return IV::of_num(v->value);
  if (auto* v = std::get_if<E::Bool>(&n)) return IV::of_bool(v->value);
  if (auto* v = std::get_if<E::Time>(&n)) return IV::of_time(v->value);
  if (auto* v = std::get_if<E::Duration>(&n)) return IV::of_duration(v->value);
  if (auto* v = std::get_if<E::Color>(&n)) return IV::of_color(v->value);
  if (auto* v = std::get_if<E::Text>(&n)) return IV::of_text(v->value);
  if (auto* v = std::get_if<E::Identifier>(&n)) return IV::of_text(v->name);
  if (std::holds_alternative<E::None>(n)) return IV::none();
  if (auto* v = std::get_if<E::Array>(&n)) {
    std::vector<InputValue> items;
    for (const auto& item : v->items) items.push_back(literal(item, diagnostics));
    return IV::of_list(std::move(items));
  }
  if (auto* v = std::get_if<E::Unary>(&n); v && v->op == K::UnaryOp::Neg) {
    InputValue inner = literal(*v->operand, diagnostics);
    if (inner.tag == IV::Tag::Int) {
      inner.integer = kelo_core::numeric::wrapping_negate(inner.integer);
    } else if (inner.tag == IV::Tag::Num) {
      inner.number = -inner.number;
    }
    return inner;
  }
  diagnostics.error(codes::kDefaultNotLiteral, expr.span);
  return IV::none();
}

std::string slugify(std::string_view label) {
  std::string id = slug(label);
  return id.empty() ? "group" : id;
}

InputValue default_for(std::string_view type) {
  if (type == "int") return IV::of_int(0);
  if (type == "num" || type == "lots" || type == "price" || type == "duration") {
    return IV::of_num(0.0);
  }
  if (type == "bool") return IV::of_bool(false);
  if (type == "time") return IV::of_time(0);
  if (type == "color") return IV::of_color(0x3D7BF5FF);
  return IV::of_text("");
}

}  // namespace inputs

namespace program {

std::optional<double> number_of(const kelo_core::ast::Expr& expr) {
  using E = kelo_core::ast::ExprKind;
  const auto& n = expr.kind.node;
  if (auto* v = std::get_if<E::Int>(&n)) return static_cast<double>(v->value);
  if (auto* v = std::get_if<E::Num>(&n)) return v->value;
  if (auto* v = std::get_if<E::Duration>(&n)) return v->value;
  if (auto* v = std::get_if<E::Unary>(&n); v && v->op == kelo_core::ast::UnaryOp::Neg) {
    if (auto inner = number_of(*v->operand)) return -*inner;
  }
  return std::nullopt;
}

}  // namespace program

namespace compiler {

using bc::Op;
using bc::Opcode;
using inputs::InputValue;

namespace {

std::optional<std::string> word_of(const ast::Expr& e) {
  if (const auto* t = e.kind.as<ast::ExprKind::Text>()) return t->value;
  if (const auto* id = e.kind.as<ast::ExprKind::Identifier>()) return id->name;
  return std::nullopt;
}

}  // namespace

void Compiler::declare_inputs(const ast::Program& program) {
  for (const auto& item : program.inputs) {
    if (const auto* group = item.as<ast::InputItem::Group>()) {
      declare_input_group(*group);
    } else if (const auto* input = item.as<ast::InputItem::Input>()) {
      declare_input(*input);
    }
  }
  current_group_.reset();
}

void Compiler::declare_input_group(const ast::InputItem::Group& group) {
  inputs::InputGroupSpec spec;
  spec.id = inputs::slugify(group.label);
  spec.label = group.label;
  bool advanced_seen = false;
  bool hint_seen = false;
  for (const auto& prop : group.properties) {
    if (prop.name == "advanced" && !advanced_seen) {
      advanced_seen = true;
      const auto* b = prop.value.kind.as<ast::ExprKind::Bool>();
      spec.advanced = b && b->value;
    } else if (prop.name == "hint" && !hint_seen) {
      hint_seen = true;
      const auto* t = prop.value.kind.as<ast::ExprKind::Text>();
      spec.hint = t ? t->value : ast::debug(prop.value.kind);
    }
  }
  current_group_ = spec.id;
  input_groups_.push_back(std::move(spec));
}

void Compiler::declare_input(const ast::InputItem::Input& input) {
  inputs::InputSpec spec;
  spec.name = input.name;
  spec.type = input.type_ref.name;
  spec.group = current_group_;
  const auto& types = inputs::input_types();
  bool is_input_type = false;
  for (auto t : types) is_input_type = is_input_type || t == spec.type;
  if (!is_input_type) {
    std::string list;
    for (auto t : types) {
      if (!list.empty()) list += ", ";
      list += t;
    }
    error(codes::kNotInputType, input.type_ref.span, spec.type, list);
  }
  const Type type = resolve_type(input.type_ref);
  spec.default_value = input.default_value ? inputs::literal(*input.default_value, diagnostics_)
                                           : inputs::default_for(spec.type);
  if (holds_number(type)) {
    number_globals_.insert(input.name);
    if (spec.default_value.tag == InputValue::Tag::Int) {
      spec.default_value = InputValue::of_num(static_cast<double>(spec.default_value.integer));
    }
  }
  for (const auto& prop : input.settings) {
    const std::string& n = prop.name;
    if (n == "label" || n == "hint" || n == "unit" || n == "dependsOn") {
      auto& field = n == "label" ? spec.label
                    : n == "hint" ? spec.hint
                    : n == "unit" ? spec.unit
                                  : spec.depends_on;
      field = word_of(prop.value);
    } else if (n == "min" || n == "max" || n == "step") {
      (n == "min" ? spec.min : n == "max" ? spec.max : spec.step) = program::number_of(prop.value);
    } else if (n == "required" || n == "advanced") {
      const auto* b = prop.value.kind.as<ast::ExprKind::Bool>();
      (n == "required" ? spec.required : spec.advanced) = b && b->value;
    } else if (n == "options") {
      spec.options.clear();
      if (const auto* arr = prop.value.kind.as<ast::ExprKind::Array>()) {
        for (const auto& item : arr->items) {
          if (auto w = word_of(item)) spec.options.emplace_back(*w, *w);
        }
      } else if (const auto* map = prop.value.kind.as<ast::ExprKind::Map>()) {
        for (const auto& entry : map->entries) {
          auto key = word_of(entry.key);
          auto label = word_of(entry.value);
          if (key && label) spec.options.emplace_back(*key, *label);
        }
      }
    } else {
      warning(codes::kUnknownInputSetting, prop.span, n);
    }
  }
  if (spec.min && spec.max) {
    const double lo = *spec.min;
    const double hi = *spec.max;
    if (!(lo <= hi)) {
      error(codes::kMinAboveMax, input.span, kelo_json::format_number(lo),
            kelo_json::format_number(hi));
    }
    std::optional<double> value;
    const auto& d = spec.default_value;
    if (d.tag == InputValue::Tag::Int) value = static_cast<double>(d.integer);
    if (d.tag == InputValue::Tag::Num || d.tag == InputValue::Tag::Duration) value = d.number;
    if (value && (*value < lo || *value > hi || std::isnan(*value))) {
      error(codes::kDefaultOutside, input.span, kelo_json::format_number(*value),
            kelo_json::format_number(lo), kelo_json::format_number(hi));
    }
  }
  if (global_index(input.name)) {
    error(codes::kDeclaredTwice, input.span, input.name);
  }
  spec.global = declare_global(input.name, type, false);
  inputs_.push_back(std::move(spec));
}

void Compiler::push_input_default(const InputValue& value, const Span& span) {
  auto push_const = [&](bc::Constant c) {
    emit(Op::with_c(Opcode::Const, constant(std::move(c))), span);
  };
  switch (value.tag) {
    case InputValue::Tag::None: emit(Op::plain(Opcode::Nothing), span); break;
    case InputValue::Tag::Bool:
      emit(Op::plain(value.boolean ? Opcode::True : Opcode::False), span);
      break;
    case InputValue::Tag::Int: push_const(bc::Constant::integer(value.integer)); break;
    case InputValue::Tag::Num: push_const(bc::Constant::number(value.number)); break;
    case InputValue::Tag::Text: push_const(bc::Constant::text_of(value.text)); break;
    case InputValue::Tag::Color: push_const(bc::Constant::colour(value.color)); break;
    case InputValue::Tag::Time: push_const(bc::Constant::time(value.integer)); break;
    case InputValue::Tag::Duration: push_const(bc::Constant::duration(value.number)); break;
    case InputValue::Tag::List:
      for (const auto& item : value.list) push_input_default(item, span);
      if (value.list.size() > 0xFFFF) throw InternalError("an input list has more than 65535 items");
      emit(Op::with_b(Opcode::MakeArray, static_cast<std::uint16_t>(value.list.size())), span);
      break;
  }
}

void Compiler::build_input_initialiser(const ast::Program& program) {
  frames_.emplace_back("<inputs>");
  for (const auto& item : program.inputs) {
    const auto* input = item.as<ast::InputItem::Input>();
    if (!input) continue;
    const inputs::InputSpec* spec = nullptr;
    for (const auto& s : inputs_) {
      if (s.name == input->name) {
        spec = &s;
        break;
      }
    }
    if (!spec) continue;
    const std::uint16_t global = spec->global;
    if (spec->type == "source" && input->default_value) {
      compile_expr(*input->default_value);
    } else {
      push_input_default(spec->default_value, input->span);
    }
    emit(Op::with_b(Opcode::SetGlobal, global), input->span);
    emit(Op::plain(Opcode::Pop), input->span);
  }
  emit(Op::plain(Opcode::Halt), program.span);
  FnState done = std::move(frames_.back());
  frames_.pop_back();
  image_.input_initialiser = append_function(std::move(done).finish());
}

}  // namespace compiler
}  // namespace kelo_compile
