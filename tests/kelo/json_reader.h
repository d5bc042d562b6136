// A small reader for the engine's JSON replies, enough for the corpus runner: objects,
// arrays, texts with their escapes, and every other value kept as its written text
// (numbers, true, false, null and the engine's NaN and inf).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelo_corpus {

struct Json {
  enum class Kind { Object, Array, Text, Word } kind = Kind::Word;
  std::string text;  // a text's value, or a word's written form
  std::vector<Json> items;
  std::map<std::string, Json> members;

  const Json* get(const std::string& key) const {
    auto it = members.find(key);
    return it == members.end() ? nullptr : &it->second;
  }
};

class JsonReader {
 public:
  explicit JsonReader(std::string_view text) : s_(text) {}

  // The whole text as one value; none when it is not well-formed.
  std::optional<Json> read() {
    auto v = value();
    skip_space();
    if (!v || at_ != s_.size()) return std::nullopt;
    return v;
  }

 private:
  void skip_space() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\t')) ++at_;
  }

  std::optional<Json> value() {
    skip_space();
    if (at_ >= s_.size()) return std::nullopt;
    const char c = s_[at_];
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') {
      auto t = quoted();
      if (!t) return std::nullopt;
      Json j;
      j.kind = Json::Kind::Text;
      j.text = std::move(*t);
      return j;
    }
    Json j;
    while (at_ < s_.size() && s_[at_] != ',' && s_[at_] != ']' && s_[at_] != '}' &&
           s_[at_] != ' ' && s_[at_] != '\n') {
      j.text += s_[at_++];
    }
    if (j.text.empty()) return std::nullopt;
    return j;
  }

  std::optional<Json> object() {
    Json j;
    j.kind = Json::Kind::Object;
    ++at_;
    skip_space();
    if (at_ < s_.size() && s_[at_] == '}') {
      ++at_;
      return j;
    }
    for (;;) {
      skip_space();
      if (at_ >= s_.size() || s_[at_] != '"') return std::nullopt;
      auto key = quoted();
      skip_space();
      if (!key || at_ >= s_.size() || s_[at_] != ':') return std::nullopt;
      ++at_;
      auto v = value();
      if (!v) return std::nullopt;
      j.members.emplace(std::move(*key), std::move(*v));
      skip_space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '}') {
        ++at_;
        return j;
      }
      return std::nullopt;
    }
  }

  std::optional<Json> array() {
    Json j;
    j.kind = Json::Kind::Array;
    ++at_;
    skip_space();
    if (at_ < s_.size() && s_[at_] == ']') {
      ++at_;
      return j;
    }
    for (;;) {
      auto v = value();
      if (!v) return std::nullopt;
      j.items.push_back(std::move(*v));
      skip_space();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == ']') {
        ++at_;
        return j;
      }
      return std::nullopt;
    }
  }

  static void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::optional<std::string> quoted() {
    std::string out;
    ++at_;
    while (at_ < s_.size() && s_[at_] != '"') {
      char c = s_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= s_.size()) return std::nullopt;
      c = s_[at_++];
      switch (c) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          if (at_ + 4 > s_.size()) return std::nullopt;
          append_utf8(out, static_cast<std::uint32_t>(
                               std::stoul(std::string(s_.substr(at_, 4)), nullptr, 16)));
          at_ += 4;
          break;
        }
        default:
          out += c;
      }
    }
    if (at_ >= s_.size()) return std::nullopt;
    ++at_;
    return out;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace kelo_corpus
