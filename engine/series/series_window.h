#pragma once

// Building blocks shared by the series kernels: the running window sum, the window
// extreme and the NaN rules of the oscillators.

#include <cmath>
#include <cstddef>
#include <limits>
#include <span>
#include <vector>

namespace kelo_vm::series {

inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A companion column read past its end is "no value".
inline double at(std::span<const double> c, std::size_t i) {
  return i < c.size() ? c[i] : kNaN;
}

// Maximum and minimum that pass over a NaN operand; NaN only when both are NaN. The
// first operand wins ties, so a fold from the newest bar keeps the newest of equals.
inline double max_ignoring_nan(double a, double b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return b > a ? b : a;
}
inline double min_ignoring_nan(double a, double b) {
  if (std::isnan(a)) return b;
  if (std::isnan(b)) return a;
  return b < a ? b : a;
}

// The oscillators' division guard: a divisor of 0 or NaN gives NaN.
inline double guarded_div(double a, double b) {
  return (b == 0.0 || std::isnan(b)) ? kNaN : a / b;
}

// Running sum over the last n values, carried from bar to bar. A NaN input restarts it,
// so a window is defined once its n newest inputs are; without NaN the additions and
// subtractions happen in exactly the carried order. step() must see i = 0, 1, 2, ...
class WindowSum {
 public:
  WindowSum(std::span<const double> x, std::size_t n) : x_(x), n_(n) {}

  // Takes in x[i]; true when the window ending at i is complete.
  bool step(std::size_t i) {
    const double v = x_[i];
    if (std::isnan(v) || n_ == 0) {
      sum_ = 0.0;
      run_ = 0;
      return false;
    }
    sum_ += v;
    ++run_;
    if (run_ > n_) {
      sum_ -= x_[i - n_];
      run_ = n_;
    }
    // Infinities that entered and left the window cancel to NaN; resum what is inside.
    if (std::isnan(sum_)) resum(i);
    return run_ >= n_;
  }
  double sum() const { return sum_; }
  double mean() const { return sum_ / static_cast<double>(n_); }

 private:
  void resum(std::size_t i) {
    sum_ = 0.0;
    for (std::size_t j = i + 1 - run_; j <= i; ++j) sum_ += x_[j];
  }

  std::span<const double> x_;
  std::size_t n_;
  double sum_ = 0.0;
  std::size_t run_ = 0;
};

// Extreme of the last n values with NaN passed over, in O(1) amortised per bar. Keeps
// candidate indices in a monotonic queue; among equal values the newest stays in front,
// as the fold from the newest bar does.
class WindowExtreme {
 public:
  WindowExtreme(std::span<const double> x, std::size_t n, bool want_max)
      : x_(x), n_(n), max_(want_max), ring_((n < x.size() ? n : x.size()) + 1) {}

  void step(std::size_t i) {
    const double v = x_[i];
    if (!std::isnan(v)) {
      while (size_ > 0 && !beats(x_[ring_[back()]], v)) --size_;
      ring_[wrap(head_ + size_)] = i;
      ++size_;
    }
    while (size_ > 0 && i - ring_[head_] >= n_) {
      head_ = wrap(head_ + 1);
      --size_;
    }
  }
  bool empty() const { return size_ == 0; }
  double value() const { return empty() ? kNaN : x_[ring_[head_]]; }
  std::size_t index() const { return ring_[head_]; }

 private:
  bool beats(double older, double newer) const { return max_ ? older > newer : older < newer; }
  std::size_t wrap(std::size_t k) const { return k >= ring_.size() ? k - ring_.size() : k; }
  std::size_t back() const { return wrap(head_ + size_ - 1); }

  std::span<const double> x_;
  std::size_t n_;
  bool max_;
  std::vector<std::size_t> ring_;  // a window holds at most n candidates
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace kelo_vm::series
