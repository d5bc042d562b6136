#include "backtest/equity_samples.h"

#include <bit>

namespace kelo_vm::backtest {

EquitySamples::EquitySamples(std::initializer_list<double> samples) {
  for (double s : samples) push_back(s);
}

EquitySamples::EquitySamples(const std::vector<double>& samples) {
  for (double s : samples) push_back(s);
}

void EquitySamples::push_back(double sample) {
  const std::size_t index = size_;
  if (index % 64 == 0) bits_.push_back(0);
  // Bits, not ==: 0 and -0 differ in the reply, and a NaN must repeat as itself.
  if (index == 0 || std::bit_cast<std::uint64_t>(sample) != std::bit_cast<std::uint64_t>(back())) {
    bits_[index / 64] |= std::uint64_t{1} << (index % 64);
    if (changes_ % kBlock == 0) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlock);
    }
    blocks_.back().push_back(sample);
    ++changes_;
  }
  ++size_;
}

double EquitySamples::operator[](std::size_t index) const {
  // The sample is the last change at or before `index`: count the change bits up to it.
  std::size_t count = 0;
  const std::size_t word = index / 64;
  for (std::size_t w = 0; w < word; ++w) count += static_cast<std::size_t>(std::popcount(bits_[w]));
  const unsigned shift = 63 - static_cast<unsigned>(index % 64);
  count += static_cast<std::size_t>(std::popcount(bits_[word] << shift));
  return change(count - 1);
}

std::vector<double> EquitySamples::to_vector() const { return {begin(), end()}; }

bool operator==(const EquitySamples& a, const EquitySamples& b) {
  if (a.size() != b.size()) return false;
  auto j = b.begin();
  for (auto i = a.begin(); i != a.end(); ++i, ++j)
    if (!(*i == *j)) return false;
  return true;
}

}  // namespace kelo_vm::backtest
