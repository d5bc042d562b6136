#include "core/unicode_case.h"

#include <gtest/gtest.h>

namespace kelo_core::unicode {
namespace {

TEST(UnicodeCase, MapsEachCharacterFully) {
  struct Row {
    const char* name;
    const char* text;
    const char* lower;
    const char* upper;
  };
  const Row rows[] = {
      {"ASCII letters only", "aZ09_-", "az09_-", "AZ09_-"},
      {"empty", "", "", ""},
      {"Latin-1 accents", "\xC3\x89t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89"},
      {"sharp s widens in upper case", "stra\xC3\x9F" "e", "stra\xC3\x9F" "e", "STRASSE"},
      {"dotted capital I gains a combining dot", "\xC4\xB0", "i\xCC\x87", "\xC4\xB0"},
      {"dotless i", "\xC4\xB1", "\xC4\xB1", "I"},
      {"sigma has no final form", "\xCE\xA3\xCE\xA3", "\xCF\x83\xCF\x83", "\xCE\xA3\xCE\xA3"},
      {"titlecase digraph", "\xC7\x85", "\xC7\x86", "\xC7\x84"},
      {"three characters in upper case", "\xCE\x90", "\xCE\x90", "\xCE\x99\xCC\x88\xCC\x81"},
      {"beyond the BMP", "\xF0\x9E\xA4\x80\xF0\x9E\xA4\xA2", "\xF0\x9E\xA4\xA2\xF0\x9E\xA4\xA2",
       "\xF0\x9E\xA4\x80\xF0\x9E\xA4\x80"},
      {"uncased characters stay", "\xE2\x82\xAC" "1\xE4\xB8\x80", "\xE2\x82\xAC" "1\xE4\xB8\x80",
       "\xE2\x82\xAC" "1\xE4\xB8\x80"},
      {"invalid bytes become U+FFFD", "A\xFF", "a\xEF\xBF\xBD", "A\xEF\xBF\xBD"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(to_lower(row.text), row.lower) << row.name;
    EXPECT_EQ(to_upper(row.text), row.upper) << row.name;
  }
}

TEST(UnicodeCase, AppendsOneCharacter) {
  std::string out = "x";
  append_lower(out, 0x130);
  append_upper(out, 0xFB03);  // the ffi ligature
  append_lower(out, U'Q');
  append_upper(out, 0x10FFFF);
  EXPECT_EQ(out, "xi\xCC\x87" "FFIq\xF4\x8F\xBF\xBF");
}

}  // namespace
}  // namespace kelo_core::unicode
