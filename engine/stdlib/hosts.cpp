#include "stdlib/hosts.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kelo_std::hosts {

namespace {

using kelo_core::types::Type;

struct Item {
  std::string name;
  Type type;
};

std::uint8_t clamp_u8(std::size_t n) {
  return static_cast<std::uint8_t>(
      std::min<std::size_t>(n, std::numeric_limits<std::uint8_t>::max()));
}

HostFn make_fn(Item item, std::size_t id) {
  HostFn fn;
  fn.name = std::move(item.name);
  fn.id = static_cast<std::uint16_t>(id);
  if (const auto* sig = item.type.signature()) {
    std::size_t required = sig->params.size();
    for (std::size_t i = 0; i < sig->params.size(); ++i) {
      if (sig->params[i].optional) {
        required = i;
        break;
      }
    }
    fn.type = sig->result;
    fn.arity = clamp_u8(sig->params.size());
    fn.required = clamp_u8(required);
    fn.rest = sig->rest.has_value();
  } else {
    fn.type = std::move(item.type);
  }
  return fn;
}

}  // namespace

const HostFn* HostTable::get(std::string_view name) const {
  auto it = by_name.find(name);
  return it == by_name.end() ? nullptr : &it->second;
}

const HostFn* HostTable::at(std::size_t id) const {
  return id < fns.size() ? &fns[id] : nullptr;
}

HostTable build(const Registry& registry) {
  std::vector<Item> items;
  for (const auto& [name, entry] : registry.globals) {
    items.push_back({name, entry.type});
    if (entry.type.tag() == kelo_core::types::Tag::Object) {
      for (const auto& [field, type] : entry.type.fields()->fields) {
        items.push_back({name + "." + field, type});
      }
    }
  }
  for (const auto& [owner, inner] : registry.members) {
    for (const auto& [member, entry] : inner) {
      items.push_back({owner + "#" + member, entry.type});
    }
  }
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return a.name < b.name; });
  // Keep the first of each run of equal names (the one collected first).
  items.erase(std::unique(items.begin(), items.end(),
                          [](const Item& a, const Item& b) { return a.name == b.name; }),
              items.end());
  // Ids are 16 bits; names beyond that cannot be addressed and are left out rather than
  // given a colliding id.
  if (items.size() > std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1) {
    items.resize(std::size_t{std::numeric_limits<std::uint16_t>::max()} + 1);
  }

  HostTable table;
  table.fns.reserve(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    HostFn fn = make_fn(std::move(items[i]), i);
    table.by_name.insert_or_assign(fn.name, fn);
    table.fns.push_back(std::move(fn));
  }
  return table;
}

HostTable build() {
  return build(builtins());
}

const HostTable& table() {
  // A function-local static: initialised exactly once, concurrent first callers wait.
  static const HostTable instance = build();
  return instance;
}

}  // namespace kelo_std::hosts
