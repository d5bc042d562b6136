// Deterministic one-minute price bars for backtests without supplied prices: a price
// pulled back towards 1.1 with a slow wave and uniform noise, every bar opening at the
// previous close. The same count and seed always give the same bars, bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "vm/host.h"

namespace kelo_vm::backtest {

inline constexpr size_t kDefaultSyntheticBars = 5000;
inline constexpr uint64_t kDefaultSyntheticSeed = 7;
// 2026-01-01 00:00 UTC in epoch milliseconds: the first generated bar's time.
inline constexpr int64_t kSyntheticStartTime = 1767225600000;

host::Bars synthetic_bars(size_t count, uint64_t seed);

// Price columns as a caller hands them over; each non-null column holds `count` entries.
struct PriceColumns {
  const int64_t* times = nullptr;
  const double* open = nullptr;
  const double* high = nullptr;
  const double* low = nullptr;
  const double* close = nullptr;
  const double* volume = nullptr;
  size_t count = 0;
};

// The bars a backtest replays. With no close column or a count of 0: 5000 generated bars
// of seed 7, whatever the other columns hold. Otherwise `count` bars: the given columns
// are viewed, not copied, so they must outlive the bars; absent times are one-minute
// steps from 0, other absent columns 0; every spread entry `spread_price`.
host::Bars price_bars(const PriceColumns& columns, double spread_price);

}  // namespace kelo_vm::backtest
