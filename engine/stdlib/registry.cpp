#include "stdlib/registry.h"

#include <utility>

namespace kelo_std {

namespace registry {

const Entry* Registry::global(std::string_view name) const {
  auto it = globals.find(name);
  return it == globals.end() ? nullptr : &it->second;
}

const Entry* Registry::member(std::string_view owner, std::string_view member) const {
  auto owner_it = members.find(owner);
  if (owner_it == members.end()) return nullptr;
  auto it = owner_it->second.find(member);
  return it == owner_it->second.end() ? nullptr : &it->second;
}

void Builder::add(std::string_view name, kelo_core::types::Type type, Docs docs) {
  Entry entry{std::string(name), std::move(type), docs.summary, docs.example, group, kinds, pure,
              permission};
  auto it = registry.globals.find(name);
  if (it != registry.globals.end()) {
    registry.duplicates.emplace_back(name);
    it->second = std::move(entry);
    return;
  }
  registry.globals.emplace(std::string(name), std::move(entry));
}

void Builder::method(std::string_view owner, std::string_view member, kelo_core::types::Type type,
                     Docs docs) {
  auto owner_it = registry.members.find(owner);
  if (owner_it == registry.members.end()) {
    owner_it = registry.members.emplace(std::string(owner), EntryMap{}).first;
  }
  EntryMap& inner = owner_it->second;
  Entry entry{std::string(member), std::move(type), docs.summary, docs.example, group, kinds, pure,
              permission};
  auto it = inner.find(member);
  if (it != inner.end()) {
    std::string key(owner);
    key += '#';
    key += member;
    registry.duplicates.push_back(std::move(key));
    it->second = std::move(entry);
    return;
  }
  inner.emplace(std::string(member), std::move(entry));
}

}  // namespace registry

Registry builtins() {
  Registry registry;
  defs_core::define(registry);
  defs_indicators::define(registry);
  defs_trade::define(registry);
  defs_io::define(registry);
  defs_builtins::define(registry);
  defs_draw::define(registry);
  return registry;
}

namespace shapes {

kelo_core::types::Type series_set() {
  using kelo_core::types::Primitive;
  using kelo_core::types::series;
  const auto nums = series(Primitive::Num);
  return kelo_core::types::object("SeriesSet", {
                                                   {"open", nums},
                                                   {"high", nums},
                                                   {"low", nums},
                                                   {"close", nums},
                                                   {"volume", nums},
                                                   {"spread", nums},
                                                   {"time", series(Primitive::Time)},
                                                   {"hl2", nums},
                                                   {"hlc3", nums},
                                                   {"ohlc4", nums},
                                                   {"count", Primitive::Int},
                                               });
}

}  // namespace shapes

}  // namespace kelo_std
