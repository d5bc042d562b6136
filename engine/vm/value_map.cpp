// The Map payload: a dense entry list, an open-addressing index over it and a sort order
// built only when someone walks the entries after an insertion out of order.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "vm/value.h"

namespace kelo_vm {

uint64_t Text::hash_of(std::string_view s) {
  constexpr uint64_t k = 0x9E3779B97F4A7C15ull;
  const char* p = s.data();
  const size_t n = s.size();
  uint64_t h = (n + 1) * k;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    h = (h ^ w) * k;
    h ^= h >> 29;
  }
  if (i < n) {
    uint64_t w = 0;
    std::memcpy(&w, p + i, n - i);
    h = (h ^ w) * k;
    h ^= h >> 29;
  }
  h ^= h >> 32;
  h *= 0xD6E8FEB86659FD93ull;
  h ^= h >> 32;
  return h ? h : 1;
}

namespace {

constexpr uint64_t kTagMask = 0xFFFFFFFF00000000ull;

inline uint32_t entry_of(uint64_t slot) {
  return static_cast<uint32_t>(slot) - 1;
}

}  // namespace

Map::Map(const MapItems& m) {
  entries_.reserve(m.size());
  hashes_.reserve(m.size());
  for (const auto& [k, v] : m) set(std::string_view(k), v);
}

Map::~Map() = default;

std::size_t Map::footprint() const {
  return heap::block(sizeof(Map)) + buffer_bytes(entries_.capacity() * sizeof(MapEntry)) +
         buffer_bytes(hashes_.capacity() * sizeof(uint64_t)) +
         buffer_bytes(slots_.capacity() * sizeof(uint64_t)) +
         buffer_bytes(order_.capacity() * sizeof(uint32_t));
}

std::size_t Map::insert_bytes() const {
  std::size_t bytes = 0;
  const std::size_t n = entries_.size();
  if (n == entries_.capacity()) {
    // The entries, their hashes and the order at least double, each beside its old copy.
    const std::size_t grown = n == 0 ? 1 : 2 * n;
    bytes += grown * (sizeof(MapEntry) + sizeof(uint64_t) + sizeof(uint32_t));
  }
  if ((n + 1) * 4 > slots_.size() * 3)
    bytes += (slots_.empty() ? 8 : 2 * slots_.size()) * sizeof(uint64_t);
  return bytes;
}

int64_t Map::locate(std::string_view key, uint64_t h, const Text* same) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  const uint64_t tag = h & kTagMask;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const uint64_t s = slots_[i];
    if (s == 0) return -1;
    if ((s & kTagMask) == tag) {
      const uint32_t e = entry_of(s);
      const Text* k = entries_[e].key.get();
      if (k == same || k->str == key) return e;
    }
  }
}

Value* Map::find(std::string_view key) {
  const int64_t e = locate(key, Text::hash_of(key));
  return e < 0 ? nullptr : &entries_[static_cast<size_t>(e)].value;
}

Value* Map::find_located(const Text& key) {
  const int64_t e = locate(key.str, key.hash(), &key);
  if (e < 0) return nullptr;
  key.last_map = this;
  key.last_entry = static_cast<uint32_t>(e);
  return &entries_[static_cast<size_t>(e)].value;
}

Value Map::get(std::string_view key) const {
  const Value* v = find(key);
  return v ? *v : Value();
}

Value Map::get(const Text& key) const {
  const Value* v = find(key);
  return v ? *v : Value();
}

void Map::set(std::string_view key, Value v) {
  const uint64_t h = Text::hash_of(key);
  const int64_t e = locate(key, h);
  if (e >= 0)
    entries_[static_cast<size_t>(e)].value = std::move(v);
  else
    insert_new(make_ref<Text>(std::string(key)), h, std::move(v));
}

void Map::set(Text& key, Value v) {
  if (Value* found = find(key)) {
    *found = std::move(v);
    return;
  }
  key.last_map = this;
  key.last_entry = static_cast<uint32_t>(entries_.size());
  insert_new(Ref<Text>::share(&key), key.hash(), std::move(v));
}

