// The input schema as the bundle stores it. The JSON writer sorts object members, so
// the order of the `set` calls below does not matter.
#include <cstdio>

#include "format/bundle.h"

namespace kelo_format::schema {

using kelo_compile::inputs::InputValue;
using kelo_json::Json;

namespace {

Json optional_number(const std::optional<double>& v) { return v ? Json(*v) : Json(); }

}  // namespace

Json value_to_json(const InputValue& value) {
  switch (value.tag) {
    case InputValue::Tag::None: return Json();
    case InputValue::Tag::Bool: return Json(value.boolean);
    case InputValue::Tag::Int:
    case InputValue::Tag::Time: return Json(value.integer);
    case InputValue::Tag::Num:
    case InputValue::Tag::Duration: return Json(value.number);
    case InputValue::Tag::Text: return Json(value.text);
    case InputValue::Tag::Color: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "#%08x", static_cast<unsigned>(value.color));
      return Json(buf);
    }
    case InputValue::Tag::List: {
      Json items = Json::array();
      for (const InputValue& item : value.list) items.push(value_to_json(item));
      return items;
    }
  }
  return Json();
}

Json to_json(const kelo_compile::inputs::InputSchema& schema) {
  Json groups = Json::array();
  for (const auto& group : schema.groups) {
    Json g = Json::object();
    g.set("advanced", group.advanced);
    if (group.hint) g.set("hint", *group.hint);
    g.set("id", group.id);
    g.set("label", group.label);
    groups.push(std::move(g));
  }
  Json inputs = Json::array();
  for (const auto& input : schema.inputs) {
    Json i = Json::object();
    i.set("advanced", input.advanced);
    i.set("default", value_to_json(input.default_value));
    i.set("dependsOn", input.depends_on ? Json(*input.depends_on) : Json());
    i.set("group", input.group.value_or(""));
    i.set("hint", input.hint.value_or(""));
    i.set("label", input.label.value_or(input.name));
    i.set("max", optional_number(input.max));
    i.set("min", optional_number(input.min));
    i.set("name", input.name);
    Json options = Json::array();
    for (const auto& [value, label] : input.options) {
      Json o = Json::object();
      o.set("label", label);
      o.set("value", value);
      options.push(std::move(o));
    }
    i.set("options", std::move(options));
    i.set("required", input.required);
    i.set("secret", input.type == "secret");
    i.set("step", optional_number(input.step));
    i.set("type", input.type);
    i.set("unit", input.unit.value_or(""));
    inputs.push(std::move(i));
  }
  Json out = Json::object();
  out.set("groups", std::move(groups));
  out.set("inputs", std::move(inputs));
  return out;
}

}  // namespace kelo_format::schema
