#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kelo_hash {

// Streaming SHA-256 (FIPS 180-4). Feed bytes with any number of `update` calls,
// then `finish` once; the object is spent afterwards.
class Sha256 {
 public:
  using Digest = std::array<std::uint8_t, 32>;

  Sha256();
  void update(std::span<const std::uint8_t> bytes);
  void update(std::string_view bytes);
  Digest finish();

  // One-shot convenience for whole buffers.
  static Digest of(std::string_view bytes);

 private:
  void compress(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t total_bytes_ = 0;
};

}  // namespace kelo_hash
