// Hashing of decoded value records, for the qHash overloads that let them sit in sets
// and serve as keys.
#pragma once

#include <QHashFunctions>
#include <cstddef>
#include <optional>

namespace zx::decode {

// Presence first, then the value, so an absent optional never hashes like a present one.
template <class T>
size_t hashOptional(size_t seed, const std::optional<T>& value) {
  seed = qHashMulti(seed, value.has_value());
  if (value) seed = qHashMulti(seed, *value);
  return seed;
}

}  // namespace zx::decode
