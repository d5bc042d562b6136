// The frame every exported call shares: the reply text is handed over in malloc'd
// memory, and any failure inside a call becomes that call's failure reply.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

namespace kelo {

// A malloc'd NUL-terminated copy; the empty text when `text` holds a NUL byte. Never
// null: when memory runs out it returns the shared empty reply, which
// release_reply knows not to free.
char* to_reply(std::string_view text) noexcept;
// Releases a reply of to_reply; null is ignored.
void release_reply(char* reply) noexcept;

// A reply written straight into its malloc'd block, so a long reply is never built
// once and then copied: the first block is sized by an estimate and grows past it.
// Untouched room costs no memory, so a generous estimate is cheap.
class ReplyWriter {
 public:
  explicit ReplyWriter(std::size_t estimate = 0);
  ReplyWriter(ReplyWriter&& other) noexcept;
  ReplyWriter& operator=(ReplyWriter&&) = delete;
  ~ReplyWriter();

  // Throws std::bad_alloc when the block cannot grow.
  void append(std::string_view text);
  std::string_view text() const { return {data_ == nullptr ? "" : data_, size_}; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }

  // The block as to_reply hands it over: NUL-terminated, the empty text when a NUL
  // byte was written, never null. Leaves the writer empty.
  char* release() noexcept;

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;  // not counting the terminator's byte
  bool holds_nul_ = false;
};

// Hands over what the writer holds.
inline char* to_reply(ReplyWriter&& reply) noexcept { return reply.release(); }

// {"ok":false,"error":"..."}: the failure reply of build and backtest.
std::string failure_reply(std::string_view error);

// Fixed failure replies for the calls whose failure carries no text.
inline constexpr std::string_view kCheckFailure = R"({"ok":false,"diagnostics":[]})";
inline constexpr std::string_view kInputsFailure = R"({"ok":false,"groups":[],"inputs":[]})";
inline constexpr std::string_view kCompletionsFailure = R"({"items":[]})";
inline constexpr std::string_view kDescribeFailure = R"({"found":false})";
inline constexpr std::string_view kTokensFailure = R"({"tokens":[]})";

// The text of an internal failure, for the replies that carry an error.
std::string internal_error(const std::exception* e);

// Runs `work` (returning the reply text or a ReplyWriter) and hands over its reply. Any
// exception becomes `on_failure(exception or null)`; nothing escapes.
template <class Work, class OnFailure>
char* guarded(Work&& work, OnFailure&& on_failure) noexcept {
  try {
    return to_reply(work());
  } catch (const std::exception& e) {
    try {
      return to_reply(on_failure(&e));
    } catch (...) {
    }
  } catch (...) {
    try {
      return to_reply(on_failure(nullptr));
    } catch (...) {
    }
  }
  return to_reply(std::string_view{});
}

}  // namespace kelo
