#include "compile/scope.h"

#include <utility>

namespace kelo_compile::scope {

std::uint32_t Scopes::find(std::string_view name) const {
  if (indexed_) {
    const auto it = last_.find(name);
    return it == last_.end() ? kNone : it->second;
  }
  for (std::size_t i = entries_.size(); i-- > 0;) {
    if (entries_[i].name == name) return static_cast<std::uint32_t>(i);
  }
  return kNone;
}

void Scopes::build_index() {
  last_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    last_.insert_or_assign(entries_[i].name, static_cast<std::uint32_t>(i));
  }
  indexed_ = true;
}

std::uint16_t Scopes::end() {
  if (starts_.empty()) return 0;
  const std::uint32_t start = starts_.back();
  std::uint16_t locals = 0;
  for (std::size_t i = entries_.size(); i-- > start;) {
    const Entry& entry = entries_[i];
    if (entry.symbol.kind == SymbolKind::Local) ++locals;
    if (indexed_) {
      if (entry.shadowed == kNone) {
        last_.erase(last_.find(std::string_view(entry.name)));
      } else {
        last_.find(std::string_view(entry.name))->second = entry.shadowed;
      }
    }
  }
  entries_.erase(entries_.begin() + start, entries_.end());
  starts_.pop_back();
  if (indexed_ && entries_.size() <= kIndexed) {
    last_.clear();
    indexed_ = false;
  }
  return locals;
}

void Scopes::insert(const std::string& name, Symbol symbol) {
  if (starts_.empty()) return;
  const std::uint32_t last = find(name);
  if (last != kNone && last >= starts_.back()) {
    entries_[last].symbol = std::move(symbol);
    return;
  }
  if (entries_.capacity() == 0) entries_.reserve(8);  // a function's usual locals
  entries_.push_back(Entry{name, std::move(symbol), last});
  const auto added = static_cast<std::uint32_t>(entries_.size() - 1);
  if (indexed_) {
    last_.insert_or_assign(name, added);
  } else if (entries_.size() > kIndexed) {
    build_index();
  }
}

const Symbol* Scopes::lookup(std::string_view name) const {
  const std::uint32_t at = find(name);
  return at == kNone ? nullptr : &entries_[at].symbol;
}

Symbol* Scopes::lookup_mut(std::string_view name) {
  const std::uint32_t at = find(name);
  return at == kNone ? nullptr : &entries_[at].symbol;
}

bool Scopes::declared_here(std::string_view name) const {
  if (starts_.empty()) return false;
  const std::uint32_t at = find(name);
  return at != kNone && at >= starts_.back();
}

}  // namespace kelo_compile::scope
