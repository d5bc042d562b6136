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

}  // namespace kelo_vm::backtest
