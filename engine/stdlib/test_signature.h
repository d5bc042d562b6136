// Test support: a type written the way the definition tables write it, with every
// parameter's name ("fn(source: series<num>, type: text?) -> series<num>"), and "(named)"
// after a parameter that may be passed by name. Only tests include this.
#pragma once

#include <string>

#include "core/types.h"

namespace kelo_std::testing {

inline std::string spelled(const kelo_core::types::Type& type) {
  using kelo_core::types::Tag;
  switch (type.tag()) {
    case Tag::Series:
      return "series<" + spelled(*type.series_element()) + ">";
    case Tag::Array:
      return "array<" + spelled(*type.array_element()) + ">";
    case Tag::Map:
      return "map<" + spelled(*type.map_key()) + ", " + spelled(*type.map_value()) + ">";
    case Tag::Optional:
      return spelled(*type.optional_inner()) + "?";
    case Tag::Function: {
      const auto& sig = *type.signature();
      std::string out = "fn(";
      for (std::size_t i = 0; i < sig.params.size(); ++i) {
        const auto& param = sig.params[i];
        if (i > 0) out += ", ";
        out += param.name + ": " + spelled(param.type);
        if (param.optional) out += "?";
        if (param.named) out += " (named)";
      }
      if (sig.rest) out += std::string(sig.params.empty() ? "" : ", ") + "..." + spelled(*sig.rest);
      return out + ") -> " + spelled(sig.result);
    }
    default:
      return type.to_string();
  }
}

}  // namespace kelo_std::testing
