#include "core/lexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/utf8.h"

namespace kelo_core::lexer {
namespace {

using token::Token;
using token::TokenKind;

// "Kind text" per token, "|" between; Newline and Eof show their kind only.
std::string describe(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) {
    if (!out.empty()) out += '|';
    out += token::kind_name(t.kind);
    if (t.kind != TokenKind::Newline && t.kind != TokenKind::Eof) out += " " + t.text;
  }
  return out;
}

struct SequenceCase {
  const char* name;
  std::string source;
  std::string expected;
};

TEST(Lexer, TokenSequences) {
  const std::vector<SequenceCase> cases = {
      {"empty source gives only eof", "", "Eof"},
      {"line feed inside parentheses gives no newline", "a(\n1)\nb",
       "Identifier a|Punct (|Int 1|Punct )|Newline|Identifier b|Newline|Eof"},
      {"line feed after an operator gives no newline", "a +\nb",
       "Identifier a|Operator +|Identifier b|Newline|Eof"},
      {"line feed after open brace gives none", "{\n", "Punct {|Eof"},
      {"line feed after close brace gives one", "}\n", "Punct }|Newline|Eof"},
      {"blank lines collapse into one newline", "a\n\n\n\nb",
       "Identifier a|Newline|Identifier b|Newline|Eof"},
      {"line feed inside brackets gives none", "[\n]\n", "Punct [|Punct ]|Newline|Eof"},
      {"unbalanced close does not go below zero", ")\n(\nx\n",
       "Punct )|Newline|Punct (|Identifier x|Newline|Eof"},
      {"comma and semicolon continue the statement", "a,\nb;\n",
       "Identifier a|Punct ,|Identifier b|Punct ;|Eof"},
      {"terminating keywords", "return\nnow\ntrue\nfalse\nnone\nbreak\ncontinue\n",
       "Keyword return|Newline|Keyword now|Newline|Keyword true|Newline|Keyword false|Newline|"
       "Keyword none|Newline|Keyword break|Newline|Keyword continue|Newline|Eof"},
      {"other keywords do not terminate", "let\nelse\n", "Keyword let|Keyword else|Eof"},
      {"keywords are case-sensitive", "Let atNewBar", "Identifier Let|Keyword atNewBar|Eof"},
      {"range between integers", "1..5", "Int 1|Operator ..|Int 5|Newline|Eof"},
      {"inclusive range", "1..=5", "Int 1|Operator ..=|Int 5|Newline|Eof"},
      {"fraction", "1.5", "Num 1.5|Newline|Eof"},
      {"leading point", ".5", "Num .5|Newline|Eof"},
      {"exponent", "1e3", "Num 1e3|Newline|Eof"},
      {"exponent upper case with sign", "1E+3", "Num 1e+3|Newline|Eof"},
      {"negative exponent", "2.5E-3", "Num 2.5e-3|Newline|Eof"},
      {"underscores dropped", "1_000_000", "Int 1000000|Newline|Eof"},
      {"trailing underscore", "1_", "Int 1|Newline|Eof"},
      {"two points make two numbers", "1.2.3", "Num 1.2|Num .3|Newline|Eof"},
      {"point then identifier is member access", "1.e5",
       "Int 1|Operator .|Identifier e5|Newline|Eof"},
      {"short date is no time literal", "2024.3.1", "Num 2024.3|Num .1|Newline|Eof"},
      {"durations", "250ms 2w", "Duration 250ms|Duration 2w|Newline|Eof"},
      {"underscore before unit", "5_ms", "Duration 5ms|Newline|Eof"},
      {"unknown suffix gives a num", "3px", "Num 3|Newline|Eof"},
      {"hex is no number form", "0x1F", "Num 0|Newline|Eof"},
      {"lone e is a suffix", "1e", "Num 1|Newline|Eof"},
      {"text literals back to back", "'a''b'", "Text a|Text b|Newline|Eof"},
      {"other quote is plain text", "\"it's\"", "Text it's|Newline|Eof"},
      {"longest operators win", "a**=b..=c==d!=e<=f>=g&&h||i??j**k+=l-=m*=n/=o%=p|>q->r=>s",
       "Identifier a|Operator **=|Identifier b|Operator ..=|Identifier c|Operator ==|Identifier d|"
       "Operator !=|Identifier e|Operator <=|Identifier f|Operator >=|Identifier g|Operator &&|"
       "Identifier h|Operator |||Identifier i|Operator ??|Identifier j|Operator **|Identifier k|"
       "Operator +=|Identifier l|Operator -=|Identifier m|Operator *=|Identifier n|Operator /=|"
       "Identifier o|Operator %=|Identifier p|Operator |>|Identifier q|Operator ->|Identifier r|"
       "Operator =>|Identifier s|Newline|Eof"},
      {"single operators", "+-*/%<>!=?:.",
       "Operator +|Operator -|Operator *|Operator /|Operator %|"
       "Operator <|Operator >|Operator !=|Operator ?|Operator :|Operator .|Eof"},
      {"punctuation", "()[]{},;",
       "Punct (|Punct )|Punct [|Punct ]|Punct {|Punct }|Punct ,|Punct ;|Eof"},
      {"line comment keeps its line feed", "a // note\nb",
       "Identifier a|Newline|Identifier b|Newline|Eof"},
      {"nested block comment ends at the outer close", "/* a /* b */ c */x",
       "Identifier x|Newline|Eof"},
      {"slash alone is division", "a/b", "Identifier a|Operator /|Identifier b|Newline|Eof"},
      {"accented letter starts an identifier", "\xC3\xA9t\xC3\xA9",
       "Identifier \xC3\xA9t\xC3\xA9|Newline|Eof"},
      {"superscript digit continues an identifier", "x\xC2\xB2",
       "Identifier x\xC2\xB2|Newline|Eof"},
      {"feminine ordinal starts an identifier", "\xC2\xAA", "Identifier \xC2\xAA|Newline|Eof"},
      {"non-ascii digit continues but does not start", "a\xD9\xA3 \xD9\xA3",
       "Identifier a\xD9\xA3|Newline|Eof"},
      {"unexpected characters are skipped", "a @ & | b", "Identifier a|Identifier b|Newline|Eof"},
      {"date then identifier", "2024.03.01 x", "Time 2024.03.01 00:00:00|Identifier x|Newline|Eof"},
  };
  for (const SequenceCase& c : cases) {
    diag::Diagnostics diagnostics("t.kelo");
    EXPECT_EQ(describe(lex(c.source, diagnostics)), c.expected) << c.name;
  }
}

struct ValueCase {
  const char* name;
  std::string source;
  TokenKind kind;
  std::string text;
  double value;
};

TEST(Lexer, LiteralValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<ValueCase> cases = {
      {"integer", "42", TokenKind::Int, "42", 42},
      {"underscored integer", "1_000_000", TokenKind::Int, "1000000", 1000000},
      {"integer beyond int64 stays a double", "99999999999999999999", TokenKind::Int,
       "99999999999999999999", 1e20},
      {"overflowing exponent is infinity", "1e400", TokenKind::Num, "1e400", inf},
      {"underflowing exponent is zero", "1e-400", TokenKind::Num, "1e-400", 0},
      {"leading point", ".5", TokenKind::Num, ".5", 0.5},
      {"signed exponent", "1E+3", TokenKind::Num, "1e+3", 1000},
      {"milliseconds", "250ms", TokenKind::Duration, "250ms", 250},
      {"seconds", "1_0s", TokenKind::Duration, "10s", 10000},
      {"minutes", "2m", TokenKind::Duration, "2m", 120000},
      {"fractional hours", "1.5h", TokenKind::Duration, "1.5h", 5400000},
      {"days", "1d", TokenKind::Duration, "1d", 86400000},
      {"weeks", "2w", TokenKind::Duration, "2w", 1209600000},
      {"unknown suffix keeps the number", "3px", TokenKind::Num, "3", 3},
      {"hex digits are a suffix", "0x1F", TokenKind::Num, "0", 0},
      {"three-digit colour", "#abc", TokenKind::Color, "#abc", 0xAABBCCFFu},
      {"four-digit colour", "#abcd", TokenKind::Color, "#abcd", 0xAABBCCDDu},
      {"six-digit colour is opaque", "#112233", TokenKind::Color, "#112233", 0x112233FFu},
      {"eight-digit colour", "#11223344", TokenKind::Color, "#11223344", 0x11223344u},
      {"upper-case colour", "#FFFFFFFF", TokenKind::Color, "#FFFFFFFF", 0xFFFFFFFFu},
      {"five-digit colour is zero", "#12345", TokenKind::Color, "#12345", 0},
      {"lone hash is zero", "#", TokenKind::Color, "#", 0},
      {"date", "2024.03.01", TokenKind::Time, "2024.03.01 00:00:00", 1709251200000.0},
      {"date and time", "2024.03.01 12:30", TokenKind::Time, "2024.03.01 12:30:00",
       1709296200000.0},
      {"two spaces and seconds", "2024.03.01  12:30:15", TokenKind::Time, "2024.03.01 12:30:15",
       1709296215000.0},
      {"year zero uses floor division", "0000.01.01", TokenKind::Time, "0000.01.01 00:00:00",
       -62167219200000.0},
      {"year zero in march", "0000.03.01", TokenKind::Time, "0000.03.01 00:00:00",
       -62162035200000.0},
      {"no range test on the day", "2024.02.30", TokenKind::Time, "2024.02.30 00:00:00",
       1709251200000.0},
      {"epoch plus a second", "1970.01.01 00:00:01", TokenKind::Time, "1970.01.01 00:00:01", 1000},
      {"minute that is no number is zero", "2024.03.01 12:ab", TokenKind::Time,
       "2024.03.01 12:00:00", 1709294400000.0},
      {"one minute digit at the end", "2024.03.01 12:7", TokenKind::Time, "2024.03.01 12:07:00",
       1709294820000.0},
      {"unicode escape", "'\\u0041'", TokenKind::Text, "A", 0},
      {"short unicode escape", "'\\u41x'", TokenKind::Text, "Ax", 0},
      {"three hex digits", "'\\u41b'", TokenKind::Text, "\xD0\x9B", 0},
      {"at most four hex digits", "'\\u00410'", TokenKind::Text, "A0", 0},
      {"braces are plain text", "'\\u{41}'", TokenKind::Text, "{41}", 0},
      {"surrogate gives nothing", "'\\uD800x'", TokenKind::Text, "x", 0},
      {"escape without digits gives nothing", "'\\ux'", TokenKind::Text, "x", 0},
      {"control escapes", "'\\n\\t\\r'", TokenKind::Text, "\n\t\r", 0},
      {"nul escape", "'a\\0b'", TokenKind::Text, std::string("a\0b", 3), 0},
      {"other escapes give the character", "'\\q\\'\\\"\\\\'", TokenKind::Text, "q'\"\\", 0},
      {"escaped line feed", "'a\\\nb'", TokenKind::Text, "a\nb", 0},
      {"non-ascii text", "\"\xC3\xA9\"", TokenKind::Text, "\xC3\xA9", 0},
  };
  for (const ValueCase& c : cases) {
    diag::Diagnostics diagnostics("t.kelo");
    std::vector<Token> tokens = lex(c.source, diagnostics);
    ASSERT_GE(tokens.size(), 2u) << c.name;
    EXPECT_EQ(tokens[0].kind, c.kind) << c.name;
    EXPECT_EQ(tokens[0].text, c.text) << c.name;
    EXPECT_EQ(tokens[0].value, c.value) << c.name;
    EXPECT_EQ(tokens[0].span.end.offset, utf8::decode(c.source).size()) << c.name << ": one token";
  }
}

struct DiagnosticCase {
  const char* name;
  std::string source;
  const char* code;
  std::string message;
  diag::Span span;
  std::string tokens;
};

diag::Span span(std::uint32_t start, std::uint32_t end, std::uint32_t line = 1) {
  return {{start, line, start + 1}, {end, line, end + 1}};
}

TEST(Lexer, Diagnostics) {
  const std::vector<DiagnosticCase> cases = {
      {"unterminated block comment", "x /* a /* b */", "KELO1001", "Unterminated block comment",
       span(2, 14), "Identifier x|Newline|Eof"},
      {"unterminated text at the end", "'abc", "KELO1002", "Unterminated text literal", span(0, 4),
       "Text abc|Newline|Eof"},
      {"line feed ends a text literal", "'abc\nx", "KELO1002", "Unterminated text literal",
       span(0, 4), "Text abc|Newline|Identifier x|Newline|Eof"},
      {"backslash at the very end", "'ab\\", "KELO1002", "Unterminated text literal", span(0, 4),
       "Text ab|Newline|Eof"},
      {"five colour digits", "#12345", "KELO1003", "Colour needs 3, 4, 6 or 8 hex digits, got 5",
       span(0, 6), "Color #12345|Newline|Eof"},
      {"lone hash", "#", "KELO1003", "Colour needs 3, 4, 6 or 8 hex digits, got 0", span(0, 1),
       "Color #|Newline|Eof"},
      {"hash before a letter", "#xyz", "KELO1003", "Colour needs 3, 4, 6 or 8 hex digits, got 0",
       span(0, 1), "Color #|Identifier xyz|Newline|Eof"},
      {"unknown suffix", "3px", "KELO1004",
       "Unknown suffix 'px'. Durations use ms, s, m, h, d or w", span(0, 3), "Num 3|Newline|Eof"},
      {"hex literal", "0x1F", "KELO1004", "Unknown suffix 'x1F'. Durations use ms, s, m, h, d or w",
       span(0, 4), "Num 0|Newline|Eof"},
      {"upper-case unit", "5MS", "KELO1004",
       "Unknown suffix 'MS'. Durations use ms, s, m, h, d or w", span(0, 3), "Num 5|Newline|Eof"},
      {"at sign", "@", "KELO1005", "Unexpected character '@'", span(0, 1), "Eof"},
      {"lone ampersand", "a &", "KELO1005", "Unexpected character '&'", span(2, 3),
       "Identifier a|Newline|Eof"},
      {"lone bar", "|", "KELO1005", "Unexpected character '|'", span(0, 1), "Eof"},
      {"non-ascii symbol", "a \xE2\x82\xAC", "KELO1005", "Unexpected character '\xE2\x82\xAC'",
       span(2, 3), "Identifier a|Newline|Eof"},
      {"invalid utf-8 reads as a replacement", "\xFF", "KELO1005",
       "Unexpected character '\xEF\xBF\xBD'", span(0, 1), "Eof"},
      {"byte order mark", "\xEF\xBB\xBFx", "KELO1005", "Unexpected character '\xEF\xBB\xBF'",
       span(0, 1), "Identifier x|Newline|Eof"},
      {"no-break space is not blank", "\xC2\xA0", "KELO1005", "Unexpected character '\xC2\xA0'",
       span(0, 1), "Eof"},
  };
  for (const DiagnosticCase& c : cases) {
    diag::Diagnostics diagnostics("t.kelo");
    std::vector<Token> tokens = lex(c.source, diagnostics);
    EXPECT_EQ(describe(tokens), c.tokens) << c.name;
    ASSERT_EQ(diagnostics.items.size(), 1u) << c.name;
    const diag::Diagnostic& d = diagnostics.items[0];
    EXPECT_EQ(d.code, c.code) << c.name;
    EXPECT_EQ(d.message, c.message) << c.name;
    EXPECT_EQ(d.span, c.span) << c.name;
    EXPECT_EQ(d.severity, diag::Severity::Error) << c.name;
    EXPECT_TRUE(d.related.empty()) << c.name;
  }
}

TEST(Lexer, DiagnosticsAppendWithoutClearing) {
  diag::Diagnostics diagnostics("t.kelo");
  diagnostics.warning("KELO3031", "earlier", {});
  lex("@ #1 'x", diagnostics);
  ASSERT_EQ(diagnostics.items.size(), 4u);
  EXPECT_EQ(diagnostics.items[0].message, "earlier");
  EXPECT_EQ(diagnostics.items[1].code, "KELO1005");
  EXPECT_EQ(diagnostics.items[2].code, "KELO1003");
  EXPECT_EQ(diagnostics.items[3].code, "KELO1002");
}

struct PositionCase {
  const char* name;
  std::string source;
  std::size_t index;  // of the token
  diag::Span span;
};

TEST(Lexer, Positions) {
  const std::vector<PositionCase> cases = {
      {"empty source eof", "", 0, {{0, 1, 1}, {0, 1, 1}}},
      {"first identifier", "ab\n  cd", 0, {{0, 1, 1}, {2, 1, 3}}},
      {"newline spans the line feed", "ab\n  cd", 1, {{2, 1, 3}, {3, 2, 1}}},
      {"identifier on the second line", "ab\n  cd", 2, {{5, 2, 3}, {7, 2, 5}}},
      {"final newline is empty at the end", "ab\n  cd", 3, {{7, 2, 5}, {7, 2, 5}}},
      {"eof at the end", "ab\n  cd", 4, {{7, 2, 5}, {7, 2, 5}}},
      {"two-byte letter is one character", "\xC3\xA9", 0, {{0, 1, 1}, {1, 1, 2}}},
      {"offsets after non-ascii count characters",
       "\xC3\xA9 \xF0\x9F\x98\x80 x",
       1,
       {{4, 1, 5}, {5, 1, 6}}},
      {"tab and carriage return are one column", "\t\rx", 0, {{2, 1, 3}, {3, 1, 4}}},
      {"block comment advances lines", "/*\n\n*/x", 0, {{6, 3, 3}, {7, 3, 4}}},
      {"escaped line feed advances the line", "'a\\\nb' c", 1, {{7, 2, 4}, {8, 2, 5}}},
      {"duration spans its suffix", "x 15ms", 1, {{2, 1, 3}, {6, 1, 7}}},
      {"time spans its seconds", "2024.03.01  12:30:15 x", 0, {{0, 1, 1}, {20, 1, 21}}},
      {"time without a time part leaves the spaces",
       "2024.03.01  x",
       1,
       {{12, 1, 13}, {13, 1, 14}}},
      {"minute at the end stops at the end", "2024.03.01 12:", 0, {{0, 1, 1}, {14, 1, 15}}},
      {"minute is read across a line feed", "2024.03.01 12:\nx", 0, {{0, 1, 1}, {16, 2, 2}}},
      {"identifier mixing ascii and accents",
       "ab\xC3\xA9"
       "cd x",
       1,
       {{6, 1, 7}, {7, 1, 8}}},
      {"identifier before a non-ascii symbol", "abc\xE2\x82\xAC x", 0, {{0, 1, 1}, {3, 1, 4}}},
  };
  for (const PositionCase& c : cases) {
    diag::Diagnostics diagnostics("t.kelo");
    std::vector<Token> tokens = lex(c.source, diagnostics);
    ASSERT_LT(c.index, tokens.size()) << c.name;
    EXPECT_EQ(tokens[c.index].span, c.span) << c.name;
  }
}

TEST(Lexer, TokenFieldsAndLabels) {
  diag::Diagnostics diagnostics("t.kelo");
  std::vector<Token> tokens = lex("x 'a b'\n", diagnostics);
  ASSERT_EQ(tokens.size(), 4u);
  EXPECT_EQ(tokens[0].label(), "'x'");
  EXPECT_EQ(tokens[1].label(), "'a b'");
  EXPECT_EQ(tokens[2].label(), "end of line");
  EXPECT_EQ(tokens[2].text, "\n");
  EXPECT_EQ(tokens[3].label(), "end of file");
  EXPECT_EQ(tokens[3].text, "");
  for (const Token& t : tokens) EXPECT_EQ(t.value, 0);
  EXPECT_EQ(static_cast<int>(TokenKind::Identifier), 0);
  EXPECT_EQ(static_cast<int>(TokenKind::Color), 7);
  EXPECT_EQ(static_cast<int>(TokenKind::Eof), 11);
  EXPECT_EQ(sizeof(TokenKind), 1u);
}

TEST(Lexer, Helpers) {
  EXPECT_FALSE(Lexer::can_terminate({}));
  EXPECT_TRUE(token::is_keyword("continue"));
  EXPECT_FALSE(token::is_keyword("Continue"));
}

// Keywords, operators and punctuation carry one plus their index in the table of their
// kind; every other token carries 0.
TEST(Lexer, TableCodes) {
  std::string source;
  for (std::string_view k : token::kKeywords) (source += k) += ' ';
  for (std::string_view o : token::kOperators) (source += o) += ' ';
  for (char p : token::kPunctuation) (source += p) += ' ';
  source += "x 1 2.5 'a' 5s #fff 2024.01.01\n";
  diag::Diagnostics diagnostics("t.kelo");
  const std::vector<Token> tokens = lex(source, diagnostics);
  EXPECT_FALSE(diagnostics.has_errors());
  const std::size_t fixed =
      token::kKeywords.size() + token::kOperators.size() + token::kPunctuation.size();
  ASSERT_EQ(tokens.size(), fixed + 9);
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    const std::size_t expected =
        i < token::kKeywords.size()                              ? i + 1
        : i < token::kKeywords.size() + token::kOperators.size() ? i + 1 - token::kKeywords.size()
        : i < fixed ? i + 1 - token::kKeywords.size() - token::kOperators.size()
                    : 0;
    EXPECT_EQ(t.code, expected) << i << " " << t.text;
    EXPECT_EQ(token::table_code(t.kind, t.text), expected) << i << " " << t.text;
  }
  EXPECT_EQ(token::table_code(TokenKind::Keyword, "Let"), 0);
  EXPECT_EQ(token::table_code(TokenKind::Operator, "**=="), 0);
  EXPECT_EQ(token::table_code(TokenKind::Punct, "(("), 0);
  EXPECT_EQ(token::table_code(TokenKind::Identifier, "("), 0);
}

