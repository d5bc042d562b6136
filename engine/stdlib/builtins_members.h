// Members of the built-in value types, registered with the built-ins' definitions.
#pragma once

#include "stdlib/registry.h"

namespace kelo_std::defs_builtins {

// The "Collections" group: members of text, array, map and series.
void define_members(Registry& registry);

}  // namespace kelo_std::defs_builtins
