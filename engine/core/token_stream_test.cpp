// Lexing a chunk at a time is lexing all at once: the same tokens, the same findings in
// the same order, and the same tree from the parser, wherever the chunks are cut.
#include "core/token_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/ast.h"
#include "core/lexer.h"
#include "core/parser.h"

namespace kelo_core::parser {
namespace {

using token::Token;

std::string dump(const Token& t) {
  char value[64];
  std::snprintf(value, sizeof value, "%a", t.value);
  return std::string(token::kind_name(t.kind)) + "/" + std::to_string(t.code) + " [" + t.text +
         "] " + value + " " + std::to_string(t.span.start.offset) + "-" +
         std::to_string(t.span.end.offset) + " " + std::to_string(t.span.end.line) + ":" +
         std::to_string(t.span.end.column);
}

const std::vector<std::string>& sources() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> out = {
        "",
        "x",
        "a(\n1)\nb",
        "f(1) // comment at the end",
        "let t = 'open\n",
        "x = (a, b) => a + b\n}\n@ #12 3px /* open",
        "2024.03.01 12:\n\xC3\xA9t\xC3\xA9 \xFF)",
    };
    // Lambdas and bracketed expressions whose brackets straddle every chunk boundary.
    std::string long_one = "script \"S\"\nlet xs = [";
    for (int i = 0; i < 900; ++i) {
      long_one += i % 3 == 0   ? "((a, b) => a + b)(1, 2), "
                  : i % 3 == 1 ? "(1 + (2 * 3)), "
                               : "f(x)(y), ";
    }
    long_one += "]\nlet z = (1 + \n";
    out.push_back(long_one);
    return out;
  }();
  return all;
}

TEST(TokenStream, ChunksGiveTheTokensOfOneRun) {
  for (const std::string& source : sources()) {
    diag::Diagnostics whole_findings("t.kelo");
    const std::vector<Token> whole = lexer::lex(source, whole_findings);
    for (std::size_t limit : {1u, 2u, 3u, 7u, 1024u}) {
      SCOPED_TRACE(source.substr(0, 40) + " / " + std::to_string(limit));
      diag::Diagnostics findings("t.kelo");
      lexer::Lexer lexer(source);
      std::vector<Token> all;
      bool more = true;
      while (more) {
        std::vector<Token> chunk;
        more = lexer.fill(chunk, limit, findings);
        ASSERT_LE(chunk.size(), limit);
        ASSERT_TRUE(more ? chunk.size() == limit : !chunk.empty() || !all.empty());
        for (Token& t : chunk) all.push_back(std::move(t));
      }
      ASSERT_EQ(all.size(), whole.size());
      for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(dump(all[i]), dump(whole[i])) << i;
      EXPECT_EQ(findings.render_all(), whole_findings.render_all());
      std::vector<Token> after;
      EXPECT_FALSE(lexer.fill(after, limit, findings));
      EXPECT_TRUE(after.empty());
    }
  }
}

TEST(TokenStream, ParsingAsItLexesGivesTheSameTree) {
  for (const std::string& source : sources()) {
    SCOPED_TRACE(source.substr(0, 40));
    diag::Diagnostics streamed("t.kelo");
    const ast::Program a = parse(source, streamed);
    diag::Diagnostics listed("t.kelo");
    Parser parser(lexer::lex(source, listed), listed);
    const ast::Program b = parser.parse_source_file();
    EXPECT_EQ(ast::debug(a), ast::debug(b));
    EXPECT_EQ(streamed.render_all(), listed.render_all());
  }
}

}  // namespace
}  // namespace kelo_core::parser