// Tokens made by hand carry no code; the checks then read their text.
TEST(Lexer, CanTerminateReadsTheTextOfHandMadeTokens) {
  struct Case {
    TokenKind kind;
    const char* text;
    bool terminates;
  };
  const std::vector<Case> cases = {
      {TokenKind::Keyword, "return", true}, {TokenKind::Keyword, "continue", true},
      {TokenKind::Keyword, "let", false},   {TokenKind::Punct, ")", true},
      {TokenKind::Punct, "}", true},        {TokenKind::Punct, "(", false},
      {TokenKind::Operator, "+", false},    {TokenKind::Identifier, "return", true},
  };
  for (const Case& c : cases) {
    Token t;
    t.kind = c.kind;
    t.text = c.text;
    EXPECT_EQ(Lexer::can_terminate({t}), c.terminates) << c.text;
  }
}

TEST(Lexer, LargeInputsStayLinear) {
  diag::Diagnostics diagnostics("big.kelo");
  const std::vector<Token> brackets = lex(std::string(100000, '(') + "x\n", diagnostics);
  ASSERT_EQ(brackets.size(), 100003u);  // no Newline inside the brackets, one at the end
  EXPECT_EQ(brackets[100001].kind, TokenKind::Newline);
  std::string comments;
  for (int i = 0; i < 20000; ++i) comments += "/*";
  const std::vector<Token> eof_only = lex(comments, diagnostics);
  EXPECT_EQ(describe(eof_only), "Eof");
  ASSERT_EQ(diagnostics.items.size(), 1u);
  EXPECT_EQ(diagnostics.items[0].code, "KELO1001");
  EXPECT_EQ(diagnostics.items[0].span.end.offset, 40000u);
}

