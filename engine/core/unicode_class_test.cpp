#include "core/unicode_class.h"

#include <gtest/gtest.h>

namespace kelo_core::unicode {
namespace {

TEST(UnicodeClass, IdentifierClasses) {
  struct Case {
    char32_t cp;
    bool alphabetic;
    bool numeric;
  };
  const Case cases[] = {
      {U'A', true, false},      {U'1', false, true},     {0xAA, true, false},    {0xB2, false, true},
      {0xE9, true, false},      {0x0663, false, true},   {0x4E00, true, false},  {0x2160, true, true},
      {0x20AC, false, false},   {0xA0, false, false},    {0x1F600, false, false}, {0x10FFFF, false, false},
      {0x1D7CE, false, true},   {0x0000, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_alphabetic(c.cp), c.alphabetic) << std::hex << static_cast<unsigned>(c.cp);
    EXPECT_EQ(is_numeric(c.cp), c.numeric) << std::hex << static_cast<unsigned>(c.cp);
  }
}

TEST(UnicodeClass, WhiteSpace) {
  struct Case {
    char32_t cp;
    bool white_space;
  };
  const Case cases[] = {
      {0x09, true},    {0x0D, true},   {0x20, true},    {0x85, true},   {0xA0, true},
      {0x1680, true},  {0x2000, true}, {0x200A, true},  {0x2028, true}, {0x2029, true},
      {0x202F, true},  {0x205F, true}, {0x3000, true},  {0x08, false},  {0x0E, false},
      {0x1F, false},   {U'x', false},  {0x200B, false}, {0xFEFF, false}, {0x180E, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_white_space(c.cp), c.white_space) << std::hex << static_cast<unsigned>(c.cp);
  }
}

}  // namespace
}  // namespace kelo_core::unicode
