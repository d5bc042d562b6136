#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_io {

void define(Registry&) {}

}  // namespace kelo_std::defs_io
