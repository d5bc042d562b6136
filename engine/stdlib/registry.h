// The catalogue of every name the Kelo standard library offers: globals (values, functions,
// namespaces) and members of built-in types and namespaces, each with its static type,
// summary, example, documentation group and classification.
//
// A Registry is built afresh by `builtins()` for each compile or query, read, then dropped;
// nothing caches it. Definition modules fill it through Builders.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace kelo_std {

namespace registry {

// Permission value of a name that needs none.
inline constexpr std::uint8_t kNoPermission = 255;

// Summary and example of a name. Both must be static texts (string literals): entries keep
// views of them.
struct Docs {
  std::string_view summary;
  std::string_view example = {};
};

struct Entry {
  std::string name;  // for a member, the member name alone
  kelo_core::types::Type type;
  std::string_view summary;
  std::string_view example;
  std::string_view group;
  std::span<const std::uint8_t> kinds;  // program kinds: 0 bot, 1 indicator, 2 library, 3 script
  std::uint8_t pure = 1;
  std::uint8_t permission = kNoPermission;
};

// Keys compare bytewise (a proper prefix first), which std::string's ordering already is.
using EntryMap = std::map<std::string, Entry, std::less<>>;

struct Registry {
  // Every name registered when an entry of that name already existed, in registration
  // order: a global as its name, a member as "owner#member".
  std::vector<std::string> duplicates;
  EntryMap globals;
  std::map<std::string, EntryMap, std::less<>> members;

  // Exact, case-sensitive lookups; null when absent.
  const Entry* global(std::string_view name) const;
  const Entry* member(std::string_view owner, std::string_view member) const;
};

// A registration context: fixes group and classification for a run of names. Filled field
// by field by a definition module (an aggregate; the kinds and group must be static).
struct Builder {
  std::span<const std::uint8_t> kinds;
  std::string_view group;
  Registry& registry;
  std::uint8_t permission;
  std::uint8_t pure;

  // Registers a global; a later registration of the same name replaces the earlier one and
  // records the name in duplicates.
  void add(std::string_view name, kelo_core::types::Type type, Docs docs);
  // Registers a member of `owner` (a static text); duplicates are recorded as "owner#member".
  void method(std::string_view owner, std::string_view member, kelo_core::types::Type type,
              Docs docs);
};

}  // namespace registry

using registry::Builder;
using registry::Docs;
using registry::Entry;
using registry::Registry;

// A new, fully populated registry. Runs the definition modules in this order, which is part
// of the contract (a later registration of a name wins): core, indicators, trading,
// input/output, general built-ins, drawing.
Registry builtins();

namespace shapes {
// The "SeriesSet" object type: every bar series of one instrument and timeframe.
kelo_core::types::Type series_set();
}  // namespace shapes

// Definition modules. Each registers its names into the given registry.
namespace defs_core {
void define(Registry& registry);  // price data, bars, account, time, general values
}
namespace defs_indicators {
void define(Registry& registry);  // the "Indicators" group
}
namespace defs_trade {
void define(Registry& registry);
// The 7 parameters of a market order and the 8 of a pending order, freshly built.
std::vector<kelo_core::types::Parameter> entry_params();
std::vector<kelo_core::types::Parameter> pending_params();
}  // namespace defs_trade
namespace defs_io {
void define(Registry& registry);
}
namespace defs_builtins {
void define(Registry& registry);  // maths, text, members of text, array, map and series
}
namespace defs_draw {
void define(Registry& registry);
// The 12 named, optional style options shared by the drawing calls.
std::vector<kelo_core::types::Parameter> style_options();
// fn(time1: time, price1: price, ..., timeN, priceN, style options) -> text.
kelo_core::types::Type anchored(int anchors);
// fn(x: int, y: int, extras..., style options) -> text.
kelo_core::types::Type windowed(const kelo_core::types::FieldPairs& extras);
}  // namespace defs_draw

}  // namespace kelo_std
