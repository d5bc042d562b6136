#include "compile/scope.h"

namespace kelo_compile::scope {

std::uint16_t Scopes::end() {
  if (scopes_.empty()) return 0;
  std::uint16_t locals = 0;
  for (const auto& [name, symbol] : scopes_.back()) {
    if (symbol.kind == SymbolKind::Local) ++locals;
  }
  scopes_.pop_back();
  return locals;
}

void Scopes::insert(const std::string& name, Symbol symbol) {
  if (scopes_.empty()) return;
  scopes_.back().insert_or_assign(name, std::move(symbol));
}

const Symbol* Scopes::lookup(std::string_view name) const {
  const Hashed key = hashed(name);
  for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
    if (it->empty()) continue;
    if (auto found = it->find(key); found != it->end()) return &found->second;
  }
  return nullptr;
}

Symbol* Scopes::lookup_mut(std::string_view name) {
  const Hashed key = hashed(name);
  for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
    if (it->empty()) continue;
    if (auto found = it->find(key); found != it->end()) return &found->second;
  }
  return nullptr;
}

bool Scopes::declared_here(std::string_view name) const {
  return !scopes_.empty() && scopes_.back().find(name) != scopes_.back().end();
}

}  // namespace kelo_compile::scope
