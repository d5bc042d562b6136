// Block-scoped symbol tables of one function being compiled.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/types.h"

namespace kelo_compile {

// Hashes a text the same whether it is held as a string or only viewed, so that maps
// keyed by names are searched without copying the name.
struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};
template <class V>
using TextMap = std::unordered_map<std::string, V, TextHash, std::equal_to<>>;

}  // namespace kelo_compile

namespace kelo_compile::scope {

enum class SymbolKind : std::uint16_t { Local = 0, Global = 1 };

struct Symbol {
  kelo_core::types::Type type;
  SymbolKind kind = SymbolKind::Local;
  std::uint16_t index = 0;
  bool is_mutable = false;
  bool flag = true;      // set by every declaration
  bool written = false;  // the type was written in the source, not taken from a value
};

// Innermost scope last. Lookups are exact and case-sensitive. A returned symbol stays
// valid until the next insert.
//
// The symbols of all open scopes sit in one list, outer scopes first, one entry per name
// and scope, so the last entry of a name is the one in force. A function's handful of
// locals is searched from the end; past kIndexed entries (the globals of "<main>") a
// hash index of each name's last entry takes over.
class Scopes {
 public:
  Scopes() : starts_(1, 0) {}

  void begin() { starts_.push_back(static_cast<std::uint32_t>(entries_.size())); }
  // Drops the innermost scope; returns how many locals it held.
  std::uint16_t end();

  // Into the innermost scope, replacing a symbol of that name there. No scope: dropped.
  void insert(const std::string& name, Symbol symbol);
  // Innermost scope outwards; null when no scope has the name.
  const Symbol* lookup(std::string_view name) const;
  Symbol* lookup_mut(std::string_view name);
  // Whether the innermost scope alone has the name.
  bool declared_here(std::string_view name) const;

  std::size_t depth() const { return starts_.size(); }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  static constexpr std::size_t kIndexed = 24;

  struct Entry {
    std::string name;
    Symbol symbol;
    std::uint32_t shadowed = kNone;  // the entry of the same name in an outer scope
  };

  // The last entry of the name, or kNone.
  std::uint32_t find(std::string_view name) const;
  void build_index();

  std::vector<Entry> entries_;
  std::vector<std::uint32_t> starts_;  // first entry of each open scope
  // Name to its last entry, while there are more than kIndexed entries.
  TextMap<std::uint32_t> last_;
  bool indexed_ = false;
};

}  // namespace kelo_compile::scope
