// UTF-8 to Unicode scalar values and back. Decoding never fails: each maximal invalid
// subpart (the longest prefix of a well-formed sequence, or one bad byte) becomes one
// U+FFFD, as the Unicode standard recommends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kelo_core::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// The scalar value that starts at byte `i`, moving `i` past it. `i` must be below the
// size. Lets long texts be walked without holding four bytes per character.
inline char32_t next(std::string_view bytes, std::size_t& i) {
  const std::size_t n = bytes.size();
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  std::size_t need;
  char32_t cp;
  // Range of the second byte; the narrower ranges exclude overlongs and surrogates.
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return kReplacement;
  }
  std::size_t k = 1;
  for (; k <= need; ++k) {
    if (i + k >= n) break;
    const unsigned char b = byte(i + k);
    const unsigned char min = k == 1 ? lo : 0x80;
    const unsigned char max = k == 1 ? hi : 0xBF;
    if (b < min || b > max) break;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (k > need) {
    i += need + 1;
    return cp;
  }
  i += k;  // the lead byte and the continuation bytes that fit
  return kReplacement;
}

// The index of the first byte at or after `from` that is not ASCII, or the size. Sources
// and replies are nearly all ASCII, so it steps over eight bytes at a time.
inline std::size_t ascii_end(std::string_view bytes, std::size_t from) {
  std::size_t i = from;
  while (bytes.size() - i >= 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) break;
    i += 8;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

inline std::u32string decode(std::string_view bytes) {
  // Never more characters than bytes; written through a pointer and trimmed after.
  std::u32string out(bytes.size(), U'\0');
  char32_t* dst = out.data();
  for (std::size_t i = 0; i < bytes.size();) *dst++ = next(bytes, i);
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

// Appends the UTF-8 form of a scalar value; surrogates and values past U+10FFFF
// become U+FFFD.
inline void append(std::string& out, char32_t cp) {
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

inline std::string encode(std::u32string_view chars) {
  std::string out;
  out.reserve(chars.size());
  for (char32_t cp : chars) append(out, cp);
  return out;
}

}  // namespace kelo_core::utf8
