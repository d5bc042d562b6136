#pragma once

// Small open-addressing tables for the evaluator's per-run lookups: word-string keys
// (series descriptions) and node or column addresses. A lookup happens several times
// per bar for a script that re-creates its indicators, so they avoid the allocation and
// bucket chasing of the node-based standard containers. Insert, find and clear only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kelo_vm::evaluate {

inline std::uint64_t mix_key(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

// A key under construction: whole 64-bit words in fixed room, so that building and
// hashing one allocates nothing. A key that does not fit is marked too long.
class KeyWords {
 public:
  static constexpr std::size_t kRoom = 48;

  void clear() {
    size_ = 0;
    too_long_ = false;
  }
  void add(std::uint64_t word) {
    if (size_ < kRoom) {
      words_[size_++] = word;
    } else {
      too_long_ = true;
    }
  }
  void add_double(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    add(bits);
  }
  void add_address(const void* p) {
    add(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p)));
  }
  // The length, then the bytes in words (the last one padded with zeros). The tail is
  // gathered in a register: a narrow store read back as a word would stall.
  void add_text(std::string_view text) {
    add(text.size());
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      add(word);
    }
    if (i < text.size()) {
      std::uint64_t word = 0;
      for (std::size_t k = 0; i + k < text.size(); ++k) {
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i + k])) << (8 * k);
      }
      add(word);
    }
  }
  bool too_long() const { return too_long_; }
  std::span<const std::uint64_t> words() const { return {words_.data(), size_}; }

 private:
  std::array<std::uint64_t, kRoom> words_{};
  std::size_t size_ = 0;
  bool too_long_ = false;
};

inline std::uint64_t hash_key(std::span<const std::uint64_t> key) {
  // One multiply per word keeps the chain short; the final mix spreads the high bits.
  std::uint64_t h = 0x9e3779b97f4a7c15ull ^ key.size();
  for (std::uint64_t word : key) h = (h + word) * 0x9e3779b97f4a7c15ull;
  return mix_key(h ^ (h >> 32));
}

inline bool same_key(const std::vector<std::uint64_t>& a, std::span<const std::uint64_t> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

// Keys are word strings; values are kept by value.
template <class T>
class KeyTable {
 public:
  using Key = std::span<const std::uint64_t>;

  std::size_t size() const { return size_; }

  T* find(Key key) {
    if (slots_.empty()) return nullptr;
    const std::uint64_t h = hash_key(key);
    for (std::size_t i = h & mask();; i = (i + 1) & mask()) {
      Slot& s = slots_[i];
      if (!s.used) return nullptr;
      if (s.hash == h && same_key(s.key, key)) return &s.value;
    }
  }

  // The key must not be present.
  void insert(Key key, T value) {
    if ((size_ + 1) * 2 > slots_.size()) grow();
    place(Slot{hash_key(key), std::vector<std::uint64_t>(key.begin(), key.end()), std::move(value),
               true});
    ++size_;
  }

  void clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    std::vector<std::uint64_t> key;
    T value{};
    bool used = false;
  };
  std::size_t mask() const { return slots_.size() - 1; }
  void place(Slot slot) {
    std::size_t i = slot.hash & mask();
    while (slots_[i].used) i = (i + 1) & mask();
    slots_[i] = std::move(slot);
  }
  void grow() {
    std::vector<Slot> old =
        std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 16 : slots_.size() * 2));
    for (Slot& s : old) {
      if (s.used) place(std::move(s));
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

// A set of addresses (never null).
class AddressSet {
 public:
  bool contains(const void* p) const {
    if (slots_.empty()) return false;
    for (std::size_t i = slot_of(p);; i = (i + 1) & mask()) {
      if (slots_[i] == p) return true;
      if (slots_[i] == nullptr) return false;
    }
  }
  void insert(const void* p) {
    if (contains(p)) return;
    if ((size_ + 1) * 2 > slots_.size()) grow();
    place(p);
    ++size_;
  }
  void clear() {
    slots_.clear();
    size_ = 0;
  }

 private:
  std::size_t mask() const { return slots_.size() - 1; }
  std::size_t slot_of(const void* p) const {
    return static_cast<std::size_t>(mix_key(reinterpret_cast<std::uintptr_t>(p))) & mask();
  }
  void place(const void* p) {
    std::size_t i = slot_of(p);
    while (slots_[i] != nullptr) i = (i + 1) & mask();
    slots_[i] = p;
  }
  void grow() {
    std::vector<const void*> old =
        std::exchange(slots_, std::vector<const void*>(slots_.empty() ? 16 : slots_.size() * 2));
    for (const void* p : old) {
      if (p != nullptr) place(p);
    }
  }

  std::vector<const void*> slots_;
  std::size_t size_ = 0;
};

}  // namespace kelo_vm::evaluate
