#include "stdlib/define.h"
#include "stdlib/registry.h"

namespace kelo_std::defs_trade {

void define(Registry&) {}

std::vector<kelo_core::types::Parameter> entry_params() { return {}; }
std::vector<kelo_core::types::Parameter> pending_params() { return {}; }

}  // namespace kelo_std::defs_trade
