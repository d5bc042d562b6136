// Block-scoped symbol tables of one function being compiled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/types.h"

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

// Innermost scope last. Lookups are exact and case-sensitive.
class Scopes {
 public:
  Scopes() : scopes_(1) {}

  void begin() { scopes_.emplace_back(); }
  // Drops the innermost scope; returns how many locals it held.
  std::uint16_t end();

  // Into the innermost scope, replacing a symbol of that name there. No scope: dropped.
  void insert(const std::string& name, Symbol symbol);
  // Innermost scope outwards; null when no scope has the name.
  const Symbol* lookup(std::string_view name) const;
  Symbol* lookup_mut(std::string_view name);
  // Whether the innermost scope alone has the name.
  bool declared_here(std::string_view name) const;

  std::size_t depth() const { return scopes_.size(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  using Scope = std::unordered_map<std::string, Symbol, Hash, std::equal_to<>>;
  std::vector<Scope> scopes_;
};

}  // namespace kelo_compile::scope
