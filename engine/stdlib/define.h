// Shorthands for the definition modules, so that each module reads like the table it
// transcribes: one row per name, aligned columns.
//
// In a module's .cpp: `using namespace kelo_std::defs;` then, for example,
//
//   Builder b{kAllKinds, "Price data", registry, kNoPermission, 1};
//   add_rows(b, {
//       {"close", series(Num), "Closing price of each bar."},
//       {"bars",  bars_type,   "The bar series this program is attached to."},
//   });
//   add_members(b, "time", {
//       {"year",   Int,                              "Calendar year."},
//       {"format", fn({p("pattern", Text)}, Text), "Formats the instant."},
//   });
//
// Kinds lists live here as static arrays because entries keep views of them.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "core/types.h"
#include "stdlib/registry.h"

namespace kelo_std::defs {

using kelo_core::types::FieldPairs;
using kelo_core::types::Parameter;
using kelo_core::types::Primitive;
using kelo_core::types::Type;

using kelo_core::types::array;
using kelo_core::types::function;
using kelo_core::types::function_rest;
using kelo_core::types::map;
using kelo_core::types::named;
using kelo_core::types::named_opt;
using kelo_core::types::object;
using kelo_core::types::opt;
using kelo_core::types::optional;
using kelo_core::types::p;
using kelo_core::types::series;
using kelo_core::types::structure;

using registry::kNoPermission;

inline constexpr Primitive Void = Primitive::Void;
inline constexpr Primitive Bool = Primitive::Bool;
inline constexpr Primitive Int = Primitive::Int;
inline constexpr Primitive Num = Primitive::Num;
inline constexpr Primitive Text = Primitive::Text;
inline constexpr Primitive Time = Primitive::Time;
inline constexpr Primitive Duration = Primitive::Duration;
inline constexpr Primitive Price = Primitive::Price;
inline constexpr Primitive Lots = Primitive::Lots;
inline constexpr Primitive Color = Primitive::Color;
inline constexpr Primitive Status = Primitive::Status;
inline constexpr Primitive Any = Primitive::Any;

// Program-kind lists (0 bot, 1 indicator, 2 library). No standard name is for scripts (3).
inline constexpr std::array<std::uint8_t, 3> kAllKinds = {0, 1, 2};
inline constexpr std::array<std::uint8_t, 2> kBotLibrary = {0, 2};
inline constexpr std::array<std::uint8_t, 2> kIndicatorLibrary = {1, 2};
inline constexpr std::array<std::uint8_t, 1> kBotOnly = {0};
inline constexpr std::array<std::uint8_t, 1> kLibraryOnly = {2};

using Params = std::vector<Parameter>;

// fn(params) -> result with no rest type.
inline Type fn(Params params, Type result) {
  return function(std::move(params), std::move(result));
}

// One global of a table: name, type, summary and (rarely) an example. Texts must be static.
struct Row {
  std::string_view name;
  Type type;
  std::string_view summary;
  std::string_view example = {};
};

// Registers each row as a global through the builder, in order.
inline void add_rows(registry::Builder& builder, std::initializer_list<Row> rows) {
  for (const Row& row : rows) builder.add(row.name, row.type, {row.summary, row.example});
}

// Registers each row as a member of `owner` (a static text), in order.
inline void add_members(registry::Builder& builder, std::string_view owner,
                        std::initializer_list<Row> rows) {
  for (const Row& row : rows) builder.method(owner, row.name, row.type, {row.summary, row.example});
}

}  // namespace kelo_std::defs
