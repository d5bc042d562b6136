// What a running program reaches outside its own code: the bars, the current bar, the
// traded symbol, the clock, the journal, and every host call the built-ins do not
// answer. Borrowed by the interpreter and the built-ins for the duration of one call.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vm/runtime_error.h"
#include "vm/value.h"

namespace kelo_vm::host {

// One column of bar data: values of its own, or a view of values the caller keeps
// alive for the whole run (a long run's prices are then never copied). Reads look like a
// vector's; writing to a view copies it first.
template <class T>
class BarColumn {
 public:
  BarColumn() = default;
  BarColumn(std::vector<T> values) : own_(std::move(values)) {}  // NOLINT: reads as a vector
  BarColumn(std::initializer_list<T> values) : own_(values) {}
  BarColumn(const BarColumn&) = default;
  BarColumn(BarColumn&& other) noexcept
      : own_(std::move(other.own_)), view_(std::exchange(other.view_, {})),
        borrowed_(std::exchange(other.borrowed_, false)) {}
  BarColumn& operator=(const BarColumn&) = default;
  BarColumn& operator=(BarColumn&& other) noexcept {
    own_ = std::move(other.own_);
    view_ = std::exchange(other.view_, {});
    borrowed_ = std::exchange(other.borrowed_, false);
    return *this;
  }
  BarColumn& operator=(std::vector<T> values) {
    own_ = std::move(values);
    view_ = {};
    borrowed_ = false;
    return *this;
  }
  BarColumn& operator=(std::initializer_list<T> values) { return *this = std::vector<T>(values); }

  // A view of `values`, which must outlive the column and every copy of it.
  static BarColumn borrowed(std::span<const T> values) {
    BarColumn column;
    column.view_ = values;
    column.borrowed_ = true;
    return column;
  }
  bool is_borrowed() const { return borrowed_; }

  std::size_t size() const { return borrowed_ ? view_.size() : own_.size(); }
  bool empty() const { return size() == 0; }
  const T* data() const { return borrowed_ ? view_.data() : own_.data(); }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }
  const T& operator[](std::size_t i) const { return data()[i]; }
  const T& front() const { return data()[0]; }
  const T& back() const { return data()[size() - 1]; }
  std::span<const T> span() const { return {data(), size()}; }

  // For code written against vectors: a view is copied into the column's own storage
  // on first use, once.
  operator const std::vector<T>&() const {  // NOLINT: reads as a vector
    own();
    return own_;
  }

  T& operator[](std::size_t i) {
    own();
    return own_[i];
  }
  void push_back(T value) {
    own();
    own_.push_back(value);
  }
  template <class It>
  void assign(It first, It last) {
    *this = std::vector<T>(first, last);
  }
  void assign(std::size_t count, T value) { *this = std::vector<T>(count, value); }
  void resize(std::size_t count) {
    own();
    own_.resize(count);
  }
  void reserve(std::size_t count) {
    own();
    own_.reserve(count);
  }
  void clear() { *this = std::vector<T>(); }

  friend bool operator==(const BarColumn& a, const BarColumn& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  void own() const {
    if (!borrowed_) return;
    own_.assign(view_.begin(), view_.end());
    view_ = {};
    borrowed_ = false;
  }

  mutable std::vector<T> own_;
  mutable std::span<const T> view_;
  mutable bool borrowed_ = false;
};

// Seven columns of equal length, oldest bar first.
struct Bars {
  BarColumn<int64_t> times;  // bar open time, epoch milliseconds
  BarColumn<double> open;
  BarColumn<double> high;
  BarColumn<double> low;
  BarColumn<double> close;
  BarColumn<double> volume;
  BarColumn<double> spread;

  // The bar count is the length of the close column.
  size_t size() const { return close.size(); }
};

struct SymbolSpec {
  std::string name = "EURUSD";
  int64_t digits = 5;
  double point = 0.00001;
  double pip = 0.0001;
  double tick_size = 0.00001;
  double tick_value = 1.0;
  double contract_size = 100000.0;
  double volume_min = 0.01;
  double volume_max = 100.0;
  double volume_step = 0.01;
  double conversion = 1.0;
  // Two further numbers that nothing in the engine reads.
  double reserved_a = 0.0;
  double reserved_b = 0.0;
};

class Host {
 public:
  virtual ~Host() = default;

  virtual uint8_t capability() = 0;
  // All bars of the run, not only those up to the current one.
  virtual const Bars& bars() = 0;
  // The bars of another symbol or timeframe; none (null) by default.
  virtual const Bars* bars_of(std::string_view symbol, std::string_view timeframe) {
    (void)symbol;
    (void)timeframe;
    return nullptr;
  }
  // Index of the current bar in bars().
  virtual size_t bar_index() = 0;
  virtual bool is_new_bar() = 0;
  virtual const SymbolSpec& symbol() = 0;
  // Current time, epoch milliseconds.
  virtual int64_t now() = 0;
  // Every host-function name the built-ins do not answer, with its arguments (borrowed).
  virtual Result<Value> call(std::string_view name, std::span<const Value> args) = 0;
  // Appends a journal entry.
  virtual void log(std::string_view level, std::string_view message) = 0;
};

}  // namespace kelo_vm::host
