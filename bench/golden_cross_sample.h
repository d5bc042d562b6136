// The Golden Cross sample bot the benchmarks run: indicators made once at top level, and
// a variant that makes them inside onBar, so every bar builds fresh series.
#pragma once

namespace kelo_bench {

inline constexpr const char* kGoldenCross = R"KELO(bot "Golden Cross" {
  version     "1.0.0"
  author      "Wexo"
  description "Buys when a fast EMA crosses above a slow one."
  timeframes  M15, H1
}

input group "Signal"
input int fast = 20 { label: "Fast EMA", min: 2, max: 200 }
input int slow = 60 { label: "Slow EMA", min: 5, max: 400 }

input group "Risk"
input lots volume   = 0.10 { min: 0.01, max: 10, step: 0.01 }
input int  stopPips = 45   { label: "Stop loss (pips)", min: 5, max: 500 }
input int  takePips = 110  { label: "Take profit (pips)", min: 5, max: 900 }

let quick  = ema(close, fast)
let steady = ema(close, slow)
let signal = crossesOver(quick, steady)

fn onInit() -> status {
  log.info("Golden Cross ready on " + symbol.name)
  return status.ok
}

fn onBar() {
  guard positions.count() == 0 else { return }
  if !signal[0] { return }

  trade.buy(volume,
    sl: symbol.ask - stopPips * symbol.pip,
    tp: symbol.ask + takePips * symbol.pip,
    comment: "cross up")
}
)KELO";

inline constexpr const char* kGoldenCrossInBar = R"KELO(bot "Golden Cross In Bar" {
  version "1.0.0"
}

input int fast = 20
input int slow = 60
input lots volume = 0.10
input int stopPips = 45
input int takePips = 110

fn onBar() {
  guard positions.count() == 0 else { return }
  let signal = crossesOver(ema(close, fast), ema(close, slow))
  if !signal[0] { return }

  trade.buy(volume,
    sl: symbol.ask - stopPips * symbol.pip,
    tp: symbol.ask + takePips * symbol.pip,
    comment: "cross up")
}
)KELO";

}  // namespace kelo_bench