// Random input must never crash, hang or put a position past the end of the text.
TEST(Lexer, RandomInputStaysInBounds) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab1_9.e+-#'\"\\u0041/*\n \t:@|&()[]{}ms\xC3\xA9\xFF\x80";
  for (int round = 0; round < 3000; ++round) {
    std::string source;
    const std::size_t length = rng() % 64;
    for (std::size_t i = 0; i < length; ++i) {
      source.push_back(round % 3 == 0 ? static_cast<char>(rng() & 0xFF)
                                      : alphabet[rng() % alphabet.size()]);
    }
    diag::Diagnostics diagnostics("fuzz.kelo");
    const std::vector<Token> tokens = lex(source, diagnostics);
    const std::size_t count = utf8::decode(source).size();
    ASSERT_FALSE(tokens.empty());
    ASSERT_EQ(tokens.back().kind, TokenKind::Eof);
    std::uint32_t previous_end = 0;
    for (const Token& t : tokens) {
      ASSERT_LE(t.span.start.offset, t.span.end.offset) << source;
      ASSERT_LE(t.span.end.offset, count) << source;
      ASSERT_LE(previous_end, t.span.start.offset) << source;
      previous_end = t.span.end.offset;
    }
    for (const diag::Diagnostic& d : diagnostics.items)
      ASSERT_LE(d.span.end.offset, count) << source;
  }
}

}  // namespace
}  // namespace kelo_core::lexer
