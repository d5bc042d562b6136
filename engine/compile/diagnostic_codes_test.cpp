// The three stages' diagnostic lists side by side: every row's code belongs to its stage
// and to a range the engine reports, and no two rows are the same message.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compile/compiler_codes.h"
#include "core/lexer_codes.h"
#include "core/parser_codes.h"

namespace {

struct Row {
  char stage;
  std::string name;
  std::string_view code;
  std::string_view pattern;
};

std::vector<Row> all_rows() {
  std::vector<Row> rows;
#define KELO_ROW(stage, name, code, pattern) rows.push_back({stage, #name, code, pattern});
#define KELO_LEXER_ROW(name, code, pattern) KELO_ROW('1', name, code, pattern)
#define KELO_PARSER_ROW(name, code, pattern) KELO_ROW('2', name, code, pattern)
#define KELO_COMPILER_ROW(name, code, pattern) KELO_ROW('3', name, code, pattern)
  KELO_LEXER_DIAGNOSTICS(KELO_LEXER_ROW)
  KELO_PARSER_DIAGNOSTICS(KELO_PARSER_ROW)
  KELO_COMPILER_DIAGNOSTICS(KELO_COMPILER_ROW)
#undef KELO_COMPILER_ROW
#undef KELO_PARSER_ROW
#undef KELO_LEXER_ROW
#undef KELO_ROW
  return rows;
}

bool in_reported_range(int number) {
  return (number >= 1001 && number <= 1005) || (number >= 2001 && number <= 2008) ||
         (number >= 3000 && number <= 3025) || (number >= 3030 && number <= 3042) || number == 3101;
}

TEST(DiagnosticCodes, EveryRowBelongsToItsStage) {
  const std::vector<Row> rows = all_rows();
  std::set<std::string_view> codes;
  std::set<std::pair<std::string_view, std::string_view>> messages;
  for (const Row& row : rows) {
    ASSERT_EQ(row.code.size(), 8u) << row.name;
    EXPECT_EQ(row.code.substr(0, 4), "KELO") << row.name;
    EXPECT_EQ(row.code[4], row.stage) << row.name;
    const int number = std::stoi(std::string(row.code.substr(4)));
    EXPECT_TRUE(in_reported_range(number)) << row.name << " " << row.code;
    EXPECT_FALSE(row.pattern.empty()) << row.name;
    EXPECT_TRUE(messages.insert({row.code, row.pattern}).second) << row.name;
    codes.insert(row.code);
  }
  // 1001-1005, 2001-2008, 3000-3025, 3030-3042 and 3101.
  EXPECT_EQ(codes.size(), 5u + 8u + 26u + 13u + 1u);
}

}  // namespace
