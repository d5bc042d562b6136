#include "core/utf8.h"

#include <gtest/gtest.h>

namespace kelo_core::utf8 {
namespace {

TEST(Utf8, DecodeReplacesEachMaximalInvalidSubpart) {
  struct Case {
    const char* name;
    std::string bytes;
    std::u32string chars;
  };
  const std::vector<Case> cases = {
      {"ascii", "Ab", U"Ab"},
      {"nul byte is a character", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
      {"two bytes", "\xC3\xA9", U"\u00E9"},
      {"three bytes", "\xE2\x82\xAC", U"\u20AC"},
      {"four bytes", "\xF0\x9F\x98\x80", U"\U0001F600"},
      {"highest scalar", "\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      {"lone continuation", "\x80x", U"\uFFFDx"},
      {"invalid lead bytes", "\xC0\xC1\xF5\xFF", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"overlong two bytes", "\xC0\xAF", U"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\xAF", U"\uFFFD\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},
      {"above the code space", "\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"truncated sequence is one replacement", "\xE2\x82x", U"\uFFFDx"},
      {"truncated four bytes at the end", "\xF0\x9F\x98", U"\uFFFD"},
      {"lead then ascii", "\xC3(", U"\uFFFD("},
  };
  for (const Case& c : cases) EXPECT_EQ(decode(c.bytes), c.chars) << c.name;
}

TEST(Utf8, EncodeRoundTripsAndReplacesNonScalars) {
  const std::u32string chars = U"a\u00E9\u20AC\U0001F600";
  EXPECT_EQ(decode(encode(chars)), chars);
  EXPECT_EQ(encode(std::u32string(1, char32_t{0xD800})), "\xEF\xBF\xBD");
  EXPECT_EQ(encode(std::u32string(1, char32_t{0x110000})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kelo_core::utf8
