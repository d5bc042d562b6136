// Test support for the definition modules: writes a type the way the definition tables
// do, with every stored parameter name and flag, so a test can hold each entry against a
// row of expected text. Function parameters read "name: T", then "?" when optional and
// " (named)" when passed by name; a rest parameter is "...T". Other types use their display.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/types.h"
#include "stdlib/registry.h"

namespace kelo_std::forms {

inline std::string stored(const kelo_core::types::Type& type) {
  const kelo_core::types::Signature* sig = type.signature();
  if (sig == nullptr) return type.to_string();
  std::string out = "fn(";
  bool first = true;
  const auto separate = [&] {
    if (!first) out += ", ";
    first = false;
  };
  for (const kelo_core::types::Parameter& param : sig->params) {
    separate();
    out += param.name + ": " + stored(param.type);
    if (param.optional) out += "?";
    if (param.named) out += " (named)";
  }
  if (sig->rest) {
    separate();
    out += "..." + stored(*sig->rest);
  }
  return out + ") -> " + stored(sig->result);
}

// (field, stored form) rows in the order the definitions list them.
using FormRows = std::vector<std::pair<std::string, std::string>>;

// The fields of a struct or object type as (name, stored form), in the type's name order.
inline FormRows field_forms(const kelo_core::types::Type& type) {
  FormRows rows;
  if (const kelo_core::types::Fields* fields = type.fields()) {
    for (const auto& [name, field] : fields->fields) rows.emplace_back(name, stored(field));
  }
  return rows;
}

// Checks a struct or object type field by field, so a failure names the field.
inline void expect_fields(const kelo_core::types::Type& type, const FormRows& expected) {
  const kelo_core::types::Fields* fields = type.fields();
  ASSERT_NE(fields, nullptr) << type.to_string() << " has no fields";
  EXPECT_EQ(fields->fields.size(), expected.size()) << "fields of " << type.to_string();
  for (const auto& [name, form] : expected) {
    auto it = fields->fields.find(name);
    if (it == fields->fields.end()) {
      ADD_FAILURE() << type.to_string() << " lacks " << name;
      continue;
    }
    EXPECT_EQ(stored(it->second), form) << type.to_string() << "." << name;
  }
}

inline std::vector<int> kinds_of(const Entry& entry) {
  return {entry.kinds.begin(), entry.kinds.end()};
}

}  // namespace kelo_std::forms
