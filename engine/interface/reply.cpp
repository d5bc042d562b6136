#include "interface/reply.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "interface/json_text.h"

namespace kelo {

namespace {
// Handed out when malloc fails, so no reply is ever null; never freed.
char kEmptyReply[1] = {'\0'};
// Far past any reply; keeps the growth arithmetic clear of overflow.
constexpr std::size_t kMaxReply = SIZE_MAX / 4;
}  // namespace

char* to_reply(std::string_view text) noexcept {
  if (text.find('\0') != std::string_view::npos) text = {};
  auto* reply = static_cast<char*>(std::malloc(text.size() + 1));
  if (reply == nullptr) return kEmptyReply;
  if (!text.empty()) std::memcpy(reply, text.data(), text.size());
  reply[text.size()] = '\0';
  return reply;
}

void release_reply(char* reply) noexcept {
  if (reply == nullptr || reply == kEmptyReply) return;
  std::free(reply);
}

ReplyWriter::ReplyWriter(std::size_t estimate) {
  if (estimate == 0 || estimate > kMaxReply) return;
  data_ = static_cast<char*>(std::malloc(estimate + 1));
  if (data_ != nullptr) capacity_ = estimate;  // a failed estimate retries when written
}

ReplyWriter::ReplyWriter(ReplyWriter&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      holds_nul_(std::exchange(other.holds_nul_, false)) {}

ReplyWriter::~ReplyWriter() { std::free(data_); }

void ReplyWriter::append(std::string_view text) {
  if (text.empty()) return;
  if (text.size() > capacity_ - size_) {
    // Half again as much, at least what is needed: a reply past its estimate grows a
    // few times, not once per piece. realloc moves a large block's pages, not bytes.
    if (text.size() > kMaxReply - size_) throw std::bad_alloc();
    std::size_t wanted = capacity_ + capacity_ / 2;
    if (wanted < size_ + text.size()) wanted = size_ + text.size();
    if (wanted < 64) wanted = 64;
    auto* grown = static_cast<char*>(std::realloc(data_, wanted + 1));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = grown;
    capacity_ = wanted;
  }
  if (!holds_nul_ && std::memchr(text.data(), '\0', text.size()) != nullptr) holds_nul_ = true;
  std::memcpy(data_ + size_, text.data(), text.size());
  size_ += text.size();
}

char* ReplyWriter::release() noexcept {
  char* block = std::exchange(data_, nullptr);
  const std::size_t size = std::exchange(size_, 0);
  capacity_ = 0;
  if (block == nullptr || std::exchange(holds_nul_, false)) {
    std::free(block);
    return to_reply(std::string_view{});
  }
  block[size] = '\0';
  // Give back the room the estimate left over; should that fail, the larger block serves.
  if (auto* fitted = static_cast<char*>(std::realloc(block, size + 1))) block = fitted;
  return block;
}

std::string failure_reply(std::string_view error) {
  std::string out = R"({"ok":false,"error":")";
  append_escaped(out, error);
  out += "\"}";
  return out;
}

std::string internal_error(const std::exception* e) {
  std::string text = "The engine failed inside the call";
  if (e != nullptr && e->what() != nullptr && *e->what() != '\0') {
    text += ": ";
    text += e->what();
  }
  return text + ".";
}

}  // namespace kelo
