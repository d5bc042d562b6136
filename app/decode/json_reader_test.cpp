#include "decode/json_reader.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <string>

namespace zx::decode {
namespace {

// The verdict on a whole text: "" when it reads, else the reason with its offset.
std::string verdict(const QByteArray& json) {
  JsonReader r(std::string_view(json.data(), size_t(json.size())));
  r.skip(r.beginDocument());
  r.endDocument();
  return r.syntaxError().toStdString();
}

std::string reason(const char* what, int offset) {
  return "The data is not valid JSON: " + std::string(what) + " at offset " +
         std::to_string(offset) + ".";
}

// Every reason the reader gives, at the offset replies were always refused with, and the
// loose forms they were always accepted in.
TEST(JsonReader, VerdictsAndOffsets) {
  struct Row {
    const char* behaviour;
    QByteArray json;
    std::string verdict;
  };
  const QList<Row> rows = {
      {"white space and a byte order mark around the top level",
       "\xEF\xBB\xBF \t\r\n{ \"a\" : [ 1 , 2 ] } \n", ""},
      {"a byte order mark alone is a character", "\xEF\xBB\xBF", reason("illegal value", 1)},
      {"a second byte order mark", "\xEF\xBB\xBF\xEF\xBB\xBF[]", reason("illegal value", 4)},
      {"nothing at all", "", reason("illegal value", 0)},
      {"only white space", " ", reason("illegal value", 1)},
      {"a top-level literal", "null", reason("illegal value", 1)},
      {"a top-level text", "\"x\"", reason("illegal value", 1)},
      {"loose numbers", "[1.,.5,-.5,1.e5,0e-400,1E+2]", ""},
      {"an unknown escape, a raw control character and a lone surrogate",
       "[\"\\x\\u00e9\x01\\ud800\"]", ""},
      {"an escaped byte above ASCII", "[\"\\\xC3\"]", ""},
      {"a leading zero", "[01]", reason("missing value separator", 3)},
      {"a plus sign", "[+1]", reason("illegal number", 1)},
      {"a sign alone", "[-]", reason("illegal number", 2)},
      {"an exponent without digits", "[1e]", reason("illegal number", 3)},
      {"beyond a double", "[1e400]", reason("illegal number", 6)},
      {"rounding to zero", "[2e-324]", reason("illegal number", 7)},
      {"a number that ends the text", "[1", reason("invalid termination by number", 2)},
      {"a literal that ends the text", "[true", reason("illegal value", 2)},
      {"a literal misspelt", "[nul,1]", reason("illegal value", 5)},
      {"a capital literal", "[True]", reason("illegal number", 1)},
      {"a comma for a value", "[1,,2]", reason("illegal value", 4)},
      {"a comma before the end", "[1,]", reason("object is missing after a comma", 4)},
      {"a comma before the end of an object", "{\"a\":1,}",
       reason("object is missing after a comma", 8)},
      {"no comma between values", "[1 x ]", reason("missing value separator", 5)},
      {"no comma, then only white space", "[1 x ", reason("unterminated array", 5)},
      {"a list closed as an object", "[1}", reason("unterminated array", 3)},
      {"an object closed as a list", "{\"a\":1]", reason("unterminated object", 7)},
      {"a key without quotes", "{a:1}", reason("unterminated object", 2)},
      {"no colon", "{\"a\" 1}", reason("missing name separator", 6)},
      {"a key that ends the text", "{\"a\"", reason("unterminated string", 4)},
      {"a text cut short", "[\"abc", reason("unterminated string", 6)},
      {"a text whose first escape ends the text", "[\"ab\\", reason("unterminated string", 5)},
      {"a text whose later escape ends the text", "[\"\\x\\", reason("invalid escape sequence", 5)},
      {"a \\u escape with too few characters left", "[\"\\u12\"",
       reason("invalid escape sequence", 4)},
      {"a \\u escape with a bad digit", "[\"\\u12G4\"]", reason("invalid escape sequence", 6)},
      {"bad UTF-8", "[\"a\xFF\"]", reason("invalid UTF8 string", 3)},
      {"an encoded surrogate", "[\"\xED\xA0\x80\"]", reason("invalid UTF8 string", 2)},
      {"an overlong form", "[\"\xC0\x80\"]", reason("invalid UTF8 string", 2)},
      {"past U+10FFFF", "[\"\xF4\x90\x80\x80\"]", reason("invalid UTF8 string", 2)},
      {"lists nested 1024 deep", QByteArray(1024, '[') + QByteArray(1024, ']'), ""},
      {"lists nested 1025 deep", QByteArray(1025, '[') + QByteArray(1025, ']'),
       reason("too deeply nested document", 1025)},
      {"objects count toward the depth", "{\"a\":" + QByteArray(1024, '['),
       reason("too deeply nested document", 1029)},
      {"garbage after the top level", "[] x", reason("garbage at the end of the document", 3)},
      {"a NUL after the top level", QByteArray("[]\0", 3),
       reason("garbage at the end of the document", 2)},
  };
  for (const Row& row : rows) EXPECT_EQ(verdict(row.json), row.verdict) << row.behaviour;
}

}  // namespace
}  // namespace zx::decode
