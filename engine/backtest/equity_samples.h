// The equity samples of a backtest, one per replayed bar. Equity stays flat while no
// position is open, so most samples repeat the one before: a sample equal to it bit for
// bit is kept as one bit, and only the samples that change are stored whole, in blocks
// that are never moved, so growing never copies nor touches more than is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace kelo_vm::backtest {

class EquitySamples {
 public:
  EquitySamples() = default;
  EquitySamples(std::initializer_list<double> samples);
  EquitySamples(const std::vector<double>& samples);  // NOLINT: reads as a vector

  void push_back(double sample);
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Reads walk the change bits before `index`: cheap near the start, linear in `index`
  // (a 64th of it) further on. Read in order through the iterators.
  double operator[](std::size_t index) const;
  double front() const { return change(0); }
  double back() const { return blocks_.back().back(); }
  // How many samples differ from the one before them (the first always does).
  std::size_t changes() const { return changes_; }

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = double;
    using difference_type = std::ptrdiff_t;
    using pointer = const double*;
    using reference = const double&;

    const_iterator() = default;
    reference operator*() const { return owner_->change(change_); }
    const_iterator& operator++() {
      ++index_;
      if (index_ < owner_->size_ && owner_->starts_change(index_)) ++change_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++*this;
      return before;
    }
    friend bool operator==(const const_iterator& a, const const_iterator& b) {
      return a.index_ == b.index_;
    }
    // Whether this sample repeats the one before it bit for bit.
    bool repeats() const { return index_ > 0 && !owner_->starts_change(index_); }

   private:
    friend class EquitySamples;
    const_iterator(const EquitySamples* owner, std::size_t index) : owner_(owner), index_(index) {}
    const EquitySamples* owner_ = nullptr;
    std::size_t index_ = 0;
    std::size_t change_ = 0;
  };

  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size_}; }

  std::vector<double> to_vector() const;
  // Sample by sample with ==, as vectors compare (so NaN never equals).
  friend bool operator==(const EquitySamples& a, const EquitySamples& b);

 private:
  static constexpr std::size_t kBlock = 8192;  // changes per block (64 KiB)

  bool starts_change(std::size_t index) const { return (bits_[index / 64] >> (index % 64)) & 1u; }
  const double& change(std::size_t k) const { return blocks_[k / kBlock][k % kBlock]; }

  // Every sample that differs from the one before, kBlock to a block.
  std::vector<std::vector<double>> blocks_;
  std::vector<std::uint64_t> bits_;  // bit i: sample i starts a change
  std::size_t changes_ = 0;
  std::size_t size_ = 0;
};

}  // namespace kelo_vm::backtest