void Map::place(uint32_t entry, uint64_t h) {
  const size_t mask = slots_.size() - 1;
  size_t i = h & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = (h & kTagMask) | (uint64_t{entry} + 1);
}

void Map::grow() {
  const size_t size = slots_.empty() ? 8 : slots_.size() * 2;
  slots_.assign(size, 0);
  for (uint32_t e = 0; e < entries_.size(); ++e) place(e, hashes_[e]);
}

namespace {
// Room for one more element, grown as push_back would grow it.
template <class T>
void room_for_one(std::vector<T>& v) {
  if (v.size() == v.capacity()) v.reserve(v.empty() ? 1 : 2 * v.size());
}
}  // namespace

void Map::insert_new(Ref<Text> key, uint64_t h, Value v) {
  // Every allocation comes before the first change: one that fails (an exception the
  // interpreter turns into the memory error, which a try may catch) leaves the map whole.
  // At most three quarters full, so probes stay short and always end.
  if ((entries_.size() + 1) * 4 > slots_.size() * 3) grow();
  room_for_one(entries_);
  room_for_one(hashes_);
  if (order_valid_) room_for_one(order_);
  const auto e = static_cast<uint32_t>(entries_.size());
  if (order_valid_) {
    // Keys arriving in ascending order keep the order valid; any other insertion defers
    // sorting to the next walk.
    if (order_.empty() || entries_[order_.back()].key->str < key->str)
      order_.push_back(e);
    else
      order_valid_ = false;
  }
  entries_.push_back(MapEntry{std::move(key), std::move(v)});
  hashes_.push_back(h);
  place(e, h);
  settle(*this);
}

bool Map::erase(std::string_view key) {
  const uint64_t h = Text::hash_of(key);
  const int64_t found = locate(key, h);
  if (found < 0) return false;
  const auto e = static_cast<uint32_t>(found);
  const size_t mask = slots_.size() - 1;
  auto slot_of = [&](uint32_t entry) {
    size_t i = hashes_[entry] & mask;
    while (entry_of(slots_[i]) != entry) i = (i + 1) & mask;
    return i;
  };
  // Backward-shift deletion: later members of the probe run move into the hole unless
  // their home lies cyclically after it.
  size_t hole = slot_of(e);
  for (size_t j = (hole + 1) & mask; slots_[j] != 0; j = (j + 1) & mask) {
    const size_t home = hashes_[entry_of(slots_[j])] & mask;
    if (((j - home) & mask) >= ((j - hole) & mask)) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = 0;

  MapEntry gone = std::move(entries_[e]);
  const auto last = static_cast<uint32_t>(entries_.size() - 1);
  if (e != last) {
    const size_t s = slot_of(last);
    slots_[s] = (slots_[s] & kTagMask) | (uint64_t{e} + 1);
    entries_[e] = std::move(entries_[last]);
    hashes_[e] = hashes_[last];
  }
  entries_.pop_back();
  hashes_.pop_back();
  if (order_valid_) {
    order_.erase(std::find(order_.begin(), order_.end(), e));
    if (e != last) *std::find(order_.begin(), order_.end(), last) = e;
  }
  return true;  // `gone` is released here, with the map already consistent
}

void Map::clear() {
  std::vector<MapEntry> gone;
  gone.swap(entries_);
  hashes_.clear();
  slots_.clear();
  order_.clear();
  order_valid_ = true;
  settle(*this);
}

Map::Ordered Map::ordered() const {
  if (!order_valid_) {
    order_.resize(entries_.size());
    std::iota(order_.begin(), order_.end(), 0u);
    std::sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
      return entries_[a].key->str < entries_[b].key->str;
    });
    order_valid_ = true;
  }
  return Ordered(this);
}

MapItems Map::to_items() const {
  MapItems out;
  for (const MapEntry& e : ordered()) out.emplace_hint(out.end(), e.key->str, e.value);
  return out;
}

void Map::trace(void (*f)(const Value&, void*), void* ctx) const {
  for (const MapEntry& e : entries_) f(e.value, ctx);
}

void Map::drain(std::vector<Value>& out) {
  for (MapEntry& e : entries_) out.push_back(std::move(e.value));
  clear();
}

}  // namespace kelo_vm
