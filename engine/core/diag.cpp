#include "core/diag.h"

namespace kelo_core::diag {

std::string_view severity_text(Severity severity) {
  return severity == Severity::Warning ? "warning" : "error";
}

void Diagnostics::push(Severity severity, std::string_view code, std::string message, Span span) {
  items.push_back(Diagnostic{std::move(message), {}, code, span, severity});
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
