#include "bridge/market_input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace zx::bridge {
namespace {

TEST(MarketInput, PointAndPipByDigits) {
  const struct {
    qint64 digits;
    double point;
    double pip;
  } rows[] = {
      {5, 0.00001, 0.0001}, {3, 0.001, 0.01}, {4, 0.0001, 0.0001},
      {2, 0.01, 0.01},      {0, 1, 1},        {1, 0.1, 0.1},
  };
  for (const auto& row : rows) {
    MarketSymbol s;
    s.digits = row.digits;
    EXPECT_EQ(s.point(), row.point) << row.digits;
    EXPECT_EQ(s.pip(), row.pip) << row.digits;
  }
}

TEST(MarketInput, DefaultSymbol) {
  EXPECT_EQ(defaultSymbol(), (MarketSymbol{"EURUSD", 5, 0, 0, 100000, 0.01, 100, 0.01, 1, 10}));
}

// What the engine would read from the lent structure, copied during the lending.
struct Seen {
  std::string name;
  qint64 digits = 0;
  double doubles[8] = {};
  bool nameIsNulTerminated = false;
};

Seen lend(const MarketSymbol& symbol) {
  return symbol.withUnsafeSpec([](const KeloSymbol* spec) {
    Seen seen;
    seen.name = spec->name;
    seen.digits = spec->digits;
    // The eight doubles lie one after another from tickSize on, as the engine reads them.
    std::memcpy(seen.doubles, reinterpret_cast<const char*>(spec) + 16, sizeof seen.doubles);
    seen.nameIsNulTerminated = spec->name[std::strlen(spec->name)] == '\0';
    return seen;
  });
}

TEST(MarketInput, LendsEveryFieldInOrderUnchanged) {
  const MarketSymbol s{"GBPJPY", -7, 1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5};
  const Seen seen = lend(s);
  EXPECT_EQ(seen.name, "GBPJPY");
  EXPECT_EQ(seen.digits, -7);
  const double expected[8] = {1.5, 2.5, 3.5, 4.5, 5.5, 6.5, 7.5, 8.5};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(seen.doubles[i], expected[i]) << i;

  // Nothing is clamped or checked on the way.
  const MarketSymbol odd{"", INT64_MIN, -1, qQNaN(), qInf(), 0, -0.0, 1e300, -qInf(), 0};
  const Seen oddSeen = lend(odd);
  EXPECT_EQ(oddSeen.name, "");
  EXPECT_EQ(oddSeen.digits, INT64_MIN);
  EXPECT_TRUE(std::isnan(oddSeen.doubles[1]));
  EXPECT_TRUE(std::signbit(oddSeen.doubles[4]));
  EXPECT_EQ(oddSeen.doubles[6], -qInf());
}

TEST(MarketInput, NonAsciiNameReachesTheEngineAsUtf8) {
  MarketSymbol s = defaultSymbol();
  s.name = QStringLiteral("Gold\u00A0\u00E9\u20AC");
  const Seen seen = lend(s);
  EXPECT_EQ(seen.name, "Gold\xC2\xA0\xC3\xA9\xE2\x82\xAC");
  EXPECT_TRUE(seen.nameIsNulTerminated);
}

TEST(MarketInput, PriceColumns) {
  const Candles full{{1, 2}, {1.1, 1.2}, {1.3, 1.4}, {1.0, 1.1}, {1.2, 1.3}, {10, 20}};
  const PriceColumns c = priceColumns(&full);
  EXPECT_EQ(c.count, 2u);
  // The columns are lent, not copied.
  EXPECT_EQ(c.times, full.times.constData());
  EXPECT_EQ(c.open, full.open.constData());
  EXPECT_EQ(c.high, full.high.constData());
  EXPECT_EQ(c.low, full.low.constData());
  EXPECT_EQ(c.close, full.close.constData());
  EXPECT_EQ(c.volume, full.volume.constData());

  struct Row {
    const char* behaviour;
    Candles bars;
    std::size_t count;
  };
  const Row rows[] = {
      {"one bar passes one", {{5}, {1}, {1}, {1}, {1}, {1}}, 1},
      {"an empty close passes nothing though other columns hold values",
       {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {}, {1, 2, 3}},
       0},
      {"a short times column limits the count",
       {{1}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}},
       1},
      {"a short volume column limits the count",
       {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2}},
       2},
      {"a longer close is not read past the others",
       {{1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2, 3, 4}, {1, 2}},
       2},
      {"an empty open column passes nothing", {{1, 2}, {}, {1, 2}, {1, 2}, {1, 2}, {1, 2}}, 0},
      {"all empty", {}, 0},
  };
  for (const Row& row : rows) {
    const PriceColumns p = priceColumns(&row.bars);
    EXPECT_EQ(p.count, row.count) << row.behaviour;
    EXPECT_EQ(row.bars.count(), row.bars.close.size()) << row.behaviour;
    const bool lent = row.count > 0;
    for (const void* column :
         {static_cast<const void*>(p.times), static_cast<const void*>(p.open),
          static_cast<const void*>(p.high), static_cast<const void*>(p.low),
          static_cast<const void*>(p.close), static_cast<const void*>(p.volume)}) {
      EXPECT_EQ(column != nullptr, lent) << row.behaviour;
    }
  }

  const PriceColumns none = priceColumns(nullptr);
  EXPECT_EQ(none.count, 0u);
  EXPECT_EQ(none.times, nullptr);
  EXPECT_EQ(none.close, nullptr);
}

}  // namespace
}  // namespace zx::bridge
