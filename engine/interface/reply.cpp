#include "interface/reply.h"

#include <cstdlib>
#include <cstring>

#include "interface/json_text.h"

namespace kelo {

namespace {
// Handed out when malloc fails, so no reply is ever null; never freed.
char kEmptyReply[1] = {'\0'};
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
