#include "core/diag.h"

namespace kelo_core::diag {

std::string fill(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::size_t size = pattern.size();
  for (std::string_view arg : args) size += arg.size();
  std::string out;
  out.reserve(size);
  const std::string_view* next = args.begin();
  std::size_t i = 0;
  while (i < pattern.size()) {
    const std::size_t at = pattern.find("{}", i);
    if (at == std::string_view::npos || next == args.end()) break;
    out.append(pattern, i, at - i);
    out += *next++;
    i = at + 2;
  }
  out.append(pattern, i, std::string_view::npos);
  return out;
}

std::string_view severity_text(Severity severity) {
  return severity == Severity::Warning ? "warning" : "error";
}

namespace {

std::string unlisted_message(std::size_t unlisted) {
  return std::to_string(unlisted) + (unlisted == 1 ? " more finding was" : " more findings were") +
         " not listed; correct the ones above first";
}

}  // namespace

void Diagnostics::push(Severity severity, std::string_view code, std::string message, Span span) {
  if (unlisted == 0 && items.size() < kMaxListed) {
    items.push_back(Diagnostic{std::move(message), {}, code, span, severity});
    return;
  }
  if (unlisted++ == 0) items.push_back(Diagnostic{{}, {}, code, span, severity});
  Diagnostic& last = items.back();
  if (severity == Severity::Error) last.severity = Severity::Error;
  last.message = unlisted_message(unlisted);
}

void Diagnostics::append(Diagnostics&& later) {
  const std::size_t listed = later.items.size() - (later.unlisted != 0 ? 1 : 0);
  for (std::size_t i = 0; i < listed; ++i) {
    Diagnostic& d = later.items[i];
    push(d.severity, d.code, std::move(d.message), d.span);
  }
  if (later.unlisted == 0) return;
  // The findings `later` left out: the first of them with its code and place, and an
  // error among them, which is what the counting entry keeps.
  const Diagnostic& rest = later.items.back();
  push(rest.severity, rest.code, {}, rest.span);
  unlisted += later.unlisted - 1;
  items.back().message = unlisted_message(unlisted);
}

bool Diagnostics::has_errors() const {
  for (const Diagnostic& item : items) {
    if (item.severity == Severity::Error) return true;
  }
  return false;
}

std::string Diagnostics::render_all() const {
  std::string out;
  for (const Diagnostic& item : items) {
    if (&item != &items.front()) out += '\n';
    out += file;
    out += ':';
    out += std::to_string(item.span.start.line);
    out += ':';
    out += std::to_string(item.span.start.column);
    out += ' ';
    out += severity_text(item.severity);
    out += ' ';
    out += item.code;
    out += ": ";
    out += item.message;
  }
  return out;
}

}  // namespace kelo_core::diag
