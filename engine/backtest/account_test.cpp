#include "backtest/account.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "backtest/report.h"

namespace kelo_vm::backtest {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct BarRow {
  double high, low, close;
};

host::Bars make_bars(const std::vector<BarRow>& rows) {
  host::Bars b;
  for (size_t i = 0; i < rows.size(); ++i) {
    b.times.push_back(static_cast<int64_t>(i) * 60000 + 1000);
    b.open.push_back(rows[i].close);
    b.high.push_back(rows[i].high);
    b.low.push_back(rows[i].low);
    b.close.push_back(rows[i].close);
    b.volume.push_back(0);
    b.spread.push_back(0.0001);
  }
  return b;
}

Account default_account(const std::vector<BarRow>& rows, host::SymbolSpec spec = {}) {
  return Account(make_bars(rows), spec, 10000.0, 0.0001);
}

TEST(Account, SameBarRoundTripLosesTheSpread) {
  struct Case {
    const char* name;
    Side side;
    double open_price;
    double close_price;
  };
  const Case cases[] = {
      {"buy opens at the ask and closes at the bid", Side::Buy, 1.1 + 0.0001, 1.1},
      {"sell opens at the bid and closes at the ask", Side::Sell, 1.1, 1.1 + 0.0001},
  };
  for (const Case& c : cases) {
    Account a = default_account({{1.2, 1.0, 1.1}});
    int64_t ticket = a.open(c.side, "x", 0.1, 0, 0);
    ASSERT_EQ(a.positions().size(), 1u) << c.name;
    EXPECT_EQ(a.positions()[0].open_price, c.open_price) << c.name;
    std::optional<ClosedTrade> t = a.close_ticket(ticket, "closed by bot");
    ASSERT_TRUE(t) << c.name;
    EXPECT_EQ(t->close_price, c.close_price) << c.name;
    EXPECT_EQ(t->profit, -0.9999999999998899) << c.name;
    EXPECT_EQ(a.balance(), 9999.0) << c.name;
    EXPECT_EQ(t->reason, "closed by bot");
    EXPECT_EQ(t->comment, "x");
    EXPECT_EQ(t->open_time, 1000);
    EXPECT_EQ(t->close_time, 1000);
    EXPECT_TRUE(a.positions().empty());
  }
}

TEST(Account, ProfitUsesContractConversionAndCommissionNotTicks) {
  struct Case {
    const char* name;
    double conversion;
    double tick_value;
    double commission;
    double expected;
  };
  // Buy 1 lot at 1.1001 (ask), close at 1.2.
  const Case cases[] = {
      {"conversion above zero multiplies", 2.0, 1.0, 0.0, 19979.999999999975},
      {"conversion zero reads as 1; commission per lot deducted", 0.0, 1.0, 7.0, 9982.999999999987},
      {"negative conversion reads as 1; tick value has no effect", -3.0, 55.0, 7.0, 9982.999999999987},
  };
  for (const Case& c : cases) {
    host::SymbolSpec spec;
    spec.conversion = c.conversion;
    spec.tick_value = c.tick_value;
    Account a = default_account({{1.1, 1.1, 1.1}, {1.2, 1.2, 1.2}}, spec);
    a.set_commission(c.commission);
    int64_t ticket = a.open(Side::Buy, "", 1.0, 0, 0);
    a.set_bar_index(1);
    EXPECT_EQ(a.floating(), c.expected) << c.name;
    EXPECT_EQ(a.equity(), 10000.0 + c.expected) << c.name;
    std::optional<ClosedTrade> t = a.close_ticket(ticket, "r");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->profit, c.expected) << c.name;
    EXPECT_EQ(a.balance(), 10000.0 + c.expected) << c.name;
    EXPECT_EQ(t->close_time, 61000);
  }
}

TEST(Account, VolumeSnapsToTheStepThenTheLimits) {
  struct Case {
    const char* name;
    double step, min, max;
    double requested;
    double expected;
  };
  const Case cases[] = {
      {"below the minimum rises to it", 0.01, 0.01, 100, 0.001, 0.01},
      {"a half step rounds away from zero", 0.01, 0.01, 100, 0.015, 0.02},
      {"2.5 steps round to 3", 0.01, 0.01, 100, 0.025, 0.03},
      {"above the maximum falls to it", 0.01, 0.01, 100, 1000, 100},
      {"a NaN step reads as 1e-6", kNaN, 1e-9, 100, 0.1234567, 0.123457},
      {"a tiny step reads as 1e-6", 1e-9, 1e-9, 100, 0.1234567, 0.123457},
      {"crossed limits are read sorted", 0.01, 5, 1, 0.5, 1},
      {"crossed limits are read sorted (above)", 0.01, 5, 1, 9, 5},
  };
  for (const Case& c : cases) {
    host::SymbolSpec spec;
    spec.volume_step = c.step;
    spec.volume_min = c.min;
    spec.volume_max = c.max;
    Account a = default_account({{1.1, 1.1, 1.1}}, spec);
    EXPECT_EQ(a.normalize_lots(c.requested), c.expected) << c.name;
    a.open(Side::Buy, "", c.requested, 0, 0);
    EXPECT_EQ(a.positions().back().volume, c.expected) << c.name;
  }
}

