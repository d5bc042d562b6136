// The pseudo-random numbers of one backtest: one sequence per run from a fixed seed, so
// that the same backtest gives the same reply. SplitMix64: every seed, 0 included, gives
// a full-period sequence of well-mixed 64-bit words.
#pragma once

#include <cstdint>

namespace kelo_vm::backtest {

class RandomSequence {
 public:
  static constexpr uint64_t kRunSeed = 0x4B454C4F;  // where every run starts

  explicit RandomSequence(uint64_t seed = kRunSeed) : state_(seed) {}

  void reseed(uint64_t seed) { state_ = seed; }

  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // In [0, 1): the top 53 bits.
  double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  // In [low, high], both ends included; the bounds in either order.
  int64_t between(int64_t low, int64_t high) {
    if (high < low) {
      const int64_t t = low;
      low = high;
      high = t;
    }
    const unsigned __int128 span =
        static_cast<unsigned __int128>(static_cast<uint64_t>(high) - static_cast<uint64_t>(low)) +
        1;
    const auto offset =
        static_cast<uint64_t>((static_cast<unsigned __int128>(next()) * span) >> 64);
    return static_cast<int64_t>(static_cast<uint64_t>(low) + offset);
  }

 private:
  uint64_t state_;
};

}  // namespace kelo_vm::backtest
