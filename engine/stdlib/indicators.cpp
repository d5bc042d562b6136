#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_indicators {

void define(Registry&) {}

}  // namespace kelo_std::defs_indicators