TEST(Account, StopsSettleAtTheCloseStopLossFirst) {
  struct Case {
    const char* name;
    Side side;
    double stop_loss, take_profit;
    BarRow bar;
    const char* reason;  // null: stays open
  };
  // Opened on bar 0 at close 1.1; bar 1 is the one settled.
  const Case cases[] = {
      {"buy: range reaches both levels", Side::Buy, 1.09, 1.11, {1.12, 1.08, 1.1}, "stop loss"},
      {"buy: low touches the stop", Side::Buy, 1.09, 0, {1.1, 1.09, 1.095}, "stop loss"},
      {"buy: high touches the target", Side::Buy, 1.09, 1.11, {1.11, 1.095, 1.105}, "take profit"},
      {"buy: neither level reached", Side::Buy, 1.09, 1.11, {1.109, 1.091, 1.1}, nullptr},
      {"buy: zero levels mean none", Side::Buy, 0, -1, {5, 0.0001, 1.1}, nullptr},
      {"sell: range reaches both levels", Side::Sell, 1.11, 1.09, {1.12, 1.08, 1.1}, "stop loss"},
      {"sell: high touches the stop", Side::Sell, 1.11, 0, {1.11, 1.1, 1.1}, "stop loss"},
      {"sell: low touches the target", Side::Sell, 1.11, 1.09, {1.1, 1.09, 1.095}, "take profit"},
      {"NaN range reaches nothing", Side::Buy, 1.09, 1.11, {kNaN, kNaN, 1.1}, nullptr},
  };
  for (const Case& c : cases) {
    Account a = default_account({{1.1, 1.1, 1.1}, c.bar});
    a.open(c.side, "", 0.1, c.stop_loss, c.take_profit);
    a.set_bar_index(1);
    a.settle_stops();
    if (!c.reason) {
      EXPECT_EQ(a.positions().size(), 1u) << c.name;
      EXPECT_TRUE(a.trades().empty()) << c.name;
      continue;
    }
    ASSERT_EQ(a.trades().size(), 1u) << c.name;
    EXPECT_EQ(a.trades()[0].reason, c.reason) << c.name;
    double exit = c.side == Side::Buy ? c.bar.close : c.bar.close + 0.0001;
    EXPECT_EQ(a.trades()[0].close_price, exit) << c.name;
    EXPECT_TRUE(a.positions().empty()) << c.name;
  }
}

TEST(Account, SettlingClosesEveryHitInOpeningOrder) {
  Account a = default_account({{1.1, 1.1, 1.1}, {1.2, 1.0, 1.1}});
  a.open(Side::Buy, "a", 0.1, 0, 1.15);   // target
  a.open(Side::Sell, "b", 0.1, 0, 0);     // untouched
  a.open(Side::Sell, "c", 0.1, 1.15, 0);  // stop
  a.set_bar_index(1);
  a.settle_stops();
  ASSERT_EQ(a.trades().size(), 2u);
  EXPECT_EQ(a.trades()[0].ticket, 1);
  EXPECT_EQ(a.trades()[0].reason, "take profit");
  EXPECT_EQ(a.trades()[1].ticket, 3);
  EXPECT_EQ(a.trades()[1].reason, "stop loss");
  ASSERT_EQ(a.positions().size(), 1u);
  EXPECT_EQ(a.positions()[0].ticket, 2);
}

TEST(Account, TicketsCountUpAndAreNeverReused) {
  Account a = default_account({{1.1, 1.1, 1.1}});
  EXPECT_EQ(a.open(Side::Buy, "", 1, 0, 0), 1);
  EXPECT_EQ(a.open(Side::Sell, "", 1, 0, 0), 2);
  EXPECT_TRUE(a.close_ticket(2, "x"));
  EXPECT_FALSE(a.close_ticket(2, "x"));
  EXPECT_FALSE(a.close_ticket(99, "x"));
  EXPECT_EQ(a.open(Side::Buy, "", 1, 0, 0), 3);
  EXPECT_EQ(a.trades().size(), 1u);
}

TEST(Account, AMagicNumberStaysWithThePositionAndItsTrade) {
  Account a = default_account({{1.1, 1.1, 1.1}});
  a.open(Side::Buy, "", 1, 0, 0, 4242);
  a.open(Side::Sell, "", 1, 0, 0);
  EXPECT_EQ(a.positions()[0].magic, 4242);
  EXPECT_EQ(a.positions()[1].magic, 0);
  EXPECT_EQ(a.close_ticket(1, "x")->magic, 4242);
  EXPECT_EQ(a.trades().back().magic, 4242);
}

