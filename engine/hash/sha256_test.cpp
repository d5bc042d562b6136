#include "hash/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string hex(const kelo_hash::Sha256::Digest& d) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (auto b : d) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

struct Vector {
  const char* name;
  std::string input;
  const char* digest;
};

// Published vectors, plus lengths on each side of the padding boundaries (55/56, 63/64,
// 119/120 bytes), where an off-by-one in the length block shows first.
const Vector kVectors[] = {
    {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"896 bits",
     "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
     "nopqrsmnopqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {"55 bytes", std::string(55, 'a'),
     "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {"56 bytes", std::string(56, 'a'),
     "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {"63 bytes", std::string(63, 'a'),
     "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
    {"64 bytes", std::string(64, 'a'),
     "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    {"119 bytes", std::string(119, 'a'),
     "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
    {"120 bytes", std::string(120, 'a'),
     "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
    {"million a", std::string(1000000, 'a'),
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, PublishedAndBoundaryVectors) {
  for (const auto& v : kVectors) {
    EXPECT_EQ(hex(kelo_hash::Sha256::of(v.input)), v.digest) << v.name;
  }
}

TEST(Sha256, AnySplitOfTheInputGivesTheSameDigest) {
  const std::string input(200, 'x');
  const auto whole = kelo_hash::Sha256::of(input);
  for (std::size_t cut = 0; cut <= input.size(); ++cut) {
    kelo_hash::Sha256 h;
    h.update(std::string_view(input).substr(0, cut));
    h.update(std::string_view(input).substr(cut));
    ASSERT_EQ(h.finish(), whole) << "cut at " << cut;
  }
  kelo_hash::Sha256 with_empty_parts;
  with_empty_parts.update(std::span<const std::uint8_t>());
  with_empty_parts.update(std::string_view());
  with_empty_parts.update(input);
  with_empty_parts.update(std::string_view());
  EXPECT_EQ(with_empty_parts.finish(), whole);

  kelo_hash::Sha256 bytewise;
  for (char c : input) bytewise.update(std::string_view(&c, 1));
  EXPECT_EQ(bytewise.finish(), whole);
}

}  // namespace
