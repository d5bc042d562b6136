#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_draw {

void define(Registry&) {}

std::vector<kelo_core::types::Parameter> style_options() { return {}; }
kelo_core::types::Type anchored(int) { return kelo_core::types::Primitive::Void; }
kelo_core::types::Type windowed(const kelo_core::types::FieldPairs&) {
  return kelo_core::types::Primitive::Void;
}

}  // namespace kelo_std::defs_draw
