// Little-endian byte output for the bundle sections. Lengths and counts are stored as
// u32; a larger one is never truncated silently but marks the writer as overflowed.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace kelo_format {

using Bytes = std::vector<std::uint8_t>;

class ByteWriter {
 public:
  void u8(std::uint8_t v) { out_.push_back(v); }
  void u16(std::uint16_t v) { little(v, 2); }
  void u32(std::uint32_t v) { little(v, 4); }
  void i64(std::int64_t v) { little(static_cast<std::uint64_t>(v), 8); }
  void f64(double v) { little(std::bit_cast<std::uint64_t>(v), 8); }

  // A u32 length or element count.
  void count(std::size_t n) {
    if (n > std::numeric_limits<std::uint32_t>::max()) {
      overflowed_ = true;
      n = 0;
    }
    u32(static_cast<std::uint32_t>(n));
  }
  // u32 byte length, then the bytes.
  void str(std::string_view s) {
    count(s.size());
    raw(s.data(), s.size());
  }
  void raw(const void* data, std::size_t size) {
    if (size == 0) return;
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }

  bool overflowed() const { return overflowed_; }
  std::size_t size() const { return out_.size(); }
  Bytes take() { return std::move(out_); }

 private:
  void little(std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }

  Bytes out_;
  bool overflowed_ = false;
};

}  // namespace kelo_format
