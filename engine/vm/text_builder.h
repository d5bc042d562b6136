// A text built piece by piece within the text cap and the run's memory.
//
// Growth is asked of the meter before it happens, and the buffer never grows past the
// cap: a plain string doubling its storage near the cap would hold about twice the cap
// for a moment, which is what the cap is there to prevent.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "vm/heap.h"
#include "vm/value.h"

namespace kelo_vm {

class TextBuilder {
 public:
  enum class Status { Ok, TooLong, NoMemory };

  // Appends the piece unless the builder has failed or the piece would pass a limit;
  // whether the text is still whole.
  bool append(std::string_view piece) {
    if (status_ != Status::Ok) return false;
    if (piece.size() > kMaxTextBytes - out_.size()) return fail(Status::TooLong);
    const std::size_t need = out_.size() + piece.size();
    if (need > out_.capacity() && !grow(need)) return false;
    out_.append(piece);
    return true;
  }
  bool push_back(char c) { return append(std::string_view(&c, 1)); }

  Status status() const { return status_; }
  bool ok() const { return status_ == Status::Ok; }
  std::size_t size() const { return out_.size(); }
  std::string take() && { return std::move(out_); }

 private:
  bool grow(std::size_t need) {
    const std::size_t doubled = std::max<std::size_t>(out_.capacity() * 2, 64);
    const std::size_t target = std::max(need, std::min(doubled, kMaxTextBytes));
    // The old buffer is still held while its copy is made.
    if (!heap::fits(static_cast<uint64_t>(target) + out_.capacity())) {
      return fail(Status::NoMemory);
    }
    heap::reserve_exactly(out_, target);
    return true;
  }
  bool fail(Status s) {
    status_ = s;
    return false;
  }

  std::string out_;
  Status status_ = Status::Ok;
};

}  // namespace kelo_vm
