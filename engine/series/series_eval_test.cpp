#include "series/series_eval.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "series/series_calls.h"
#include "series/series_math.h"
#include "series/series_test_host.h"

namespace kelo_vm::evaluate {
namespace {

using testing::TestHost;
constexpr double N = std::numeric_limits<double>::quiet_NaN();

void expect_column(const std::vector<double>& got, const std::vector<double>& want,
                   const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i) {
    if (std::isnan(want[i])) {
      EXPECT_TRUE(std::isnan(got[i])) << what << " [" << i << "] = " << got[i];
    } else {
      EXPECT_DOUBLE_EQ(got[i], want[i]) << what << " [" << i << "]";
    }
  }
}

Ref<Series> source(SeriesKind k) {
  return Series::source(k);
}
Ref<Series> constant(double v) {
  return Series::constant_of(v);
}

TEST(SeriesEvaluation, Forms) {
  TestHost host(TestHost::bars_from_close({1, 2, 0, 4}));
  Evaluator ev;
  const auto close = source(SeriesKind::Close);
  struct Row {
    const char* name;
    Ref<Series> series;
    std::vector<double> want;
  };
  const std::vector<Row> rows = {
      {"close", close, {1, 2, 0, 4}},
      {"time as doubles", source(SeriesKind::Time), {0, 60000, 120000, 180000}},
      {"hl2", source(SeriesKind::Hl2), {1, 2, 0, 4}},
      {"hlc3", source(SeriesKind::Hlc3), {1, 2, 0, 4}},
      {"ohlc4", source(SeriesKind::Ohlc4), {0.875, 1.875, -0.125, 3.875}},
      {"spread", source(SeriesKind::Spread), {2, 2, 2, 2}},
      {"constant zero", constant(0.0), {0, 0, 0, 0}},
      {"divide by a zero bar",
       Series::binary(SeriesOp::Div, constant(1), close),
       {1, 0.5, N, 0.25}},
      {"remainder by a zero bar", Series::binary(SeriesOp::Rem, constant(5), close), {0, 1, N, 1}},
      {"power", Series::binary(SeriesOp::Pow, close, constant(2)), {1, 4, 0, 16}},
      {"greater", Series::binary(SeriesOp::Greater, close, constant(1.5)), {0, 1, 0, 1}},
      {"NaN compares unequal",
       Series::binary(SeriesOp::NotEqual, constant(N), constant(N)),
       {1, 1, 1, 1}},
      {"NaN is not equal-or-less",
       Series::binary(SeriesOp::LessEqual, constant(N), close),
       {0, 0, 0, 0}},
      {"and", Series::binary(SeriesOp::And, close, constant(N)), {0, 0, 0, 0}},
      {"or", Series::binary(SeriesOp::Or, close, constant(0)), {1, 1, 0, 1}},
      {"negate", Series::unary(SeriesOp::Negate, close), {-1, -2, -0.0, -4}},
      {"not", Series::unary(SeriesOp::Not, close), {0, 0, 1, 0}},
      {"where: the right value where the left is true",
       Series::binary(SeriesOp::Where, close, constant(7)),
       {7, 7, N, 7}},
      {"where with a NaN condition",
       Series::binary(SeriesOp::Where, constant(N), close),
       {N, N, N, N}},
      {"fill: the left, or the right where it is NaN",
       Series::binary(SeriesOp::Fill, Series::binary(SeriesOp::Where, close, close), constant(9)),
       {1, 2, 9, 4}},
      {"indicator", Series::indicator("sma", {close}, {2}, 0), {N, 1.5, 1, 2}},
      {"indicator without a computation",
       Series::indicator("ichimoku", {close}, {}, 0),
       {N, N, N, N}},
      {"indicator reading the bars", Series::indicator("trueRange", {}, {}, 0), {2, 2, 3, 5}},
      {"buffer padded",
       Series::buffer_of(std::make_shared<std::vector<double>>(std::vector<double>{7, 8})),
       {7, 8, N, N}},
      {"buffer cut",
       Series::buffer_of(std::make_shared<std::vector<double>>(std::vector<double>{1, 2, 3, 4, 5})),
       {1, 2, 3, 4}},
  };
  for (const Row& row : rows) expect_column(*ev.values_of(*row.series, host), row.want, row.name);
}

TEST(SeriesEvaluation, ShorterOperandReadsNaN) {
  TestHost host(TestHost::bars_from_close({1, 2, 3}));
  host.others["EURUSD|H1"] = TestHost::bars_from_close({10, 20});
  Evaluator ev;
  const auto other = Series::source(SeriesKind::Close, std::nullopt, std::string("H1"));
  expect_column(*ev.values_of(*other, host), {10, 20}, "other timeframe");
  EXPECT_EQ(host.last_bars_of, "EURUSD|H1");
  const auto sum = Series::binary(SeriesOp::Add, source(SeriesKind::Close), other);
  expect_column(*ev.values_of(*sum, host), {11, 22, N}, "sum");
}

TEST(SeriesEvaluation, SourceOfAnUnknownSymbolIsNaN) {
  TestHost host(TestHost::bars_from_close({1, 2, 3}));
  Evaluator ev;
  const auto gbp = Series::source(SeriesKind::Close, std::string("GBPUSD"));
  expect_column(*ev.values_of(*gbp, host), {N, N, N}, "GBPUSD");
  EXPECT_EQ(host.last_bars_of, "GBPUSD|");
}

TEST(SeriesEvaluation, EmptyBars) {
  TestHost host;
  Evaluator ev;
  EXPECT_TRUE(ev.values_of(*constant(0.0), host)->empty());
  EXPECT_TRUE(ev.values_of(*Series::indicator("stoch", {}, {}, 1), host)->empty());
  EXPECT_TRUE(ev.values_of(*Series::indicator("sar", {}, {}, 0), host)->empty());
}

TEST(SeriesEvaluation, CachedPerNodeUntilTheBarCountChanges) {
  TestHost host(TestHost::bars_from_close({1, 2, 3}));
  Evaluator ev;
  const auto s = Series::indicator("sma", {source(SeriesKind::Close)}, {2}, 0);
  const SeriesColumn first = ev.values_of(*s, host);
  const std::size_t computed = ev.computations();
  EXPECT_EQ(ev.values_of(*s, host).get(), first.get());  // shared, not copied
  EXPECT_EQ(ev.computations(), computed);

  host.mutable_bars() = TestHost::bars_from_close({1, 2, 3, 5});
  expect_column(*ev.values_of(*s, host), {N, 1.5, 2.5, 4}, "after a new bar");
  EXPECT_GT(ev.computations(), computed);
}

TEST(SeriesEvaluation, IdenticalDescriptionsComputeOnce) {
  TestHost host(TestHost::bars_from_close({3, 1, 4, 1, 5, 9, 2, 6}));
  Evaluator ev;
  // As if onBar built highest(close - open, 3) afresh on every bar.
  SeriesColumn first;
  for (int bar = 0; bar < 50; ++bar) {
    auto call = series::series_call(
        "highest",
        std::vector<Value>{Value::series(Series::binary(SeriesOp::Sub, source(SeriesKind::Close),
                                                        source(SeriesKind::Open))),
                           Value::integer(3)});
    ASSERT_TRUE(call.has_value());
    const SeriesColumn col = ev.values_of(call->series_obj(), host);
    if (!first) first = col;
    EXPECT_EQ(col.get(), first.get());
  }
  // close, open, their difference and the indicator: four columns in all.
  EXPECT_EQ(ev.computations(), 4u);

  // Different parameters are a different description.
  ev.values_of(*Series::indicator("highest", {source(SeriesKind::Close)}, {4}, 0), host);
  ev.values_of(*Series::indicator("highest", {source(SeriesKind::Close)}, {4}, 1), host);
  EXPECT_EQ(ev.computations(), 6u);
}

TEST(SeriesEvaluation, SharedNodesByStructure) {
  TestHost host(TestHost::bars_from_close({3, 1, 4, 1, 5}));
  Evaluator ev;
  const Ref<Series> close = ev.shared_source(SeriesKind::Close, host);
  const Ref<Series> open = ev.shared_source(SeriesKind::Open, host);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  auto ind = [&](const char* name, std::vector<Ref<Series>> in, std::vector<double> nums,
                 uint8_t selector = 0) {
    return ev.shared_indicator(name, in, nums, selector, host);
  };
  const Ref<Series> sma2 = ind("sma", {close}, {2});
  struct Row {
    const char* behaviour;
    Ref<Series> a;
    Ref<Series> b;
    bool same;
  };
  const Row rows[] = {
      {"a source again", ev.shared_source(SeriesKind::Close, host), close, true},
      {"another source", open, close, false},
      {"an indicator again", ind("sma", {close}, {2}), sma2, true},
      {"another period", ind("sma", {close}, {3}), sma2, false},
      {"another name", ind("ema", {close}, {2}), sma2, false},
      {"another input", ind("sma", {open}, {2}), sma2, false},
      {"another selector", ind("sma", {close}, {2}, 1), sma2, false},
      {"an extra number", ind("sma", {close}, {2, 0}), sma2, false},
      {"built on a shared node", ind("sum", {sma2}, {2}), ind("sum", {ind("sma", {close}, {2})}, {2}),
       true},
      {"NaN parameters match", ind("sma", {close}, {nan}), ind("sma", {close}, {nan}), true},
      {"-0 is not 0", ind("offset", {close}, {-0.0}), ind("offset", {close}, {0.0}), false},
      {"constants by bits", ev.shared_constant(-0.0, host), ev.shared_constant(0.0, host), false},
      {"a constant again", ev.shared_constant(nan, host), ev.shared_constant(nan, host), true},
      {"an operand that is not shared is never kept",
       ind("sma", {Series::source(SeriesKind::Close)}, {2}),
       ind("sma", {Series::source(SeriesKind::Close)}, {2}), false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.a.get() == row.b.get(), row.same) << row.behaviour;
    EXPECT_EQ(row.a->form == SeriesForm::Indicator ? row.a->inputs.size() : 0u,
              row.b->form == SeriesForm::Indicator ? row.b->inputs.size() : 0u)
        << row.behaviour;
  }
  EXPECT_TRUE(ev.is_shared(sma2.get()));
  expect_column(*ev.values_of(*ind("sma", {close}, {2}), host), {N, 2, 2.5, 2.5, 3}, "sma");
  EXPECT_EQ(ind("sma", {close}, {2})->cache.get(), sma2->cache.get());

  // Another host: nothing built for the first one is handed out again.
  TestHost other(TestHost::bars_from_close({1, 2}));
  EXPECT_NE(ev.shared_source(SeriesKind::Close, other).get(), close.get());
  EXPECT_FALSE(ev.is_shared(sma2.get()));
}

TEST(SeriesEvaluation, DescriptionsTooLongForAKeyAreComputedEveryTime) {
  TestHost host(TestHost::bars_from_close({1, 2, 3}));
  Evaluator ev;
  const Ref<Series> close = ev.shared_source(SeriesKind::Close, host);
  std::vector<double> many(KeyWords::kRoom, 2.0);  // the period, then ignored numbers
  const Ref<Series> a = ev.shared_indicator("sma", std::vector<Ref<Series>>{close}, many, 0, host);
  const Ref<Series> b = ev.shared_indicator("sma", std::vector<Ref<Series>>{close}, many, 0, host);
  EXPECT_NE(a.get(), b.get());
  expect_column(*ev.values_of(*a, host), {N, 1.5, 2.5}, "first");
  const std::size_t computed = ev.computations();
  expect_column(*ev.values_of(*b, host), {N, 1.5, 2.5}, "second");
  EXPECT_EQ(ev.computations(), computed + 1);
}

TEST(SeriesEvaluation, SharedNodesStartOverPastTheirLimit) {
  TestHost host(TestHost::bars_from_close({1, 2}));
  Evaluator ev;
  const Ref<Series> first = ev.shared_constant(0.0, host);
  for (std::size_t i = 1; i <= Evaluator::kSharedLimit; ++i) {
    ev.shared_constant(static_cast<double>(i), host);
  }
  EXPECT_FALSE(ev.is_shared(first.get()));
  EXPECT_NE(ev.shared_constant(0.0, host).get(), first.get());
  expect_column(*ev.values_of(*first, host), {0, 0}, "the old node still evaluates");
}

TEST(SeriesEvaluation, BuffersAreNeverShared) {
  TestHost host(TestHost::bars_from_close({1, 2}));
  Evaluator ev;
  auto data = std::make_shared<std::vector<double>>(std::vector<double>{1, 1});
  const auto a = Series::indicator("sum", {Series::buffer_of(data)}, {2}, 0);
  expect_column(*ev.values_of(*a, host), {N, 2}, "first buffer");
  (*data)[1] = 5;
  const auto b = Series::indicator("sum", {Series::buffer_of(data)}, {2}, 0);
  expect_column(*ev.values_of(*b, host), {N, 6}, "refilled buffer");
}

TEST(SeriesEvaluation, NodesOverABufferAreComputedAgainAfterAWrite) {
  TestHost host(TestHost::bars_from_close({1, 2}));
  Evaluator ev;
  auto data = std::make_shared<std::vector<double>>(std::vector<double>{1, 1});
  const auto buffer = Series::buffer_of(data);
  const auto sum = Series::indicator("sum", {buffer}, {2}, 0);
  const auto plain = Series::binary(SeriesOp::Add, source(SeriesKind::Close), constant(1));
  EXPECT_TRUE(sum->reads_buffer);
  EXPECT_FALSE(plain->reads_buffer);
  expect_column(*ev.values_of(*sum, host), {N, 2}, "before the write");
  const auto plain_column = ev.values_of(*plain, host);
  (*data)[1] = 5;
  count_buffer_write();
  expect_column(*ev.values_of(*sum, host), {N, 6}, "after the write");
  expect_column(*ev.values_of(*buffer, host), {1, 5}, "the buffer itself");
  // A node that reads no buffer keeps its column.
  EXPECT_EQ(ev.values_of(*plain, host).get(), plain_column.get());
}

TEST(SeriesEvaluation, MemoStartsOverPastItsLimit) {
  TestHost host(TestHost::bars_from_close({1, 2, 3, 4}));
  Evaluator ev(8);  // room for two columns of four bars
  for (int round = 0; round < 2; ++round) {
    for (double c : {1.0, 2.0, 3.0}) {
      expect_column(*ev.values_of(*constant(c), host), {c, c, c, c}, "constant");
    }
  }
  EXPECT_GT(ev.computations(), 3u);
}

TEST(SeriesEvaluation, DeepChainsNeedNoRecursion) {
  TestHost host(TestHost::bars_from_close({1, 2}));
  Evaluator ev;
  Ref<Series> s = source(SeriesKind::Close);
  for (int i = 0; i < 200000; ++i) s = Series::binary(SeriesOp::Add, s, constant(1));
  expect_column(*ev.values_of(*s, host), {200001, 200002}, "chain");
}

TEST(SeriesEvaluation, SourceValuesOfEmptyBars) {
  const host::Bars none;
  for (int k = 0; k <= 9; ++k) {
    EXPECT_TRUE(source_values(static_cast<SeriesKind>(k), none).empty()) << k;
  }
}

}  // namespace
}  // namespace kelo_vm::evaluate
