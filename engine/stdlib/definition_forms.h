// Test support for the definition modules: writes a type the way the definition tables
// do, with every stored parameter name and flag, so a test can hold each entry against a
// row of expected text ("fn(source: series<num>, type: text?) -> series<num>"). Function
// parameters read "name: T", then "?" when optional and " (named)" when passed by name; a
// rest parameter is "...T"; element types are written the same way. Only tests include this.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/types.h"
#include "stdlib/hosts.h"
#include "stdlib/registry.h"

namespace kelo_std::forms {

inline std::string stored(const kelo_core::types::Type& type) {
  using kelo_core::types::Tag;
  switch (type.tag()) {
    case Tag::Series:
      return "series<" + stored(*type.series_element()) + ">";
    case Tag::Array:
      return "array<" + stored(*type.array_element()) + ">";
    case Tag::Map:
      return "map<" + stored(*type.map_key()) + ", " + stored(*type.map_value()) + ">";
    case Tag::Optional:
      return stored(*type.optional_inner()) + "?";
    case Tag::Function: {
      const kelo_core::types::Signature& sig = *type.signature();
      std::string out = "fn(";
      for (std::size_t i = 0; i < sig.params.size(); ++i) {
        const kelo_core::types::Parameter& param = sig.params[i];
        if (i > 0) out += ", ";
        out += param.name + ": " + stored(param.type);
        if (param.optional) out += "?";
        if (param.named) out += " (named)";
      }
      if (sig.rest) out += std::string(sig.params.empty() ? "" : ", ") + "..." + stored(*sig.rest);
      return out + ") -> " + stored(sig.result);
    }
    default:
      return type.to_string();
  }
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

// A host-table entry: its arity, required parameter count, rest flag and displayed type.
struct HostRow {
  const char* name;
  int arity;
  int required;
  bool rest;
  const char* type;
};

// Checks each row against the host table, so a failure names the entry.
inline void expect_host_rows(const std::vector<HostRow>& rows) {
  const hosts::HostTable& table = hosts::table();
  for (const HostRow& row : rows) {
    SCOPED_TRACE(row.name);
    const hosts::HostFn* fn = table.get(row.name);
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn->arity, row.arity);
    EXPECT_EQ(fn->required, row.required);
    EXPECT_EQ(fn->rest, row.rest);
    EXPECT_EQ(fn->type.to_string(), row.type);
  }
}

inline std::vector<int> kinds_of(const Entry& entry) {
  return {entry.kinds.begin(), entry.kinds.end()};
}

}  // namespace kelo_std::forms
