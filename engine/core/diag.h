// Source positions and the ordered list of findings that every stage of a compile
// appends to. Nothing stops at the first finding; callers ask has_errors() afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelo_core::diag {

// A point in the source. Offsets count Unicode scalar values of the decoded text (not
// bytes); line and column are 1-based and the column counts characters.
struct Position {
  std::uint32_t offset = 0;
  std::uint32_t line = 1;
  std::uint32_t column = 1;

  friend bool operator==(const Position&, const Position&) = default;
};

// From the first character up to the position just after the last one.
struct Span {
  Position start;
  Position end;

  friend bool operator==(const Span&, const Span&) = default;
};

enum class Severity : std::uint8_t { Error = 0, Warning = 1 };

// "error" or "warning".
std::string_view severity_text(Severity severity);

// How many "{}" placeholders a message pattern holds.
consteval std::size_t placeholders(std::string_view pattern) {
  std::size_t n = 0;
  for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
    if (pattern[i] == '{' && pattern[i + 1] == '}') ++n;
  }
  return n;
}

// One row of a stage's diagnostic list: the code and the message pattern, in which each
// "{}" takes the next argument. `Args` is the pattern's placeholder count, so a report
// with too few or too many arguments does not compile.
template <std::size_t Args>
struct Message {
  std::string_view code;
  std::string_view pattern;
};

// Declares `name` as the Message of one row of a stage's X(name, code, pattern) list.
#define KELO_DIAGNOSTIC_MESSAGE(name, code, pattern)                                          \
  inline constexpr ::kelo_core::diag::Message<::kelo_core::diag::placeholders(pattern)> name{ \
      code, pattern};

// The pattern with each "{}" replaced by the next argument, in order; an argument's own
// braces are copied as they are.
std::string fill(std::string_view pattern, std::initializer_list<std::string_view> args);

struct Diagnostic {
  std::string message;
  // Notes pointing at other places; nothing in the engine fills them and rendering
  // ignores them.
  std::vector<std::pair<std::string, Span>> related;
  // "KELO" and four digits. Must refer to static storage (a string literal).
  std::string_view code;
  Span span;
  Severity severity = Severity::Error;
};

struct Diagnostics {
  // Findings listed at most; a source full of faults would otherwise make a list (and a
  // reply) many times its own size.
  static constexpr std::size_t kMaxListed = 1000;

  // At most kMaxListed findings, then, once more arrive, one last entry that counts them:
  // the code and span of the first one left out, an error when any of them is.
  std::vector<Diagnostic> items;
  std::string file;
  // Findings left out of the list.
  std::size_t unlisted = 0;

  Diagnostics() = default;
  explicit Diagnostics(std::string file_name) : file(std::move(file_name)) {}

  // `code` must be a string literal: the record keeps only a view of it.
  void push(Severity severity, std::string_view code, std::string message, Span span);
  void error(std::string_view code, std::string message, Span span) {
    push(Severity::Error, code, std::move(message), span);
  }
  void warning(std::string_view code, std::string message, Span span) {
    push(Severity::Warning, code, std::move(message), span);
  }

  // A row of a stage's list, filled with its arguments.
  template <std::size_t N, class... Args>
  void error(const Message<N>& message, Span span, const Args&... args) {
    static_assert(sizeof...(Args) == N, "one argument per placeholder");
    push(Severity::Error, message.code, fill(message.pattern, {std::string_view(args)...}), span);
  }
  template <std::size_t N, class... Args>
  void warning(const Message<N>& message, Span span, const Args&... args) {
    static_assert(sizeof...(Args) == N, "one argument per placeholder");
    push(Severity::Warning, message.code, fill(message.pattern, {std::string_view(args)...}), span);
  }

  // Appends the findings of `later` as if each had been pushed here after those already
  // here: the list ends the same, its cap and last counting entry included.
  void append(Diagnostics&& later);

  bool has_errors() const;

  // One "file:line:column severity code: message" line per item (start of the span
  // only), joined by a line feed, no line feed after the last. Empty list: "".
  std::string render_all() const;
};

}  // namespace kelo_core::diag
