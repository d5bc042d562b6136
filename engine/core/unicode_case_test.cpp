#include "core/unicode_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/utf8.h"

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
      {"capital sigmas stay in upper case", "\xCE\xA3\xCE\xA3", "\xCF\x83\xCF\x82",
       "\xCE\xA3\xCE\xA3"},
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

// U+03A3 lower-cases to U+03C2 at the end of a word and to U+03C3 elsewhere. In bytes:
// CE A3 capital sigma, CF 83 sigma, CF 82 final sigma, CE 91 / CE B1 capital / small alpha,
// CE 9F / CE BF capital / small omicron.
TEST(UnicodeCase, LowersCapitalSigmaByContext) {
  struct Row {
    const char* name;
    const char* text;
    const char* lower;
  };
  const Row rows[] = {
      {"final after a letter, medial before one", "\xCE\xA3\xCE\x91\xCE\xA3",
       "\xCF\x83\xCE\xB1\xCF\x82"},
      {"alone", "\xCE\xA3", "\xCF\x83"},
      {"first in a word", "\xCE\xA3\xCE\x91", "\xCF\x83\xCE\xB1"},
      {"two in a row", "\xCE\x91\xCE\xA3\xCE\xA3", "\xCE\xB1\xCF\x83\xCF\x82"},
      {"before a space", "\xCE\x91\xCE\xA3 \xCE\x91", "\xCE\xB1\xCF\x82 \xCE\xB1"},
      {"before a comma, which is not case-ignorable", "\xCE\x91\xCE\xA3,\xCE\x91",
       "\xCE\xB1\xCF\x82,\xCE\xB1"},
      {"before a full stop that ends the text", "\xCE\x91\xCE\xA3.", "\xCE\xB1\xCF\x82."},
      {"an apostrophe is skipped before a letter", "\xCE\x91\xCE\xA3'\xCE\x91",
       "\xCE\xB1\xCF\x83'\xCE\xB1"},
      {"a full stop is skipped before a letter", "\xCE\x91\xCE\xA3.\xCE\x91",
       "\xCE\xB1\xCF\x83.\xCE\xB1"},
      {"an apostrophe is skipped after a letter", "\xCE\x91'\xCE\xA3", "\xCE\xB1'\xCF\x82"},
      {"only case-ignorable characters before", "'\xCE\xA3", "'\xCF\x83"},
      {"combining accents are skipped on both sides", "\xCE\x91\xCC\x81\xCE\xA3\xCC\x81",
       "\xCE\xB1\xCC\x81\xCF\x82\xCC\x81"},
      {"a soft hyphen is skipped before a letter", "\xCE\x91\xCE\xA3\xC2\xAD\xCE\x91",
       "\xCE\xB1\xCF\x83\xC2\xAD\xCE\xB1"},
      {"after a digit", "1\xCE\xA3", "1\xCF\x83"},
      {"after a Latin letter", "a\xCE\xA3", "a\xCF\x82"},
      {"before a Latin letter", "\xCE\x91\xCE\xA3" "b", "\xCE\xB1\xCF\x83" "b"},
      {"after a letter beyond the BMP", "\xF0\x9E\xA4\x80\xCE\xA3", "\xF0\x9E\xA4\xA2\xCF\x82"},
      {"after an uncased letter", "\xE4\xB8\x80\xCE\xA3", "\xE4\xB8\x80\xCF\x83"},
      {"after U+FFFD from a bad byte", "\xCE\x91\xFF\xCE\xA3", "\xCE\xB1\xEF\xBF\xBD\xCF\x83"},
      {"before a truncated sequence", "\xCE\x91\xCE\xA3\xCE", "\xCE\xB1\xCF\x82\xEF\xBF\xBD"},
      {"a cased modifier letter is skipped before", "\xCA\xB0\xCE\xA3", "\xCA\xB0\xCF\x83"},
      {"a cased modifier letter is skipped after", "\xCE\x91\xCE\xA3\xCA\xB0",
       "\xCE\xB1\xCF\x82\xCA\xB0"},
      {"each word on its own", "\xCE\x9F\xCE\xA3 \xCE\x9F\xCE\xA3\xCE\x9F\xCE\xA3",
       "\xCE\xBF\xCF\x82 \xCE\xBF\xCF\x83\xCE\xBF\xCF\x82"},
      {"a small final sigma stays", "\xCE\xB1\xCF\x82\xCE\xB1", "\xCE\xB1\xCF\x82\xCE\xB1"},
  };
  for (const Row& row : rows) EXPECT_EQ(to_lower(row.text), row.lower) << row.name;
}

TEST(UnicodeCase, FinalSigmaAcrossManyIgnorableRuns) {
  // Every sigma is followed by apostrophes and then another sigma, except the last.
  std::string text = "\xCE\x91";
  std::string want = "\xCE\xB1";
  const int count = 2000;
  for (int i = 0; i < count; ++i) {
    text += "\xCE\xA3''''";
    want += i + 1 < count ? "\xCF\x83''''" : "\xCF\x82''''";
  }
  EXPECT_EQ(to_lower(text), want);
}

TEST(UnicodeCase, AppendsOneCharacter) {
  std::string out = "x";
  append_lower(out, 0x130);
  append_upper(out, 0xFB03);  // the ffi ligature
  append_lower(out, U'Q');
  append_lower(out, 0x3A3);  // alone, with no context: never the final form
  append_upper(out, 0x10FFFF);
  EXPECT_EQ(out, "xi\xCC\x87" "FFIq\xCF\x83\xF4\x8F\xBF\xBF");
}

// The sizes are asked for before a long text is mapped, so they must be exact, sigma
// context and broken bytes included.
TEST(UnicodeCase, SizesMatchTheMappedTexts) {
  const char* texts[] = {
      "",
      "plain ascii",
      "\xCE\x91\xCE\xA3 \xCE\xA3\xCE\x91\xCE\xA3.",  // final and medial sigma
      "stra\xC3\x9F" "e",                                // sharp s becomes two letters
      "\xCE\x90\xCE\xB0",                              // each becomes three characters
      "\xEF\xAC\x83",                                   // the ffi ligature
      "\xC4\xB0",                                        // capital I with dot above
      "bad \xFF\xC3 bytes \xE2\x82",                   // each invalid part is one U+FFFD
      "\xF0\x9F\x98\x80 \xF0\x90\x90\x80",        // beyond the BMP
  };
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    EXPECT_EQ(lower_size(t), to_lower(t).size());
    EXPECT_EQ(upper_size(t), to_upper(t).size());
  }
}

// A mapped text is at most three times as long in bytes: the bound callers size by.
TEST(UnicodeCase, NoCharacterGrowsMoreThanThreefold) {
  std::size_t worst_upper = 0, worst_lower = 0;
  for (char32_t cp = 0x80; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string one;
    utf8::append(one, cp);
    std::string up, low;
    append_upper(up, cp);
    append_lower(low, cp);
    worst_upper = std::max(worst_upper, up.size() * 100 / one.size());
    worst_lower = std::max(worst_lower, low.size() * 100 / one.size());
  }
  EXPECT_EQ(worst_upper, 300u);  // U+0390 (2 bytes) becomes three characters of 6
  EXPECT_EQ(worst_lower, 150u);  // U+0130 (2 bytes) becomes i and a combining dot
}

}  // namespace
}  // namespace kelo_core::unicode
