// What a running program reaches outside its own code: the bars, the current bar, the
// traded symbol, the clock, the journal, and every host call the built-ins do not
// answer. Borrowed by the interpreter and the built-ins for the duration of one call.
#pragma once

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

// One column of bar data: values of its own, a view of values the caller keeps alive
// for the whole run, or one value repeated. A long run's prices are then never copied,
// and a constant column costs no memory until something needs its values laid out.
// Reads look like a vector's; a change, or reading a view or a repeat as a vector or
// through data(), first makes the values the column's own. That can happen inside a
// const read, so a column is not for sharing between threads.
template <class T>
class BarColumn {
 public:
  BarColumn() = default;
  BarColumn(std::vector<T> values) : own_(std::move(values)) {}  // NOLINT: reads as a vector
  BarColumn(std::initializer_list<T> values) : own_(values) {}
  BarColumn(const BarColumn&) = default;
  BarColumn(BarColumn&& other) noexcept { take(other); }
  BarColumn& operator=(const BarColumn&) = default;
  BarColumn& operator=(BarColumn&& other) noexcept {
    if (this != &other) take(other);
    return *this;
  }
  BarColumn& operator=(std::vector<T> values) {
    own_ = std::move(values);
    view_ = {};
    count_ = 0;
    kind_ = Kind::Own;
    return *this;
  }
  BarColumn& operator=(std::initializer_list<T> values) { return *this = std::vector<T>(values); }

  // A view of `values`, which must outlive the column and every copy of it.
  static BarColumn borrowed(std::span<const T> values) {
    BarColumn column;
    column.view_ = values;
    column.kind_ = Kind::View;
    return column;
  }
  // `count` entries of `value`.
  static BarColumn filled(std::size_t count, T value) {
    BarColumn column;
    column.count_ = count;
    column.value_ = value;
    column.kind_ = Kind::Fill;
    return column;
  }
  bool is_borrowed() const { return kind_ == Kind::View; }
  bool is_filled() const { return kind_ == Kind::Fill; }

  std::size_t size() const {
    switch (kind_) {
      case Kind::View: return view_.size();
      case Kind::Fill: return count_;
      case Kind::Own: break;
    }
    return own_.size();
  }
  bool empty() const { return size() == 0; }
  const T* data() const {
    if (kind_ == Kind::Fill) own();
    return kind_ == Kind::View ? view_.data() : own_.data();
  }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size(); }
  const T& operator[](std::size_t i) const { return kind_ == Kind::Fill ? value_ : data()[i]; }
  const T& front() const { return (*this)[0]; }
  const T& back() const { return (*this)[size() - 1]; }

  // For code written against vectors.
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
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!(a[i] == b[i])) return false;
    return true;
  }

 private:
  enum class Kind : unsigned char { Own, View, Fill };

  void own() const {
    if (kind_ == Kind::View) own_.assign(view_.begin(), view_.end());
    if (kind_ == Kind::Fill) own_.assign(count_, value_);
    view_ = {};
    count_ = 0;
    kind_ = Kind::Own;
  }
  void take(BarColumn& other) noexcept {
    own_ = std::move(other.own_);
    other.own_.clear();
    view_ = std::exchange(other.view_, {});
    count_ = std::exchange(other.count_, 0);
    value_ = other.value_;
    kind_ = std::exchange(other.kind_, Kind::Own);
  }

  mutable std::vector<T> own_;
  mutable std::span<const T> view_;
  mutable std::size_t count_ = 0;  // entries of a repeat
  T value_{};                      // the repeated value
  mutable Kind kind_ = Kind::Own;
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
