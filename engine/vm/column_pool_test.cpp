#include "vm/column_pool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

namespace kelo_vm::columns {
namespace {

// The pool is process-wide, so each case works with sizes no other case uses.
TEST(ColumnPool, StorageComesBackToTheNextTake) {
  const std::size_t n = kPooledFrom + 101;
  std::vector<double> first = take(n);
  EXPECT_TRUE(first.empty());
  EXPECT_GE(first.capacity(), n);
  first.assign(n, 1.0);
  const double* storage = first.data();
  give(std::move(first));
  std::vector<double> again = take(n - 7);
  EXPECT_EQ(again.data(), storage);
  EXPECT_TRUE(again.empty());
  give(std::move(again));

  std::vector<std::int64_t> times = take_times(n + 3);
  const std::int64_t* time_storage = times.data();
  give(std::move(times));
  EXPECT_EQ(take_times(n + 1).data(), time_storage);
}

TEST(ColumnPool, FilledColumns) {
  struct Row {
    const char* behaviour;
    std::size_t count;
    double fill;
  };
  const Row rows[] = {
      {"empty", 0, 1.0},
      {"small, outside the pool", 3, -0.0},
      {"large", kPooledFrom + 211, 2.5},
  };
  for (const Row& row : rows) {
    // Leave dirty storage in the pool first: a filled column must not show it.
    std::vector<double> dirty(row.count + 1, 9.0);
    give(std::move(dirty));
    const std::vector<double> c = filled(row.count, row.fill);
    ASSERT_EQ(c.size(), row.count) << row.behaviour;
    for (double v : c) {
      ASSERT_EQ(v, row.fill) << row.behaviour;
      ASSERT_EQ(std::signbit(v), std::signbit(row.fill)) << row.behaviour;
    }
  }
}

TEST(ColumnPool, SmallColumnsAreNotKeptAndTheBudgetHolds) {
  const std::size_t before = kept_bytes();
  give(std::vector<double>(kPooledFrom - 1));
  EXPECT_EQ(kept_bytes(), before);
  // Far more than the budget given back: what is kept stays within it.
  const std::size_t big = kBudgetBytes / sizeof(double) / 3;
  for (int i = 0; i < 5; ++i) {
    std::vector<double> c = take(big + 13 + static_cast<std::size_t>(i));
    c.resize(big + 13);
    give(std::move(c));
  }
  EXPECT_LE(kept_bytes(), kBudgetBytes);
  EXPECT_GT(kept_bytes(), 0u);
}

// Backtests on several threads take and give columns at once; no two hold one storage.
TEST(ColumnPool, ThreadsNeverShareAColumn) {
  constexpr int kThreads = 4;
  std::vector<std::thread> threads;
  std::vector<int> clashes(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &clashes] {
      for (int round = 0; round < 20; ++round) {
        std::vector<double> c = filled(kPooledFrom + 5000, static_cast<double>(t));
        for (double v : c) {
          if (v != static_cast<double>(t)) ++clashes[static_cast<std::size_t>(t)];
        }
        give(std::move(c));
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(clashes[static_cast<std::size_t>(t)], 0) << t;
}

}  // namespace
}  // namespace kelo_vm::columns