TEST(Account, FloatingStartsFromNegativeZeroAndIsNaNBeyondTheData) {
  Account a = default_account({{1.1, 1.1, 1.1}});
  EXPECT_EQ(a.floating(), 0.0);
  EXPECT_TRUE(std::signbit(a.floating()));
  EXPECT_EQ(a.equity(), 10000.0);
  a.open(Side::Buy, "", 0.1, 0, 0);
  a.set_bar_index(5);
  EXPECT_TRUE(std::isnan(a.close()));
  EXPECT_TRUE(std::isnan(a.floating()));
  EXPECT_EQ(a.time(), 0);
  // Opening beyond the data: NaN price, time 0.
  a.open(Side::Sell, "", 0.1, 0, 0);
  EXPECT_TRUE(std::isnan(a.positions().back().open_price));
  EXPECT_EQ(a.positions().back().open_time, 0);
  EXPECT_EQ(a.positions().back().open_bar, 5u);
  std::optional<ClosedTrade> t = a.close_ticket(1, "end of test");
  ASSERT_TRUE(t);
  EXPECT_TRUE(std::isnan(t->close_price));
  EXPECT_EQ(t->close_time, 0);
}

TEST(Report, Statistics) {
  struct Case {
    const char* name;
    std::vector<double> profits;
    double profit_factor;
    size_t wins, losses;
    double win_rate;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"no trades", {}, 0, 0, 0, 0},
      {"only wins give +inf", {5, 1}, inf, 2, 0, 100},
      {"only losses give 0", {-5, -1}, 0, 0, 2, 0},
      {"only zero profits give 0 and count as neither", {0, 0}, 0, 0, 0, 0},
      {"NaN counts as neither", {kNaN, 10, -5}, 2, 1, 1, 50},
      {"two wins and a loss", {30, 10, -20}, 2, 2, 1, 66.66666666666667},
      {"one win in three", {3, -1, -2}, 1, 1, 2, 33.333333333333336},
  };
  for (const Case& c : cases) {
    Report r;
    for (double p : c.profits) {
      ClosedTrade t;
      t.profit = p;
      r.trades.push_back(t);
    }
    r.count_outcomes();
    EXPECT_EQ(r.profit_factor(), c.profit_factor) << c.name;
    EXPECT_EQ(r.wins, c.wins) << c.name;
    EXPECT_EQ(r.losses, c.losses) << c.name;
    EXPECT_EQ(r.win_rate(), c.win_rate) << c.name;
  }
}

TEST(Report, DrawdownIsTheLargestFallBelowTheRunningPeak) {
  struct Case {
    const char* name;
    double start;
    std::vector<double> equity;
    double expected;
  };
  const Case cases[] = {
      {"rise and fall", 10000, {10000, 10200, 9900, 10100}, 300},
      {"rising every bar", 10000, {10001, 10002, 10003}, 0},
      {"a fall from the start", 10000, {9000, 9500}, 1000},
      {"NaN samples leave the peak alone", 10000, {kNaN, 10500, kNaN, 10100}, 400},
      {"a NaN start takes the first number as peak", kNaN, {100, 40, 90}, 60},
  };
  for (const Case& c : cases) {
    Drawdown d(c.start);
    for (double e : c.equity) d.sample(e);
    EXPECT_EQ(d.max(), c.expected) << c.name;
  }
}

TEST(Report, BoundedListKeepsTheCapAndSaysHowManyWereDropped) {
  struct Case {
    const char* name;
    size_t pushed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"below the cap", 2, {"e0", "e1"}},
      {"exactly the cap", 3, {"e0", "e1", "e2"}},
      {"one over", 4, {"e0", "e1", "2 more errors were dropped"}},
      {"many over", 1000, {"e0", "e1", "998 more errors were dropped"}},
  };
  for (const Case& c : cases) {
    Bounded<std::string> list(3);
    for (size_t i = 0; i < c.pushed; ++i) list.push("e" + std::to_string(i));
    std::vector<std::string> out = std::move(list).take(
        [](std::string, uint64_t dropped) { return errors_dropped_message(dropped); });
    EXPECT_EQ(out, c.expected) << c.name;
  }
  EXPECT_EQ(journal_dropped_message(7), "7 more journal lines were dropped");
}

// Texts are bounded too: the first entry that would pass the byte cap ends the list,
// even when later ones are short, so the notice always follows what was kept.
TEST(Report, BoundedListStopsAtItsByteCap) {
  struct Case {
    const char* name;
    std::vector<std::string> pushed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"exactly the byte cap", {"aaaa", "bbbb", "cc"}, {"aaaa", "bbbb", "cc"}},
      {"one byte over", {"aaaa", "bbbb", "ccc"}, {"aaaa", "2 more errors were dropped"}},
      {"short ones after a long one are dropped too",
       {"aaaa", std::string(7, 'b'), "c"},
       {"3 more errors were dropped"}},
      {"first entry too long: a notice alone", {std::string(11, 'x'), "y"},
       {"2 more errors were dropped"}},
      {"nothing kept, one dropped", {std::string(11, 'x')}, {"1 more errors were dropped"}},
  };
  for (const Case& c : cases) {
    Bounded<std::string> list(100, 10);
    for (const std::string& e : c.pushed) list.push(e, e.size());
    std::vector<std::string> out = std::move(list).take(
        [](std::string, uint64_t dropped) { return errors_dropped_message(dropped); });
    EXPECT_EQ(out, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace kelo_vm::backtest
