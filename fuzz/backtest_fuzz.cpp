// Source text through kelo_backtest over 300 generated bars handed in as columns:
// the compiler, then the interpreter, built-ins, series and the replay host, with the
// normal step budget. Warm-up 20, so the first bars are only history. A report must be
// one the application's bridge can read.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "backtest/synthetic_bars.h"
#include "kelo.h"
#include "readable_reply.h"

namespace {

constexpr size_t kBars = 300;
constexpr int64_t kWarmUp = 20;

// What kelo_backtest answers when something threw inside it.
constexpr std::string_view kThrew = R"({"ok":false,"error":"The engine failed inside the call)";

const kelo_vm::host::Bars& bars() {
  static const kelo_vm::host::Bars generated = kelo_vm::backtest::synthetic_bars(kBars, 11);
  return generated;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string source(reinterpret_cast<const char*>(data), size);
  const kelo_vm::host::Bars& b = bars();
  const KeloSymbol symbol{"EURUSD", 5, 0.00001, 1, 100000, 0.01, 100, 0.01, 1, 10};

  char* reply = kelo_backtest(source.c_str(), "fuzz.kelo", b.times.data(), b.open.data(),
                              b.high.data(), b.low.data(), b.close.data(), b.volume.data(),
                              b.size(), kWarmUp, &symbol, 10000);
  if (reply == nullptr) {
    std::fputs("kelo_backtest returned a null pointer\n", stderr);
    std::abort();
  }
  const std::string_view text(reply);
  if (text.starts_with(kThrew) || !text.starts_with(R"({"ok":)")) {
    std::fprintf(stderr, "kelo_backtest failed inside: %s\n", reply);
    std::abort();
  }
  if (text.starts_with(R"({"ok":true)")) {
    zx_fuzz::require_readable<zx::bridge::BacktestReport>(text, "kelo_backtest");
  }
  kelo_string_free(reply);
  return 0;
}
