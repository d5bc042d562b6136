// The host-function table: every built-in global, namespace field and member numbered by a
// 16-bit host id, the id being its position in the bytewise-sorted list of qualified names.
// Built once per process on first use, then read without locks from any thread.
//
// Ids shift whenever a definition is added; nothing may hard-code one. Look ids up by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"
#include "stdlib/registry.h"

namespace kelo_std::hosts {

struct HostFn {
  // A global's name; "ns.field" for a namespace field; "owner#member" for a member.
  std::string name;
  // A function's result type; the name's own type otherwise.
  kelo_core::types::Type type;
  std::uint16_t id = 0;
  bool rest = false;          // the function takes further arguments of its rest type
  std::uint8_t arity = 0;     // declared parameters; 0 for non-functions
  std::uint8_t required = 0;  // parameters before the first optional one; 0 for non-functions
};

struct HostTable {
  std::vector<HostFn> fns;  // sorted by name; fns[i].id == i
  std::map<std::string, HostFn, std::less<>> by_name;

  // Exact, case-sensitive lookup; null when absent.
  const HostFn* get(std::string_view name) const;
  // The entry with this id; null at or beyond the end of the table.
  const HostFn* at(std::size_t id) const;
};

// Builds a table from the given registry.
HostTable build(const Registry& registry);
// Builds a table from a fresh `builtins()` registry.
HostTable build();

// The process-wide table, built exactly once on first use (concurrent first callers wait for
// the one build) and never changed afterwards.
const HostTable& table();

}  // namespace kelo_std::hosts
