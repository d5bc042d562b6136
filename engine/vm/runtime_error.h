// Every run-time failure of a program, and the value-or-error result that carries it.
// Errors are values: nothing in the VM throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace kelo_vm {

struct RuntimeError {
  // A line the interpreter has not filled in yet: built-ins raise errors with it and the
  // interpreter replaces it with the line of the instruction that called them. A line
  // that is already set (an error coming back out of a callback) is kept.
  static constexpr uint64_t kUnset = ~uint64_t{0};

  std::string message;
  uint64_t line = kUnset;  // 1-based source line; 0 where none is known
  // A guard of the run's own resources refused (its memory budget, the text cap). A try
  // may still catch it; reaching the top of an event handler, it ends a backtest there,
  // since every later event would run into the same guard.
  bool exhausted = false;

  // An error at the calling instruction's line.
  static RuntimeError here(std::string message) { return {std::move(message), kUnset}; }
  // A refusal of a resource guard, at the calling instruction's line.
  static RuntimeError exhaustion(std::string_view message) {
    return {std::string(message), kUnset, true};
  }
  friend bool operator==(const RuntimeError&, const RuntimeError&) = default;
};

// A value or a RuntimeError (hand-made: no std::expected in this toolchain).
template <class T>
class Result {
 public:
  Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  Result(RuntimeError error) : v_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return *std::get_if<0>(&v_); }
  const T& value() const& { return *std::get_if<0>(&v_); }
  T&& value() && { return std::move(*std::get_if<0>(&v_)); }
  RuntimeError& error() & { return *std::get_if<1>(&v_); }
  const RuntimeError& error() const& { return *std::get_if<1>(&v_); }
  RuntimeError&& error() && { return std::move(*std::get_if<1>(&v_)); }

 private:
  std::variant<T, RuntimeError> v_;
};

// Nothing, or a RuntimeError.
class Outcome {
 public:
  Outcome() = default;
  Outcome(RuntimeError error) : error_(std::move(error)), failed_(true) {}
  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const RuntimeError& error() const { return error_; }

 private:
  RuntimeError error_;
  bool failed_ = false;
};

}  // namespace kelo_vm
