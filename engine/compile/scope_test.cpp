// Scopes: the innermost declaration of a name wins until its block ends, with few names
// (searched in turn) and with many (indexed by name) alike.
#include "compile/scope.h"

#include <gtest/gtest.h>

#include <string>

namespace kelo_compile::scope {
namespace {

Symbol local(std::uint16_t index) {
  return Symbol{{}, SymbolKind::Local, index, true, true};
}
Symbol global(std::uint16_t index) {
  return Symbol{{}, SymbolKind::Global, index, false, true};
}

// The index of the symbol in force, or -1.
int at(const Scopes& scopes, const std::string& name) {
  const Symbol* s = scopes.lookup(name);
  return s ? s->index : -1;
}

TEST(Scopes, InnermostWinsUntilItsBlockEnds) {
  // Outer names: a few, then enough to be indexed.
  for (int outer : {3, 40}) {
    SCOPED_TRACE(outer);
    Scopes scopes;
    for (int i = 0; i < outer; ++i) scopes.insert("g" + std::to_string(i), global(i));
    scopes.insert("g0", global(100));  // same scope: replaced, not added
    EXPECT_EQ(at(scopes, "g0"), 100);
    EXPECT_TRUE(scopes.declared_here("g1"));

    scopes.begin();
    EXPECT_FALSE(scopes.declared_here("g1"));
    scopes.insert("g1", local(200));
    scopes.insert("x", local(201));
    scopes.begin();
    for (int i = 0; i < 30; ++i) scopes.insert("y" + std::to_string(i), local(300 + i));
    scopes.insert("x", local(202));
    EXPECT_EQ(at(scopes, "g1"), 200);
    EXPECT_EQ(at(scopes, "x"), 202);
    EXPECT_EQ(at(scopes, "y29"), 329);
    EXPECT_EQ(scopes.depth(), 3u);
    scopes.lookup_mut("x")->index = 203;
    EXPECT_EQ(at(scopes, "x"), 203);

    EXPECT_EQ(scopes.end(), 31);  // the thirty y and the inner x
    EXPECT_EQ(at(scopes, "x"), 201);
    EXPECT_EQ(at(scopes, "y0"), -1);
    EXPECT_EQ(scopes.end(), 2);
    EXPECT_EQ(at(scopes, "g1"), 1);
    EXPECT_EQ(at(scopes, "x"), -1);
    EXPECT_EQ(at(scopes, "g" + std::to_string(outer - 1)), outer - 1);

    EXPECT_EQ(scopes.end(), 0);  // globals are not locals
    EXPECT_EQ(scopes.depth(), 0u);
    EXPECT_EQ(at(scopes, "g0"), -1);
    scopes.insert("late", local(1));  // no scope left: dropped
    EXPECT_EQ(at(scopes, "late"), -1);
    EXPECT_FALSE(scopes.declared_here("late"));
    EXPECT_EQ(scopes.end(), 0);
  }
}

}  // namespace
}  // namespace kelo_compile::scope
